// The history in one SQLite file: WAL, a busy timeout, a schema version with
// migrations. Every merge is one transaction, so a program killed at any point
// leaves the file as it was before the merge.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "HistoryStore.h"

struct sqlite3;
struct sqlite3_stmt;

namespace travik::history {

// The schema this program writes; older files are migrated when opened.
inline constexpr int kSchemaVersion = 3;

struct SqliteOptions {
    int busyTimeoutMs = 5000;
    bool mustExist = false;  // do not create the file (listing, exporting)
    bool readOnly = false;   // only read (listing, exporting): no migration, no write lock
    // Called after each statement that changes the file, with their count so
    // far: lets a test stop the process between any two of them.
    std::function<void(int)> afterWrite;
};

// The statements that made a history file of schema version 1 (for tests of
// the migration).
const char* FirstSchemaForTests();
// And of schema version 2.
std::string SecondSchemaForTests();

class SqliteStore final : public HistoryStore {
public:
    // Opens or creates the file. Throws HistoryError.
    explicit SqliteStore(const std::string& path, SqliteOptions options = {});
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    void begin() override;
    void commit() override;
    void rollback() noexcept override;

    std::optional<DeviceId> deviceOfLine(const std::string& firstLine) override;
    DeviceId addDevice(const std::string& firstLine) override;
    void addDeviceLine(DeviceId device, const std::string& firstLine) override;
    void setDeviceName(DeviceId device, const std::string& name) override;
    void joinDevice(DeviceId from, DeviceId into) override;
    std::vector<DeviceInfo> devices() override;

    std::vector<HeldRecord> recordsBetween(DeviceId device, ReadoutKind kind, long long from,
                                           long long to) override;
    std::vector<long long> timesOfContent(DeviceId device, ReadoutKind kind,
                                          const std::string& content, std::size_t atMost) override;
    std::vector<Coverage> coverage(DeviceId device, ReadoutKind kind) override;

    ReadoutId addReadout(const StoredReadout& readout) override;
    void addRecords(ReadoutId readout, DeviceId device, ReadoutKind kind,
                    const std::vector<NewRecord>& records) override;
    void addEvent(const HistoryEvent& event) override;

    std::vector<StoredReadout> readouts(std::optional<DeviceId> device) override;
    std::optional<StoredReadout> readout(ReadoutId id) override;
    std::vector<HistoryEvent> events(DeviceId device, ReadoutKind kind) override;
    std::vector<RangeRow> rows(DeviceId device, ReadoutKind kind, long long from,
                               long long to) override;
    std::size_t recordCount(DeviceId device, ReadoutKind kind) override;
    void setLimit(DeviceId device, const StoredLimit& limit) override;
    std::vector<StoredLimit> limits(DeviceId device) override;

    // The schema version of the open file.
    int schemaVersion();

private:
    class Statement;
    friend class Statement;

    void execute(const char* sql);
    void wrote();
    [[noreturn]] void fail(int code, const char* what);
    void prepareSchema();
    void checkReadableSchema();
    void migrateFrom1();
    void migrateFrom2();
    bool hasLimits();

    sqlite3* db_ = nullptr;
    std::string path_;
    SqliteOptions options_;
    int writes_ = 0;
};

}  // namespace travik::history
