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

TEST(CliOptions, HistoryLimitAndExcursions) {
    const auto limit = ParseArguments({"history", "limit", "--device", "4711", "--column", "Value1",
                                       "--lower", "-2,5", "--upper", "8.5", "--delay", "15 min",
                                       "--deadband", "0,5", "--from", "01.03.2024"});
    ASSERT_TRUE(limit.options) << limit.error;
    EXPECT_EQ(limit.options->action, Action::HistoryLimit);
    EXPECT_EQ(limit.options->column, "Value1");
    EXPECT_EQ(limit.options->lower, "-2,5") << "read and checked when set, with its message";
    EXPECT_EQ(limit.options->upper, "8.5");
    EXPECT_EQ(limit.options->delay, "15 min");
    EXPECT_EQ(limit.options->deadband, "0,5");
    EXPECT_TRUE(limit.options->from);
    const auto removed =
        ParseArguments({"history", "limit", "--device", "4711", "--column", "T", "--remove"});
    ASSERT_TRUE(removed.options) << removed.error;
    EXPECT_TRUE(removed.options->removeLimit);
    const auto excursions = ParseArguments(
        {"history", "export", "--device", "4711", "--excursions", "--from", "01.03.2024"});
    ASSERT_TRUE(excursions.options) << excursions.error;
    EXPECT_TRUE(excursions.options->excursions);
    EXPECT_FALSE(excursions.options->csvFile) << "standard output without --csv";

    const std::vector<std::vector<std::string>> bad = {
        {"history", "limit", "--device", "4711", "--upper", "8"},
        {"history", "limit", "--column", "T", "--upper", "8"},
        {"history", "limit", "--device", "4711", "--column", "T"},
        {"history", "limit", "--device", "4711", "--column", "T", "--remove", "--upper", "8"},
        {"history", "limit", "--device", "4711", "--column", "T", "--upper", "8", "--upper", "9"},
        {"history", "limit", "--device", "4711", "--column", "T", "--upper", "8", "--to",
         "01.03.2024"},
        {"history", "export", "--device", "4711", "--upper", "8", "--csv", "x"},
        {"history", "export", "--readout", "1", "--excursions"},
        {"history", "export", "--device", "4711", "--excursions", "--separator", "comma"},
        {"history", "list", "--excursions"},
        {"history", "name", "--device", "4711", "new", "--from", "01.03.2024"},
    };
    for (const auto& args : bad) {
        const auto parsed = ParseArguments(args);
        EXPECT_FALSE(parsed.options) << args[1] << " " << args.back();
        EXPECT_FALSE(parsed.error.empty());
    }
}
