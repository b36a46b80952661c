// Figures that mean something, in the real window, on the simulator's alarm
// buffer (seed 1, as the README's run command reads it) and its data logger:
// no mean of a running number or a code, figures per kind of a value whose
// unit changes, and the alarm buffer's chart starting as a timeline.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "AppTestSupport.h"
#include "ChartPage.h"
#include "FiguresGrid.h"
#include "SimProcess.h"

namespace {

using travik::ChartPage;
using travik::FiguresGrid;
using travik::TSTestForm;

class AlarmFiguresTest : public WindowTest {
protected:
    std::unique_ptr<TSTestForm> readFromSimulator(const char* button, int language = 1) {
        sim_ = std::make_unique<SimProcess>(std::vector<std::string>{"--fast"});
        writeSettings("[com]\ncomID=" + sim_->portPath() +
                      "\n[Language]\nLanguage=" + std::to_string(language) + "\n");
        auto form = startForm();
        Control<QPushButton>(*form, button)->click();
        return form;
    }
    static QList<QStringList> gridRows(TSTestForm& form) {
        return Control<FiguresGrid>(form, "FiguresGrid1")->rowTexts();
    }
    static const QStringList* rowTitled(const QList<QStringList>& rows, const QString& title) {
        for (const QStringList& row : rows)
            if (row.value(0) == title) return &row;
        return nullptr;
    }
    std::unique_ptr<SimProcess> sim_;
};

TEST_F(AlarmFiguresTest, IdentifiersHaveNoMeanAndValueComesPerKind) {
    auto form = readFromSimulator("Button1");
    ASSERT_EQ(form->table().rowCount(), 222u);
    const QList<QStringList> rows = gridRows(*form);
    // No, I, IdL: their figures without a mean (it was 111,5 and 1412,5 for No and IdL).
    for (const char* title : {"No", "I", "IdL"}) {
        const QStringList* row = rowTitled(rows, QString::fromLatin1(title));
        ASSERT_NE(row, nullptr) << title;
        EXPECT_EQ(row->value(1), "222") << title;
        EXPECT_EQ(row->value(6), "") << title;
    }
    EXPECT_EQ(rowTitled(rows, "No")->value(4), "222");
    // Never one figure across units: Value only per kind, each with its unit.
    EXPECT_EQ(rowTitled(rows, "Value"), nullptr);
    QStringList kinds;
    int values = 0;
    for (const QStringList& row : rows) {
        if (!row.value(0).startsWith("Value: ")) continue;
        kinds << row.value(0).mid(7);
        values += row.value(1).toInt();
    }
    EXPECT_EQ(kinds, QStringList({QString::fromUtf8("Übertemperatur Kühler"), "Strom Kanal > 20 mA",
                                  "Durchfluss < 3,5 l/min", QString::fromUtf8("Leitfähigkeit hoch"),
                                  "Druck zu niedrig", QString::fromUtf8("Füllstand min.")}));
    EXPECT_EQ(values, 137);  // the alarms with a value
    const QStringList* cooler = rowTitled(rows, QString::fromUtf8("Value: Übertemperatur Kühler"));
    ASSERT_NE(cooler, nullptr);
    EXPECT_EQ(*cooler, QStringList({QString::fromUtf8("Value: Übertemperatur Kühler"), "31",
                                    QString::fromUtf8("85,2 °C"), "23.03.2024 06:48:02",
                                    QString::fromUtf8("99,0 °C"), "07.04.2024 08:35:31",
                                    QString::fromUtf8("91,01 °C")}));
}

TEST_F(AlarmFiguresTest, AlarmChartStartsAsATimelineAndTheValueLinesAreOneClickAway) {
    if (!ChartPage::available()) GTEST_SKIP() << "built without charts";
    auto form = readFromSimulator("Button1");
    ChartPage* page = Control<ChartPage>(*form, "ChartPage1");
    auto* box = Control<QCheckBox>(*form, "ChartTimeline");
    ASSERT_TRUE(page->offersTimeline());
    EXPECT_TRUE(page->timelineShown());
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->text(), "Alarm-Zeitleiste");
    // Each of the nine kinds a row, in the order they first occur.
    const QStringList kinds = page->timelineKinds();
    EXPECT_EQ(kinds.size(), 9);
    EXPECT_EQ(kinds.value(0), QString::fromUtf8("Übertemperatur Kühler"));
    // A mark per alarm, by whether it comes or goes ("Alarm": where the row does not say).
    EXPECT_EQ(page->seriesNames(), QStringList({"kommt", "geht", "Alarm"}));
    EXPECT_EQ(page->seriesCount(), 3);
    // The last row, cut at the readout's limit, does not say.
    EXPECT_TRUE(page->hoverText(2, 0).startsWith("#222\n"));
    EXPECT_TRUE(page->hoverText(2, 1).isEmpty());
    EXPECT_EQ(page->hoverText(0, 0),
              QString::fromUtf8("#3\n02.03.2024 00:32:59\nText: Durchfluss < 3,5 l/min\n"
                                "Durchfluss < 3,5 l/min"));

    box->click();
    EXPECT_FALSE(page->timelineShown());
    const QStringList lines = page->seriesNames();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QString::fromUtf8("Value: Übertemperatur Kühler (°C)"));
    EXPECT_EQ(lines[2], QString::fromUtf8("Value: Durchfluss < 3,5 l/min (l/min)"));
    EXPECT_EQ(lines[5], QString::fromUtf8("Value: Füllstand min. (%)"));
    // The level "I" is offered, not charted.
    EXPECT_EQ(page->chartedColumns(), std::vector<std::size_t>{5});
    box->click();
    EXPECT_EQ(page->seriesCount(), 3);

    // The caption in the four languages.
    const char* const captions[] = {"Alarm timeline", "Alarm-Zeitleiste", "Chronologie des alarmes",
                                    "Cronología de alarmas"};
    for (int language = 0; language < 4; ++language) {
        Control<QRadioButton>(*form, ("RadioGroup2Item" + std::to_string(language)).c_str())
            ->click();
        EXPECT_EQ(box->text(), QString::fromUtf8(captions[language]));
    }
}

TEST_F(AlarmFiguresTest, DataLoggerKeepsItsFiguresAndChartButNotTheRunningNumber) {
    auto form = readFromSimulator("Button2", 0);
    const QList<QStringList> rows = gridRows(*form);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0].value(0), "No");
    EXPECT_EQ(rows[0].value(6), "");
    for (int i = 1; i < rows.size(); ++i) {
        EXPECT_FALSE(rows[i].value(0).contains(':')) << rows[i].value(0).toStdString();
        EXPECT_FALSE(rows[i].value(6).isEmpty()) << rows[i].value(0).toStdString();
    }
    if (!ChartPage::available()) return;
    ChartPage* page = Control<ChartPage>(*form, "ChartPage1");
    EXPECT_FALSE(page->offersTimeline());
    EXPECT_FALSE(page->timelineShown());
    EXPECT_TRUE(Control<QCheckBox>(*form, "ChartTimeline")->isHidden());
    EXPECT_EQ(page->chartedColumns(), std::vector<std::size_t>{3});
    EXPECT_EQ(page->seriesNames(), QStringList({QString::fromUtf8("Value1 °C")}));
}

}  // namespace
