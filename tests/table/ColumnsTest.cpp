// Numeric columns, the time axis, the text column and sorting on hostile rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CellValues.h"
#include "Columns.h"
#include "Table.h"

namespace {

using namespace travik;
using Rows = std::vector<std::size_t>;

Table tableOf(const std::string& titlesAndRows) {
    return CutTable("device\rdate\r" + titlesAndRows);
}

const std::string kLogger =
    "No\tDate\tTime\tTemp\tPressure\tEvent\r"
    "1\t01.03.2024\t23:45:00\t20,5\t1,02\t\r"
    "2\t02.03.2024\t00:00:00\t21,0\t\tFan on\r"
    "3\t02.03.2024\t00:15:00\t-1,5\t1,10\t\r";

TEST(NumericColumns, NeedTwoCellsAndEightyPercentNumbers) {
    const Table table = tableOf(
        "A\tB\tC\tD\tE\r"
        "1\t1\tx\t5\t1,2,3\r"
        "2\t2\t1\t\t1,2,3\r"
        "3\t3\t2\t\t1\r"
        "4\t4\t3\t\t2\r"
        "5\tfive\t4\t\t3\r");
    EXPECT_TRUE(IsNumericColumn(table, 0));
    EXPECT_TRUE(IsNumericColumn(table, 1));   // 4 of 5 = 80 %
    EXPECT_TRUE(IsNumericColumn(table, 2));   // 4 of 5 as well
    EXPECT_FALSE(IsNumericColumn(table, 3));  // one cell only
    EXPECT_FALSE(IsNumericColumn(table, 4));  // 3 of 5
    EXPECT_FALSE(IsNumericColumn(table, 99));
    EXPECT_EQ(NumericColumns(table), (Rows{0, 1, 2}));
}

TEST(NumericColumns, EmptyCellsDoNotCountAgainst) {
    const Table table = CutTable("d\rd\r" + kLogger);
    EXPECT_EQ(NumericColumns(table), (Rows{0, 3, 4}));
}

TEST(NumericColumns, HostileTablesHaveNone) {
    EXPECT_TRUE(NumericColumns(CutTable("")).empty());
    EXPECT_TRUE(NumericColumns(tableOf("\t\t\t\r\t\t\r\t\r")).empty());
    EXPECT_TRUE(NumericColumns(tableOf("A\r1,2,3\r1.000,5\r")).empty());
    EXPECT_TRUE(NumericColumns(tableOf("A\r99999999999999999999\r1e400\r")).empty());
    EXPECT_TRUE(NumericColumns(tableOf("A\r\x80\x81\r\xFF\r")).empty());
    EXPECT_FALSE(FirstChartColumn(tableOf("A\rnan\rinf\r")).has_value());
}

TEST(FirstChartColumn, SkipsRunningNumbers) {
    const Table table = CutTable("d\rd\r" + kLogger);
    EXPECT_TRUE(IsRowCounter(table, 0));
    EXPECT_FALSE(IsRowCounter(table, 3));
    EXPECT_EQ(FirstChartColumn(table), 3u);
    // A counter alone is still charted.
    EXPECT_EQ(FirstChartColumn(tableOf("No\r3\r2\r1\r")), 0u);
    EXPECT_FALSE(IsRowCounter(tableOf("No\r1\r3\r"), 0));
}

TEST(TimeAxis, DateColumnFollowedByTimeColumnCountsAsOne) {
    const Table table = CutTable("d\rd\r" + kLogger);
    const auto axis = FindTimeAxis(table);
    ASSERT_TRUE(axis);
    EXPECT_EQ(axis->column, 1u);
    EXPECT_EQ(axis->timeColumn, 2u);
    EXPECT_EQ(AxisSeconds(table, *axis, 0), ReadTime("01.03.2024 23:45")->seconds);
    EXPECT_EQ(AxisSeconds(table, *axis, 1), ReadTime("02.03.2024 00:00")->seconds);
    EXPECT_FALSE(AxisIsTimeOfDay(table, *axis));
}

TEST(TimeAxis, OneDateTimeColumnOrNone) {
    const Table alarms =
        tableOf("No\tt\tI\r1\t01.03.2024 07:00:00\t3\r2\t01.03.2024 08:00:00\t4\r");
    const auto axis = FindTimeAxis(alarms);
    ASSERT_TRUE(axis);
    EXPECT_EQ(axis->column, 1u);
    EXPECT_FALSE(axis->timeColumn);
    EXPECT_EQ(AxisSeconds(alarms, *axis, 1), ReadTime("01.03.2024 08:00:00")->seconds);
    EXPECT_FALSE(AxisSeconds(alarms, *axis, 7));

    EXPECT_FALSE(FindTimeAxis(tableOf("A\tB\r1\t2\r3\t4\r")));
    EXPECT_FALSE(FindTimeAxis(tableOf("A\r24:00\r31.02.2024\r")));  // no valid time
    const Table times = tableOf("T\tV\r06:00\t1\r07:00\t2\r");
    ASSERT_TRUE(FindTimeAxis(times));
    EXPECT_TRUE(AxisIsTimeOfDay(times, *FindTimeAxis(times)));
}

TEST(TimeAxis, RowsWhoseTimeDoesNotReadHaveNoPlace) {
    const Table table = tableOf(
        "Date\tTime\tV\r01.03.2024\t06:00\t1\r01.03.2024\tbroken\t2\r02.03.2024\t07:00\t3\r"
        "03.03.2024\t08:00\t4\r04.03.2024\t09:00\t5\r");
    const auto axis = FindTimeAxis(table);
    ASSERT_TRUE(axis);
    EXPECT_EQ(axis->timeColumn, 1u);
    EXPECT_TRUE(AxisSeconds(table, *axis, 0));
    EXPECT_FALSE(AxisSeconds(table, *axis, 1));
}

TEST(TextColumn, FirstColumnOfWords) {
    EXPECT_EQ(TextColumn(CutTable("d\rd\r" + kLogger)), 5u);
    EXPECT_FALSE(TextColumn(tableOf("A\tB\r1\t2\r3\t4\r")));
    EXPECT_FALSE(TextColumn(CutTable("")));
}

TEST(SortedRows, NumbersAsNumbersTimesAsTimesTextLastEmptyLast) {
    const Table table = tableOf("V\r10\rabc\r9\r\r01.01.2024\r-1,5\r \r00:30\r");
    // Rows: 0 "10", 1 "abc", 2 "9", 3 "01.01.2024", 4 "-1,5", 5 "00:30" (blank lines are no rows)
    ASSERT_EQ(table.rowCount(), 6u);
    EXPECT_EQ(SortedRows(table, 0, false), (Rows{4, 2, 0, 5, 3, 1}));
    EXPECT_EQ(SortedRows(table, 0, true), (Rows{1, 3, 5, 0, 2, 4}));
}

TEST(SortedRows, EqualCellsKeepTheirOrderAndEmptyCellsStayLast) {
    const Table table = tableOf("K\tN\r2\ta\r1\tb\r\tc\r2\td\r1\te\r");
    EXPECT_EQ(SortedRows(table, 0, false), (Rows{1, 4, 0, 3, 2}));
    EXPECT_EQ(SortedRows(table, 0, true), (Rows{0, 3, 1, 4, 2}));
    EXPECT_EQ(SortedRows(table, 5, false), (Rows{0, 1, 2, 3, 4}));  // no such column
}

TEST(SortedRows, TimesAcrossMidnightAndDates) {
    const Table table = CutTable("d\rd\r" + kLogger);
    EXPECT_EQ(SortedRows(table, 2, false), (Rows{1, 2, 0}));  // by time of day
    EXPECT_EQ(SortedRows(table, 1, true), (Rows{1, 2, 0}));   // later date first, stable
    EXPECT_EQ(SortedRows(table, 3, false), (Rows{2, 0, 1}));
}

}  // namespace
