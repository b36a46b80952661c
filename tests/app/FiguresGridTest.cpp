// The figures grid under the table of the real window: one row per numeric
// column, numbers as the column writes them, the window's language, and the
// readout's order whatever the table is sorted by.
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTableView>

#include "AppTestSupport.h"
#include "FiguresGrid.h"
#include "ReadoutTexts.h"
#include "ShownReadout.h"
#include "TableView.h"

namespace {

using travik::FiguresGrid;
using travik::TSTestForm;

void showReadout(TSTestForm& form, const std::string& bytes) {
    form.state().terminal.clear();
    for (char byte : bytes) form.state().terminal.append(byte);
    form.fillDataPages();
}

const std::string kLogger =
    "TravikP 2000 V3.12\r09.12.2026 01:00:00\r"
    "No\tDate\tTime\tValue1 \xB0"
    "C\tValue3 bar\tEvent\r"
    "1\t01.03.2024\t06:00:00\t20,5\t1,02\t\r"
    "2\t01.03.2024\t06:15:00\t-1,5\t\tL\xFC"
    "fter an\r"
    "3\t02.03.2024\t06:30:00\t21,0\t1,10\t\r";

class FiguresGridTest : public WindowTest {};

TEST_F(FiguresGridTest, OneRowPerNumericColumnWrittenAsTheDeviceWrites) {
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    auto* grid = Control<FiguresGrid>(*form, "FiguresGrid1");
    EXPECT_TRUE(grid->isHidden());  // nothing read yet
    showReadout(*form, kLogger);
    EXPECT_FALSE(grid->isHidden());
    EXPECT_EQ(grid->headerTexts(),
              QStringList({"Spalte", "Werte", "Minimum", "Zeit", "Maximum", "Zeit", "Mittelwert"}));
    const QList<QStringList> rows = grid->rowTexts();
    ASSERT_EQ(rows.size(), 3);
    // The running number: no mean.
    EXPECT_EQ(rows[0],
              QStringList({"No", "3", "1", "01.03.2024 06:00:00", "3", "02.03.2024 06:30:00", ""}));
    EXPECT_EQ(rows[1],
              QStringList({QString::fromUtf8("Value1 °C"), "3", "-1,5", "01.03.2024 06:15:00",
                           "21,0", "02.03.2024 06:30:00", "13,33"}));
    EXPECT_EQ(rows[2], QStringList({"Value3 bar", "2", "1,02", "01.03.2024 06:00:00", "1,10",
                                    "02.03.2024 06:30:00", "1,060"}));
    EXPECT_EQ(grid->timeRangeText(),
              "Von 01.03.2024 06:00:00 bis 02.03.2024 06:30:00, Dauer 1 T 00:30:00");
}

TEST_F(FiguresGridTest, FollowsTheLanguageAndNotTheSorting) {
    auto form = startForm();
    showReadout(*form, kLogger);
    auto* grid = Control<FiguresGrid>(*form, "FiguresGrid1");
    const QList<QStringList> before = grid->rowTexts();
    // Sorted by the temperature, descending: the figures keep the readout's rows.
    Control<travik::TableView>(*form, "TableView1")->sortByColumn(3, Qt::DescendingOrder);
    EXPECT_EQ(grid->rowTexts(), before);

    Control<QRadioButton>(*form, "RadioGroup2Item2")->click();
    EXPECT_EQ(grid->headerTexts().constLast(), "Moyenne");
    EXPECT_TRUE(grid->timeRangeText().startsWith("Du 01.03.2024 06:00:00 au "));
    Control<QRadioButton>(*form, "RadioGroup2Item3")->click();
    EXPECT_EQ(grid->headerTexts()[2], QString::fromUtf8("Mínimo"));
    Control<QRadioButton>(*form, "RadioGroup2Item0")->click();
    EXPECT_EQ(grid->headerTexts(),
              QStringList({"Column", "Values", "Minimum", "Time", "Maximum", "Time", "Mean"}));
    EXPECT_EQ(grid->rowTexts(), before);
}

TEST_F(FiguresGridTest, WithoutTimeAxisRowsAndWithoutNumbersNoGrid) {
    auto form = startForm();
    showReadout(*form, "dev\rdate\rA\tB\r5\tx\r-7\ty\r5\tz\r");
    auto* grid = Control<FiguresGrid>(*form, "FiguresGrid1");
    EXPECT_EQ(grid->headerTexts()[3], "Row");
    ASSERT_EQ(grid->rowTexts().size(), 1);
    EXPECT_EQ(grid->rowTexts()[0], QStringList({"A", "3", "-7", "#2", "5", "#1", "1.0"}));
    EXPECT_TRUE(Control<QLabel>(*form, "FiguresTimeRange")->isHidden());

    showReadout(*form, "dev\rdate\rA\tB\rx\ty\r");
    EXPECT_TRUE(grid->isHidden());
    EXPECT_TRUE(grid->rowTexts().isEmpty());
}

// Limits 2,0 to 8,0 on "Value1 °C", every 15 min:
//   06:15 9,0 and 06:30 10,0 outside, 06:45 empty (unknown), 07:00 6,0 back
//   inside: one excursion 06:15-07:00, 45 min of which 15 unknown, so 30 known.
//   07:15 1,5 below, 07:30 inside: one of 15 min.
// Outside 30 + 15 = 45 min, longest 30 min, first at 06:15, unknown 15 min.
// Mean kinetic temperature of 5; 9; 10; 6; 1,5; 5; 5 °C at 83,144 kJ/mol:
//   mean of exp(-E/RT) over T = 278,15 282,15 283,15 279,15 274,65 278,15
//   278,15 K is exp(-35,7786); E/R = 9999,92 K, / 35,7786 = 279,494 K = 6,34 °C (the
//   plain mean is 5,93: the warm points weigh more). At 60 kJ/mol: 6,22 °C.
const std::string kLimitedLogger =
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
    "8\t01.03.2024\t07:45:00\t5,0\r";

travik::history::StoredLimit ValueLimit() {
    travik::history::StoredLimit limit;
    limit.column =
        "Value1 \xB0"
        "C";
    limit.limit.lower = 2.0;
    limit.limit.upper = 8.0;
    return limit;
}

TEST_F(FiguresGridTest, ExcursionFiguresOfAColumnWithALimit) {
    auto form = startForm();
    showReadout(*form, kLimitedLogger);
    auto* grid = Control<FiguresGrid>(*form, "FiguresGrid1");
    auto* limitTable = Control<QTableView>(*form, "LimitFiguresTable");
    EXPECT_TRUE(limitTable->isHidden());  // no limit yet
    EXPECT_TRUE(grid->limitRowTexts().isEmpty());

    form->findChild<travik::ShownReadout*>()->setLimits({ValueLimit()});
    EXPECT_FALSE(limitTable->isHidden());
    EXPECT_EQ(grid->limitHeaderTexts(),
              QStringList({"Column", "Excursions", "Time outside", "Longest excursion",
                           "First excursion", "Time without data"}));
    const QList<QStringList> expected{{QString::fromUtf8("Value1 °C"), "2", "0:45:00", "0:30:00",
                                       "01.03.2024 06:15:00", "0:15:00"}};
    EXPECT_EQ(grid->limitRowTexts(), expected);

    // The same in the copy of the figures, and after another language.
    const travik::FiguresText copied =
        travik::FiguresAsText(form->table(), grid->figures(), 0,
                              form->findChild<travik::ShownReadout*>()->excursions().get());
    EXPECT_EQ(copied.limitRows, expected);
    EXPECT_EQ(copied.limitHeader, grid->limitHeaderTexts());
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    EXPECT_EQ(grid->limitHeaderTexts()[1], QString::fromUtf8("Grenzwertverletzungen"));
    EXPECT_EQ(grid->limitRowTexts(), expected);

    // Limits taken away: the figures go with them.
    form->findChild<travik::ShownReadout*>()->setLimits({});
    EXPECT_TRUE(limitTable->isHidden());
    EXPECT_TRUE(grid->limitRowTexts().isEmpty());
}

TEST_F(FiguresGridTest, MeanKineticTemperatureOfTemperatureColumns) {
    // The settings' activation energy; one that does not read falls back to 83,144.
    const struct {
        const char* settings;
        const char* expected;
    } cases[] = {
        {"", "Mean kinetic temperature (83,144 kJ/mol): Value1 \u00b0C 6,34"},
        {"[limits]\nactivationEnergy=60\n",
         "Mean kinetic temperature (60 kJ/mol): Value1 \u00b0C 6,22"},
        {"[limits]\nactivationEnergy=60,0\n",
         "Mean kinetic temperature (60 kJ/mol): Value1 \u00b0C 6,22"},
        {"[limits]\nactivationEnergy=-5\n",
         "Mean kinetic temperature (83,144 kJ/mol): Value1 \u00b0C 6,34"},
        {"[limits]\nactivationEnergy=1e400\n",
         "Mean kinetic temperature (83,144 kJ/mol): Value1 \u00b0C 6,34"},
        {"[limits]\nactivationEnergy=0\n",
         "Mean kinetic temperature (83,144 kJ/mol): Value1 \u00b0C 6,34"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        writeSettings(c.settings);
        auto form = startForm();
        showReadout(*form, kLimitedLogger);
        auto* grid = Control<FiguresGrid>(*form, "FiguresGrid1");
        EXPECT_EQ(grid->kineticMeanText(), QString::fromUtf8(c.expected));
        // The plain mean stays as it was, beside it.
        EXPECT_EQ(grid->rowTexts().at(1).constLast(), "5,93");
    }
    // No temperature column: no line.
    auto form = startForm();
    showReadout(*form, "dev\rdate\rA\tB bar\r5\t1\r-7\t2\r");
    EXPECT_TRUE(Control<QLabel>(*form, "FiguresKineticMean")->isHidden());
}

}  // namespace
