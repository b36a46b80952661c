// An alarm buffer summed up by its texts: counts, first and last times.
#include <gtest/gtest.h>

#include <string>

#include "AlarmSummary.h"
#include "Table.h"

namespace {

using namespace travik;

Table tableOf(const std::string& titlesAndRows) {
    return CutTable("device\rdate\r" + titlesAndRows);
}

TEST(AlarmSummary, EachTextWithCountAndFirstAndLastTime) {
    const std::vector<AlarmCount> summary =
        AlarmSummary(tableOf("No\tt\tI\tText\r"
                             "1\t01.03.2024 06:00:00\t1\tNetzausfall\r"
                             "2\t01.03.2024 07:00:00\t2\tT\xFCr offen\r"
                             "3\t02.03.2024 08:00:00\t1\t Netzausfall \r"
                             "4\t\t3\t\r"
                             "5\t01.03.2024 05:00:00\t2\tNetzausfall\r"));
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0].text, "Netzausfall");
    EXPECT_EQ(summary[0].count, 3u);
    EXPECT_EQ(summary[0].firstRow, 0u);
    EXPECT_EQ(summary[0].lastRow, 4u);
    // By time, not by row: the device's clock may have been set back.
    EXPECT_EQ(summary[0].firstTime, "01.03.2024 05:00:00");
    EXPECT_EQ(summary[0].lastTime, "02.03.2024 08:00:00");
    EXPECT_EQ(summary[1].text, "T\xFCr offen");
    EXPECT_EQ(summary[1].count, 1u);
    EXPECT_EQ(summary[1].firstTime, summary[1].lastTime);
}

TEST(AlarmSummary, WithoutTimesOrTextColumn) {
    const std::vector<AlarmCount> noTimes = AlarmSummary(tableOf("No\tText\r1\ta\r2\tb\r3\ta\r"));
    ASSERT_EQ(noTimes.size(), 2u);
    EXPECT_EQ(noTimes[0].count, 2u);
    EXPECT_FALSE(noTimes[0].firstTime.has_value());
    EXPECT_EQ(noTimes[0].lastRow, 2u);
    EXPECT_TRUE(AlarmSummary(tableOf("No\tv\r1\t2\r2\t3\r")).empty());
    EXPECT_TRUE(AlarmSummary(CutTable("")).empty());
}

}  // namespace
