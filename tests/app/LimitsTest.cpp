// Limits in the real window: the dialog refuses bad input with its message and
// keeps nothing; an accepted limit lands in the history for a device it holds,
// in the settings for one it does not, and is there again after a restart; the
// table colours the cells outside their limit, the limit in the tooltip.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include "AppTestSupport.h"
#include "ChartPage.h"
#include "CsvExport.h"
#include "FiguresGrid.h"
#include "HistoryView.h"
#include "LimitsDialog.h"
#include "Settings.h"
#include "SqliteStore.h"
#include "TableItemModel.h"
#include "TableView.h"

namespace {

using travik::LimitsDialog;
using travik::LimitsHome;
using travik::TSTestForm;

const char* const kDeviceLine = "TravikP 2000 V3.12";
// Value1 in column 3: 20,5, -1,5, 21,0; Value3 in column 4 has no limit.
const std::string kLogger = std::string(kDeviceLine) +
                            "\r09.12.2026 01:00:00\r"
                            "No\tDate\tTime\tValue1 \xB0"
                            "C\tValue3 bar\r"
                            "1\t01.03.2024\t06:00:00\t20,5\t1,02\r"
                            "2\t01.03.2024\t06:15:00\t-1,5\t1,04\r"
                            "3\t02.03.2024\t06:30:00\t21,0\t1,10\r";
constexpr std::size_t kValueColumn = 3;

void showReadout(TSTestForm& form, const std::string& bytes) {
    form.state().terminal.clear();
    for (char byte : bytes) form.state().terminal.append(byte);
    form.fillDataPages();
}

struct LimitTyped {
    std::string lower, upper, delay, deadband, from;
    bool takeAway = false;
};

void type(QDialog& dialog, const char* name, const std::string& text) {
    Control<QLineEdit>(dialog, name)->setText(QString::fromStdString(text));
}

// An answer for the window's limits dialog: types `typed` and presses OK;
// what the dialog then shows is kept in `message`, and a dialog that stays
// open is cancelled.
std::function<bool(QDialog&)> answerWith(LimitTyped typed, QString* message = nullptr) {
    return [typed, message](QDialog& dialog) {
        type(dialog, "LowerEdit", typed.lower);
        type(dialog, "UpperEdit", typed.upper);
        type(dialog, "DelayEdit", typed.delay);
        type(dialog, "DeadbandEdit", typed.deadband);
        type(dialog, "FromEdit", typed.from);
        Control<QCheckBox>(dialog, "TakeAwayBox")->setChecked(typed.takeAway);
        auto& limits = static_cast<LimitsDialog&>(dialog);
        limits.accept();
        if (message) *message = limits.messageText();
        if (limits.result() == QDialog::Accepted) return true;
        limits.reject();
        return false;
    };
}

class LimitsTest : public WindowTest {
protected:
    std::string historyFile() const { return out_.file("history.sqlite"); }
    std::string settingsLimits() const {
        return travik::ReadSettingValue(settingsPath(), travik::kLimitsSection,
                                        travik::LimitsSettingKey(kDeviceLine));
    }
    static travik::TableItemModel& tableModel(TSTestForm& form) {
        return *Control<travik::TableView>(form, "TableView1")->tableModel();
    }
    static void askLimits(TSTestForm& form) {
        Control<QPushButton>(form, "FiguresLimitsButton")->click();
    }
    // Each row's state of the value column: '-' inside, 'o' coloured outside.
    static std::string outsideRows(TSTestForm& form, std::size_t column) {
        std::string rows;
        const travik::TableItemModel& model = tableModel(form);
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex cell = model.index(row, static_cast<int>(column));
            const bool coloured = model.data(cell, Qt::BackgroundRole).isValid();
            EXPECT_EQ(coloured, model.data(cell, Qt::ToolTipRole).isValid()) << row;
            rows += coloured ? 'o' : '-';
        }
        return rows;
    }

    TempDir out_;
};

TEST_F(LimitsTest, BadInputGetsItsMessageInTheDialogAndKeepsNothing) {
    struct Case {
        LimitTyped typed;
        int language;
        const char* message;
    };
    const Case cases[] = {
        {{"30", "20,5", "", "", ""},
         0,
         "The lower limit is above the upper one; nothing was changed"},
        {{"", "", "3", "", ""}, 0, "Give a lower limit, an upper limit or both"},
        {{"zehn", "20", "", "", ""}, 0, "Not a number; nothing was changed: \"zehn\""},
        {{"1,5", "2,5,0", "", "", ""}, 0, "Not a number; nothing was changed: \"2,5,0\""},
        {{"", "20", "-3", "", ""}, 0, "The delay cannot be negative; nothing was changed: \"-3\""},
        {{"", "20", "", "-0,5", ""}, 0, "The deadband cannot be negative; nothing was changed"},
        {{"10", "11", "", "2", ""},
         0,
         "The deadband is wider than the range between the limits; nothing was changed"},
        {{"", "20", "", "", "31.02.2024"},
         0,
         "The start is no date (dd.mm.yyyy [hh:mm]); nothing was changed"},
        {{"30", "20", "", "", ""},
         1,
         "Der untere Grenzwert liegt über dem oberen; nichts wurde geändert"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.message);
        writeSettings("[Language]\nLanguage=" + std::to_string(bad.language) + "\n");
        auto form = startForm();
        showReadout(*form, kLogger);
        ASSERT_EQ(form->limitsHome().place, LimitsHome::Place::Settings);
        QString message;
        dialogs().dialogAnswers.push_back(answerWith(bad.typed, &message));
        askLimits(*form);
        EXPECT_TRUE(dialogs().dialogAnswers.empty());
        EXPECT_EQ(message.toStdString(), bad.message);
        EXPECT_EQ(settingsLimits(), "");
        EXPECT_TRUE(form->shownLimits().empty());
        EXPECT_EQ(outsideRows(*form, kValueColumn), "---");
        EXPECT_TRUE(dialogs().errors.empty());
    }
}

TEST_F(LimitsTest, ALimitOfADeviceTheHistoryLacksIsKeptInTheSettingsAndSurvivesARestart) {
    {
        auto form = startForm();
        showReadout(*form, kLogger);
        EXPECT_EQ(outsideRows(*form, kValueColumn), "---");  // no limit yet
        dialogs().dialogAnswers.push_back(answerWith({"0", "20.8", "", "", ""}));
        Control<QPushButton>(*form, "ChartLimitsButton")->click();
        ASSERT_EQ(form->shownLimits().size(), 1u);
        EXPECT_EQ(form->shownLimits()[0].column,
                  "Value1 \xB0"
                  "C");
        EXPECT_NE(settingsLimits(), "");
        EXPECT_EQ(outsideRows(*form, kValueColumn), "-oo");
        form->close();  // writes the settings
    }
    auto form = startForm();
    showReadout(*form, kLogger);
    ASSERT_EQ(form->shownLimits().size(), 1u);
    EXPECT_EQ(*form->shownLimits()[0].limit.upper, 20.8);
    EXPECT_EQ(outsideRows(*form, kValueColumn), "-oo");

    // Taken away from its start on: nothing outside any more.
    dialogs().dialogAnswers.push_back([](QDialog& dialog) {
        type(dialog, "FromEdit", "01.01.2024");
        Control<QCheckBox>(dialog, "TakeAwayBox")->setChecked(true);
        auto& limits = static_cast<LimitsDialog&>(dialog);
        limits.accept();
        return limits.result() == QDialog::Accepted;
    });
    askLimits(*form);
    EXPECT_EQ(form->shownLimits().size(), 2u);
    EXPECT_EQ(outsideRows(*form, kValueColumn), "---");
}

TEST_F(LimitsTest, CellsOutsideAreColouredWithTheLimitInTheirLanguageInTheTooltip) {
    writeSettings("[Language]\nLanguage=0\n");
    auto form = startForm();
    showReadout(*form, kLogger);
    dialogs().dialogAnswers.push_back(answerWith({"0", "20,8", "", "", ""}));
    askLimits(*form);
    const travik::TableItemModel& model = tableModel(*form);
    EXPECT_EQ(outsideRows(*form, kValueColumn), "-oo");
    EXPECT_EQ(outsideRows(*form, kValueColumn + 1), "---");  // a column without a limit
    EXPECT_EQ(outsideRows(*form, 0), "---");
    EXPECT_EQ(model.data(model.index(2, kValueColumn), Qt::ToolTipRole).toString().toStdString(),
              "above the upper limit 20,8\nLimit: 0 to 20,8");
    EXPECT_EQ(model.data(model.index(1, kValueColumn), Qt::ToolTipRole).toString().toStdString(),
              "below the lower limit 0,0\nLimit: 0 to 20,8");
    // Another language: the tooltips follow. Sorted: the colours go with their rows.
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    EXPECT_EQ(model.data(model.index(2, kValueColumn), Qt::ToolTipRole).toString().toStdString(),
              "\xC3\xBC"
              "ber dem oberen Grenzwert 20,8\nGrenzwert: 0 bis 20,8");
    tableModel(*form).sort(static_cast<int>(kValueColumn), Qt::AscendingOrder);
    EXPECT_EQ(outsideRows(*form, kValueColumn), "o-o");  // -1,5  20,5  21,0
}

TEST_F(LimitsTest, TheDialogOpensOnTheColumnAskedForWithItsNewestLimit) {
    auto form = startForm();
    showReadout(*form, kLogger);
    dialogs().dialogAnswers.push_back(answerWith({"0", "20,8", "3", "0,5", ""}));
    askLimits(*form);  // no row chosen: the first value column, not the running number
    ASSERT_EQ(form->shownLimits().size(), 1u);
    EXPECT_EQ(form->shownLimits()[0].column,
              "Value1 \xB0"
              "C");

    QStringList shown;
    const auto look = [&shown](QDialog& dialog) {
        shown << Control<QComboBox>(dialog, "ColumnBox")->currentText();
        for (const char* name : {"LowerEdit", "UpperEdit", "DelayEdit", "DeadbandEdit"})
            shown << Control<QLineEdit>(dialog, name)->text();
        return false;
    };
    dialogs().dialogAnswers.push_back(look);
    askLimits(*form);
    auto* grid = Control<QTableView>(*form, "FiguresTable");
    grid->setCurrentIndex(grid->model()->index(2, 0));  // the row of "Value3 bar"
    dialogs().dialogAnswers.push_back(look);
    askLimits(*form);
    EXPECT_EQ(shown, QStringList({QString::fromUtf8("Value1 °C"), "0", "20,8", "3", "0,5",
                                  "Value3 bar", "", "", "", ""}));
    EXPECT_EQ(form->shownLimits().size(), 1u);  // cancelled: nothing kept
}

TEST_F(LimitsTest, AHostileSettingsValueGivesNoLimits) {
    writeSettings(std::string("[limits]\n") + travik::LimitsSettingKey(kDeviceLine) +
                  "=%ZZ,1,x;Value1,9e999,,;,,,,,,;\xFF\xFE,,,,,,,,,,,\n");
    auto form = startForm();
    showReadout(*form, kLogger);
    EXPECT_TRUE(form->shownLimits().empty());
    EXPECT_EQ(outsideRows(*form, kValueColumn), "---");
}

TEST_F(LimitsTest, ALimitOfADeviceTheHistoryHoldsIsKeptThereAndShownWithItsRanges) {
    travik::TerminalText terminal;
    for (char byte : kLogger) terminal.append(byte);
    ASSERT_TRUE(travik::MergeIntoHistory(historyFile(), travik::ReadoutKind::DataLogger, terminal,
                                         true, "file test", 0)
                    .kept);
    writeSettings("[history]\nfile=" + historyFile() + "\nstore=1\n");
    {
        auto form = startForm();
        showReadout(*form, kLogger);
        ASSERT_EQ(form->limitsHome().place, LimitsHome::Place::History);
        dialogs().dialogAnswers.push_back(answerWith({"", "21", "", "", ""}));
        askLimits(*form);
        EXPECT_EQ(settingsLimits(), "");  // not in the settings
        travik::history::SqliteStore store(historyFile());
        const auto held = store.limits(form->limitsHome().device);
        ASSERT_EQ(held.size(), 1u);
        EXPECT_EQ(*held[0].limit.upper, 21.0);
        EXPECT_EQ(outsideRows(*form, kValueColumn), "---");  // 21,0 is equal: inside
        dialogs().dialogAnswers.push_back(answerWith({"", "20,9", "", "", "01.01.2024"}));
        askLimits(*form);
        EXPECT_EQ(outsideRows(*form, kValueColumn), "--o");
        form->close();
    }
    auto form = startForm();
    form->historyView()->choose(0, travik::ReadoutKind::DataLogger,
                                travik::history::RangeChoice::Everything);
    form->historyView()->showChosen();
    ASSERT_NE(form->shownHistoryRange(), nullptr);
    EXPECT_EQ(form->shownLimits().size(), 2u);
    EXPECT_EQ(outsideRows(*form, kValueColumn), "--o");
}

TEST_F(LimitsTest, AFileAddedToTheHistoryTakesItsLimitsFromTheSettingsAlong) {
    writeSettings("[history]\nfile=" + historyFile() + "\nstore=1\n");
    travik::TerminalText terminal;
    for (char byte : kLogger) terminal.append(byte);
    const std::string file = out_.file("Daten.csv");
    WriteFileBytes(file, travik::TabbedCsvText(terminal, false));
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(file));
    ASSERT_EQ(form->limitsHome().place, LimitsHome::Place::Settings);  // no history yet
    dialogs().dialogAnswers.push_back(answerWith({"0", "20,8", "", "", ""}));
    askLimits(*form);
    EXPECT_NE(settingsLimits(), "");
    EXPECT_EQ(outsideRows(*form, kValueColumn), "-oo");

    Control<QAction>(*form, "AddToHistory1")->trigger();
    ASSERT_EQ(form->limitsHome().place, LimitsHome::Place::History);
    EXPECT_EQ(settingsLimits(), "");
    travik::history::SqliteStore store(historyFile());
    const auto held = store.limits(form->limitsHome().device);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(*held[0].limit.upper, 20.8);
    EXPECT_EQ(outsideRows(*form, kValueColumn), "-oo");
}

}  // namespace
