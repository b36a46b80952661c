// Measures the readout against the line's limit: the transfer alone, the same
// through the real window (and a window that rewrites its whole text per byte),
// a paced readout at 19200 baud, both CSV writers, start-up and peak memory,
// filling the table and chart pages (also from crafted replies), copying all of
// a table, the figures of the numeric columns, opening a saved readout (also
// crafted files) and writing the PDF report (also of crafted tables).
// Prints a table of medians on standard output.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "ChartPage.h"
#include "ColumnFigures.h"
#include "CsvExport.h"
#include "QuietReadoutWindow.h"
#include "Readout.h"
#include "ReadoutReport.h"
#include "SimProcess.h"
#include "Table.h"
#include "TableItemModel.h"
#include "TableView.h"
#include "TravikTestUnit.h"
#include "Windows1252.h"

extern char** environ;

namespace {

using namespace travik;
using bench::format;

constexpr double kLineSeconds = kAlarmLimit * 10.0 / 19200.0;

class NullWindow : public QuietReadoutWindow {
public:
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
    }
};

// Shows the readout as a literal reading would: the whole text set again after
// every byte.
class RewritingWindow : public NullWindow {
public:
    explicit RewritingWindow(const TerminalText& terminal) : terminal_(terminal) {
        view_.setReadOnly(true);
        view_.resize(745, 673);
        view_.show();
    }
    void terminalChanged() override {
        const std::u16string text = DecodeWindows1252(terminal_.bytes());
        view_.setPlainText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    }
    void setProgress(int position) override { progress_.setValue(position); }

private:
    const TerminalText& terminal_;
    QPlainTextEdit view_;
    QProgressBar progress_;
};

class SilentDialogs : public Dialogs {
public:
    explicit SilentDialogs(std::string folder) : folder_(std::move(folder)) {}
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    std::optional<std::string> askSaveFileName(const std::string& proposed) override {
        return folder_ + "/" + proposed;
    }
    bool askYesNo(const std::string&) override { return true; }

protected:
    void showErrorBox(const std::string& text) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }

private:
    std::string folder_;
};

std::string makeTempFolder() {
    char pattern[] = "/tmp/travik-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

// The settings the window starts with: the simulator's port.
void useSettingsFor(const std::string& folder, const std::string& port) {
    std::ofstream(folder + "/TravikReadout.ini") << "[com]\ncomID=" << port << "\n";
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
}

ReadoutResult readOnce(ReadoutKind kind, const std::string& port, ReadoutState& state,
                       ReadoutWindow& window) {
    state.ComPortName = port;
    return Button1Click(kind, state, window);
}

void transferAlone(bench::Table& table, const std::string& port, TerminalText& alarmText) {
    for (const auto& [name, kind] : {std::pair{"alarm", ReadoutKind::AlarmBuffer},
                                     std::pair{"data logger", ReadoutKind::DataLogger}}) {
        ReadoutState state;
        NullWindow window;
        std::int32_t count = 0;
        const bench::Timing t =
            bench::medianOf(9, [&] { count = readOnce(kind, port, state, window).count; });
        const std::string what = std::string("1. transfer alone, unpaced, ") + name + " (" +
                                 std::to_string(count) + " bytes)";
        table.add(what + ": wall", format("%.1f ms", t.wall * 1e3));
        table.add(what + ": CPU", format("%.1f ms", t.cpu * 1e3));
        table.add(what + ": rate", format("%.0f bytes/s", count / t.wall));
        if (kind == ReadoutKind::AlarmBuffer) alarmText = state.terminal;
    }
}

void throughWindow(bench::Table& table, const std::string& port, const std::string& folder,
                   bool withBaseline = true) {
    TSTestForm form(std::make_unique<SilentDialogs>(folder));
    form.InitForm();
    form.show();
    auto* button = form.findChild<QPushButton*>(QStringLiteral("Button1"));
    auto* status = form.findChild<QLabel*>(QStringLiteral("Label1"));
    const bench::Timing window = bench::medianOf(9, [&] {
        button->click();
        if (status->text() != QStringLiteral("Transmission ready"))
            std::fprintf(stderr, "window readout ended with: %s\n", qPrintable(status->text()));
    });
    // The readout above filled the pages once each time; here the filling alone,
    // from the full alarm readout the terminal still holds.
    // With the events the filling posts (layouts, the chart's scene) handled.
    const bench::Timing pages = bench::medianOf(21, [&] {
        form.fillDataPages();
        QCoreApplication::processEvents();
    });
    const auto shared = std::make_shared<const Table>(
        CutTable(form.state().terminal.bytes(), form.state().terminal.insertedTabs()));
    auto* view = form.findChild<TableView*>(QStringLiteral("TableView1"));
    const bench::Timing tablePage = bench::medianOf(21, [&] {
        view->tableModel()->setTable(shared);
        view->fitColumns();
        QCoreApplication::processEvents();
    });
    auto* chart = form.findChild<ChartPage*>(QStringLiteral("ChartPage1"));
    const bench::Timing chartPage = bench::medianOf(21, [&] {
        chart->setTable(shared, 0);
        QCoreApplication::processEvents();
    });
    const bench::Timing cutting = bench::medianOf(21, [&] {
        const Table cut =
            CutTable(form.state().terminal.bytes(), form.state().terminal.insertedTabs());
        if (cut.rowCount() == 0) std::fprintf(stderr, "no rows in the alarm readout\n");
    });
    const bench::Timing figures = bench::medianOf(21, [&] {
        if (FiguresOf(*shared).columns.empty())
            std::fprintf(stderr, "no numeric column in the alarm readout\n");
    });
    // The report of the full alarm readout, as the menu command writes it.
    auto* report = form.findChild<QAction*>(QStringLiteral("SaveReport1"));
    const bench::Timing reportTiming = bench::medianOf(5, [&] {
        report->trigger();
        form.waitForReport();
    });
    const ReportInput reportInput = form.reportInput();
    const bench::Timing reportAlone = bench::medianOf(5, [&] {
        if (ReportPdf(reportInput, QPageSize(QPageSize::A4)).isEmpty())
            std::fprintf(stderr, "no report\n");
    });
    // Opening the same readout saved as a file, with every page filled.
    const std::string alarmFile = folder + "/Alarm-saved.csv";
    SaveCsvTabbed(alarmFile, form.state().terminal, true);
    const bench::Timing opening = bench::medianOf(21, [&] {
        if (!form.openReadoutFile(alarmFile)) std::fprintf(stderr, "the saved file did not open\n");
        QCoreApplication::processEvents();
    });
    form.close();
    table.add("2. alarm readout through the window: wall", format("%.1f ms", window.wall * 1e3),
              "<= 150 ms", window.wall <= 0.150);
    table.add("6. filling table and chart page, full alarm readout",
              format("%.1f ms", pages.wall * 1e3), "<= 20 ms", pages.wall <= 0.020);
    table.add("6. of that, cutting the text into a table", format("%.2f ms", cutting.wall * 1e3));
    table.add("6. of that, the table page", format("%.1f ms", tablePage.wall * 1e3));
    table.add("6. of that, the chart page", format("%.1f ms", chartPage.wall * 1e3));
    table.add("7. figures of the numeric columns, full alarm readout",
              format("%.2f ms", figures.wall * 1e3), "<= 2 ms", figures.wall <= 0.002);
    table.add("8. opening a full alarm-buffer file, all pages filled",
              format("%.1f ms", opening.wall * 1e3), "<= 30 ms", opening.wall <= 0.030);
    table.add("9. PDF report of a full alarm buffer", format("%.0f ms", reportTiming.wall * 1e3),
              "<= 1000 ms", reportTiming.wall <= 1.0);
    table.add("9. of that, the PDF alone, chart recorded before",
              format("%.0f ms", reportAlone.wall * 1e3));

    if (!withBaseline) return;
    ReadoutState state;
    RewritingWindow rewriting(state.terminal);
    const bench::Timing baseline =
        bench::medianOf(3, [&] { readOnce(ReadoutKind::AlarmBuffer, port, state, rewriting); });
    table.add("2. same, window rewriting its text per byte: wall",
              format("%.0f ms", baseline.wall * 1e3));
    const double ratio = baseline.wall / window.wall;
    table.add("2. rewrite baseline / window", format("%.0f x", ratio), ">= 20 x", ratio >= 20);
}

void paced(bench::Table& table, const std::string& simProgram) {
    SimProcess sim({}, simProgram);
    ReadoutState state;
    NullWindow window;
    const bench::Timing t = bench::medianOf(
        3, [&] { readOnce(ReadoutKind::AlarmBuffer, sim.portPath(), state, window); });
    table.add("3. paced 19200 8N1 alarm readout: total",
              format("%.3f s", t.wall) + format(" (line %.3f s)", kLineSeconds),
              format("<= %.3f s", kLineSeconds + 0.25), t.wall <= kLineSeconds + 0.25);
    const double share = t.cpu / t.wall * 100.0;
    table.add("3. paced: CPU share of one core", format("%.2f %%", share), "<= 5 %", share <= 5.0);
}

void writers(bench::Table& table, const TerminalText& alarm, const std::string& folder) {
    const std::string file = folder + "/bench.csv";
    const bench::Timing tabbed = bench::medianOf(21, [&] { SaveCsvTabbed(file, alarm, true); });
    const bench::Timing separated =
        bench::medianOf(21, [&] { SaveCsvSeparated(file, alarm, true, ','); });
    table.add("4. tabbed CSV writer, full alarm readout", format("%.2f ms", tabbed.wall * 1e3),
              "<= 10 ms", tabbed.wall <= 0.010);
    table.add("4. comma CSV writer, full alarm readout", format("%.2f ms", separated.wall * 1e3),
              "<= 10 ms", separated.wall <= 0.010);
}

// Starts `program` and waits; its wall time and peak resident memory.
struct ChildRun {
    double wall = 0;
    long maxRssKiB = 0;
    int status = -1;
};

ChildRun runChild(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ChildRun run;
    const double start = bench::wallSeconds();
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = bench::wallSeconds() - start;
    run.maxRssKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void startupAndMemory(bench::Table& table, const std::string& self, const std::string& demo,
                      const std::string& folder) {
    std::vector<double> startups;
    for (int i = 0; i < 7; ++i) {
        const std::string stampFile = folder + "/shown";
        const double start = bench::wallSeconds();
        runChild({self, "--startup-child", stampFile});
        std::ifstream stamp(stampFile);
        double shown = 0;
        if (stamp >> shown) startups.push_back(shown - start);
    }
    std::sort(startups.begin(), startups.end());
    if (!startups.empty()) {
        const double median = startups[startups.size() / 2];
        table.add("5. start-up to the window shown (offscreen)", format("%.0f ms", median * 1e3),
                  "<= 300 ms", median <= 0.300);
    }
    std::vector<long> peaks;
    for (int i = 0; i < 3; ++i) {
        const ChildRun run = runChild({demo, folder + "/demo"});
        if (run.status == 0) peaks.push_back(run.maxRssKiB);
    }
    std::sort(peaks.begin(), peaks.end());
    if (!peaks.empty()) {
        const double mib = static_cast<double>(peaks[peaks.size() / 2]) / 1024.0;
        table.add("5. peak resident memory, both readouts and exports", format("%.1f MiB", mib),
                  "<= 80 MB", mib * 1.048576 <= 80);
    }
}

// Replies crafted to make the pages expensive, each within the alarm limit.
struct CraftedReply {
    const char* name;
    std::string bytes;
};

std::vector<CraftedReply> craftedReplies() {
    const std::string header = "TravikP 2000\r\n01.03.2024 06:00\r\n";
    const auto fillRows = [&](std::string text, const std::string& row, std::size_t keep) {
        while (text.size() + row.size() + keep <= static_cast<std::size_t>(kAlarmLimit))
            text += row;
        return text;
    };
    std::vector<CraftedReply> replies;
    // Short rows, then one line of 7000 TABs: every row as wide as that one.
    std::string tabsLast = fillRows(header + "No\tValue\r\n", "1\t2\r\n", 7003);
    replies.push_back({"7000 TABs in the last row", tabsLast + std::string(7000, '\t') + "x\r\n"});
    // A title line of 2000 TABs above rows as short as they come.
    replies.push_back({"2000 TABs in the title line",
                       fillRows(header + std::string(2000, '\t') + "\r\n", "1\r\n", 0)});
    // Two rows of single-digit numbers: thousands of numeric columns to offer.
    std::string wide = header + "A\r\n";
    for (int row = 0; row < 2; ++row) {
        std::string line;
        while (line.size() + 2 < (static_cast<std::size_t>(kAlarmLimit) - header.size()) / 2 - 4)
            line += "1\t";
        wide += line + "1\r\n";
    }
    replies.push_back({"two rows of 3600 numeric columns", wide});
    // The charted column empty in every other row: a gap after every point.
    std::string gaps = header + "No\tValue\r\n";
    for (int row = 1; gaps.size() + 16 <= static_cast<std::size_t>(kAlarmLimit); ++row)
        gaps += std::to_string(row) + (row % 2 ? "\t5\r\n" : "\t\r\n");
    replies.push_back({"a gap after every charted point", gaps});
    return replies;
}

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return 0;
}

// The child of the crafted-reply figures: an idle window, then the pages filled
// from crafted reply `index`; writes the milliseconds and the peak memory above
// the idle window (MiB) to `stampFile`.
int craftedChild(int argc, char** argv, std::size_t index, const std::string& stampFile) {
    QApplication application(argc, argv);
    TSTestForm form(std::make_unique<SilentDialogs>("/tmp"));
    form.InitForm();
    form.show();
    QCoreApplication::processEvents();
    const std::string bytes = craftedReplies().at(index).bytes;
    TerminalText& terminal = form.state().terminal;
    terminal.clear();
    for (char byte : bytes) terminal.append(byte);
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    const long idleKiB = statusKiB("VmRSS");
    const double start = bench::wallSeconds();
    form.fillDataPages();
    QCoreApplication::processEvents();
    const double wall = bench::wallSeconds() - start;
    const long peakKiB = statusKiB("VmHWM");
    auto* chart = form.findChild<ChartPage*>(QStringLiteral("ChartPage1"));
    const auto table =
        std::make_shared<const Table>(CutTable(terminal.bytes(), terminal.insertedTabs()));
    const bench::Timing chartPage = bench::medianOf(5, [&] {
        chart->setTable(table, 0);
        QCoreApplication::processEvents();
    });
    std::ofstream(stampFile) << wall * 1e3 << ' ' << chartPage.wall * 1e3 << ' '
                             << static_cast<double>(peakKiB - idleKiB) / 1024.0;
    return 0;
}

void craftedReplyFigures(bench::Table& table, const std::string& self, const std::string& folder) {
    const std::vector<CraftedReply> replies = craftedReplies();
    for (std::size_t i = 0; i < replies.size(); ++i) {
        std::vector<double> walls, charts, peaks;
        for (int run = 0; run < 3; ++run) {
            const std::string stampFile = folder + "/crafted";
            std::filesystem::remove(stampFile);
            runChild({self, "--crafted-child", std::to_string(i), stampFile});
            std::ifstream stamp(stampFile);
            double wall = 0, chartWall = 0, peak = 0;
            if (stamp >> wall >> chartWall >> peak) {
                walls.push_back(wall);
                charts.push_back(chartWall);
                peaks.push_back(peak);
            }
        }
        if (walls.empty()) {
            std::fprintf(stderr, "crafted reply %zu: the child failed\n", i);
            continue;
        }
        for (auto* figures : {&walls, &charts, &peaks}) std::sort(figures->begin(), figures->end());
        const std::size_t middle = walls.size() / 2;
        const double wall = walls[middle], chartWall = charts[middle], peak = peaks[middle];
        const std::string what = std::string("10. pages from a crafted reply, ") + replies[i].name +
                                 " (" + std::to_string(replies[i].bytes.size()) + " bytes)";
        table.add(what + ": wall", format("%.1f ms", wall), "<= 100 ms", wall <= 100);
        table.add(what + ": of that, the chart page", format("%.1f ms", chartWall), "<= 20 ms",
                  chartWall <= 20);
        table.add(what + ": memory above the idle window", format("%.1f MiB", peak), "<= 60 MB",
                  peak * 1.048576 <= 60);
    }
}

// Files crafted to make opening expensive, each within the 1 MiB a file may have.
std::vector<CraftedReply> craftedFiles() {
    const std::string header = "TravikP 2000\r\n01.03.2024 06:00\r\n";
    const auto fields = [](std::size_t count) {
        std::string line;
        line.reserve(2 * count);
        for (std::size_t i = 1; i < count; ++i) line += "1\t";
        return line + "1\r\n";
    };
    std::vector<CraftedReply> files;
    files.push_back(
        {"two rows of 260 000 columns", header + "A\r\n" + fields(260000) + fields(260000)});
    std::string longRow = header + "No\tValue\r\n" + std::string(400000, '\t') + "x\r\n";
    for (int row = 0; row < 200000; ++row) longRow += "1\r\n";
    files.push_back({"one 400 000-field row among 200 000 short rows", longRow});
    files.push_back({"7002 columns", header + fields(7002) + "1\r\n"});
    // The round before's reply of 7000 TABs, saved tab-separated.
    files.push_back(
        {"the reply of 7000 TABs in the last row, saved", craftedReplies().at(0).bytes});
    return files;
}

// The child of the crafted-file figures: an idle window, then crafted file
// `path` opened; writes the milliseconds of the opening and of both exports
// and the peak memory above the idle window (MiB) to `stampFile`.
int craftedFileChild(int argc, char** argv, const std::string& path, const std::string& stampFile) {
    QApplication application(argc, argv);
    TSTestForm form(std::make_unique<SilentDialogs>("/tmp"));
    form.InitForm();
    form.show();
    QCoreApplication::processEvents();
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    const long idleKiB = statusKiB("VmRSS");
    const double start = bench::wallSeconds(), cpuStart = bench::cpuSeconds();
    if (!form.openReadoutFile(path)) return 1;
    QCoreApplication::processEvents();
    const double wall = bench::wallSeconds() - start, cpu = bench::cpuSeconds() - cpuStart;
    const long peakKiB = statusKiB("VmHWM");
    const TerminalText& terminal = form.state().terminal;
    const double exportStart = bench::wallSeconds();
    const std::size_t written = TabbedCsvText(terminal, form.state().AlarmMode).size() +
                                SeparatedCsvText(terminal, form.state().AlarmMode, ';').size();
    const double exportWall = bench::wallSeconds() - exportStart;
    std::ofstream(stampFile) << wall * 1e3 << ' ' << cpu * 1e3 << ' ' << exportWall * 1e3 << ' '
                             << static_cast<double>(peakKiB - idleKiB) / 1024.0 << ' ' << written;
    return 0;
}

void craftedFileFigures(bench::Table& table, const std::string& self, const std::string& folder) {
    const std::vector<CraftedReply> files = craftedFiles();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = folder + "/crafted-" + std::to_string(i) + ".csv";
        std::ofstream(path, std::ios::binary) << files[i].bytes;
        std::vector<double> walls, cpus, exports, peaks;
        for (int run = 0; run < 3; ++run) {
            const std::string stampFile = folder + "/crafted";
            std::filesystem::remove(stampFile);
            runChild({self, "--crafted-file-child", path, stampFile});
            std::ifstream stamp(stampFile);
            double wall = 0, cpu = 0, exportWall = 0, peak = 0;
            if (stamp >> wall >> cpu >> exportWall >> peak) {
                walls.push_back(wall);
                cpus.push_back(cpu);
                exports.push_back(exportWall);
                peaks.push_back(peak);
            }
        }
        if (walls.empty()) {
            std::fprintf(stderr, "crafted file %zu: the child failed\n", i);
            continue;
        }
        for (auto* figures : {&walls, &cpus, &exports, &peaks})
            std::sort(figures->begin(), figures->end());
        const std::size_t middle = walls.size() / 2;
        const std::string what = std::string("11. opening a crafted file, ") + files[i].name +
                                 " (" + std::to_string(files[i].bytes.size()) + " bytes)";
        table.add(what + ": wall / CPU",
                  format("%.1f", walls[middle]) + format(" / %.1f ms", cpus[middle]), "<= 1000 ms",
                  walls[middle] <= 1000);
        table.add(what + ": memory above the idle window", format("%.1f MiB", peaks[middle]),
                  "<= 150 MB", peaks[middle] * 1.048576 <= 150);
        table.add(what + ": both exports", format("%.1f ms", exports[middle]), "<= 1000 ms",
                  exports[middle] <= 1000);
    }
}

// What Ctrl+A, Ctrl+C copy: the crafted replies, and a table whose one row of
// 400 000 fields stands among 200 000 short rows (a 1 MB file of that shape,
// or a live readout of it).
std::vector<CraftedReply> copyInputs() {
    std::vector<CraftedReply> inputs = craftedReplies();
    std::string wideAmongShort = "TravikP 2000\r\n01.03.2024 06:00\r\nNo\r\n";
    for (int row = 0; row < 200000; ++row) wideAmongShort += "1\r";
    wideAmongShort += std::string(399999, '\t') + "x\r";
    inputs.push_back({"one row of 400 000 fields among 200 000 short rows", wideAmongShort});
    return inputs;
}

// The child of the copy figures: the pages filled from copy input `index`,
// then everything selected and copied; writes the milliseconds, the peak
// memory above the filled window (MiB) and the bytes copied to `stampFile`.
int copyChild(int argc, char** argv, std::size_t index, const std::string& stampFile) {
    QApplication application(argc, argv);
    TSTestForm form(std::make_unique<SilentDialogs>("/tmp"));
    form.InitForm();
    form.show();
    const std::string bytes = copyInputs().at(index).bytes;
    TerminalText& terminal = form.state().terminal;
    terminal.clear();
    for (char byte : bytes) terminal.append(byte);
    form.fillDataPages();
    QCoreApplication::processEvents();
    auto* view = form.findChild<TableView*>(QStringLiteral("TableView1"));
    std::ofstream("/proc/self/clear_refs") << "5";
    const long idleKiB = statusKiB("VmRSS");
    const double start = bench::wallSeconds();
    view->selectAll();
    view->copySelection();
    QCoreApplication::processEvents();
    const double wall = bench::wallSeconds() - start;
    const long peakKiB = statusKiB("VmHWM");
    std::ofstream(stampFile) << wall * 1e3 << ' ' << static_cast<double>(peakKiB - idleKiB) / 1024.0
                             << ' ' << QApplication::clipboard()->text().size();
    return 0;
}

void copyAllFigures(bench::Table& table, const std::string& self, const std::string& folder) {
    const std::vector<CraftedReply> inputs = copyInputs();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        std::vector<double> walls, peaks;
        double copied = 0;
        for (int run = 0; run < 3; ++run) {
            const std::string stampFile = folder + "/copied";
            std::filesystem::remove(stampFile);
            runChild({self, "--copy-child", std::to_string(i), stampFile});
            std::ifstream stamp(stampFile);
            double wall = 0, peak = 0;
            if (stamp >> wall >> peak >> copied) {
                walls.push_back(wall);
                peaks.push_back(peak);
            }
        }
        if (walls.empty()) {
            std::fprintf(stderr, "copy input %zu: the child failed\n", i);
            continue;
        }
        std::sort(walls.begin(), walls.end());
        std::sort(peaks.begin(), peaks.end());
        const double wall = walls[walls.size() / 2], peak = peaks[peaks.size() / 2];
        const std::string what = std::string("12. Ctrl+A, Ctrl+C of ") + inputs[i].name + " (" +
                                 std::to_string(inputs[i].bytes.size()) + " bytes, " +
                                 format("%.0f", copied) + " characters copied)";
        table.add(what + ": wall", format("%.1f ms", wall), "<= 1 s", wall <= 1000);
        table.add(what + ": memory above the filled window", format("%.1f MiB", peak), "<= 150 MB",
                  peak * 1.048576 <= 150);
    }
}

// Tables crafted to make the report expensive, each from at most 1 MiB of text.
std::vector<CraftedReply> craftedReportTables() {
    const std::string header = "TravikP 2000\r01.03.2024 06:00\r";
    std::vector<CraftedReply> tables;
    std::string wide = header + "No\r";
    for (int row = 0; row < 2; ++row) {
        wide += "1";
        for (int column = 1; column < 260000; ++column) wide += "\t1";
        wide += "\r";
    }
    tables.push_back({"2 rows of 260 000 columns", wide});
    std::string seven = header + "No\tDate\tTime\r1";
    for (int column = 1; column < 7002; ++column) seven += "\t5";
    tables.push_back({"one row of 7002 columns", seven + "\r"});
    std::string tall = header + "No\r";
    for (int row = 0; row < 200000; ++row) tall += "1\r";
    tables.push_back({"a 400 000-field row below 200 000 short rows",
                      tall + "x" + std::string(399999, '\t') + "y\r"});
    return tables;
}

// The child of the report figures: the report of crafted table `index`,
// planned and written as the window's thread does it; writes the milliseconds
// of the planning and of the whole, the pages and the peak memory above the
// start (MiB) to `stampFile`.
int reportChild(int argc, char** argv, std::size_t index, const std::string& stampFile) {
    QApplication application(argc, argv);
    const std::string text = craftedReportTables().at(index).bytes;
    ReportInput input;
    input.table = std::make_shared<const Table>(CutTable(text));
    std::ofstream("/proc/self/clear_refs") << "5";
    const long idleKiB = statusKiB("VmRSS");
    const double start = bench::wallSeconds();
    ReportMaker maker(input, QPageSize(QPageSize::A4));
    maker.plan();
    const double planned = bench::wallSeconds() - start;
    const std::optional<QByteArray> pdf = maker.pdf();
    const double wall = bench::wallSeconds() - start;
    std::ofstream(stampFile) << planned * 1e3 << ' ' << wall * 1e3 << ' ' << maker.pageCount()
                             << ' ' << static_cast<double>(statusKiB("VmHWM") - idleKiB) / 1024.0;
    return pdf ? 0 : 1;
}

void craftedReportFigures(bench::Table& table, const std::string& self, const std::string& folder) {
    const std::vector<CraftedReply> tables = craftedReportTables();
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string stampFile = folder + "/report";
        std::filesystem::remove(stampFile);
        runChild({self, "--report-child", std::to_string(i), stampFile});
        std::ifstream stamp(stampFile);
        double planned = 0, wall = 0, peak = 0;
        std::size_t pages = 0;
        if (!(stamp >> planned >> wall >> pages >> peak)) {
            std::fprintf(stderr, "crafted report %zu: the child failed\n", i);
            continue;
        }
        const std::string what = std::string("13. PDF report of ") + tables[i].name + " (" +
                                 std::to_string(tables[i].bytes.size()) + " bytes)";
        table.add(what + ": wall", format("%.0f ms", wall));
        table.add(what + ": of that, measuring and planning", format("%.0f ms", planned));
        table.add(what + ": pages", std::to_string(pages));
        table.add(what + ": memory above the start", format("%.1f MiB", peak));
    }
}

// The child of the start-up figure: the program's own start, then the time
// the window was shown, written to `stampFile`.
int startupChild(int argc, char** argv, const std::string& stampFile) {
    QApplication application(argc, argv);
    TSTestForm form(std::make_unique<SilentDialogs>("/tmp"));
    form.InitForm();
    form.show();
    QCoreApplication::processEvents();
    while (!form.windowHandle() || !form.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::ofstream(stampFile) << std::fixed << bench::wallSeconds();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char selfPath[4096] = {};
    if (readlink("/proc/self/exe", selfPath, sizeof selfPath - 1) <= 0) return 1;
    const std::string self = selfPath;
    if (argc == 3 && std::string(argv[1]) == "--startup-child")
        return startupChild(argc, argv, argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--crafted-child")
        return craftedChild(argc, argv, std::stoul(argv[2]), argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--crafted-file-child")
        return craftedFileChild(argc, argv, argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--copy-child")
        return copyChild(argc, argv, std::stoul(argv[2]), argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--report-child")
        return reportChild(argc, argv, std::stoul(argv[2]), argv[3]);

    const std::string simProgram = TRAVIK_SIM_PROGRAM;
    const std::string demoProgram = TRAVIK_DEMO_PROGRAM;
    const std::string folder = makeTempFolder();
    bench::Table table;

    SimProcess fast({"--fast"}, simProgram);
    useSettingsFor(folder, fast.portPath());
    if (argc == 2 && std::string(argv[1]) == "--copy") {
        copyAllFigures(table, self, folder);
        table.print();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--crafted") {
        craftedReplyFigures(table, self, folder);
        craftedFileFigures(table, self, folder);
        table.print();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--reports") {
        craftedReportFigures(table, self, folder);
        table.print();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--window") {
        // Only the figures through the window (2 and 6).
        QApplication application(argc, argv);
        throughWindow(table, fast.portPath(), folder, false);
        table.print();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return 0;
    }
    // Children first: this process starts no toolkit before they have run.
    std::fprintf(stderr, "start-up and memory...\n");
    startupAndMemory(table, self, demoProgram, folder);
    std::fprintf(stderr, "crafted replies...\n");
    craftedReplyFigures(table, self, folder);
    std::fprintf(stderr, "crafted files...\n");
    craftedFileFigures(table, self, folder);
    std::fprintf(stderr, "copying everything...\n");
    copyAllFigures(table, self, folder);
    std::fprintf(stderr, "reports of crafted tables...\n");
    craftedReportFigures(table, self, folder);

    TerminalText alarm;
    std::fprintf(stderr, "transfer alone...\n");
    transferAlone(table, fast.portPath(), alarm);
    std::fprintf(stderr, "CSV writers...\n");
    writers(table, alarm, folder);
    {
        QApplication application(argc, argv);
        std::fprintf(stderr, "through the window...\n");
        throughWindow(table, fast.portPath(), folder);
    }
    fast.stop();
    std::fprintf(stderr, "paced readout (about 25 s)...\n");
    paced(table, simProgram);

    table.print();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
