// The alarm timeline and the value lines per kind, on sample tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AlarmTimeline.h"
#include "CellValues.h"
#include "Table.h"

namespace {

using namespace travik;

Table tableOf(const std::string& titlesAndRows) {
    return CutTable("TP 2000\r09.12.26\r" + titlesAndRows);
}

const std::string kAlarms =
    "No\tt\tI\tIdL\tText\tValue\tUnit\tAck\tState\r"
    "1\t01.03.2024 06:10:00\t3\t1101\tcooler\t85,0\tC\t\tkommt\r"
    "2\t01.03.2024 07:00:00\t1\t1601\tmains\t\t\tquittiert\tgeht\r"
    "3\t01.03.2024 08:00:00\t8\t1520\tcurrent\t21,50\tmA\t\tKOMMT\r"
    "4\tlater\t2\t1101\tcooler\t99,0\tC\t\tgeht\r"
    "5\t01.03.2024 10:00:00\t2\t1101\tcooler\t90,5\tC\t\tgeht\r";

double seconds(const char* when) {
    return static_cast<double>(ReadTime(when)->seconds);
}

TEST(AlarmTimeline, EachKindARowEachAlarmAMarkByItsEdge) {
    const AlarmTimeline timeline = TimelineOf(tableOf(kAlarms));
    EXPECT_EQ(timeline.kinds, (std::vector<std::string>{"cooler", "mains", "current"}));
    EXPECT_EQ(timeline.textColumn, 4u);
    ASSERT_EQ(timeline.marks.size(), 2u);
    EXPECT_EQ(timeline.edges, (std::vector<AlarmEdge>{AlarmEdge::Comes, AlarmEdge::Goes}));
    // Row 4's time does not read: no mark.
    EXPECT_EQ(timeline.markCount(), 4u);
    const ColumnLine& comes = timeline.marks[0];
    ASSERT_EQ(comes.points.size(), 2u);
    EXPECT_EQ(comes.points[0].x, seconds("01.03.2024 06:10:00"));
    EXPECT_EQ(comes.points[0].value, 0);  // cooler
    EXPECT_EQ(comes.points[1].value, 2);  // current, "KOMMT" in capitals
    const ColumnLine& goes = timeline.marks[1];
    EXPECT_EQ(goes.points[0].value, 1);
    EXPECT_EQ(goes.points[1].row, 4u);
    EXPECT_EQ(goes.lineStarts, (std::vector<std::size_t>{0}));
}

TEST(AlarmTimeline, WithoutComesOrGoesTheMarksAreOneLine) {
    const Table table = tableOf(
        "No\tt\tText\tState\r1\t01.03.2024 06:10:00\ta\tkommt\r2\t01.03.2024 07:10:00\tb\tlater\r");
    EXPECT_FALSE(ComesGoesColumn(table));
    const AlarmTimeline timeline = TimelineOf(table);
    EXPECT_EQ(timeline.edges, std::vector<AlarmEdge>{AlarmEdge::Unknown});
    EXPECT_EQ(timeline.markCount(), 2u);
}

TEST(AlarmTimeline, OnlyWhereTheRowsNameAlarms) {
    // A data logger: its events now and then.
    const Table logger = tableOf(
        "No\tDate\tTime\tV\tEvent\r1\t01.03.2024\t06:00:00\t1,5\t\r"
        "2\t01.03.2024\t06:15:00\t1,6\tfan on\r3\t01.03.2024\t06:30:00\t1,7\t\r");
    EXPECT_FALSE(RowsNameAlarms(logger));
    EXPECT_EQ(TimelineOf(logger).markCount(), 0u);
    EXPECT_FALSE(RowsNameAlarms(tableOf("No\tText\r1\ta\r2\tb\r")));             // no time
    EXPECT_FALSE(RowsNameAlarms(tableOf("t\tText\r01.03.2024 06:10:00\ta\r")));  // one row
    EXPECT_TRUE(RowsNameAlarms(tableOf(kAlarms)));
}

TEST(KindLines, OneLinePerKindElseTheColumn) {
    const Table table = tableOf(kAlarms);
    const std::optional<TimeAxis> axis = FindTimeAxis(table);
    const std::vector<ColumnLine> lines = KindLines(table, 5, axis, 4);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].kind, "cooler");
    EXPECT_EQ(lines[0].unit, "C");
    // Row 4 has no time: a gap in the cooler's line.
    ASSERT_EQ(lines[0].points.size(), 2u);
    EXPECT_EQ(lines[0].lineStarts, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(lines[0].low, 85.0);
    EXPECT_EQ(lines[0].high, 90.5);
    EXPECT_EQ(lines[1].kind, "current");
    EXPECT_EQ(lines[1].points[0].row, 2u);
    // "I" is no value with units: the one line of the column.
    const std::vector<ColumnLine> whole = KindLines(table, 2, axis, 4);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].kind, "");
    EXPECT_EQ(whole[0].points.size(), 4u);
}

}  // namespace
