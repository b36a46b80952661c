// travik-read with the device history, against the simulator's device with a
// history on a pseudo-terminal: --history, history list and export, and the
// exit statuses a timer tells outcomes apart by.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CellValues.h"
#include "ChildProcess.h"
#include "HoldingProcess.h"
#include "RunProcess.h"
#include "SimProcess.h"
#include "TempDir.h"

namespace {

const std::string kProgram = TRAVIK_READ_PATH;
const std::string kDevice = "TravikP 2000 S/N 4711 V3.12";

ProcessOutput travikRead(const std::vector<std::string>& args, const ProcessLimits& limits = {}) {
    return RunProcess(kProgram, args, limits);
}

// A device read once a day; `extra` options after those.
std::vector<std::string> dailyDevice(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--fast", "--serial", "4711", "--advance", "1d"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::size_t lineCount(const std::string& text) {
    std::size_t lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

TEST(TravikReadHistory, ReadoutsGoIntoTheHistoryAndStandardErrorSaysWhatWasNew) {
    SimProcess sim(dailyDevice());
    TempDir dir;
    const std::string history = dir.file("history.sqlite");
    const std::string csv = dir.file("Data.csv");
    const ProcessOutput first =
        travikRead({"data", "--port", sim.portPath(), "--csv", csv, "--history", history});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.err.find(" new records, 0 already in the history of " + kDevice + "\n"),
              std::string::npos)
        << first.err;
    EXPECT_TRUE(ReadFileBytes(csv).size() > 1000) << "the file is written as without --history";

    const ProcessOutput second =
        travikRead({"data", "--port", sim.portPath(), "--history", history});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_FALSE(second.out.empty()) << "the readout is still printed";
    EXPECT_NE(second.err.find("96 new records, "), std::string::npos)
        << "a day of 15-minute records: " << second.err;

    // The first readout comes out again byte for byte.
    const std::string again = dir.file("again.csv");
    const ProcessOutput exported =
        travikRead({"history", "export", "--readout", "1", "--csv", again, "--history", history});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(ReadFileBytes(again), ReadFileBytes(csv));
}

TEST(TravikReadHistory, ListShowsAPossibleLossAndExportWritesARange) {
    // Read two days apart: the data logger holds 45.5 hours, so two and a half
    // hours of records were overwritten unread.
    SimProcess sim({"--fast", "--serial", "4711", "--advance", "2d"});
    TempDir dir;
    const std::string history = dir.file("history.sqlite");
    for (int i = 0; i < 2; ++i) {
        const ProcessOutput run =
            travikRead({"data", "--port", sim.portPath(), "--history", history});
        ASSERT_EQ(run.status, 0) << run.err;
        if (i == 1) {
            EXPECT_NE(
                run.err.find("; possible loss from 30.04.2024 06:00:00 to 30.04.2024 08:15:00"),
                std::string::npos)
                << run.err;
        }
    }
    const ProcessOutput list = travikRead({"history", "list", "--history", history});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out.rfind(kDevice + "\n  data logger: 366 records, 28.04.2024 08:45:00 - "
                                       "02.05.2024 06:00:00\n    possible loss: 30.04.2024 "
                                       "06:00:00 - 30.04.2024 08:15:00\n  readout 1: data logger",
                             0),
              0u)
        << list.out;
    EXPECT_EQ(lineCount(list.out), 5u) << list.out;

    // One day of it: 96 records of 15 minutes, with the header lines.
    const std::string day = dir.file("day.csv");
    const ProcessOutput exported =
        travikRead({"history", "export", "--device", "4711", "--from", "01.05.2024", "--to",
                    "01.05.2024", "--csv", day, "--history", history});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string text = ReadFileBytes(day);
    EXPECT_EQ(text.rfind(kDevice + "\r\n02.05.2024 06:00:00\r\nNo\tDate\tTime\t", 0), 0u);
    EXPECT_EQ(lineCount(text), 3u + 96u);
    EXPECT_NE(text.find("\t01.05.2024\t00:00:00\t"), std::string::npos);
    EXPECT_NE(text.find("\t01.05.2024\t23:45:00\t"), std::string::npos);
    EXPECT_EQ(text.find("\t02.05.2024\t"), std::string::npos);
}

TEST(TravikReadHistory, DevicesAreNamedJoinedAndFoundByAPartOnlyOneHas) {
    TempDir dir;
    const std::string history = dir.file("history.sqlite");
    for (const char* serial : {"4711", "4712"}) {
        SimProcess sim({"--fast", "--serial", serial, "--log-start", "2024-03-01T06:00"});
        const ProcessOutput run =
            travikRead({"data", "--port", sim.portPath(), "--history", history});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    const std::string csv = dir.file("out.csv");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const std::vector<Case> cases = {
        {{"history", "export", "--device", "S/N 47", "--csv", csv},
         64,
         "travik-read: 2 devices in the history match 'S/N 47'"},
        {{"history", "export", "--device", "4713", "--csv", csv},
         64,
         "travik-read: no device in the history is '4713'"},
        {{"history", "name", "--device", "4711", "Cooler 1"}, 0, ""},
        {{"history", "name", "--device", "4712", "Cooler 1"},
         64,
         "travik-read: another device is named 'Cooler 1'"},
        {{"history", "export", "--device", "Cooler 1", "--kind", "alarm", "--csv", csv},
         64,
         "travik-read: the history holds no alarm buffer readout of Cooler 1"},
        {{"history", "export", "--device", "Cooler 1", "--csv", csv}, 0, ""},
        {{"history", "join", "--device", "4712", "--into", "Cooler 1"},
         0,
         "TravikP 2000 S/N 4712 V3.12 joined to Cooler 1"},
    };
    for (Case c : cases) {
        c.args.push_back("--history");
        c.args.push_back(history);
        const ProcessOutput run = travikRead(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
    }
    const ProcessOutput list = travikRead({"history", "list", "--history", history});
    EXPECT_EQ(list.out.rfind("Cooler 1\n  first line: " + kDevice +
                                 "\n  first line: TravikP 2000 S/N 4712 V3.12\n",
                             0),
              0u)
        << list.out;
}

// Each outcome its own status, so that a timer retries only what is worth it.
TEST(TravikReadHistory, EachOutcomeHasItsExitStatus) {
    TempDir dir;
    const std::string history = dir.file("history.sqlite");
    SimProcess device(dailyDevice());
    SimProcess silent({"--silent"});
    SimProcess hangsUp({"--fast", "--hangup-after", "3000"});
    SimProcess held({"--fast"});
    const HoldingProcess holder(held.portPath());
    ASSERT_TRUE(holder.waitUntilHolding());
    const std::string corrupt = dir.file("corrupt.sqlite");
    WriteFileBytes(corrupt, std::string(8192, 'x'));
    const std::string newer = dir.file("newer.sqlite");
    {
        const ProcessOutput created =
            travikRead({"data", "--port", device.portPath(), "--history", newer});
        ASSERT_EQ(created.status, 0) << created.err;
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(newer.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "PRAGMA user_version=9", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        const char* err;  // a part of standard error
    };
    const std::vector<Case> cases = {
        {"added", {"data", "--port", device.portPath(), "--history", history}, 0, "new records"},
        {"no reply", {"data", "--port", silent.portPath(), "--history", history}, 1, ""},
        {"no port", {"data", "--port", dir.file("ttyNONE"), "--history", history}, 2, ""},
        {"file not written",
         {"data", "--port", device.portPath(), "--csv", dir.file("no/such.csv"), "--history",
          history},
         3,
         "new records"},
        {"connection lost",
         {"alarm", "--port", hangsUp.portPath(), "--history", history},
         4,
         "new records"},
        {"port busy", {"data", "--port", held.portPath(), "--history", history}, 5, "in use by"},
        {"damaged history",
         {"data", "--port", device.portPath(), "--history", corrupt},
         6,
         "The history file is damaged and was left unchanged: "},
        {"newer history",
         {"data", "--port", device.portPath(), "--history", newer},
         6,
         "The history file was made by a newer version of this program and was left unchanged"},
        {"history a folder",
         {"data", "--port", device.portPath(), "--history", dir.path()},
         6,
         "The history file cannot be opened: "},
        {"usage", {"data", "--port", device.portPath(), "--history", history, "x"}, 64, ""},
        {"usage", {"history", "export", "--csv", dir.file("x.csv")}, 64, "needs --device"},
    };
    for (const Case& c : cases) {
        const ProcessOutput run = travikRead(c.args);
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.what << ": " << run.err;
    }
    EXPECT_EQ(ReadFileBytes(corrupt), std::string(8192, 'x'));
}

TEST(TravikReadHistory, AHistoryOnAFullDiskOrReadOnlyGivesStatus6) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a private mount and another user";
    SimProcess sim(dailyDevice());
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);

    // A small tmpfs in a mount namespace of its own: one readout fits, then
    // the rest of the room is taken.
    const std::string script =
        "mount -t tmpfs -o size=1m tmpfs \"$1\" || exit 99\n"
        "\"$0\" data --port \"$2\" --history \"$1/h.sqlite\" > /dev/null 2>&1 || exit 98\n"
        "dd if=/dev/zero of=\"$1/fill\" bs=4k > /dev/null 2>&1\n"
        "\"$0\" data --port \"$2\" --history \"$1/h.sqlite\" > /dev/null\n";
    const ProcessOutput full =
        RunProcess("/usr/bin/unshare", {"-m", "--propagation", "private", "/bin/sh", "-c", script,
                                        kProgram, dir.path(), sim.portPath()});
    if (full.status == 99 || full.status == 127 || full.status == 1)
        GTEST_SKIP() << "no private mount here: " << full.err;
    EXPECT_EQ(full.status, 6) << full.err;
    EXPECT_NE(full.err.find("The disk holding the history is full: "), std::string::npos)
        << full.err;

    // A history another user owns, read by an ordinary user.
    const std::string history = dir.file("history.sqlite");
    ASSERT_EQ(travikRead({"data", "--port", sim.portPath(), "--history", history}).status, 0);
    ASSERT_EQ(chown(sim.portPath().c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    const std::string program = dir.file("travik-read");
    WriteFileBytes(program, ReadFileBytes(kProgram));
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    ProcessLimits asUser;
    asUser.asOrdinaryUser = true;
    const ProcessOutput refused =
        RunProcess(program, {"data", "--port", sim.portPath(), "--history", history}, asUser);
    EXPECT_EQ(refused.status, 6) << refused.err;
    EXPECT_NE(refused.err.find("The history file cannot be written: "), std::string::npos)
        << refused.err;
    EXPECT_FALSE(refused.out.empty()) << "the readout is printed all the same";
}

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start))
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t end = line.find('\t');; start = end + 1, end = line.find('\t', start)) {
        fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
    }
    return fields;
}

}  // namespace

TEST(TravikReadHistory, LimitsAreSetCheckedAndTheirExcursionsExported) {
    SimProcess sim({"--fast", "--serial", "4711", "--advance", "2d"});
    TempDir dir;
    const std::string history = dir.file("history.sqlite");
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(travikRead({"data", "--port", sim.portPath(), "--history", history}).status, 0);
    const auto run = [&](std::vector<std::string> args) {
        args.push_back("--history");
        args.push_back(history);
        return travikRead(args);
    };

    const ProcessOutput set = run({"history", "limit", "--device", "4711", "--column", "value1",
                                   "--upper", "22,5", "--delay", "2"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.err,
              "limit of Value1 \xc2\xb0"
              "C on " +
                  kDevice + ": above 22.5, delay 2 points, for all data\n");

    // Bad input: a clear message, and nothing changed.
    const std::string listed = run({"history", "list"}).out;
    EXPECT_NE(listed.find("\n  limit Value1 \xc2\xb0"
                          "C: above 22.5, delay 2 points, for all "
                          "data\n"),
              std::string::npos)
        << listed;
    struct Bad {
        std::vector<std::string> args;
        const char* err;
    };
    const Bad bad[] = {
        {{"--lower", "23", "--upper", "22,5"}, "travik-read: The lower limit is above the upper"},
        {{"--upper", "warm"}, "travik-read: Not a number; nothing was changed: \"warm\""},
        {{"--upper", "30", "--delay", "-2"}, "travik-read: The delay cannot be negative"},
        {{"--upper", "30", "--deadband", "-1"}, "travik-read: The deadband cannot be negative"},
    };
    for (const Bad& b : bad) {
        std::vector<std::string> args = {"history", "limit",    "--device",
                                         "4711",    "--column", "Value1"};
        args.insert(args.end(), b.args.begin(), b.args.end());
        const ProcessOutput refused = run(args);
        EXPECT_EQ(refused.status, 64);
        EXPECT_EQ(refused.err.rfind(b.err, 0), 0u) << refused.err;
    }
    const ProcessOutput unknownColumn =
        run({"history", "limit", "--device", "4711", "--column", "Value", "--upper", "1"});
    EXPECT_EQ(unknownColumn.status, 64);
    EXPECT_NE(unknownColumn.err.find("more than one column"), std::string::npos);
    EXPECT_EQ(run({"history", "list"}).out, listed);

    // One line per excursion: column, start, end, duration, extreme.
    const ProcessOutput exported = run({"history", "export", "--device", "4711", "--excursions"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::vector<std::string> lines = linesOf(exported.out);
    ASSERT_GE(lines.size(), 3u) << "one each warm afternoon: " << exported.out;
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = fieldsOf(line);
        ASSERT_EQ(fields.size(), 5u) << line;
        EXPECT_EQ(fields[0],
                  "Value1 \xb0"
                  "C")
            << "as the device writes it";
        const auto start = travik::ReadTime(fields[1]);
        const auto end = travik::ReadTime(fields[2]);
        ASSERT_TRUE(start && end) << line;
        const long long seconds = end->seconds - start->seconds;
        char duration[32];
        std::snprintf(duration, sizeof duration, "%lld:%02lld:%02lld", seconds / 3600,
                      seconds / 60 % 60, seconds % 60);
        EXPECT_EQ(fields[3], duration) << line;
        EXPECT_GT(travik::ReadNumber(fields[4]).value_or(0), 22.5) << line;
    }
    const std::string file = dir.file("excursions.txt");
    ASSERT_EQ(run({"history", "export", "--device", "4711", "--excursions", "--csv", file}).status,
              0);
    EXPECT_EQ(ReadFileBytes(file), exported.out);

    // A limit changed from 01.05.2024 on: the excursions before keep the old one.
    ASSERT_EQ(run({"history", "limit", "--device", "4711", "--column",
                   "Value1 \xc2\xb0"
                   "C",
                   "--upper", "40.0", "--from", "01.05.2024"})
                  .status,
              0);
    const std::vector<std::string> after =
        linesOf(run({"history", "export", "--device", "4711", "--excursions"}).out);
    std::vector<std::string> before;
    for (const std::string& line : lines)
        if (travik::ReadTime(fieldsOf(line)[1])->seconds < travik::ReadTime("01.05.2024")->seconds)
            before.push_back(line);
    EXPECT_FALSE(before.empty());
    EXPECT_LT(before.size(), lines.size()) << "the last afternoon is after the change";
    EXPECT_EQ(after, before);
}
