// The simulator's parts that need no port: its replies, options and pacing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "BytePacer.h"
#include "DeviceReplies.h"
#include "SimOptions.h"

using namespace travik::sim;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

std::size_t fieldCount(const std::string& line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

// What every reply must be: text with CR LF line ends, no 0 byte, no stray CR or LF.
void expectDeviceText(const std::string& reply) {
    EXPECT_EQ(reply.find('\0'), std::string::npos);
    for (std::size_t i = 0; i < reply.size(); ++i) {
        if (reply[i] == '\r') {
            ASSERT_LT(i + 1, reply.size());
            EXPECT_EQ(reply[i + 1], '\n') << "at " << i;
        }
        if (reply[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(reply[i - 1], '\r') << "at " << i;
        }
    }
}

void expectRowsNumbered(const std::vector<std::string>& lines, std::size_t rows) {
    ASSERT_EQ(lines.size(), rows + 3);
    const std::size_t columns = fieldCount(lines[2]);
    for (std::size_t n = 1; n <= rows; ++n) {
        const std::string& row = lines[n + 2];
        EXPECT_EQ(row.substr(0, row.find('\t')), std::to_string(n));
        EXPECT_EQ(fieldCount(row), columns) << row;
    }
}

bool hasDecimalComma(const std::string& text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t i = 1; i + 1 < text.size(); ++i)
        if (text[i] == ',' && digit(text[i - 1]) && digit(text[i + 1])) return true;
    return false;
}

}  // namespace

TEST(SimReplies, AlarmReplyLooksLikeTheDevice) {
    const std::string reply = AlarmReply(60, 1);
    expectDeviceText(reply);
    const auto lines = linesOf(reply);
    EXPECT_EQ(lines[0], "TravikP 2000 V3.12");
    EXPECT_EQ(lines[1].size(), 19u);  // dd.mm.yyyy hh:mm:ss
    EXPECT_EQ(lines[2].rfind("No\tt\tI\tIdL\tText", 0), 0u);
    expectRowsNumbered(lines, 60);
    // The header's "t" and "I" columns lie within the first 100 bytes.
    EXPECT_LT(reply.find("\tI\t"), 100u);
    for (const char c : {'\xB0', '\xB5', '\xFC'}) EXPECT_NE(reply.find(c), std::string::npos) << +c;
    EXPECT_NE(reply.find("\t\t"), std::string::npos);
    EXPECT_TRUE(hasDecimalComma(reply));
}

TEST(SimReplies, DataLoggerReplyLooksLikeTheDevice) {
    const std::string reply = DataLoggerReply(60, 1);
    expectDeviceText(reply);
    const auto lines = linesOf(reply);
    EXPECT_EQ(lines[0], "TravikP 2000 V3.12");
    EXPECT_EQ(lines[2].rfind("No\tDate\tTime\tValue1", 0), 0u);
    expectRowsNumbered(lines, 60);
    EXPECT_EQ(lines[3].rfind("1\t01.03.2024\t06:00:00\t", 0), 0u);
    for (const char c : {'\xB0', '\xB5', '\xFC'}) EXPECT_NE(reply.find(c), std::string::npos) << +c;
    EXPECT_NE(reply.find("\t\t"), std::string::npos);
}

TEST(SimReplies, MeasuredValuesHaveDecimalCommas) {
    const auto lines = linesOf(DataLoggerReply(20, 3));
    for (std::size_t i = 3; i < lines.size(); ++i) {
        const std::string& row = lines[i];
        const std::size_t first = row.find('\t', row.find('\t', row.find('\t') + 1) + 1) + 1;
        const std::string value = row.substr(first, row.find('\t', first) - first);
        const auto comma = value.find(',');
        ASSERT_NE(comma, std::string::npos) << row;
        EXPECT_EQ(value.size() - comma - 1, 1u) << value;
        EXPECT_EQ(value.find('.'), std::string::npos) << value;
    }
}

// Field `n` (from 0) of a TAB-separated row, as a number with a decimal comma.
double valueOf(const std::string& row, int n) {
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) start = row.find('\t', start) + 1;
    std::string field = row.substr(start, row.find('\t', start) - start);
    std::replace(field.begin(), field.end(), ',', '.');
    return field.empty() ? -1 : std::stod(field);
}

TEST(SimReplies, LoggedValuesDriftWithTheTimeOfDayAndCreepUp) {
    const auto lines = linesOf(DataLoggerReply(kDefaultDataRows, 1));
    // Rows every 15 minutes from 06:00: row 33 is 14:00, row 81 is 02:00 the next day.
    double warmest = valueOf(lines[3 + 32], 3), coldest = valueOf(lines[3 + 80], 3);
    EXPECT_GT(warmest - coldest, 4.0);
    for (std::size_t i = 4; i < lines.size(); ++i) {
        // Neighbouring readings differ by little: a drift, not random jumps.
        EXPECT_LT(std::abs(valueOf(lines[i], 3) - valueOf(lines[i - 1], 3)), 1.2) << lines[i];
        EXPECT_GE(valueOf(lines[i], 6), 43.0);
        EXPECT_LE(valueOf(lines[i], 6), 62.0);
    }
    EXPECT_GT(valueOf(lines.back(), 4) - valueOf(lines[3], 4), 30.0);  // conductivity creeps up
}

TEST(SimReplies, FullMemoryRepliesAreLongerThanTheProgramReads) {
    for (std::uint64_t seed = 0; seed < 50; ++seed) {
        EXPECT_GE(AlarmReply(kDefaultAlarmRows, seed).size(), 14490u) << seed;
        EXPECT_GE(DataLoggerReply(kDefaultDataRows, seed).size(), 8770u) << seed;
    }
    EXPECT_LT(AlarmReply(3, 1).size(), 400u);
    EXPECT_EQ(linesOf(AlarmReply(0, 1)).size(), 3u);
}

TEST(SimReplies, SameSeedSameBytesOtherSeedOtherBytes) {
    EXPECT_EQ(AlarmReply(40, 9), AlarmReply(40, 9));
    EXPECT_EQ(DataLoggerReply(40, 9), DataLoggerReply(40, 9));
    EXPECT_NE(AlarmReply(40, 9), AlarmReply(40, 10));
    EXPECT_NE(DataLoggerReply(40, 9), DataLoggerReply(40, 10));
    EXPECT_EQ(RandomBytes(500, 4), RandomBytes(500, 4));
    EXPECT_NE(RandomBytes(500, 4), RandomBytes(500, 5));
}

TEST(SimReplies, RandomBytesCoverAllValues) {
    const std::string bytes = RandomBytes(20000, 1);
    ASSERT_EQ(bytes.size(), 20000u);
    const std::set<unsigned char> seen(bytes.begin(), bytes.end());
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_TRUE(RandomBytes(0, 1).empty());
}

TEST(SimOptions, DefaultsPlayTheDeviceAtItsLineSpeed) {
    const auto parsed = ParseSimOptions({});
    ASSERT_EQ(parsed.error, "");
    const SimOptions& o = parsed.options;
    EXPECT_FALSE(o.fast);
    EXPECT_EQ(o.baud, 19200);
    EXPECT_FALSE(o.rows);
    EXPECT_TRUE(o.zeroEnd);
    EXPECT_FALSE(o.silent || o.help || o.randomBytes || o.hangupAfter);
    EXPECT_EQ(o.seed, 1u);
}

TEST(SimOptions, TakesEveryOptionInBothForms) {
    const auto parsed = ParseSimOptions({"--fast", "--baud", "9600", "--rows=7", "--no-zero",
                                         "--silent", "--random", "12", "--hangup-after=100",
                                         "--seed", "18446744073709551615", "--link", "/tmp/x"});
    ASSERT_EQ(parsed.error, "");
    const SimOptions& o = parsed.options;
    EXPECT_TRUE(o.fast && o.silent && !o.zeroEnd);
    EXPECT_EQ(o.baud, 9600);
    EXPECT_EQ(o.rows, 7u);
    EXPECT_EQ(o.randomBytes, 12u);
    EXPECT_EQ(o.hangupAfter, 100u);
    EXPECT_EQ(o.seed, 18446744073709551615u);
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_EQ(ParseSimOptions({"--reply-file=a b"}).options.replyFile, "a b");
    EXPECT_TRUE(ParseSimOptions({"--help"}).options.help);
    EXPECT_TRUE(ParseSimOptions({"--version"}).options.version);
    EXPECT_FALSE(ParseSimOptions({"--help"}).options.version);
}

TEST(SimOptions, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"fast"},
        {"--rows"},
        {"--rows", "-1"},
        {"--rows", "1e3"},
        {"--rows="},
        {"--baud", "0"},
        {"--baud", "49"},
        {"--baud", "x"},
        {"--fast=1"},
        {"--seed", "18446744073709551616"},
        {"--link", ""},
        {"--reply-file"},
        {"--random", "5", "--reply-file", "f"},
        {"--hangup-after", " 5"},
    };
    for (const auto& args : bad) {
        const auto parsed = ParseSimOptions(args);
        EXPECT_NE(parsed.error, "") << args[0];
    }
    EXPECT_NE(UsageText().find("--hangup-after"), std::string::npos);
}

TEST(SimOptions, ErrorsShowQuotedArgumentsOnOneLine) {
    EXPECT_EQ(ParseSimOptions({"--bo\ngus"}).error, "unknown option \"--bo\\ngus\" (see --help)");
    EXPECT_EQ(ParseSimOptions({"--rows", "1\x1b[2J"}).error,
              "option --rows takes a whole number from 0 to 100000000, not \"1\\x1b[2J\"");
}

TEST(BytePacer, BytesGoOutOnAnAbsoluteClock) {
    const BytePacer::Clock::time_point start{};
    for (const long baud : {50L, 19200L, 115200L, 4000000L}) {
        BytePacer pacer(baud);
        pacer.start(start);
        EXPECT_EQ(pacer.allowedBy(start), 1u);
        for (const std::size_t index :
             {std::size_t{1}, std::size_t{7}, std::size_t{14490}, std::size_t{99'999'999}}) {
            const auto due = pacer.dueTime(index);
            EXPECT_EQ(pacer.allowedBy(due), index + 1) << baud << " " << index;
            EXPECT_EQ(pacer.allowedBy(due - std::chrono::nanoseconds(1)), index);
        }
    }
    BytePacer at19200(19200);
    at19200.start(start);
    // 10 bits a byte: byte 1000 goes out 1000 × 520.83 µs after byte 0.
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(at19200.dueTime(1000) - start)
                  .count(),
              520833);
}

TEST(BytePacer, UnpacedSendsEverythingAtOnce) {
    BytePacer fast;
    fast.start(BytePacer::Clock::now());
    EXPECT_FALSE(fast.paced());
    EXPECT_GE(fast.allowedBy(BytePacer::Clock::now()), 100'000'000u);
}
