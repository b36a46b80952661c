// The identifier rule and the kinds of a column whose unit changes, on the
// columns of the sample readouts and on hostile ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ColumnFigures.h"
#include "ColumnRoles.h"
#include "Columns.h"
#include "Table.h"

namespace {

using namespace travik;

Table tableOf(const std::string& titlesAndRows) {
    return CutTable("TP 2000\r09.12.26\r" + titlesAndRows);
}

std::size_t columnNamed(const Table& table, const std::string& title) {
    for (std::size_t column = 0; column < table.columnCount(); ++column)
        if (table.titles[column] == title) return column;
    ADD_FAILURE() << "no column " << title;
    return table.columnCount();
}

// Windows-1252: \xB0 degree sign, \xB5 micro sign, \xDC \xFC umlauts.
const std::string kAlarms =
    "No\tt\tI\tIdL\tText\tValue\tUnit\tAck\tState\r"
    "1\t01.03.2024 06:10:00\t3\t1101\t\xDC"
    "bertemperatur K\xFChler\t85,0\t\xB0"
    "C\t\tkommt\r"
    "2\t01.03.2024 07:00:00\t1\t1601\tNetzausfall\t\t\tquittiert\tgeht\r"
    "3\t01.03.2024 08:00:00\t8\t1520\tStrom Kanal > 20 mA\t21,50\tmA\t\tkommt\r"
    "4\t01.03.2024 09:30:00\t2\t1101\t\xDC"
    "bertemperatur K\xFChler\t99,0\t\xB0"
    "C\t\tgeht\r"
    "5\t01.03.2024 10:00:00\t2\t1402\tLeitf\xE4higkeit hoch\t130,5\t\xB5S/cm\t\tkommt\r"
    "6\t01.03.2024 11:00:00\t5\t1601\tNetzausfall\t\t\t\tkommt\r"
    "7\t01.03.2024 12:00:00\t4\t1702\tT\xFCr offen\t\t\t\tkommt\r"
    "8\t01.03.2024 13:00:00\t3\t1702\tT\xFCr offen\t\t\t\tgeht\r"
    "9\t01.03.2024 14:00:00\t6\t1601\tNetzausfall\t\t\t\tgeht\r"
    "10\t01.03.2024 15:00:00\t1\t1702\tT\xFCr offen\t\t\t\tkommt\r";
const std::string kLogger =
    "No\tDate\tTime\tValue1 \xB0"
    "C\tValue2 \xB5S/cm\tValue4 %\tEvent\r"
    "1\t01.03.2024\t06:00:00\t20,5\t380,2\t60,0\t\r"
    "2\t01.03.2024\t06:15:00\t21,0\t381,0\t59,5\tL\xFC"
    "fter an\r"
    "3\t01.03.2024\t06:30:00\t21,4\t380,8\t59,0\t\r";

struct RoleCase {
    const char* name;
    std::string titlesAndRows;
    std::string column;
    IdentifierKind expected;
};

TEST(IdentifierRule, SampleAndHostileColumns) {
    const std::vector<RoleCase> cases = {
        {"alarm running number", kAlarms, "No", IdentifierKind::RowCount},
        {"alarm level", kAlarms, "I", IdentifierKind::SmallCode},
        {"alarm id beside its text", kAlarms, "IdL", IdentifierKind::TextCode},
        {"alarm value", kAlarms, "Value", IdentifierKind::None},
        {"alarm time", kAlarms, "t", IdentifierKind::None},
        {"alarm text", kAlarms, "Text", IdentifierKind::None},
        {"logger running number", kLogger, "No", IdentifierKind::RowCount},
        {"logger temperature", kLogger,
         "Value1 \xB0"
         "C",
         IdentifierKind::None},
        {"logger humidity", kLogger, "Value4 %", IdentifierKind::None},
        {"counting down", "No\tv\r3\t1,5\r2\t2,5\r1\t3,5\r", "No", IdentifierKind::RowCount},
        {"two readouts joined", "No\tv\r1\tx\r2\tx\r1\tx\r2\tx\r3\tx\r", "No",
         IdentifierKind::RowCount},
        {"a row left out", "No\tv\r10\t1,5\r11\t2,5\r13\t3,5\r", "No", IdentifierKind::None},
        {"same number, two texts", "No\tId\tText\r10\t40\ta\r11\t40\tb\r13\t41\tc\r", "Id",
         IdentifierKind::None},
        {"text not beside it", "Id\tv\tText\r40\t1,5\ta\r52\t2,5\tb\r", "Id", IdentifierKind::None},
        {"beside a sparse text", "v\tId\tText\r1,5\t40\ta\r2,5\t52\t\r", "Id",
         IdentifierKind::None},
        {"whole counts measured", "Count\r12\r40\r7\r", "Count", IdentifierKind::None},
        {"digits written with a comma", "Level\r1,0\r3,0\r2,0\r", "Level", IdentifierKind::None},
        {"signed digits", "Level\r-1\r3\r2\r", "Level", IdentifierKind::None},
        {"one cell only", "Level\r3\r", "Level", IdentifierKind::None},
        {"small code among text", "Level\r3\rx\r2\r1\r5\r", "Level", IdentifierKind::None},
    };
    for (const RoleCase& c : cases) {
        const Table table = tableOf(c.titlesAndRows);
        const std::size_t column = columnNamed(table, c.column);
        EXPECT_EQ(IdentifierKindOf(table, column, TextColumn(table)), c.expected) << c.name;
    }
    EXPECT_EQ(IdentifierKindOf(tableOf(kAlarms), 99, std::nullopt), IdentifierKind::None);
}

TEST(IdentifierRule, ChartStartsWithTheFirstMeasurement) {
    EXPECT_EQ(FirstChartColumn(tableOf(kAlarms)), 5u);  // Value, not I
    EXPECT_EQ(KindsOf(tableOf(kAlarms)).firstChart, 5u);
    EXPECT_EQ(FirstChartColumn(tableOf(kLogger)), 3u);
    // Identifiers alone: the first is still charted.
    EXPECT_EQ(FirstChartColumn(tableOf("No\tI\r1\t4\r2\t5\r")), 0u);
}

TEST(IdentifierRule, IdentifiersHaveNoMean) {
    const TableFigures figures = FiguresOf(tableOf(kLogger));
    ASSERT_EQ(figures.columns.size(), 4u);
    EXPECT_TRUE(figures.columns[0].identifier);
    EXPECT_EQ(MeanText(figures.columns[0]), "");
    EXPECT_EQ(figures.columns[0].maximum.text, "3");  // the other figures stay
    EXPECT_FALSE(figures.columns[1].identifier);
    EXPECT_EQ(MeanText(figures.columns[1]), "20,97");
    EXPECT_EQ(figures.columns[1].kind, "");
}

TEST(ChangingUnit, FoundOnlyWhereTheUnitChanges) {
    const Table alarms = tableOf(kAlarms);
    EXPECT_EQ(ChangingUnitColumn(alarms, 5), 6u);
    EXPECT_FALSE(ChangingUnitColumn(alarms, 3));  // the text beside IdL
    EXPECT_FALSE(ChangingUnitColumn(alarms, 8));  // the last column
    EXPECT_FALSE(ChangingUnitColumn(tableOf("V\tU\r1,5\tmA\r2,5\tmA\r"), 0));
    EXPECT_FALSE(ChangingUnitColumn(tableOf("V\tU\r1,5\tmA\r2,5\tfan on\r"), 0));
    EXPECT_FALSE(ChangingUnitColumn(tableOf("V\tU\r1,5\tmA\r2,5\tbar2\r"), 0));
    EXPECT_FALSE(ChangingUnitColumn(tableOf("V\tU\r1,5\tmA\r2,5\tverylongunit\r"), 0));
    EXPECT_FALSE(ChangingUnitColumn(tableOf("V\tW\r1,5\t2,5\r2,5\t3,5\r"), 0));
    // Short words each once: labels, not units.
    EXPECT_FALSE(ChangingUnitColumn(tableOf("V\tW\r5\tx\r-7\ty\r5\tz\r"), 0));
}

TEST(ChangingUnit, KindsByTextElseByUnit) {
    const Table alarms = tableOf(kAlarms);
    const std::vector<ValueKind> kinds = ValueKindsOf(alarms, 5, TextColumn(alarms));
    ASSERT_EQ(kinds.size(), 3u);
    EXPECT_EQ(KindLabel(kinds[0]),
              "\xDC"
              "bertemperatur K\xFChler");
    EXPECT_EQ(kinds[0].unit,
              "\xB0"
              "C");
    EXPECT_EQ(kinds[0].rows, (std::vector<std::size_t>{0, 3}));
    EXPECT_EQ(KindLabel(kinds[1]), "Strom Kanal > 20 mA");
    EXPECT_EQ(kinds[2].unit, "\xB5S/cm");
    // No text column: one kind per unit, named by it; a row without a value in none.
    const Table byUnit = tableOf("V\tU\r1,5\tmA\r\tbar\r2,5\tbar\r3,5\tmA\r");
    const std::vector<ValueKind> units = ValueKindsOf(byUnit, 0, std::nullopt);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(KindLabel(units[0]), "mA");
    EXPECT_EQ(units[0].rows, (std::vector<std::size_t>{0, 3}));
    EXPECT_EQ(units[1].rows, (std::vector<std::size_t>{2}));
    // One text with two units makes two kinds: never one figure across units.
    const Table twoUnits = tableOf("Text\tV\tU\rx\t1,5\tmA\rx\t2,5\tbar\ry\t3,5\tbar\r");
    const std::vector<ValueKind> split = ValueKindsOf(twoUnits, 1, TextColumn(twoUnits));
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(split[1].name, "x");
    EXPECT_EQ(split[1].unit, "bar");
    EXPECT_TRUE(ValueKindsOf(tableOf(kLogger), 3, TextColumn(tableOf(kLogger))).empty());
}

TEST(ChangingUnit, FiguresComePerKind) {
    const TableFigures figures = FiguresOf(tableOf(kAlarms));
    // No, I, IdL, then Value as three kinds.
    ASSERT_EQ(figures.columns.size(), 6u);
    EXPECT_TRUE(figures.columns[0].identifier && figures.columns[1].identifier &&
                figures.columns[2].identifier);
    const ColumnFigures& cooler = figures.columns[3];
    EXPECT_EQ(cooler.column, 5u);
    EXPECT_EQ(cooler.kind,
              "\xDC"
              "bertemperatur K\xFChler");
    EXPECT_EQ(cooler.count, 2u);
    EXPECT_EQ(cooler.minimum.text, "85,0");
    EXPECT_EQ(cooler.maximum.text, "99,0");
    EXPECT_EQ(cooler.maximum.row, 3u);
    EXPECT_EQ(MeanText(cooler), "92,00");
    EXPECT_EQ(figures.columns[4].unit, "mA");
    EXPECT_EQ(MeanText(figures.columns[4]), "21,500");
    EXPECT_EQ(figures.columns[5].minimum.text, "130,5");
}

}  // namespace
