// The history file itself: its schema versions, bad files, another writer, and
// a process killed in the middle of a merge.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "CellValues.h"
#include "HistoryTestSupport.h"
#include "HistoryTexts.h"
#include "TempDir.h"

using namespace travik;
using namespace travik::history;
using namespace travik::history::testing;
using sim::DeviceHistory;
using sim::HistoryKind;

namespace {

void runSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(code, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

Problem problemOpening(const std::string& path, SqliteOptions options = {}) {
    try {
        SqliteStore store(path, options);
        MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, DeviceHistory{}));
    } catch (const HistoryError& error) {
        return error.problem();
    }
    return Problem::None;
}

// What a history holds, to compare before and after.
struct Contents {
    std::size_t devices = 0;
    std::size_t readouts = 0;
    std::set<std::pair<long long, std::string>> records;
    std::size_t events = 0;
    bool operator==(const Contents& other) const {
        return devices == other.devices && readouts == other.readouts && records == other.records &&
               events == other.events;
    }
};

Contents contentsOf(const std::string& path) {
    SqliteStore store(path);
    Contents contents;
    const auto devices = store.devices();
    contents.devices = devices.size();
    contents.readouts = store.readouts(std::nullopt).size();
    for (const DeviceInfo& device : devices) {
        for (const ReadoutKind kind : {ReadoutKind::AlarmBuffer, ReadoutKind::DataLogger}) {
            const auto records = AllRecords(store, device.id, kind);
            contents.records.insert(records.begin(), records.end());
            contents.events += store.events(device.id, kind).size();
        }
    }
    return contents;
}

// Runs `work` in a child process; its exit status, or 128 + the signal.
// A child's exit status, or 128 + the signal that ended it.
int exitOrSignal(int status) {
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int inChild(const std::function<void()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            work();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return exitOrSignal(status);
}

}  // namespace

TEST(HistoryFile, AFileOfTheFirstVersionIsMigratedAndKeepsItsReadouts) {
    TempDir dir;
    const std::string path = dir.file("old.sqlite");
    const std::string bytes =
        "TravikP 2000 S/N 9 V3.12\r01.04.2024 08:00:00\rNo\tDate\tTime\tT\r"
        "1\t01.04.2024\t07:00:00\t2,5\r";
    runSql(path, std::string(FirstSchemaForTests()) +
                     "INSERT INTO devices(id, name) VALUES(1, 'old one');"
                     "INSERT INTO device_lines VALUES(CAST('TravikP 2000 S/N 9 V3.12' AS BLOB), 1);"
                     "INSERT INTO readouts VALUES(1, 1, 1, 1711958400, 'port /dev/ttyUSB0', "
                     "CAST('TravikP 2000 S/N 9 V3.12' AS BLOB), CAST(replace('" +
                     bytes +
                     "', char(13), char(13)) AS BLOB), '', 1711954800, 1711954800, 0, 0, 1, 0);"
                     "INSERT INTO records VALUES(1, 1, 1711954800, CAST('2,5' AS BLOB), 1, 1, " +
                     std::to_string(bytes.find("1\t01.04")) +
                     ", 25);"
                     "PRAGMA user_version=1;");
    SqliteStore store(path);
    EXPECT_EQ(store.schemaVersion(), kSchemaVersion);
    const auto readouts = store.readouts(std::nullopt);
    ASSERT_EQ(readouts.size(), 1u);
    EXPECT_EQ(readouts[0].deviceClock, DaysFromCivil(2024, 4, 1) * 86400 + 8 * 3600)
        << "the readout's own time taken from its bytes";
    EXPECT_FALSE(readouts[0].readAtLocal);
    EXPECT_EQ(store.devices()[0].name, "old one");

    // The migrated file takes the same readout again as held.
    IncomingReadout again;
    again.kind = ReadoutKind::DataLogger;
    for (const char c : bytes) again.terminal.append(c);
    const MergeOutcome outcome = MergeReadout(store, again);
    EXPECT_EQ(outcome.device, 1);
    EXPECT_EQ(outcome.heldRecords, 1u);
    EXPECT_EQ(outcome.newRecords, 0u);
    const auto rows = store.rows(1, ReadoutKind::DataLogger, 0, 1LL << 40);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].row, "1\t01.04.2024\t07:00:00\t2,5");
}

TEST(HistoryFile, BadFilesAreToldApartAndLeftAsTheyWere) {
    TempDir dir;
    // A history with one readout, then a page in its middle overwritten.
    const std::string damaged = dir.file("damaged.sqlite");
    {
        SqliteStore store(damaged);
        MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, DeviceHistory{}));
        MergeReadout(store, ReadoutAt(HistoryKind::Alarm, DeviceHistory{}));
    }
    runSql(damaged, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;");
    std::string bytes = ReadFileBytes(damaged);
    ASSERT_GT(bytes.size(), 4096u * 4);
    for (std::size_t i = 4096 * 2; i < 4096 * 4; ++i) bytes[i] = static_cast<char>(i * 7);
    WriteFileBytes(damaged, bytes);

    const std::string text = dir.file("notes.sqlite");
    WriteFileBytes(text, std::string(5000, 'x'));
    const std::string newer = dir.file("newer.sqlite");
    runSql(newer, "CREATE TABLE future(x); PRAGMA user_version=99;");
    const std::string foreign = dir.file("foreign.sqlite");
    runSql(foreign, "CREATE TABLE addresses(name TEXT);");
    const std::string folder = dir.file("no-such-folder/history.sqlite");

    struct Case {
        std::string path;
        Problem problem;
    };
    const Case cases[] = {{damaged, Problem::Corrupt},
                          {text, Problem::Corrupt},
                          {foreign, Problem::Corrupt},
                          {newer, Problem::NewerVersion},
                          {folder, Problem::CannotOpen}};
    for (const Case& c : cases) {
        const bool exists = c.problem != Problem::CannotOpen;
        const std::string before = exists ? ReadFileBytes(c.path) : std::string();
        EXPECT_EQ(problemOpening(c.path), c.problem) << c.path;
        if (exists) {
            EXPECT_TRUE(ReadFileBytes(c.path) == before) << c.path << " was changed";
        }
    }
    EXPECT_EQ(ProblemText(Problem::NewerVersion, "h.sqlite", 1),
              "Die Verlaufsdatei stammt von einer neueren Version dieses Programms und blieb "
              "unverändert: h.sqlite");
    for (int language = 0; language < 4; ++language) {
        std::set<std::string> texts;
        for (int p = 1; p <= 7; ++p)
            texts.insert(ProblemText(static_cast<Problem>(p), "", language));
        EXPECT_EQ(texts.size(), 7u) << "each problem its own words in language " << language;
    }
}

TEST(HistoryFile, AWriterKeptBusyPastTheTimeoutIsToldLocked) {
    TempDir dir;
    const std::string path = dir.file("history.sqlite");
    { SqliteStore create(path); }
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    SqliteOptions quick;
    quick.busyTimeoutMs = 50;
    EXPECT_EQ(problemOpening(path, quick), Problem::Locked);
    SqliteOptions reader = quick;  // listing and exporting only read: a writer does not stop them
    reader.readOnly = true;
    EXPECT_NO_THROW(SqliteStore(path, reader).devices());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(problemOpening(path, quick), Problem::None);
}

TEST(HistoryFile, AMergeKilledAtAnyStatementLeavesTheHistoryAsBefore) {
    TempDir dir;
    const std::string path = dir.file("history.sqlite");
    const DeviceHistory first;
    DeviceHistory second = first;
    second.now += kDay;
    second.clockShift = -3600;
    second.clockSetAt = first.now + 3600;
    {
        SqliteStore store(path);
        MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, first));
    }
    const Contents before = contentsOf(path);
    const std::string reference = dir.file("reference.sqlite");
    WriteFileBytes(reference, ReadFileBytes(path));

    // How many writes one merge makes.
    int writes = 0;
    {
        SqliteOptions counting;
        counting.afterWrite = [&](int n) { writes = n; };
        WriteFileBytes(dir.file("count.sqlite"), ReadFileBytes(reference));
        SqliteStore store(dir.file("count.sqlite"), counting);
        writes = 0;
        MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, second));
    }
    ASSERT_GT(writes, 20);
    const Contents after = contentsOf(dir.file("count.sqlite"));
    ASSERT_FALSE(after == before);

    for (int killAt = 1; killAt <= writes; killAt += std::max(1, writes / 40)) {
        SCOPED_TRACE(killAt);
        WriteFileBytes(path, ReadFileBytes(reference));
        const IncomingReadout readout = ReadoutAt(HistoryKind::DataLogger, second);
        const int status = inChild([&] {
            SqliteOptions killing;
            killing.afterWrite = [killAt](int n) {
                if (n == killAt) kill(getpid(), SIGKILL);
            };
            SqliteStore merging(path, killing);
            MergeReadout(merging, readout);
        });
        ASSERT_EQ(status, 128 + SIGKILL);
        const Contents now = contentsOf(path);
        if (killAt < writes)
            EXPECT_TRUE(now == before) << "killed before the commit";
        else
            EXPECT_TRUE(now == after) << "killed right after the commit";
    }
}

TEST(HistoryFile, TwoWritersMergingAHundredReadoutsEachLoseAndDoubleNothing) {
    TempDir dir;
    const std::string path = dir.file("history.sqlite");
    { SqliteStore create(path); }
    // Both read the same device, a readout every 12 hours, one oldest first and
    // one newest first; the alarm buffer too, for the second writer.
    std::vector<IncomingReadout> data;
    std::set<long long> expected;
    DeviceHistory history;
    for (int i = 0; i < 100; ++i) {
        data.push_back(ReadoutAt(HistoryKind::DataLogger, history));
        const auto times = TimesHeld(HistoryKind::DataLogger, history);
        expected.insert(times.begin(), times.end());
        history.now += kDay / 2;
    }
    const auto writer = [&](bool backwards) {
        return [&, backwards] {
            SqliteStore store(path);
            for (std::size_t i = 0; i < data.size(); ++i)
                MergeReadout(store, data[backwards ? data.size() - 1 - i : i]);
        };
    };
    const pid_t one = fork();
    if (one == 0) {
        try {
            writer(false)();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    const int second = inChild(writer(true));
    int status = 0;
    waitpid(one, &status, 0);
    EXPECT_EQ(exitOrSignal(status), 0) << "a writer killed by a signal fails too";
    EXPECT_EQ(second, 0);

    SqliteStore store(path);
    ASSERT_EQ(store.devices().size(), 1u);
    const DeviceId device = store.devices()[0].id;
    EXPECT_EQ(store.readouts(device).size(), 200u);
    const auto records = AllRecords(store, device, ReadoutKind::DataLogger);
    std::set<long long> times;
    for (const auto& record : records) times.insert(record.first);
    EXPECT_EQ(times, expected);
    EXPECT_EQ(records.size(), expected.size()) << "no record twice";
    EXPECT_TRUE(PossibleLosses(store.coverage(device, ReadoutKind::DataLogger)).empty());
}
