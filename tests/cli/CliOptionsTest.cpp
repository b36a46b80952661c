#include <gtest/gtest.h>

#include "CliOptions.h"

using namespace travik;
using namespace travik::cli;

TEST(CliOptions, ReadsAFullCommandLine) {
    const auto parsed = ParseArguments({"data", "--port", "/dev/ttyUSB0", "--csv", "out.csv",
                                        "--separator", "semicolon", "--quiet"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->action, Action::Read);
    EXPECT_EQ(parsed.options->kind, ReadoutKind::DataLogger);
    EXPECT_EQ(parsed.options->port, "/dev/ttyUSB0");
    EXPECT_EQ(parsed.options->csvFile.value_or(""), "out.csv");
    EXPECT_EQ(parsed.options->separator, CsvSeparator::Semicolon);
    EXPECT_TRUE(parsed.options->quiet);
}

TEST(CliOptions, DefaultsToTabsAndProgress) {
    const auto parsed = ParseArguments({"alarm", "--port", "ttyS0"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->kind, ReadoutKind::AlarmBuffer);
    EXPECT_FALSE(parsed.options->csvFile);
    EXPECT_EQ(parsed.options->separator, CsvSeparator::Tab);
    EXPECT_FALSE(parsed.options->quiet);
}

TEST(CliOptions, StandAloneActions) {
    EXPECT_EQ(ParseArguments({"--list-ports"}).options->action, Action::ListPorts);
    EXPECT_EQ(ParseArguments({"--help"}).options->action, Action::Help);
    EXPECT_EQ(ParseArguments({"--version"}).options->action, Action::Version);
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"status", "--port", "x"},
        {"alarm"},
        {"alarm", "--port"},
        {"alarm", "--port", ""},
        {"alarm", "--port", "a", "--port", "b"},
        {"alarm", "--port", "a", "--csv"},
        {"alarm", "--port", "a", "--csv", "f", "--separator", "pipe"},
        {"alarm", "--port", "a", "--separator", "comma"},
        {"alarm", "--port", "a", "--verbose"},
        {"--list-ports", "extra"},
        {"alarm", "--help"},
    };
    for (const auto& args : bad) {
        const auto parsed = ParseArguments(args);
        EXPECT_FALSE(parsed.options) << ::testing::PrintToString(args);
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(CliOptions, UsageErrorsShowQuotedArgumentsOnOneLine) {
    EXPECT_EQ(ParseArguments({"al\narm"}).error, "unknown readout kind 'al\\narm'");
    EXPECT_EQ(ParseArguments({"data", "--port", "x", "--csv", "f", "--separator", "\x1b[1m"}).error,
              "unknown separator '\\x1b[1m'");
    EXPECT_EQ(ParseArguments({"data", "--port", "x", "a\tb"}).error, "unexpected argument 'a\\tb'");
}
