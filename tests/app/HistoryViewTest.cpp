// The history in the real window, against the simulator's device with a
// history on a pty: each readout merged with its sentence on the status line,
// the history view's range on the table (marked rows), the chart (a shaded
// possible loss) and in the CSV export and the report; a file added from the
// file menu; the setting that keeps readouts out, and the view's switch for it;
// a history that cannot be written.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "AppTestSupport.h"
#include "ChartPage.h"
#include "CsvExport.h"
#include "HistoryTexts.h"
#include "HistoryView.h"
#include "ReadoutFile.h"
#include "Settings.h"
#include "SimProcess.h"
#include "SqliteStore.h"
#include "TableItemModel.h"
#include "TableView.h"

namespace {

using travik::TSTestForm;
using travik::history::RangeChoice;
using travik::history::RangeMark;

class HistoryViewTest : public WindowTest {
protected:
    std::unique_ptr<TSTestForm> startWith(const std::string& port, const std::string& extra = "") {
        writeSettings("[com]\ncomID=" + port + "\n[history]\nfile=" + historyFile() + "\n" +
                      (extra.empty() ? std::string("store=1\n") : extra));
        return startForm();
    }
    std::string historyFile() const { return out_.file("history.sqlite"); }
    static void readData(TSTestForm& form) { Control<QPushButton>(form, "Button2")->click(); }
    static std::string status(TSTestForm& form) {
        return Control<QLabel>(form, "Label1")->text().toStdString();
    }
    static travik::TableItemModel& tableModel(TSTestForm& form) {
        return *Control<travik::TableView>(form, "TableView1")->tableModel();
    }
    // The rows the table marks, as "date time mark".
    static std::vector<std::string> markedRows(TSTestForm& form) {
        std::vector<std::string> rows;
        const travik::TableItemModel& model = tableModel(form);
        for (int row = 0; row < model.rowCount(); ++row)
            if (const int mark = model.rowMark(row))
                rows.push_back(model.data(model.index(row, 1)).toString().toStdString() + " " +
                               model.data(model.index(row, 2)).toString().toStdString() + " " +
                               std::to_string(mark));
        return rows;
    }
    // Shows the page `name` and lets it be laid out.
    static void showPage(TSTestForm& form, const char* name) {
        Control<QTabWidget>(form, "PageControl1")->setCurrentWidget(Control<QWidget>(form, name));
        QCoreApplication::processEvents();
    }
    static void showEverything(TSTestForm& form) {
        form.historyView()->choose(0, travik::ReadoutKind::DataLogger, RangeChoice::Everything);
        form.historyView()->showChosen();
    }

    TempDir out_;
};

const char* const kDevice = "TravikP 2000 S/N 4711 V3.12";

}  // namespace

TEST_F(HistoryViewTest, ThreeVisitsWithALossShowAsOneRangeWithTheLossShadedAndMarked) {
    TRAVIK_SKIP_ON_WINDOWS("the simulator with a history and a gap is started here");
    const std::string link = out_.file("ttyUSB0");
    SimProcess sim({"--fast", "--serial", "4711", "--advance", "1d", "--gap", "5", "--link", link});
    auto form = startWith(link);
    ASSERT_TRUE(form->historyOn());
    EXPECT_EQ(form->historyView()->deviceCount(), 0);

    readData(*form);
    EXPECT_EQ(status(*form),
              std::string("182 new records, 0 already in the history of ") + kDevice);
    readData(*form);
    EXPECT_EQ(status(*form), std::string("184 new records, 0 already in the history of ") +
                                 kDevice +
                                 "; possible loss from 30.04.2024 06:00:00 to 30.04.2024 07:30:00");
    readData(*form);
    EXPECT_EQ(status(*form),
              std::string("96 new records, 87 already in the history of ") + kDevice);
    ASSERT_EQ(form->historyView()->deviceCount(), 1);

    showEverything(*form);
    const auto range = form->shownHistoryRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(travik::history::DeviceTimeText(range->range.from), "28.04.2024 08:45:00");
    EXPECT_EQ(travik::history::DeviceTimeText(range->range.to), "03.05.2024 05:15:00");
    EXPECT_EQ(status(*form),
              "Records of 28.04.2024 08:45:00 to 03.05.2024 05:15:00: 462 from "
              "3 readouts");
    EXPECT_EQ(form->table().rowCount(), 462u);
    EXPECT_EQ(tableModel(*form).rowCount(), 462);
    EXPECT_EQ(markedRows(*form),
              (std::vector<std::string>{"30.04.2024 06:00:00 1", "30.04.2024 07:30:00 2"}));

    // The chart: one shaded stretch, inside the plot, between the two records.
    auto* chart = Control<travik::ChartPage>(*form, "ChartPage1");
    showPage(*form, "TabSheet4");
    ASSERT_EQ(chart->seriesCount(), 1);
    const QList<QRectF> shaded = chart->shadedAreas();
    ASSERT_EQ(shaded.size(), 1);
    const QRectF plot = chart->plotArea();
    ASSERT_GT(plot.width(), 0);
    EXPECT_GT(shaded[0].left(), plot.left());
    EXPECT_LT(shaded[0].right(), plot.right());
    const double share = (shaded[0].center().x() - plot.left()) / plot.width();
    const QPair<double, double> x = chart->horizontalRange();
    const double loss =
        static_cast<double>(range->marks[0].from + range->marks[0].to) / 2.0 * 1000.0;
    EXPECT_NEAR(share, (loss - x.first) / (x.second - x.first), 0.01);

    // The CSV export writes the range as the command line's export does.
    dialogs().saveAnswers.push_back(out_.file("range.csv"));
    Control<QAction>(*form, "CSVDateiabspeichern1")->trigger();
    EXPECT_TRUE(dialogs().errors.empty());
    {
        travik::history::SqliteStore store(historyFile());
        const auto text =
            travik::history::RangeDeviceText(store, range->device, travik::ReadoutKind::DataLogger,
                                             range->range.from, range->range.to);
        ASSERT_TRUE(text);
        ASSERT_TRUE(travik::SaveCsvTabbed(
                        out_.file("expected.csv"),
                        travik::ReplayedTerminal(*text, travik::ReadoutKind::DataLogger), false)
                        .ok());
    }
    EXPECT_EQ(ReadFileBytes(out_.file("range.csv")), ReadFileBytes(out_.file("expected.csv")));

    // The report names the range, its loss and the readouts it was merged from.
    const QStringList lines = form->reportInput().historyLines;
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0].toStdString(), kDevice);
    EXPECT_EQ(lines[1].toStdString(),
              "Records of 28.04.2024 08:45:00 to 03.05.2024 05:15:00: 462 from 3 readouts");
    EXPECT_EQ(lines[2], QStringLiteral("Possible losses and clock changes:"));
    EXPECT_EQ(lines[3],
              QStringLiteral("  Possible loss from 30.04.2024 06:00:00 to 30.04.2024 07:30:00"));
    EXPECT_EQ(lines[4], QStringLiteral("Readouts merged:"));
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral(": 182 new, 0 already held")));
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral(": 96 new, 87 already held")));
    EXPECT_TRUE(lines[7].contains(QString::fromStdString("from port " + link)));

    // A readout from the device replaces the range on the pages.
    readData(*form);
    EXPECT_FALSE(form->shownHistoryRange());
    EXPECT_TRUE(chart->shadedAreas().isEmpty());
    EXPECT_TRUE(markedRows(*form).empty());
}

TEST_F(HistoryViewTest, AClockSetBackIsMarkedOnTheRowsItConcernsAndShaded) {
    TRAVIK_SKIP_ON_WINDOWS("the simulator with a changed clock is started here");
    const std::string link = out_.file("ttyUSB0");
    SimProcess sim({"--fast", "--serial", "4711", "--advance", "12h", "--clock-shift", "-1h",
                    "--clock-set-at", "2024-04-30T12:00", "--restamp", "--link", link});
    auto form = startWith(link);
    readData(*form);
    readData(*form);
    EXPECT_NE(status(*form).find("; device clock set by -1:00:00 ("), std::string::npos)
        << status(*form);

    showEverything(*form);
    const auto range = form->shownHistoryRange();
    ASSERT_TRUE(range);
    ASSERT_EQ(range->marks.size(), 1u);
    EXPECT_EQ(range->marks[0].type, RangeMark::Type::ClockChange);
    EXPECT_EQ(range->marks[0].offset, -3600);
    const std::vector<std::string> marked = markedRows(*form);
    ASSERT_FALSE(marked.empty());
    for (const std::string& row : marked) EXPECT_EQ(row.back(), '4') << row;
    EXPECT_EQ(range->marks[0].count, 134);
    EXPECT_EQ(marked.size(), 142u)
        << "the records found again, and those logged since under the new clock";
    showPage(*form, "TabSheet4");
    EXPECT_EQ(Control<travik::ChartPage>(*form, "ChartPage1")->shadedAreas().size(), 1);
    const QStringList lines = form->reportInput().historyLines;
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("  Device clock set by -1:00:00 (")));
}

TEST_F(HistoryViewTest, AnOpenedFileIsAddedFromTheFileMenuWhenReadoutsAreKeptOut) {
    TRAVIK_SKIP_ON_WINDOWS("the simulator with a history is started here");
    const std::string link = out_.file("ttyUSB0");
    SimProcess sim({"--fast", "--serial", "4711", "--link", link});
    auto form = startWith(link, "store=0\n");
    ASSERT_FALSE(form->historyOn());
    readData(*form);
    EXPECT_EQ(status(*form), "Transmission ready");
    EXPECT_FALSE(std::filesystem::exists(historyFile())) << "the setting keeps it out";
    QAction* add = Control<QAction>(*form, "AddToHistory1");
    EXPECT_FALSE(add->isEnabled()) << "only for an opened file";

    dialogs().saveAnswers.push_back(out_.file("Data.csv"));
    Control<QAction>(*form, "CSVDateiabspeichern1")->trigger();
    ASSERT_TRUE(form->openReadoutFile(out_.file("Data.csv")));
    ASSERT_TRUE(add->isEnabled());
    add->trigger();
    EXPECT_EQ(status(*form),
              std::string("184 new records, 0 already in the history of ") + kDevice);
    add->trigger();
    EXPECT_EQ(status(*form),
              std::string("0 new records, 184 already in the history of ") + kDevice);
    EXPECT_EQ(form->historyView()->deviceCount(), 1);
    travik::history::SqliteStore store(historyFile());
    const auto readouts = store.readouts(std::nullopt);
    ASSERT_EQ(readouts.size(), 2u);
    EXPECT_EQ(readouts[0].source, "file " + out_.file("Data.csv"));
}

TEST_F(HistoryViewTest, AHistoryThatCannotBeWrittenCostsNoReadout) {
    TRAVIK_SKIP_ON_WINDOWS("the simulator with a history is started here");
    const std::string link = out_.file("ttyUSB0");
    SimProcess sim({"--fast", "--serial", "4711", "--link", link});
    WriteFileBytes(out_.file("plain"), "not a folder");
    writeSettings("[com]\ncomID=" + link + "\n[history]\nfile=" + out_.file("plain") +
                  "/history.sqlite\nstore=1\n");
    auto form = startForm();
    readData(*form);
    EXPECT_EQ(status(*form).rfind("The history file cannot be opened: ", 0), 0u) << status(*form);
    EXPECT_EQ(form->table().rowCount(), 185u)
        << "the readout stays on screen (its cut last row too)";
    EXPECT_TRUE(Control<QAction>(*form, "CSVDateiabspeichern1")->isEnabled());
    form->historyView()->showChosen();
    EXPECT_EQ(status(*form), "The history holds no readout yet");
}

// The history view's switch: a click keeps the next readout out of the history
// and is written to the settings as "store=0"; the window started again shows
// it off, and on again the readout is merged and "store=1" written. The file's
// other history key stays as the user wrote it.
TEST_F(HistoryViewTest, TheSwitchKeepsReadoutsOutAndIsRememberedAcrossARestart) {
    TRAVIK_SKIP_ON_WINDOWS("the simulator is started here");
    const std::string link = out_.file("ttyUSB0");
    SimProcess sim({"--fast", "--serial", "4711", "--link", link});
    const std::string fileLine = "file=" + historyFile() + "\n";
    auto form = startWith(link, "store=yes\n");
    auto* keep = Control<QCheckBox>(*form, "KeepReadoutsBox");
    ASSERT_TRUE(keep->isChecked());
    EXPECT_EQ(keep->text().toStdString(), "Keep each readout from the device in the history");
    form->ApplyLanguage(1);
    EXPECT_EQ(keep->text().toStdString(), "Jede Auslesung des Geräts im Verlauf aufbewahren");
    form->ApplyLanguage(0);

    keep->click();
    EXPECT_FALSE(form->historyOn());
    readData(*form);
    EXPECT_EQ(status(*form), "Transmission ready");
    EXPECT_FALSE(std::filesystem::exists(historyFile())) << "the switch keeps it out";
    ASSERT_TRUE(form->close());
    form.reset();
    std::string settings = ReadFileBytes(settingsPath());
    EXPECT_NE(settings.find("store=0"), std::string::npos) << settings;
    EXPECT_EQ(settings.find("store=yes"), std::string::npos) << settings;
    EXPECT_NE(settings.find(fileLine), std::string::npos) << settings;

    form = startForm();
    keep = Control<QCheckBox>(*form, "KeepReadoutsBox");
    EXPECT_FALSE(keep->isChecked());
    EXPECT_FALSE(form->historyOn());
    keep->click();
    ASSERT_TRUE(form->historyOn());
    readData(*form);
    EXPECT_NE(status(*form).find(" new records, 0 already in the history of "), std::string::npos)
        << status(*form);
    EXPECT_EQ(travik::history::SqliteStore(historyFile()).readouts(std::nullopt).size(), 1u);
    ASSERT_TRUE(form->close());
    form.reset();
    settings = ReadFileBytes(settingsPath());
    EXPECT_NE(settings.find("store=1"), std::string::npos) << settings;
    EXPECT_EQ(settings.find("store=0"), std::string::npos) << settings;
    EXPECT_NE(settings.find(fileLine), std::string::npos) << settings;
}

// A switch left as the settings said writes nothing of its own: a missing key
// stays missing (the default is the program's), the user's spelling stays.
TEST_F(HistoryViewTest, AnUntouchedSwitchLeavesTheStoreKeyAsTheUserWroteIt) {
    const std::string cases[] = {"[history]\nfile=" + historyFile() + "\n",
                                 "[history]\nfile=" + historyFile() + "\nstore=00\n",
                                 "[history]\nstore=yes\nfile=" + historyFile() + "\n"};
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        writeSettings(text);
        auto form = startForm();
        const bool on = form->historyOn();
        EXPECT_EQ(Control<QCheckBox>(*form, "KeepReadoutsBox")->isChecked(), on);
        ASSERT_TRUE(form->close());
        form.reset();
        std::string settings = ReadFileBytes(settingsPath());
        settings.erase(std::remove(settings.begin(), settings.end(), '\r'), settings.end());
        EXPECT_NE(settings.find(text), std::string::npos) << settings;
        EXPECT_EQ(travik::ReadSettings(settingsPath()).historyOn.value_or(false), on);
    }
}
