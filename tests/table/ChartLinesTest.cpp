// A chart's lines, cut at gaps and grouped onto value axes; the time axis'
// labels across daylight-saving changes and at the calendar's ends.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "AxisTicks.h"
#include "CellValues.h"
#include "ChartLines.h"
#include "Columns.h"
#include "Table.h"

namespace {

using namespace travik;
using Indices = std::vector<std::size_t>;

Table tableOf(const std::string& titlesAndRows) {
    return CutTable("device\rdate\r" + titlesAndRows);
}

Indices rowsOf(const ColumnLine& line) {
    Indices rows;
    for (const ChartPoint& point : line.points) rows.push_back(point.row);
    return rows;
}

std::vector<std::string> labelsOf(const std::vector<AxisTick>& ticks) {
    std::vector<std::string> labels;
    for (const AxisTick& tick : ticks) labels.push_back(tick.label);
    return labels;
}

TEST(CutColumnLine, EmptyAndUnreadableCellsAndRowsWithoutTimeAreGaps) {
    const Table table = tableOf(
        "Time\tValue\r"
        "10:00\t1\r"
        "10:01\t2\r"
        "10:02\t\r"      // empty: a gap
        "10:03\tx\r"     // text: a gap
        "\t4\r"          // no time: a gap
        "10:05\t-5,5\r"  // decimal comma
        "10:06\t6\r");
    const ColumnLine line = CutColumnLine(table, 1, FindTimeAxis(table));
    EXPECT_EQ(rowsOf(line), (Indices{0, 1, 5, 6}));
    EXPECT_EQ(line.lineStarts, (Indices{0, 2}));
    EXPECT_EQ(line.points[0].x, 36000);
    EXPECT_EQ(line.points[2].x, 36300);
    EXPECT_EQ(line.points[2].value, -5.5);
    EXPECT_EQ(line.low, -5.5);
    EXPECT_EQ(line.high, 6);
}

TEST(CutColumnLine, WithoutTimeAxisTheRowNumberIsTheX) {
    const Table table = tableOf("A\r\r3\r\r4\r");  // blank lines are no rows
    const ColumnLine line = CutColumnLine(table, 0, std::nullopt);
    ASSERT_EQ(line.points.size(), 2u);
    EXPECT_EQ(line.points[0].x, 1);
    EXPECT_EQ(line.points[1].x, 2);
    EXPECT_EQ(line.lineStarts, (Indices{0}));
}

TEST(CutColumnLine, DeviceTimesAreKeptAsWrittenAcrossAClockChange) {
    // The spring change in central Europe: 02:00-02:59 does not exist in local
    // time, but the device wrote it; the points stay in order, 15 min apart.
    const Table table = tableOf(
        "Date\tTime\tT\r"
        "31.03.2024\t01:45:00\t1\r"
        "31.03.2024\t02:00:00\t2\r"
        "31.03.2024\t02:45:00\t3\r"
        "31.03.2024\t03:00:00\t4\r");
    const ColumnLine line = CutColumnLine(table, 2, FindTimeAxis(table));
    ASSERT_EQ(line.points.size(), 4u);
    const double start = static_cast<double>(DaysFromCivil(2024, 3, 31) * 86400 + 6300);
    EXPECT_EQ(line.points[0].x, start);
    EXPECT_EQ(line.points[1].x - line.points[0].x, 900);
    EXPECT_EQ(line.points[2].x - line.points[1].x, 2700);
    EXPECT_EQ(line.points[3].x - line.points[2].x, 900);
}

TEST(HorizontalRange, SpansAllLinesAndWidensASinglePoint) {
    ColumnLine a, b;
    a.points = {{5, 1, 0}, {9, 1, 1}};
    b.points = {{2, 1, 0}};
    const auto range = HorizontalRange({a, b}, 60);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->low, 2);
    EXPECT_EQ(range->high, 9);
    const auto single = HorizontalRange({b}, 60);
    EXPECT_EQ(single->low, -58);
    EXPECT_EQ(single->high, 62);
    EXPECT_FALSE(HorizontalRange({ColumnLine{}}, 60));
}

TEST(GroupByRange, RangesWithinAFactorOfTenShareAnAxis) {
    const auto line = [](double low, double high) {
        ColumnLine l;
        l.points = {{0, low, 0}, {1, high, 1}};
        l.low = low;
        l.high = high;
        return l;
    };
    const std::vector<ColumnLine> lines = {line(0, 10),   line(1000, 3000), ColumnLine{},
                                           line(20, 100), line(5, 5),       line(-1, 1)};
    const std::vector<ValueAxisGroup> groups = GroupByRange(lines);
    ASSERT_EQ(groups.size(), 3u);
    // The group grows as lines join: 0-10 and 20-100 make 0-100, too wide
    // for -1..1 (span 2), which joins the flat line at 5 (span 5) instead.
    EXPECT_EQ(groups[0].lines, (Indices{0, 3}));
    EXPECT_EQ(groups[0].low, 0);
    EXPECT_EQ(groups[0].high, 100);
    EXPECT_EQ(groups[1].lines, (Indices{1}));
    EXPECT_EQ(groups[2].lines, (Indices{4, 5}));
    EXPECT_EQ(groups[2].low, -1);
    EXPECT_EQ(groups[2].high, 5);
}

TEST(PaddedRange, FivePercentEachSideAndAFlatLineGetsRoom) {
    EXPECT_EQ(PaddedRange(0, 100).low, -5);
    EXPECT_EQ(PaddedRange(0, 100).high, 105);
    EXPECT_EQ(PaddedRange(20, 20).low, 19);
    EXPECT_EQ(PaddedRange(20, 20).high, 21);
}

TEST(TimeTicks, RoundStepsWithinTheLimit) {
    const double day = static_cast<double>(DaysFromCivil(2024, 3, 31) * 86400);
    EXPECT_EQ(labelsOf(TimeTicks(day + 3600, day + 5 * 3600, 5, false)),
              (std::vector<std::string>{"31.03.24 01:00", "31.03.24 02:00", "31.03.24 03:00",
                                        "31.03.24 04:00", "31.03.24 05:00"}));
    EXPECT_EQ(labelsOf(TimeTicks(36000, 36020, 3, true)),
              (std::vector<std::string>{"10:00:00", "10:00:10", "10:00:20"}));
    EXPECT_EQ(labelsOf(TimeTicks(0, 86399, 6, true)),
              (std::vector<std::string>{"00:00", "06:00", "12:00", "18:00"}));
    for (std::size_t limit : {2u, 5u, 8u, 12u})
        EXPECT_LE(TimeTicks(day, day + 40 * 86400, limit, false).size(), limit);
}

// The report's chart is narrower than the page's: 7 labels of "31.03.24 01:00"
// do not fit 400 points, and were cut short.
TEST(TimeTicks, FewerWhenTheLabelsDoNotFit) {
    const double day = static_cast<double>(DaysFromCivil(2024, 3, 31) * 86400);
    const auto sevenPerChar = [](const std::string& label) {
        return 7.0 * static_cast<double>(label.size());
    };
    const std::vector<AxisTick> wide =
        FittingTimeTicks(day, day + 86400, 7, false, 2000, 8, sevenPerChar);
    EXPECT_EQ(wide.size(), TimeTicks(day, day + 86400, 7, false).size());
    for (double width : {400.0, 250.0, 120.0}) {
        const std::vector<AxisTick> ticks =
            FittingTimeTicks(day, day + 86400, 7, false, width, 8, sevenPerChar);
        ASSERT_GE(ticks.size(), 2u) << width;
        const double apart = (ticks[1].seconds - ticks[0].seconds) / 86400 * width;
        if (width >= 250) {
            EXPECT_GE(apart, 7.0 * static_cast<double>(ticks[0].label.size()) + 8) << width;
        }
        EXPECT_LT(ticks.size(), wide.size()) << width;
    }
    // Nothing to space out: as TimeTicks.
    EXPECT_TRUE(FittingTimeTicks(day, day, 7, false, 400, 8, sevenPerChar).size() <= 1);
}

TEST(TimeTicks, MonthsAndYearsAtTheirFirstDay) {
    const double from = static_cast<double>(DaysFromCivil(2024, 1, 15) * 86400);
    const double to = static_cast<double>(DaysFromCivil(2024, 7, 2) * 86400);
    EXPECT_EQ(labelsOf(TimeTicks(from, to, 4, false)),
              (std::vector<std::string>{"03.24", "05.24", "07.24"}));
    const std::vector<AxisTick> ticks = TimeTicks(from, to, 4, false);
    EXPECT_EQ(ticks[0].seconds, static_cast<double>(DaysFromCivil(2024, 3, 1) * 86400));
}

TEST(TimeTicks, FourDigitYearsWhenTheRangeLeavesTheCentury) {
    const double first = static_cast<double>(DaysFromCivil(1, 1, 1) * 86400);
    const double last = static_cast<double>(DaysFromCivil(9999, 12, 31) * 86400);
    const std::vector<std::string> wide = labelsOf(TimeTicks(first, last, 6, false));
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide.front(), "2000");
    EXPECT_EQ(wide.back(), "8000");
    const double early = static_cast<double>(DaysFromCivil(1, 1, 1) * 86400);
    EXPECT_EQ(labelsOf(TimeTicks(early, early + 2 * 86400, 3, false)),
              (std::vector<std::string>{"01.01.0001", "02.01.0001", "03.01.0001"}));
    const double late = static_cast<double>(DaysFromCivil(9999, 12, 30) * 86400);
    EXPECT_EQ(labelsOf(TimeTicks(late, late + 86400, 2, false)),
              (std::vector<std::string>{"30.12.9999", "31.12.9999"}));
}

TEST(TimeTicks, HostileRangesGiveNoTicks) {
    EXPECT_TRUE(TimeTicks(10, 5, 5, false).empty());
    EXPECT_TRUE(TimeTicks(0, 1e300, 5, false).empty());
    EXPECT_TRUE(TimeTicks(std::nan(""), 5, 5, false).empty());
    EXPECT_TRUE(TimeTicks(0, 100, 0, false).empty());
}

TEST(CivilFromDays, RoundTripsAcrossTheCalendar) {
    for (long long days : {-719162LL, -1LL, 0LL, 59LL, 11016LL, 19813LL, 2932896LL}) {
        const CivilDate date = CivilFromDays(days);
        EXPECT_EQ(DaysFromCivil(date.year, date.month, date.day), days) << days;
    }
    const CivilDate leap = CivilFromDays(DaysFromCivil(2024, 2, 29));
    EXPECT_EQ(leap.year, 2024);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
}

}  // namespace
