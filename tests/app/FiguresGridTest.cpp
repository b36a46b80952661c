// The figures grid under the table of the real window: one row per numeric
// column, numbers as the column writes them, the window's language, and the
// readout's order whatever the table is sorted by.
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTableView>

#include "AppTestSupport.h"
#include "FiguresGrid.h"
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

}  // namespace
