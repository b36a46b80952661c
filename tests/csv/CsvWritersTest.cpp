#include <gtest/gtest.h>

#include <string>

#include "CsvExport.h"
#include "CsvTestSupport.h"
#include "StatusCode.h"
#include "TempDir.h"

using travik::SaveCsvSeparated;
using travik::SaveCsvTabbed;
using travik::TerminalText;

namespace {

constexpr bool kAlarm = true;
constexpr bool kDataLogger = false;

// An alarm readout with short first lines, so that the header rule reaches the third line.
const std::string kShortAlarmReply =
    "TP 1\r\n"
    "S 7\r\n"
    "No\tt\tI\tIdL\r\n"
    "5\tt\tI\tx\r\n";

TEST(TabbedExport, AlarmThirdLineLosesTheHeaderRulesTabs) {
    const TerminalText text = Received(kShortAlarmReply, kAlarm);
    // As shown: an extra TAB before "t" on lines 2 and 3 and before the first "I".
    ASSERT_EQ(text.lines().at(2), "No\t\tt\t\tI\tIdL");
    ASSERT_EQ(text.lines().at(3), "5\t\tt\tI\tx");

    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("Alarm.csv"), text, kAlarm)), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("Alarm.csv")),
              "TP 1\r\nS 7\r\nNo\tt\tI\tIdL\r\n"
              "5\t\tt\tI\tx\r\n");
}

TEST(TabbedExport, LongFirstLinesLeaveTheThirdLineUntouched) {
    const std::string line0(60, 'A');
    const std::string line1(60, 'B');
    // The device's own empty columns in front of "t" and "I": real data.
    const std::string line2 = "No\t\tt\t\tI\tv";
    const TerminalText text = Received(line0 + "\r\n" + line1 + "\r\n" + line2 + "\r\n", kAlarm);
    ASSERT_TRUE(text.insertedTabs().empty());

    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("a.csv"), text, kAlarm)), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("a.csv")), WithCrLf(text.bytes()));
    EXPECT_EQ(text.lines().at(2), line2);
}

TEST(TabbedExport, FirstIOnAnEarlierLineKeepsTheThirdLinesTabBeforeI) {
    const TerminalText text = Received("H\tI\tz\r\nk\r\nNo\tt\tI\tv\r\n", kAlarm);
    ASSERT_EQ(text.lines().at(0), "H\t\tI\tz");
    ASSERT_EQ(text.lines().at(2), "No\t\tt\tI\tv");

    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("a.csv"), text, kAlarm)), 0);
    // Only line 2 loses a TAB, and there only the one the rule put before "t".
    EXPECT_EQ(ReadFileBytes(dir.file("a.csv")), "H\t\tI\tz\r\nk\r\nNo\tt\tI\tv\r\n");
}

TEST(TabbedExport, DataLoggerEqualsTheTerminalTextWithCrLf) {
    const std::string reply = "TP 1\r\nS 7\r\nNo\tt\tI\tIdL\r\n5\tt\tI\tx\r\nEnd";
    const TerminalText text = Received(reply, kDataLogger);
    ASSERT_TRUE(text.insertedTabs().empty());

    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("Data.csv"), text, kDataLogger)), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("Data.csv")),
              "TP 1\r\nS 7\r\nNo\tt\tI\tIdL\r\n5\tt\tI\tx\r\nEnd\r\n");
}

TEST(TabbedExport, EmptyTerminalGivesAnEmptyFile) {
    TempDir dir;
    WriteFileBytes(dir.file("old.csv"), "previous");
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("old.csv"), TerminalText(), kAlarm)), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("old.csv")), "");
}

const std::string kDataReply =
    "Travik DL\tV1.2\r\n"
    "No\tDate\t\tTemp\r\n"
    "1\t\t02.03.\t\t3,5\tx\r\n"
    "2\t03.03.\t4\r\n"
    "End\r\n";

TEST(SeparatedExport, EnglishDataLoggerHasThreeCommaFieldsFromTheThirdLine) {
    const TerminalText text = Received(kDataReply, kDataLogger);
    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("Data.csv"), text, kDataLogger, ',')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("Data.csv")),
              "Travik DL,V1.2\r\n"
              "No,Date,,Temp\r\n"
              "1,02.03.,\"3,5\"\r\n"
              "2,03.03.,4\r\n"
              "End,,\r\n");
}

TEST(SeparatedExport, GermanDataLoggerUsesSemicolonsAndLeavesDecimalCommas) {
    const TerminalText text = Received(kDataReply, kDataLogger);
    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("Daten.csv"), text, kDataLogger, ';')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("Daten.csv")),
              "Travik DL;V1.2\r\n"
              "No;Date;;Temp\r\n"
              "1;02.03.;3,5\r\n"
              "2;03.03.;4\r\n"
              "End;;\r\n");
}

TEST(SeparatedExport, AlarmBufferHasFiveFieldsFromTheThirdLine) {
    const TerminalText text = Received(kShortAlarmReply + "7\ta\tb\tc\td\te\tf\r\n", kAlarm);
    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("Alarm.csv"), text, kAlarm, ';')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("Alarm.csv")),
              "TP 1\r\nS 7\r\n"
              "No;t;I;IdL;\r\n"
              "5;t;I;x;\r\n"
              "7;a;b;c;d\r\n");
}

TEST(SeparatedExport, FirstTwoLinesKeepTheScreensTabsAsSeparators) {
    // The header rule's extra TAB on line 0 becomes an empty column, as shown.
    const TerminalText text = Received("H\tt\r\nx\r\n", kAlarm);
    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("a.csv"), text, kAlarm, ',')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("a.csv")), "H,,t\r\nx\r\n");
}

TEST(SeparatedExport, FieldsWithSeparatorOrQuoteAreQuotedOnEveryLine) {
    const TerminalText text =
        Received("say \"hi\"\t1,2\r\nok\ta;b\r\nx\t\"q\"\t5,5\r\n", kDataLogger);
    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("c.csv"), text, kDataLogger, ',')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("c.csv")),
              "\"say \"\"hi\"\"\",\"1,2\"\r\n"
              "ok,a;b\r\n"
              "x,\"\"\"q\"\"\",\"5,5\"\r\n");
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("s.csv"), text, kDataLogger, ';')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("s.csv")),
              "\"say \"\"hi\"\"\";1,2\r\n"
              "ok;\"a;b\"\r\n"
              "x;\"\"\"q\"\"\";5,5\r\n");
}

std::string HighBytes() {
    std::string bytes;
    for (int b = 0x80; b <= 0xff; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(BothExports, BytesAbove0x7FComeOutUnchanged) {
    const std::string high = HighBytes();
    const std::string reply = high + "\r\n" +
                              "\xb0"
                              "C\t" +
                              high + "\r\n" + "1\t" + high + "\t\xe4\xf6\xfc\r\n";
    const TerminalText text = Received(reply, kDataLogger);
    TempDir dir;
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("t.csv"), text, kDataLogger)), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("t.csv")), WithCrLf(text.bytes()));
    ASSERT_EQ(CodeOf(SaveCsvSeparated(dir.file("s.csv"), text, kDataLogger, ';')), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("s.csv")), high +
                                                    "\r\n\xb0"
                                                    "C;" +
                                                    high + "\r\n1;" + high + ";\xe4\xf6\xfc\r\n");
}

}  // namespace
