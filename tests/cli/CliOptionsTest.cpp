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

TEST(CliOptions, HistoryOptionsAndCommands) {
    const auto read = ParseArguments({"data", "--port", "p", "--history", "--quiet"});
    ASSERT_TRUE(read.options) << read.error;
    EXPECT_EQ(read.options->historyFile.value_or("none"), "") << "the default file";
    EXPECT_TRUE(read.options->quiet) << "an option after --history is no file";
    const auto named = ParseArguments({"alarm", "--port", "p", "--history", "h.sqlite"});
    ASSERT_TRUE(named.options) << named.error;
    EXPECT_EQ(named.options->historyFile.value_or(""), "h.sqlite");
    EXPECT_FALSE(ParseArguments({"data", "--port", "p"}).options->historyFile);

    const auto range = ParseArguments({"history", "export", "--device", "4711", "--kind", "data",
                                       "--from", "01.05.2024", "--to", "02.05.2024 12:00", "--csv",
                                       "f.csv", "--separator", "comma"});
    ASSERT_TRUE(range.options) << range.error;
    EXPECT_EQ(range.options->action, Action::HistoryExport);
    EXPECT_EQ(range.options->device, "4711");
    EXPECT_EQ(range.options->exportKind, ReadoutKind::DataLogger);
    EXPECT_EQ(range.options->from, 1714521600);  // 01.05.2024 00:00:00
    EXPECT_EQ(range.options->to, 1714651200);    // 02.05.2024 12:00:00
    const auto wholeDay = ParseArguments(
        {"history", "export", "--device", "x", "--to", "01.05.2024", "--csv", "f.csv"});
    ASSERT_TRUE(wholeDay.options);
    EXPECT_EQ(wholeDay.options->to, 1714521600 + 86399) << "a date alone ends with its day";
    EXPECT_EQ(ParseArguments({"history", "list"}).options->action, Action::HistoryList);
    const auto name = ParseArguments({"history", "name", "--device", "4711", "Cooler"});
    ASSERT_TRUE(name.options);
    EXPECT_EQ(name.options->name, "Cooler");
    EXPECT_EQ(ParseArguments({"history", "join", "--device", "a", "--into", "b"}).options->into,
              "b");

    const std::vector<std::vector<std::string>> bad = {
        {"history"},
        {"history", "show"},
        {"history", "export", "--csv", "f"},
        {"history", "export", "--device", "x"},
        {"history", "export", "--device", "x", "--csv", "f", "--from", "2024-05-01"},
        {"history", "export", "--device", "x", "--csv", "f", "--from", "02.05.2024", "--to",
         "01.05.2024"},
        {"history", "export", "--readout", "one", "--csv", "f"},
        {"history", "export", "--device", "x", "--csv", "f", "--kind", "both"},
        {"history", "list", "--csv", "f"},
        {"history", "list", "--device", "x"},
        {"history", "name", "--device", "x"},
        {"history", "join", "--device", "x"},
        {"history", "list", "--history", "a", "--history", "b"},
        {"data", "--port", "p", "--history", "a", "--history"},
    };
    for (const auto& args : bad) {
        const auto parsed = ParseArguments(args);
        EXPECT_FALSE(parsed.options) << ::testing::PrintToString(args);
        EXPECT_FALSE(parsed.error.empty());
    }
}
