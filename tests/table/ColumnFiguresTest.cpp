// The figures of numeric columns on hostile columns: one value, all equal,
// empty cells, negative numbers, text among numbers, decimal comma or point.
#include <gtest/gtest.h>

#include <string>

#include "ColumnFigures.h"
#include "Table.h"

namespace {

using namespace travik;

Table tableOf(const std::string& titlesAndRows) {
    return CutTable("device\rdate\r" + titlesAndRows);
}

const ColumnFigures* figuresFor(const TableFigures& figures, std::size_t column) {
    for (const ColumnFigures& f : figures.columns)
        if (f.column == column) return &f;
    return nullptr;
}

const std::string kLogger =
    "No\tDate\tTime\tTemp\tPressure\tEvent\r"
    "1\t01.03.2024\t23:45:00\t20,5\t1,02\t\r"
    "2\t02.03.2024\t00:00:00\t-1,5\t\tFan on\r"
    "3\t02.03.2024\t00:15:00\t21,0\t1,10\t\r"
    "4\t02.03.2024\t00:30:00\t-1,5\t0,98\t\r";

TEST(ColumnFigures, SmallestLargestAndMeanWithTheirFirstTime) {
    const TableFigures figures = FiguresOf(tableOf(kLogger));
    ASSERT_EQ(figures.columns.size(), 3u);  // No, Temp, Pressure
    const ColumnFigures* temp = figuresFor(figures, 3);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->count, 4u);
    EXPECT_EQ(temp->minimum.text, "-1,5");
    EXPECT_EQ(temp->minimum.row, 1u);  // the first of the two -1,5
    EXPECT_EQ(temp->maximum.text, "21,0");
    EXPECT_EQ(temp->maximum.row, 2u);
    ASSERT_TRUE(temp->minimum.seconds.has_value());
    EXPECT_EQ(AxisText(tableOf(kLogger), *figures.axis, temp->minimum.row), "02.03.2024 00:00:00");
    EXPECT_DOUBLE_EQ(temp->mean, 9.625);
    EXPECT_EQ(MeanText(*temp), "9,63");  // one digit more than the column writes
}

TEST(ColumnFigures, EmptyCellsAreNoValues) {
    const TableFigures figures = FiguresOf(tableOf(kLogger));
    const ColumnFigures* pressure = figuresFor(figures, 4);
    ASSERT_NE(pressure, nullptr);
    EXPECT_EQ(pressure->count, 3u);
    EXPECT_NEAR(pressure->mean, (1.02 + 1.10 + 0.98) / 3, 1e-12);
    EXPECT_EQ(pressure->minimum.text, "0,98");
    EXPECT_EQ(pressure->maximum.text, "1,10");
    EXPECT_EQ(MeanText(*pressure), "1,033");
}

TEST(ColumnFigures, TimeAxisGivesEarliestLatestAndSpan) {
    const TableFigures figures = FiguresOf(tableOf(kLogger));
    ASSERT_TRUE(figures.earliest && figures.latest);
    EXPECT_EQ(figures.earliest->text, "01.03.2024 23:45:00");
    EXPECT_EQ(figures.latest->text, "02.03.2024 00:30:00");
    EXPECT_EQ(figures.spanSeconds(), 45 * 60);
    EXPECT_EQ(SpanText(figures.spanSeconds(), "d"), "00:45:00");
    EXPECT_EQ(SpanText(3 * 86400 + 4 * 3600 + 5 * 60 + 6, "T"), "3 T 04:05:06");
    EXPECT_EQ(SpanText(-5, "d"), "00:00:00");
}

TEST(ColumnFigures, RowsOutOfTimeOrderStillGiveEarliestAndLatest) {
    const TableFigures figures =
        FiguresOf(tableOf("t\tv\r"
                          "02.03.2024 10:00\t1\r"
                          "01.03.2024 09:00\t2\r"
                          "garbage\t3\r"
                          "01.03.2024 12:00\t1\r"
                          "01.03.2024 18:00\t1\r"));
    ASSERT_TRUE(figures.earliest && figures.latest);
    EXPECT_EQ(figures.earliest->row, 1u);
    EXPECT_EQ(figures.latest->row, 0u);
    EXPECT_EQ(figures.spanSeconds(), 25 * 3600);
    const ColumnFigures* v = figuresFor(figures, 1);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->maximum.row, 2u);
    EXPECT_FALSE(v->maximum.seconds.has_value());
}

TEST(ColumnFigures, WithoutTimeAxisTheRowIsTheWhere) {
    const TableFigures figures = FiguresOf(tableOf("a\r5\r-7\r5\r"));
    EXPECT_FALSE(figures.axis.has_value());
    EXPECT_FALSE(figures.earliest.has_value());
    EXPECT_EQ(figures.spanSeconds(), 0);
    ASSERT_EQ(figures.columns.size(), 1u);
    EXPECT_EQ(figures.columns[0].minimum.row, 1u);
    EXPECT_EQ(figures.columns[0].maximum.row, 0u);
    EXPECT_FALSE(figures.columns[0].maximum.seconds.has_value());
    EXPECT_EQ(MeanText(figures.columns[0]), "1.0");  // whole numbers, no separator seen: a point
}

TEST(ColumnFigures, AllEqualValuesAreMinimumAndMaximumAtTheFirstRow) {
    const TableFigures figures = FiguresOf(tableOf("a\r3,5\r3,5\r3,5\r"));
    ASSERT_EQ(figures.columns.size(), 1u);
    const ColumnFigures& a = figures.columns[0];
    EXPECT_EQ(a.count, 3u);
    EXPECT_EQ(a.minimum.row, 0u);
    EXPECT_EQ(a.maximum.row, 0u);
    EXPECT_EQ(MeanText(a), "3,50");
}

TEST(ColumnFigures, AColumnWithOneValueIsNotOffered) {
    // The chart offers a column from two filled cells on.
    const TableFigures figures = FiguresOf(tableOf("a\tb\r1\t\r2\t7\r"));
    ASSERT_EQ(figures.columns.size(), 1u);
    EXPECT_EQ(figures.columns[0].column, 0u);
}

TEST(ColumnFigures, TextAmongNumbersIsSkipped) {
    // 4 of 5 cells are numbers: offered, the text cell is no value.
    const TableFigures figures = FiguresOf(tableOf("a\r-2\r-4\rdefekt\r-6\r-8\r"));
    ASSERT_EQ(figures.columns.size(), 1u);
    const ColumnFigures& a = figures.columns[0];
    EXPECT_EQ(a.count, 4u);
    EXPECT_EQ(a.minimum.text, "-8");
    EXPECT_EQ(a.minimum.row, 4u);
    EXPECT_EQ(a.maximum.text, "-2");
    EXPECT_DOUBLE_EQ(a.mean, -5.0);
    EXPECT_EQ(MeanText(a), "-5.0");
}

TEST(ColumnFigures, WholeNumbersTakeTheSeparatorOfTheTable) {
    const TableFigures figures = FiguresOf(tableOf("n\tv\r12\t0,5\r17\t1,5\r"));
    ASSERT_EQ(figures.columns.size(), 2u);
    EXPECT_EQ(MeanText(figures.columns[0]), "14,5");
    EXPECT_EQ(MeanText(figures.columns[1]), "1,00");
    // The leftmost column that writes a separator decides, whichever row writes one first.
    const TableFigures mixed = FiguresOf(tableOf("n\ta\tb\r12\t2\t0.5\r17\t0,5\t1\r"));
    ASSERT_EQ(mixed.columns.size(), 3u);
    EXPECT_EQ(MeanText(mixed.columns[0]), "14,5");
    EXPECT_EQ(MeanText(mixed.columns[2]), "0.75");
}

TEST(ColumnFigures, HostileTablesGiveNoFigures) {
    EXPECT_TRUE(FiguresOf(CutTable("")).columns.empty());
    EXPECT_TRUE(FiguresOf(tableOf("a\r")).columns.empty());
    EXPECT_TRUE(FiguresOf(tableOf("\t\t\r\t\r\r")).columns.empty());
    EXPECT_TRUE(FiguresOf(tableOf("a\rnan\rinf\r1e400\r")).columns.empty());
}

TEST(NumberText, WrittenAsTheDeviceWritesNeverMinusZero) {
    EXPECT_EQ(NumberText(-3.25, 2, ','), "-3,25");
    EXPECT_EQ(NumberText(-0.04, 1, ','), "0,0");
    EXPECT_EQ(NumberText(-0.0, 0, '.'), "0");
    EXPECT_EQ(NumberText(12, 0, ','), "12");
    const std::string huge = NumberText(1e39, 40, '.');
    EXPECT_EQ(huge.size() - huge.find('.') - 1, 15u);  // at most 15 decimals
    EXPECT_EQ(NumberText(0.125, 2, '.'), "0.13");      // halves away from zero
    EXPECT_EQ(NumberText(-0.125, 2, ','), "-0,13");
    EXPECT_EQ(NumberText(1.0 / 0.0, 1, '.'), "");
}

TEST(ColumnFigures, LongDecimalsAndHugeValuesStayFinite) {
    const TableFigures figures =
        FiguresOf(tableOf("a\r999999999999999\r999999999999999\r0,000000000000000000001\r"));
    ASSERT_EQ(figures.columns.size(), 1u);
    EXPECT_EQ(figures.columns[0].decimals, 21);
    EXPECT_EQ(MeanText(figures.columns[0]), NumberText(figures.columns[0].mean, 15, ','));
}

}  // namespace
