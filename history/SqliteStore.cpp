#include "SqliteStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string_view>

#include "CellValues.h"
#include "HistoryPath.h"
#include "Table.h"

namespace travik::history {
namespace {

constexpr int kApplicationId = 0x54524b48;  // "TRKH"

// The first schema, as the first history files were written. Kept to test the
// migration from it (tests/history) and to read what migrateFrom1 starts from.
const char* const kSchemaVersion1 = R"(
CREATE TABLE devices(id INTEGER PRIMARY KEY, name TEXT UNIQUE);
CREATE TABLE device_lines(line BLOB NOT NULL UNIQUE, device_id INTEGER NOT NULL);
CREATE TABLE readouts(id INTEGER PRIMARY KEY, device_id INTEGER NOT NULL, kind INTEGER NOT NULL,
    read_at INTEGER NOT NULL, source TEXT NOT NULL, first_line BLOB NOT NULL, bytes BLOB NOT NULL,
    inserted_tabs TEXT NOT NULL, first_time INTEGER, last_time INTEGER, spacing INTEGER NOT NULL,
    clock_offset INTEGER NOT NULL, new_records INTEGER NOT NULL, held_records INTEGER NOT NULL);
CREATE INDEX readouts_by_device ON readouts(device_id, kind, first_time);
CREATE TABLE records(device_id INTEGER NOT NULL, kind INTEGER NOT NULL, time INTEGER NOT NULL,
    content BLOB NOT NULL, version INTEGER NOT NULL, readout_id INTEGER NOT NULL,
    row_start INTEGER NOT NULL, row_length INTEGER NOT NULL,
    PRIMARY KEY(device_id, kind, time, content)) WITHOUT ROWID;
CREATE TABLE events(id INTEGER PRIMARY KEY, device_id INTEGER NOT NULL, kind INTEGER NOT NULL,
    type INTEGER NOT NULL, from_time INTEGER NOT NULL, to_time INTEGER NOT NULL,
    clock_offset INTEGER NOT NULL, count INTEGER NOT NULL, readout_id INTEGER NOT NULL);
)";

// Version 2: the computer's local clock and the readout's own time beside it
// (the device clock's drift), records found by their content (clock changes),
// and the readouts' spans without reading past their bytes (possible losses).
const char* const kMigrationTo2 = R"(
ALTER TABLE readouts ADD COLUMN read_at_local INTEGER;
ALTER TABLE readouts ADD COLUMN device_clock INTEGER;
CREATE INDEX records_by_content ON records(device_id, kind, content);
CREATE INDEX readouts_spans ON readouts(device_id, kind, first_time, last_time, spacing);
)";

// Version 3: the columns' limits, each from the device time it holds from.
const char* const kMigrationTo3 = R"(
CREATE TABLE limits(device_id INTEGER NOT NULL, column_title BLOB NOT NULL,
    from_time INTEGER NOT NULL, lower REAL, upper REAL, delay_points INTEGER NOT NULL,
    delay_seconds INTEGER NOT NULL, deadband REAL NOT NULL, set_at INTEGER NOT NULL,
    PRIMARY KEY(device_id, column_title, from_time)) WITHOUT ROWID;
)";

Problem problemOf(int code, int systemCode) {
    switch (code & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return Problem::Corrupt;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Problem::Locked;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return Problem::ReadOnly;
        case SQLITE_FULL:
            return Problem::DiskFull;
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR: {
            const Problem system = SystemProblem(systemCode);
            if (system != Problem::None) return system;
            return (code & 0xff) == SQLITE_CANTOPEN ? Problem::CannotOpen : Problem::Other;
        }
        default:
            return Problem::Other;
    }
}

int kindNumber(ReadoutKind kind) {
    return kind == ReadoutKind::AlarmBuffer ? 0 : 1;
}

ReadoutKind kindOf(long long number) {
    return number == 0 ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
}

std::string offsetsText(const std::vector<std::size_t>& offsets) {
    std::string text;
    for (const std::size_t offset : offsets) {
        if (!text.empty()) text += ',';
        text += std::to_string(offset);
    }
    return text;
}

std::vector<std::size_t> offsetsOf(const std::string& text) {
    std::vector<std::size_t> offsets;
    std::size_t value = 0;
    bool any = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<std::size_t>(c - '0');
            any = true;
        } else if (any) {
            offsets.push_back(value);
            value = 0;
            any = false;
        }
    }
    if (any) offsets.push_back(value);
    return offsets;
}

std::optional<long long> secondLineTime(std::string_view text) {
    const std::size_t first = text.find('\r');
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t second = text.find('\r', first + 1);
    const std::string_view line = text.substr(
        first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
    const auto time = ReadTime(TrimmedField(line));
    if (!time || time->kind != TimeKind::DateTime) return std::nullopt;
    return time->seconds;
}

}  // namespace

class SqliteStore::Statement {
public:
    Statement(SqliteStore& store, const char* sql) : store_(store) {
        const int code = sqlite3_prepare_v2(store.db_, sql, -1, &statement_, nullptr);
        if (code != SQLITE_OK) store.fail(code, sql);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, long long value) {
        check(sqlite3_bind_int64(statement_, index, value));
        return *this;
    }
    // Bytes and text are bound without a copy: they must live until the
    // statement has run (no temporaries).
    Statement& bind(int index, const std::string& bytes) {
        check(sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()),
                                sqlite3_destructor_type{}));
        return *this;
    }
    Statement& bindText(int index, const std::string& text) {
        check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                sqlite3_destructor_type{}));
        return *this;
    }
    Statement& bindReal(int index, const std::optional<double>& value) {
        if (value) {
            check(sqlite3_bind_double(statement_, index, *value));
            return *this;
        }
        check(sqlite3_bind_null(statement_, index));
        return *this;
    }
    Statement& bind(int index, const std::optional<long long>& value) {
        if (value) return bind(index, *value);
        check(sqlite3_bind_null(statement_, index));
        return *this;
    }
    // True while there is a row to read.
    bool step() {
        const int code = sqlite3_step(statement_);
        if (code == SQLITE_ROW) return true;
        if (code == SQLITE_DONE) return false;
        store_.fail(code, sqlite3_sql(statement_));
    }
    // Runs a statement that changes the file.
    void write() {
        while (step()) {
        }
        sqlite3_reset(statement_);
        store_.wrote();
    }
    void reset() { sqlite3_reset(statement_); }
    long long integer(int column) const { return sqlite3_column_int64(statement_, column); }
    std::optional<long long> optionalInteger(int column) const {
        if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
        return integer(column);
    }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    std::optional<double> optionalReal(int column) const {
        if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
        return real(column);
    }
    std::string bytes(int column) const {
        const void* data = sqlite3_column_blob(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        if (!data || size <= 0) return std::string();
        return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
    }

private:
    void check(int code) {
        if (code != SQLITE_OK) store_.fail(code, sqlite3_sql(statement_));
    }

    SqliteStore& store_;
    sqlite3_stmt* statement_ = nullptr;
};

SqliteStore::SqliteStore(const std::string& path, SqliteOptions options)
    : path_(path), options_(std::move(options)) {
    const int flags = options_.readOnly
                          ? SQLITE_OPEN_READONLY
                          : SQLITE_OPEN_READWRITE | (options_.mustExist ? 0 : SQLITE_OPEN_CREATE);
    // A failed open still makes a handle; the destructor does not run after a throw.
    try {
        const int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (code != SQLITE_OK) fail(code, "open");
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, options_.busyTimeoutMs);
        if (options_.readOnly) {
            checkReadableSchema();
        } else {
            if (sqlite3_db_readonly(db_, "main") == 1)
                throw HistoryError(Problem::ReadOnly, path_ + ": the file cannot be written");
            prepareSchema();
        }
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
}

SqliteStore::~SqliteStore() {
    sqlite3_close_v2(db_);
}

void SqliteStore::fail(int code, const char* what) {
    const int systemCode = db_ ? sqlite3_system_errno(db_) : 0;
    std::string detail = path_ + ": ";
    detail += db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    if (what && std::string_view(what) == "open") detail += " (open)";
    throw HistoryError(problemOf(code, systemCode), detail);
}

void SqliteStore::execute(const char* sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (code != SQLITE_OK) fail(code, sql);
}

void SqliteStore::wrote() {
    ++writes_;
    if (options_.afterWrite) options_.afterWrite(writes_);
}

int SqliteStore::schemaVersion() {
    Statement version(*this, "PRAGMA user_version");
    return version.step() ? static_cast<int>(version.integer(0)) : 0;
}

void SqliteStore::checkReadableSchema() {
    const int version = schemaVersion();
    if (version > kSchemaVersion)
        throw HistoryError(Problem::NewerVersion,
                           path_ + ": schema version " + std::to_string(version));
    if (version == 0) throw HistoryError(Problem::Corrupt, path_ + ": a database, but no history");
    // Version 2 reads as it is: it only lacks the limits.
    if (version < 2)
        throw HistoryError(Problem::CannotOpen,
                           path_ +
                               ": made by an older version of this program; merge a readout "
                               "into it once to update it");
}

void SqliteStore::prepareSchema() {
    // Reading the version first tells a file that is no database at all.
    if (schemaVersion() > kSchemaVersion)
        throw HistoryError(Problem::NewerVersion,
                           path_ + ": schema version " + std::to_string(schemaVersion()));
    if (schemaVersion() == 0) {
        Statement tables(*this, "SELECT count(*) FROM sqlite_master");
        if (tables.step() && tables.integer(0) != 0)
            throw HistoryError(Problem::Corrupt, path_ + ": a database, but no history");
    }
    // WAL stays in the file once set: set it on a new file only, so that a file
    // that turns out bad is left exactly as it was.
    if (schemaVersion() == 0) execute("PRAGMA journal_mode=WAL");
    execute("PRAGMA synchronous=NORMAL");
    execute("BEGIN IMMEDIATE");
    try {
        const int version = schemaVersion();
        if (version == 0) {
            Statement tables(*this, "SELECT count(*) FROM sqlite_master");
            if (tables.step() && tables.integer(0) != 0)
                throw HistoryError(Problem::Corrupt, path_ + ": a database, but no history");
            execute(kSchemaVersion1);
            execute(kMigrationTo2);
            execute(kMigrationTo3);
            execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
            execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        } else if (version < kSchemaVersion) {
            if (version == 1) migrateFrom1();
            migrateFrom2();
        } else if (version > kSchemaVersion) {
            throw HistoryError(Problem::NewerVersion,
                               path_ + ": schema version " + std::to_string(version));
        }
        execute("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void SqliteStore::migrateFrom1() {
    execute(kMigrationTo2);
    Statement all(*this, "SELECT id, bytes FROM readouts");
    Statement update(*this, "UPDATE readouts SET device_clock=? WHERE id=?");
    while (all.step()) {
        const std::string bytes = all.bytes(1);
        update.bind(1, secondLineTime(bytes)).bind(2, all.integer(0)).write();
    }
    execute("PRAGMA user_version=2");
}

void SqliteStore::migrateFrom2() {
    execute(kMigrationTo3);
    execute("PRAGMA user_version=3");
}

bool SqliteStore::hasLimits() {
    Statement find(*this,
                   "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='limits'");
    return find.step() && find.integer(0) > 0;
}

void SqliteStore::begin() {
    execute("BEGIN IMMEDIATE");
}

void SqliteStore::commit() {
    execute("COMMIT");
    wrote();
}

void SqliteStore::rollback() noexcept {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<DeviceId> SqliteStore::deviceOfLine(const std::string& firstLine) {
    Statement find(*this, "SELECT device_id FROM device_lines WHERE line=?");
    find.bind(1, firstLine);
    if (!find.step()) return std::nullopt;
    return find.integer(0);
}

DeviceId SqliteStore::addDevice(const std::string& firstLine) {
    Statement add(*this, "INSERT INTO devices(name) VALUES(NULL)");
    add.write();
    const DeviceId device = sqlite3_last_insert_rowid(db_);
    addDeviceLine(device, firstLine);
    return device;
}

void SqliteStore::addDeviceLine(DeviceId device, const std::string& firstLine) {
    Statement add(*this, "INSERT INTO device_lines(line, device_id) VALUES(?, ?)");
    add.bind(1, firstLine).bind(2, device).write();
}

void SqliteStore::setDeviceName(DeviceId device, const std::string& name) {
    Statement set(*this, "UPDATE devices SET name=NULLIF(?, '') WHERE id=?");
    set.bindText(1, name).bind(2, device).write();
}

void SqliteStore::joinDevice(DeviceId from, DeviceId into) {
    if (from == into) return;  // the moves below would drop everything of it
    const char* const moves[] = {
        "UPDATE device_lines SET device_id=?2 WHERE device_id=?1",
        "UPDATE readouts SET device_id=?2 WHERE device_id=?1",
        ("INSERT OR IGNORE INTO records SELECT ?2, kind, time, content, version, readout_id, "
         "row_start, row_length FROM records WHERE device_id=?1"),
        "DELETE FROM records WHERE device_id=?1 AND ?2 IS NOT NULL",
        "UPDATE events SET device_id=?2 WHERE device_id=?1",
        ("INSERT OR IGNORE INTO limits SELECT ?2, column_title, from_time, lower, upper, "
         "delay_points, delay_seconds, deadband, set_at FROM limits WHERE device_id=?1"),
        "DELETE FROM limits WHERE device_id=?1 AND ?2 IS NOT NULL",
        "DELETE FROM devices WHERE id=?1 AND ?2 IS NOT NULL",
    };
    for (const char* sql : moves) {
        Statement move(*this, sql);
        move.bind(1, from).bind(2, into).write();
    }
}

std::vector<DeviceInfo> SqliteStore::devices() {
    std::vector<DeviceInfo> found;
    Statement all(*this, "SELECT id, name FROM devices ORDER BY id");
    Statement lines(*this, "SELECT line FROM device_lines WHERE device_id=? ORDER BY rowid");
    while (all.step()) {
        DeviceInfo device;
        device.id = all.integer(0);
        device.name = all.bytes(1);
        lines.bind(1, device.id);
        while (lines.step()) device.firstLines.push_back(lines.bytes(0));
        lines.reset();
        found.push_back(std::move(device));
    }
    return found;
}

std::vector<HeldRecord> SqliteStore::recordsBetween(DeviceId device, ReadoutKind kind,
                                                    long long from, long long to) {
    Statement find(*this,
                   "SELECT time, content, version FROM records WHERE device_id=? AND kind=? AND "
                   "time BETWEEN ? AND ?");
    find.bind(1, device).bind(2, kindNumber(kind)).bind(3, from).bind(4, to);
    std::vector<HeldRecord> held;
    while (find.step())
        held.push_back(
            HeldRecord{find.integer(0), find.bytes(1), static_cast<int>(find.integer(2))});
    return held;
}

std::vector<long long> SqliteStore::timesOfContent(DeviceId device, ReadoutKind kind,
                                                   const std::string& content, std::size_t atMost) {
    Statement find(*this,
                   "SELECT time FROM records WHERE device_id=? AND kind=? AND content=? LIMIT ?");
    find.bind(1, device)
        .bind(2, kindNumber(kind))
        .bind(3, content)
        .bind(4, static_cast<long long>(atMost));
    std::vector<long long> times;
    while (find.step()) times.push_back(find.integer(0));
    return times;
}

std::vector<Coverage> SqliteStore::coverage(DeviceId device, ReadoutKind kind) {
    Statement find(*this,
                   "SELECT id, first_time, last_time, spacing FROM readouts WHERE device_id=? AND "
                   "kind=? AND first_time IS NOT NULL ORDER BY first_time");
    find.bind(1, device).bind(2, kindNumber(kind));
    std::vector<Coverage> spans;
    while (find.step())
        spans.push_back(
            Coverage{find.integer(0), find.integer(1), find.integer(2), find.integer(3)});
    return spans;
}

ReadoutId SqliteStore::addReadout(const StoredReadout& readout) {
    const std::string insertedTabs = offsetsText(readout.insertedTabs);
    Statement add(*this,
                  "INSERT INTO readouts(device_id, kind, read_at, source, first_line, bytes, "
                  "inserted_tabs, first_time, last_time, spacing, clock_offset, new_records, "
                  "held_records, read_at_local, device_clock) "
                  "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    add.bind(1, readout.device)
        .bind(2, kindNumber(readout.kind))
        .bind(3, readout.readAtUtc)
        .bindText(4, readout.source)
        .bind(5, readout.firstLine)
        .bind(6, readout.deviceText)
        .bindText(7, insertedTabs)
        .bind(8, readout.firstTime)
        .bind(9, readout.lastTime)
        .bind(10, readout.spacing)
        .bind(11, readout.clockOffset)
        .bind(12, static_cast<long long>(readout.newRecords))
        .bind(13, static_cast<long long>(readout.heldRecords))
        .bind(14, readout.readAtLocal)
        .bind(15, readout.deviceClock);
    add.write();
    return sqlite3_last_insert_rowid(db_);
}

void SqliteStore::addRecords(ReadoutId readout, DeviceId device, ReadoutKind kind,
                             const std::vector<NewRecord>& records) {
    Statement add(*this,
                  "INSERT OR IGNORE INTO records(device_id, kind, time, content, version, "
                  "readout_id, row_start, row_length) VALUES(?,?,?,?,?,?,?,?)");
    for (const NewRecord& record : records) {
        add.bind(1, device)
            .bind(2, kindNumber(kind))
            .bind(3, record.time)
            .bind(4, record.content)
            .bind(5, record.version)
            .bind(6, readout)
            .bind(7, static_cast<long long>(record.rowStart))
            .bind(8, static_cast<long long>(record.rowLength));
        add.write();
    }
}

void SqliteStore::addEvent(const HistoryEvent& event) {
    Statement add(*this,
                  "INSERT INTO events(device_id, kind, type, from_time, to_time, clock_offset, "
                  "count, readout_id) VALUES(?,?,?,?,?,?,?,?)");
    add.bind(1, event.device)
        .bind(2, kindNumber(event.kind))
        .bind(3, static_cast<long long>(event.type))
        .bind(4, event.from)
        .bind(5, event.to)
        .bind(6, event.offset)
        .bind(7, event.count)
        .bind(8, event.readout);
    add.write();
}

namespace {

const char* const kReadoutColumns =
    "id, device_id, kind, read_at, source, first_line, first_time, last_time, spacing, "
    "clock_offset, new_records, held_records, read_at_local, device_clock";

// The columns of kReadoutColumns, in that order, from a row of `statement`.
template <class Row>
void readReadoutFields(const Row& statement, StoredReadout& readout) {
    readout.id = statement.integer(0);
    readout.device = statement.integer(1);
    readout.kind = kindOf(statement.integer(2));
    readout.readAtUtc = statement.integer(3);
    readout.source = statement.bytes(4);
    readout.firstLine = statement.bytes(5);
    readout.firstTime = statement.optionalInteger(6);
    readout.lastTime = statement.optionalInteger(7);
    readout.spacing = statement.integer(8);
    readout.clockOffset = statement.integer(9);
    readout.newRecords = static_cast<std::size_t>(statement.integer(10));
    readout.heldRecords = static_cast<std::size_t>(statement.integer(11));
    readout.readAtLocal = statement.optionalInteger(12);
    readout.deviceClock = statement.optionalInteger(13);
}

}  // namespace

std::vector<StoredReadout> SqliteStore::readouts(std::optional<DeviceId> device) {
    const std::string sql = std::string("SELECT ") + kReadoutColumns +
                            " FROM readouts WHERE ?1 IS NULL OR device_id=?1 ORDER BY id";
    Statement find(*this, sql.c_str());
    find.bind(1, device);
    std::vector<StoredReadout> found;
    while (find.step()) {
        StoredReadout readout;
        readReadoutFields(find, readout);
        found.push_back(std::move(readout));
    }
    return found;
}

std::optional<StoredReadout> SqliteStore::readout(ReadoutId id) {
    const std::string sql = std::string("SELECT ") + kReadoutColumns +
                            ", bytes, inserted_tabs FROM readouts WHERE id=?";
    Statement find(*this, sql.c_str());
    find.bind(1, id);
    if (!find.step()) return std::nullopt;
    StoredReadout readout;
    readReadoutFields(find, readout);
    readout.deviceText = find.bytes(14);
    readout.insertedTabs = offsetsOf(find.bytes(15));
    return readout;
}

std::vector<HistoryEvent> SqliteStore::events(DeviceId device, ReadoutKind kind) {
    Statement find(*this,
                   "SELECT type, from_time, to_time, clock_offset, count, readout_id FROM events "
                   "WHERE device_id=? AND kind=? ORDER BY from_time, id");
    find.bind(1, device).bind(2, kindNumber(kind));
    std::vector<HistoryEvent> found;
    while (find.step()) {
        HistoryEvent event;
        event.device = device;
        event.kind = kind;
        event.type = static_cast<EventType>(find.integer(0));
        event.from = find.integer(1);
        event.to = find.integer(2);
        event.offset = find.integer(3);
        event.count = find.integer(4);
        event.readout = find.integer(5);
        found.push_back(event);
    }
    return found;
}

std::vector<RangeRow> SqliteStore::rows(DeviceId device, ReadoutKind kind, long long from,
                                        long long to) {
    Statement find(*this,
                   "SELECT time, version, readout_id, row_start, row_length FROM records WHERE "
                   "device_id=? AND kind=? AND time BETWEEN ? AND ? ORDER BY time, content");
    find.bind(1, device).bind(2, kindNumber(kind)).bind(3, from).bind(4, to);
    Statement bytesOf(*this, "SELECT bytes FROM readouts WHERE id=?");
    std::map<ReadoutId, std::string> texts;
    std::vector<RangeRow> found;
    while (find.step()) {
        const ReadoutId readout = find.integer(2);
        auto text = texts.find(readout);
        if (text == texts.end()) {
            bytesOf.bind(1, readout);
            text = texts.emplace(readout, bytesOf.step() ? bytesOf.bytes(0) : std::string()).first;
            bytesOf.reset();
        }
        const auto start = static_cast<std::size_t>(find.integer(3));
        const auto length = static_cast<std::size_t>(find.integer(4));
        found.push_back(RangeRow{
            find.integer(0), static_cast<int>(find.integer(1)),
            start <= text->second.size() ? text->second.substr(start, length) : std::string()});
    }
    std::stable_sort(found.begin(), found.end(), [](const RangeRow& a, const RangeRow& b) {
        return a.time != b.time ? a.time < b.time : a.version < b.version;
    });
    return found;
}

std::size_t SqliteStore::recordCount(DeviceId device, ReadoutKind kind) {
    Statement count(*this, "SELECT count(*) FROM records WHERE device_id=? AND kind=?");
    count.bind(1, device).bind(2, kindNumber(kind));
    return count.step() ? static_cast<std::size_t>(count.integer(0)) : 0;
}

void SqliteStore::setLimit(DeviceId device, const StoredLimit& stored) {
    const ColumnLimit& limit = stored.limit;
    Statement set(*this,
                  "INSERT OR REPLACE INTO limits(device_id, column_title, from_time, lower, upper, "
                  "delay_points, delay_seconds, deadband, set_at) VALUES(?,?,?,?,?,?,?,?,?)");
    set.bind(1, device)
        .bind(2, stored.column)
        .bind(3, limit.from)
        .bindReal(4, limit.lower)
        .bindReal(5, limit.upper)
        .bind(6, limit.delayPoints)
        .bind(7, limit.delaySeconds)
        .bindReal(8, limit.deadband)
        .bind(9, stored.setAtUtc);
    set.write();
}

std::vector<StoredLimit> SqliteStore::limits(DeviceId device) {
    std::vector<StoredLimit> found;
    if (!hasLimits()) return found;  // a file of version 2, opened to read
    Statement find(*this,
                   "SELECT column_title, from_time, lower, upper, delay_points, delay_seconds, "
                   "deadband, set_at FROM limits WHERE device_id=? ORDER BY column_title, "
                   "from_time");
    find.bind(1, device);
    while (find.step()) {
        StoredLimit stored;
        stored.column = find.bytes(0);
        stored.limit.from = find.integer(1);
        stored.limit.lower = find.optionalReal(2);
        stored.limit.upper = find.optionalReal(3);
        stored.limit.delayPoints = find.integer(4);
        stored.limit.delaySeconds = find.integer(5);
        stored.limit.deadband = find.real(6);
        stored.setAtUtc = find.integer(7);
        found.push_back(std::move(stored));
    }
    return found;
}

const char* FirstSchemaForTests() {
    return kSchemaVersion1;
}

std::string SecondSchemaForTests() {
    return std::string(kSchemaVersion1) + kMigrationTo2;
}

}  // namespace travik::history
