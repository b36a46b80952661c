// The PDF report from the real window: its name, pages and words, the chart
// drawn in it, and a failed save that keeps the old file.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <algorithm>
#include <cstdio>

#include "AppTestSupport.h"
#include "ChartPage.h"
#include "CsvExport.h"
#include "ReadoutFile.h"
#include "ReadoutReport.h"
#include "ReportJob.h"
#include "ShownReadout.h"
#include "SimProcess.h"

#ifdef TRAVIK_CHARTS
#include <QCategoryAxis>
#include <QChartView>
#endif
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A path as the window writes it: with the system's own separators.
std::string NativePath(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
}

using travik::ReadoutKind;
using travik::TSTestForm;

const std::string kAlarmDevice =
    "TP 2000\r09.12.26 10:00\rNo\tt\tI\tIdL\tText\tValue\r"
    "1\t01.03.2024 06:10:00\t3\t1101\t\xDC"
    "bertemp.\t95,5\r"
    "2\t01.03.2024 07:00:00\t1\t1601\tNetzausfall\t\r"
    "3\t01.03.2024 08:00:00\t2\t1204\tDruck\t1,05\r"
    "4\t01.03.2024 09:00:00\t1\t1601\tNetzausfall\t\r";

int pageCount(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

// How the PDF's document information writes a title: UTF-16 with its byte order mark.
std::string pdfText(const QString& text) {
    std::string bytes = "\xFE\xFF";
    for (const QChar c : text) {
        bytes += static_cast<char>(c.unicode() >> 8);
        bytes += static_cast<char>(c.unicode() & 0xFF);
    }
    return bytes;
}

// A data logger's reply: `rows` rows of `columns` one-digit fields each, with
// the titles of the first three.
std::string loggerDevice(std::size_t rows, std::size_t columns) {
    std::string text = "TP 2000\r09.12.26 10:00\rNo\tDate\tTime\r";
    for (std::size_t row = 0; row < rows; ++row) {
        text += std::to_string(row + 1);
        for (std::size_t column = 1; column < columns; ++column)
            text += "\t" + std::to_string((row + column) % 10);
        text += "\r";
    }
    return text;
}

class ReportTest : public WindowTest {
protected:
    std::string writeLoggerFile(const std::string& name, std::size_t rows, std::size_t columns) {
        const travik::TerminalText received =
            travik::ReplayedTerminal(loggerDevice(rows, columns), ReadoutKind::DataLogger);
        WriteFileBytes(dir_.file(name), travik::TabbedCsvText(received, false));
        return dir_.file(name);
    }
    // The names in the test's folder.
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const QString& name :
             QDir(QString::fromStdString(dir_.path())).entryList(QDir::Files | QDir::Hidden))
            names.push_back(name.toStdString());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string writeAlarmFile(const std::string& name) {
        const travik::TerminalText received =
            travik::ReplayedTerminal(kAlarmDevice, ReadoutKind::AlarmBuffer);
        WriteFileBytes(dir_.file(name), travik::TabbedCsvText(received, true));
        return dir_.file(name);
    }
    static QAction* action(TSTestForm& form, const char* name) {
        return Control<QAction>(form, name);
    }
    TempDir dir_;
};

TEST_F(ReportTest, OpenedAlarmFileGivesAFirstPageAndTheTable) {
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    EXPECT_FALSE(action(*form, "SaveReport1")->isEnabled());
    EXPECT_EQ(action(*form, "SaveReport1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(action(*form, "SaveReport1")->text(), QString::fromUtf8("Bericht speichern…"));
    ASSERT_TRUE(form->openReadoutFile(writeAlarmFile("Alarm.csv")));
    dialogs().saveAnswers.push_back(dir_.file("report.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    ASSERT_EQ(dialogs().proposals.size(), 1u);
    EXPECT_EQ(dialogs().proposals[0], NativePath(dir_.file("Alarm.pdf")));
    EXPECT_TRUE(dialogs().errors.empty());
    const std::string pdf = ReadFileBytes(dir_.file("report.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(pageCount(pdf), 2);  // the first page, then the table
    EXPECT_NE(pdf.find(pdfText(QString::fromUtf8("Auslesebericht – Alarm.csv"))),
              std::string::npos);
}

TEST_F(ReportTest, FullAlarmReadoutRunsOverPages) {
    SimProcess sim({"--fast"});
    writeSettings("[com]\ncomID=" + sim.portPath() + "\n[Language]\nLanguage=3\n");
    auto form = startForm();
    Control<QPushButton>(*form, "Button1")->click();
    ASSERT_GT(form->table().rowCount(), 150u);
    dialogs().saveAnswers.push_back(dir_.file("full.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    EXPECT_EQ(dialogs().proposals.at(0), "Alarm.pdf");
    const std::string pdf = ReadFileBytes(dir_.file("full.pdf"));
    // Over 150 rows at some 60 a page, after a first page of chart, figures and alarms.
    EXPECT_GE(pageCount(pdf), 4);
    EXPECT_NE(pdf.find(pdfText(QString::fromUtf8("Informe de lectura – ") +
                               QString::fromStdString(sim.portPath()))),
              std::string::npos);
}

TEST_F(ReportTest, FailedSaveNamesTheReasonAndKeepsTheOldFile) {
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeAlarmFile("Alarm.csv")));
    dialogs().saveAnswers.push_back(dir_.file("missing/report.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    ASSERT_EQ(dialogs().errors.size(), 1u);
#ifdef _WIN32
    EXPECT_EQ(dialogs().errors[0], "Invalid filename.");  // the system's "path not found"
#else
    EXPECT_EQ(dialogs().errors[0], "File not found.");
#endif
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir locked;
    WriteFileBytes(locked.file("old.pdf"), "old report");
    ASSERT_EQ(chmod(locked.path().c_str(), 0500), 0);
    dialogs().saveAnswers.push_back(locked.file("old.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    chmod(locked.path().c_str(), 0700);
    ASSERT_EQ(dialogs().errors.size(), 2u);
    EXPECT_EQ(dialogs().errors[1], "File access denied.");
    EXPECT_EQ(ReadFileBytes(locked.file("old.pdf")), "old report");
#endif
}

TEST_F(ReportTest, TheChartIsDrawnOnTheFirstPage) {
    if (!travik::ChartPage::available()) GTEST_SKIP() << "built without charts";
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeAlarmFile("Alarm.csv")));
    travik::ReportInput input;
    input.table = std::make_shared<travik::Table>(form->table());
    const QPageSize a4(QPageSize::A4);
    const QImage without = travik::ReportFirstPage(input, a4, 1);
    auto* chart = Control<travik::ChartPage>(*form, "ChartPage1");
    input.chart = travik::RecordedChart(
        [chart](QPainter* painter, const QRectF& target) { chart->paintChart(painter, target); },
        a4);
    const QImage with = travik::ReportFirstPage(input, a4, 1);
    ASSERT_EQ(with.size(), without.size());
    EXPECT_EQ(with.width(), 595);  // A4 in points
    // The chart's band below the heading lines: empty without, drawn with.
    int differing = 0;
    for (int y = 100; y < 380; ++y)
        for (int x = 0; x < with.width(); ++x) differing += with.pixel(x, y) != without.pixel(x, y);
    EXPECT_GT(differing, 2000);
}

// 14 kB of one row of 7002 columns: the table pages gave blank columns shrunk
// to nothing; now bands of legible columns, each headed with what it holds.
TEST_F(ReportTest, AWideTableGoesOnInHeadedBandsOfColumns) {
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeLoggerFile("Wide.csv", 1, 7002)));
    ASSERT_EQ(form->table().columnCount(), 7002u);
    travik::ReportMaker maker(form->reportInput(), QPageSize(QPageSize::A4));
    ASSERT_TRUE(maker.plan());
    const std::vector<QStringList> pages = maker.tableHeadings();
    ASSERT_GE(pages.size(), 10u);
    EXPECT_EQ(maker.pageCount(), 1 + pages.size());
    // The bands follow each other without a gap, from the first column to the last.
    const QRegularExpression heading(QStringLiteral("^Columns (\\d+)–(\\d+) of 7002$"));
    int expectedFirst = 1;
    std::size_t bands = 0;
    for (const QStringList& page : pages) {
        EXPECT_FALSE(page.isEmpty());
        for (const QString& text : page) {
            const QRegularExpressionMatch match = heading.match(text);
            ASSERT_TRUE(match.hasMatch()) << text.toStdString();
            const int first = match.captured(1).toInt(), last = match.captured(2).toInt();
            EXPECT_EQ(first, expectedFirst);
            // Legible: a few columns to a band, not thousands (how many depends on the fonts).
            EXPECT_GE(last - first + 1, 2);
            EXPECT_LE(last - first + 1, 25);
            expectedFirst = last + 1;
            ++bands;
        }
    }
    EXPECT_EQ(expectedFirst, 7003);
    EXPECT_GT(bands, pages.size());  // bands of one row share their pages
    // The window's report has just these pages.
    dialogs().saveAnswers.push_back(dir_.file("Wide.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    EXPECT_TRUE(dialogs().questions.empty());
#ifndef _WIN32
    // Under Wine the offscreen platform measures text on the report's thread
    // with other font metrics than on the window's, so the plan made here
    // differs there; on Linux both are the same.
    EXPECT_EQ(pageCount(ReadFileBytes(dir_.file("Wide.pdf"))), static_cast<int>(1 + pages.size()));
#else
    EXPECT_GT(pageCount(ReadFileBytes(dir_.file("Wide.pdf"))), 10);
#endif
    // In German too.
    travik::ReportInput input = form->reportInput();
    input.languageIndex = 1;
    travik::ReportMaker german(input, QPageSize(QPageSize::A4));
    ASSERT_TRUE(german.plan());
    EXPECT_TRUE(german.tableHeadings().at(0).at(0).startsWith(QStringLiteral("Spalten 1–")));
}

// One row of 12 000 fields among 4000 short ones: the short rows are not
// widened to it (rows times widest row would be 48 million cells).
TEST_F(ReportTest, ALongRowAmongShortOnesCostsItsOwnCells) {
    std::string text = loggerDevice(4000, 3);
    text += "4001";
    for (int column = 1; column < 12000; ++column) text += "\t7";
    text += "\r";
    auto table = std::make_shared<travik::Table>(travik::CutTable(text));
    ASSERT_EQ(table->columnCount(), 12000u);
    travik::ReportInput input;
    input.table = table;
    travik::ReportMaker maker(input, QPageSize(QPageSize::A4));
    ASSERT_TRUE(maker.plan());
    const std::vector<QStringList> pages = maker.tableHeadings();
    // Some 60 pages of the short rows, then the long row's bands, 15 or so a page.
    EXPECT_GT(pages.size(), 80u);
    EXPECT_LT(pages.size(), 200u);
    const std::optional<QByteArray> pdf = maker.pdf();
    ASSERT_TRUE(pdf.has_value());
    EXPECT_EQ(pageCount(pdf->toStdString()), static_cast<int>(maker.pageCount()));
    // Stopped while it is made: nothing.
    travik::ReportMaker stopped(input, QPageSize(QPageSize::A4));
    std::size_t reports = 0;
    EXPECT_FALSE(stopped.pdf([&reports](std::size_t, std::size_t) { return ++reports < 3; }));
}

TEST_F(ReportTest, ACancelledReportLeavesNoFile) {
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeLoggerFile("Wide.csv", 1, 7002)));
    WriteFileBytes(dir_.file("old.pdf"), "old report");
    dialogs().saveAnswers.push_back(dir_.file("old.pdf"));
    action(*form, "SaveReport1")->trigger();
    ASSERT_TRUE(form->reportRunning());
    EXPECT_FALSE(action(*form, "SaveReport1")->isEnabled());
    auto* progress = Control<QProgressDialog>(*form, "ReportProgress1");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->labelText(), QStringLiteral("Writing the report…"));
    QPushButton* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    cancel->click();
    form->waitForReport();
    EXPECT_TRUE(dialogs().errors.empty());
    EXPECT_TRUE(ReadFileBytes(dir_.file("old.pdf")) == "old report");
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"Wide.csv", "old.pdf"}));  // no temporary
    EXPECT_TRUE(action(*form, "SaveReport1")->isEnabled());
    EXPECT_EQ(form->findChild<QProgressDialog*>(QStringLiteral("ReportProgress1")), nullptr);
}

// Stopped while it plans or while it writes, by Cancel or by closing the
// window: no question, no file, the old one kept, no temporary left.
TEST_F(ReportTest, AReportStoppedWhileRunningLeavesNoFile) {
    enum class Stop { CloseWhilePlanning, CloseWhileWriting, CancelWhileWriting };
    // 40 000 rows: some 600 pages, past the question's bound.
    const std::string csv = writeLoggerFile("Long.csv", 40000, 2);
    for (const Stop stop :
         {Stop::CloseWhilePlanning, Stop::CloseWhileWriting, Stop::CancelWhileWriting}) {
        SCOPED_TRACE(static_cast<int>(stop));
        TempDir dir;
        bool stopped = false;  // outlives the form, whose progress bar's handler reads it
        auto form = startForm();
        ASSERT_TRUE(form->openReadoutFile(csv));
        WriteFileBytes(dir.file("old.pdf"), "old report");
        dialogs().saveAnswers.push_back(dir.file("old.pdf"));
        dialogs().questionAnswers.push_back(true);
        action(*form, "SaveReport1")->trigger();
        ASSERT_TRUE(form->reportRunning());
        auto* progress = Control<QProgressDialog>(*form, "ReportProgress1");
        QPushButton* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        if (stop == Stop::CloseWhilePlanning) {
            EXPECT_TRUE(form->close());
        } else {
            // The first progress of the writing step: past the planning's tenth.
            auto* bar = progress->findChild<QProgressBar*>();
            ASSERT_NE(bar, nullptr);
            QObject::connect(bar, &QProgressBar::valueChanged, form.get(), [&](int value) {
                if (value <= 100 || stopped) return;
                stopped = true;
                if (stop == Stop::CancelWhileWriting) {
                    cancel->click();
                } else {
                    form->close();
                }
            });
        }
        form->waitForReport();
        EXPECT_TRUE(dialogs().errors.empty());
        EXPECT_EQ(ReadFileBytes(dir.file("old.pdf")), "old report");
        const QStringList names =
            QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(names, QStringList{QStringLiteral("old.pdf")});  // no temporary
        if (stop == Stop::CloseWhilePlanning) {
            EXPECT_TRUE(dialogs().questions.empty());
        }
    }
}

// The written PDF is handed over once: the job keeps no empty leftover.
TEST_F(ReportTest, TheJobsPdfIsTakenOnce) {
    travik::ReportInput input;
    input.table = std::make_shared<travik::Table>(travik::CutTable(loggerDevice(3, 3)));
    travik::ReportJob job(input, QPageSize(QPageSize::A4));
    job.startPlanning();
    job.wait();
    job.startWriting();
    job.wait();
    const std::optional<QByteArray> pdf = job.takePdf();
    ASSERT_TRUE(pdf.has_value());
    EXPECT_TRUE(pdf->startsWith("%PDF-"));
    EXPECT_FALSE(job.takePdf().has_value());
}

// 40 000 rows: some 600 pages, written only when the user agrees.
TEST_F(ReportTest, AReportOfManyPagesIsAskedFor) {
    writeSettings("[Language]\nLanguage=2\n");
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeLoggerFile("Long.csv", 40000, 2)));
    dialogs().saveAnswers.push_back(dir_.file("Long.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    ASSERT_EQ(dialogs().questions.size(), 1u);
    const QRegularExpression question(
        QString::fromUtf8("^Le rapport aura environ (\\d+) pages. L’écrire quand même \\?$"));
    const QRegularExpressionMatch match =
        question.match(QString::fromStdString(dialogs().questions[0]));
    ASSERT_TRUE(match.hasMatch()) << dialogs().questions[0];
    EXPECT_GT(match.captured(1).toInt(), 500);
    EXPECT_LT(match.captured(1).toInt(), 800);
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"Long.csv"}));
}

// The report's chart is recorded at its own width, its time labels chosen for
// it (see FittingTimeTicks); the page keeps its own labels.
TEST_F(ReportTest, TheReportsChartLeavesThePagesTimeLabels) {
    if (!travik::ChartPage::available()) GTEST_SKIP() << "built without charts";
    std::string text = "TP 2000\r09.12.26 10:00\rNo\tt\tValue\r";
    for (int row = 0; row < 96; ++row) {
        char line[64];
        std::snprintf(line, sizeof line, "%d\t01.03.2024 %02d:%02d:00\t%d\r", row + 1, row / 4,
                      row % 4 * 15, row % 7);
        text += line;
    }
    auto form = startForm();
    form->resize(2400, 900);  // room for the page's labels: none cut short on screen
    form->showTable(std::make_shared<travik::Table>(travik::CutTable(text)));
    auto* chart = Control<travik::ChartPage>(*form, "ChartPage1");
    ASSERT_TRUE(chart->hasTimeAxis());
    const QStringList shown = chart->horizontalLabels();
    ASSERT_GE(shown.size(), 2);
    EXPECT_TRUE(shown[0].contains(QLatin1Char(':'))) << shown[0].toStdString();
#ifdef TRAVIK_CHARTS
    // The labels the report was drawn with: those the axis had when, after
    // taking the page's off, it had taken on all of the report's.
    auto* view = qobject_cast<QChartView*>(chart->chartView());
    ASSERT_NE(view, nullptr);
    const QList<QAbstractAxis*> axes = view->chart()->axes(Qt::Horizontal);
    ASSERT_EQ(axes.size(), 1);
    auto* axis = qobject_cast<QCategoryAxis*>(axes[0]);
    ASSERT_NE(axis, nullptr);
    std::vector<QStringList> states;
    QObject::connect(axis, &QCategoryAxis::categoriesChanged, form.get(),
                     [&] { states.push_back(axis->categoriesLabels()); });
    // Drawn whole: QtCharts cuts none of the report's labels short.
    std::vector<QStringList> cut;
    QObject::connect(axis, &QAbstractAxis::labelsTruncatedChanged, form.get(), [&](bool truncated) {
        if (truncated) cut.push_back(axis->categoriesLabels());
    });
#endif
    travik::RecordedChart(
        [chart](QPainter* painter, const QRectF& target) { chart->paintChart(painter, target); },
        QPageSize(QPageSize::A4));
    EXPECT_EQ(chart->horizontalLabels(), shown);
#ifdef TRAVIK_CHARTS
    // No change at all: the report's labels were the page's.
    QStringList drawn = shown;
    auto state = std::find_if(states.begin(), states.end(),
                              [](const QStringList& labels) { return labels.isEmpty(); });
    if (state != states.end()) {
        while (std::next(state) != states.end() && std::next(state)->size() >= state->size())
            ++state;
        drawn = *state;
    }
    for (const QStringList& labels : cut) {
        EXPECT_NE(labels, drawn) << "cut short: " << labels.join(QLatin1Char(' ')).toStdString();
    }
#ifdef _WIN32
    // Wine's fonts are wider: fewer labels fit, each still whole.
    ASSERT_GE(drawn.size(), 2);
    EXPECT_EQ(drawn.front(), QStringLiteral("01.03.24 00:00"));
#else
    // The A4 chart's width fits a dated label every six hours, whole.
    EXPECT_EQ(drawn,
              (QStringList{QStringLiteral("01.03.24 00:00"), QStringLiteral("01.03.24 06:00"),
                           QStringLiteral("01.03.24 12:00"), QStringLiteral("01.03.24 18:00")}));
#endif
#endif
}

// Limits 2,0 to 8,0 (the second since 07:10) on a column read every 15 min:
// 06:15 and 06:30 above, 06:45 empty, 07:00 back inside; 07:15 below,
// 07:30 inside; on the next day 06:00 above to the last point, 06:15.
const std::string kLimitedDevice =
    "TravikP 2000 V3.12\r09.12.2026 01:00:00\r"
    "No\tDate\tTime\tValue1 \xB0"
    "C\r"
    "1\t01.03.2024\t06:00:00\t5,0\r"
    "2\t01.03.2024\t06:15:00\t9,0\r"
    "3\t01.03.2024\t06:30:00\t10,0\r"
    "4\t01.03.2024\t06:45:00\t\r"
    "5\t01.03.2024\t07:00:00\t6,0\r"
    "6\t01.03.2024\t07:15:00\t1,5\r"
    "7\t01.03.2024\t07:30:00\t5,0\r"
    "8\t02.03.2024\t06:00:00\t8,5\r"
    "9\t02.03.2024\t06:15:00\t9,5\r";

std::vector<travik::history::StoredLimit> DeviceLimits() {
    travik::history::StoredLimit limit;
    limit.column =
        "Value1 \xB0"
        "C";
    limit.limit.lower = 2.0;
    limit.limit.upper = 8.0;
    travik::history::StoredLimit later = limit;
    later.limit.upper = 8.2;
    later.limit.from = 1709276400;  // 01.03.2024 07:00:00 device time
    return {limit, later};
}

void ShowDeviceReply(TSTestForm& form, const std::string& bytes) {
    form.state().terminal.clear();
    for (char byte : bytes) form.state().terminal.append(byte);
    form.fillDataPages();
    form.setSaveEnabled(true);  // as at the end of a readout
}

// What sha256sum prints for the file at `path`; empty where it cannot run.
std::string Sha256Sum(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return std::string();
#else
    const std::string command = "sha256sum '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::string();
    char digits[65] = {};
    const std::size_t read = std::fread(digits, 1, 64, pipe);
    pclose(pipe);
    return std::string(digits, read);
#endif
}

TEST_F(ReportTest, TheLimitsSectionListsLimitsExcursionsDaysAndUnknownTime) {
    auto form = startForm();
    ShowDeviceReply(*form, kLimitedDevice);
    EXPECT_TRUE(travik::LimitsSectionOf(form->reportInput()).empty());  // no limit
    form->findChild<travik::ShownReadout*>()->setLimits(DeviceLimits());
    const travik::LimitsSection section = travik::LimitsSectionOf(form->reportInput());
    const QString value = QString::fromUtf8("Value1 °C");
    EXPECT_EQ(section.inForce,
              QStringList({value + ": Limit: 2 to 8, for all data",
                           value + ": Limit: 2 to 8,2, since 01.03.2024 07:00:00"}));
    EXPECT_EQ(section.excursionHeader,
              QStringList({"Column", "Start", "End", "Duration", "Extreme value"}));
    // The third is judged by 8,2 (the limit of its time) and is still outside at the end.
    const QList<QStringList> excursions{
        {value, "01.03.2024 06:15:00", "01.03.2024 07:00:00", "0:45:00", "10,0"},
        {value, "01.03.2024 07:15:00", "01.03.2024 07:30:00", "0:15:00", "1,5"},
        {value, "02.03.2024 06:00:00", "still outside", "0:15:00", "9,5"}};
    EXPECT_EQ(section.excursions, excursions);
    const QList<QStringList> days{{value, "01.03.2024", "0:45:00", "0:15:00"},
                                  {value, "02.03.2024", "0:15:00", "0:00:00"}};
    EXPECT_EQ(section.days, days);
    EXPECT_EQ(section.unknown, QStringList({value + ": time without data 0:15:00"}));

    // In German, and drawn: the report is written with it.
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    const travik::LimitsSection german = travik::LimitsSectionOf(form->reportInput());
    EXPECT_EQ(german.excursions[2][2], QString::fromUtf8("noch außerhalb"));
    EXPECT_EQ(german.inForce[1], value + ": Grenzwert: 2 bis 8,2, seit 01.03.2024 07:00:00");
    dialogs().saveAnswers.push_back(dir_.file("limits.pdf"));
    action(*form, "SaveReport1")->trigger();
    form->waitForReport();
    EXPECT_TRUE(dialogs().errors.empty());
    EXPECT_EQ(pageCount(ReadFileBytes(dir_.file("limits.pdf"))), 2);
}

TEST_F(ReportTest, ManyExcursionsArePagedAndCounted) {
    // 1000 excursions of one point each: the limits section runs over pages,
    // and those pages are counted before the report is written.
    std::string reply =
        "TravikP 2000 V3.12\r09.12.2026 01:00:00\rNo\tDate\tTime\tValue1 \xB0"
        "C\r";
    for (int row = 0; row < 2000; ++row) {
        const int minutes = row % 1440;
        char line[80];
        std::snprintf(line, sizeof line, "%d\t%02d.03.2024\t%02d:%02d:00\t%s\r", row + 1,
                      1 + row / 1440, minutes / 60, minutes % 60, row % 2 ? "9,0" : "5,0");
        reply += line;
    }
    auto form = startForm();
    ShowDeviceReply(*form, reply);
    form->findChild<travik::ShownReadout*>()->setLimits(DeviceLimits());
    travik::ReportMaker maker(form->reportInput(), QPageSize(QPageSize::A4));
    ASSERT_TRUE(maker.plan());
    const std::size_t tablePages = maker.tableHeadings().size();
    // Some 50 grid rows a page: about 20 pages of excursions.
    EXPECT_GE(maker.pageCount(), tablePages + 15);
    const std::optional<QByteArray> pdf = maker.pdf();
    ASSERT_TRUE(pdf);
    const int written = pageCount(pdf->toStdString());
    // The count asked about is close to the pages written.
    EXPECT_GE(static_cast<double>(maker.pageCount()), written * 0.8);
    EXPECT_LE(static_cast<double>(maker.pageCount()), written * 1.25);
}

TEST_F(ReportTest, TheReportsSha256IsTheSavedCsvsOrTheOpenedFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "sha256sum is run on Linux";
#endif
    auto form = startForm();
    ShowDeviceReply(*form, kLimitedDevice);
    // Each separator the window saves with: the CSV saved then is the one hashed.
    for (const char* separator : {"RadioGroup1Item0", "RadioGroup1Item1"}) {
        SCOPED_TRACE(separator);
        Control<QRadioButton>(*form, separator)->click();
        const std::string saved = dir_.file(std::string(separator) + ".csv");
        dialogs().saveAnswers.push_back(saved);
        action(*form, "CSVDateiabspeichern1")->trigger();
        ASSERT_TRUE(dialogs().errors.empty());
        const travik::ReportInput input = form->reportInput();
        ASSERT_EQ(input.dataSha256.size(), 64);
        EXPECT_EQ(input.dataSha256.toStdString(), Sha256Sum(saved));
        EXPECT_EQ(travik::DataHashLine(input),
                  "SHA-256 of the readout as saved to CSV: " + input.dataSha256);
    }
    const std::string before = form->reportInput().dataSha256.toStdString();
    ShowDeviceReply(*form, kAlarmDevice);
    EXPECT_NE(form->reportInput().dataSha256.toStdString(), before);  // the data, not the window

    // An opened file: its own bytes, whatever the separator chosen now.
    const std::string file = writeAlarmFile("Alarm.csv");
    ASSERT_TRUE(form->openReadoutFile(file));
    const travik::ReportInput opened = form->reportInput();
    EXPECT_EQ(opened.dataSha256.toStdString(), Sha256Sum(file));
    EXPECT_EQ(travik::DataHashLine(opened), "SHA-256 of the file Alarm.csv: " + opened.dataSha256);
}

TEST(ReportPageSize, LetterWhereTheCountryUsesIt) {
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::English, QLocale::UnitedStates)).id(),
              QPageSize::Letter);
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::French, QLocale::Canada)).id(),
              QPageSize::Letter);
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::German, QLocale::Germany)).id(),
              QPageSize::A4);
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::English, QLocale::UnitedKingdom)).id(),
              QPageSize::A4);
}

TEST(ReportFileName, TheCsvNameWithPdf) {
    EXPECT_EQ(travik::ReportFileName("Alarm.csv"), "Alarm.pdf");
    EXPECT_EQ(travik::ReportFileName("/a.b/Daten.CSV"), "/a.b/Daten.pdf");
    EXPECT_EQ(travik::ReportFileName("notes.txt"), "notes.txt.pdf");
}

}  // namespace
