// The store behind the history: what it keeps and the few operations the
// merge rules (Merge.h) need of it. The rules never talk SQL, so that another
// store (a shared server, say) can be put behind this interface without
// touching them. Every operation throws HistoryError when the store fails.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Excursions.h"
#include "Readout.h"

namespace travik::history {

using DeviceId = long long;
using ReadoutId = long long;

// Why the history could not be used; the user's text is ProblemText's.
enum class Problem {
    None,
    Corrupt,       // not a database, or a damaged one
    Locked,        // another program kept it busy past the busy timeout
    ReadOnly,      // the file or its folder cannot be written
    DiskFull,      // no room left for the change
    NewerVersion,  // made by a newer program: left alone
    CannotOpen,    // no such folder, not a file, or the system refused
    Other,
};

class HistoryError : public std::runtime_error {
public:
    HistoryError(Problem problem, const std::string& detail)
        : std::runtime_error(detail), problem_(problem) {}
    Problem problem() const { return problem_; }

private:
    Problem problem_;
};

struct HeldRecord {
    long long time = 0;
    std::string content;
    int version = 1;
};

struct NewRecord {
    long long time = 0;
    std::string content;
    int version = 1;  // 2 and up: a second content at a time already held (a conflict)
    std::size_t rowStart = 0;
    std::size_t rowLength = 0;
};

// One readout as the history keeps it.
struct StoredReadout {
    ReadoutId id = 0;
    DeviceId device = 0;
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    std::string firstLine;
    std::string deviceText;                 // the device's bytes, CR line ends
    std::vector<std::size_t> insertedTabs;  // the header TABs the program put in
    std::string source;                     // "port NAME [IDENTITY]" or "file PATH"
    long long readAtUtc = 0;                // the computer's clock, seconds since 1970 UTC
    std::optional<long long> readAtLocal;   // the same moment on its local clock
    std::optional<long long> deviceClock;   // the readout's own time (its second line)
    // The records' span on the history's time (device time less any clock change).
    std::optional<long long> firstTime;
    std::optional<long long> lastTime;
    long long spacing = 0;      // the usual step between its records
    long long clockOffset = 0;  // the clock change found in it (0: none)
    std::size_t newRecords = 0;
    std::size_t heldRecords = 0;
};

enum class EventType { ClockChange = 1, Conflict = 2 };

struct HistoryEvent {
    DeviceId device = 0;
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    EventType type = EventType::ClockChange;
    long long from = 0;    // device time of the first record concerned
    long long to = 0;      // and of the last
    long long offset = 0;  // ClockChange: the readout's time less the history's
    long long count = 0;   // records concerned
    ReadoutId readout = 0;
};

struct DeviceInfo {
    DeviceId id = 0;
    std::string name;                     // given by the user; may be empty
    std::vector<std::string> firstLines;  // as the device wrote them, oldest first
};

// A readout's span of records, for the possible losses between readouts.
struct Coverage {
    ReadoutId readout = 0;
    long long first = 0;
    long long last = 0;
    long long spacing = 0;
};

// A record of a range, as the device wrote its row.
struct RangeRow {
    long long time = 0;
    int version = 1;
    std::string row;
};

// A column's limit as the history keeps it. A limit without a bound takes the
// column's limit away from its `from` on.
struct StoredLimit {
    std::string column;  // the column's title as the device writes it
    ColumnLimit limit;
    long long setAtUtc = 0;  // when it was set, on the computer's clock
};

class HistoryStore {
public:
    virtual ~HistoryStore() = default;

    // One write transaction: everything between begin and commit, or nothing.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;

    virtual std::optional<DeviceId> deviceOfLine(const std::string& firstLine) = 0;
    virtual DeviceId addDevice(const std::string& firstLine) = 0;
    virtual void addDeviceLine(DeviceId device, const std::string& firstLine) = 0;
    virtual void setDeviceName(DeviceId device, const std::string& name) = 0;
    // Moves everything of `from` to `into` (records held by both once) and drops `from`.
    virtual void joinDevice(DeviceId from, DeviceId into) = 0;
    virtual std::vector<DeviceInfo> devices() = 0;

    virtual std::vector<HeldRecord> recordsBetween(DeviceId device, ReadoutKind kind,
                                                   long long from, long long to) = 0;
    virtual std::vector<long long> timesOfContent(DeviceId device, ReadoutKind kind,
                                                  const std::string& content,
                                                  std::size_t atMost) = 0;
    virtual std::vector<Coverage> coverage(DeviceId device, ReadoutKind kind) = 0;

    virtual ReadoutId addReadout(const StoredReadout& readout) = 0;
    virtual void addRecords(ReadoutId readout, DeviceId device, ReadoutKind kind,
                            const std::vector<NewRecord>& records) = 0;
    virtual void addEvent(const HistoryEvent& event) = 0;

    // Without the bytes, oldest first; all devices when `device` is not given.
    virtual std::vector<StoredReadout> readouts(std::optional<DeviceId> device) = 0;
    virtual std::optional<StoredReadout> readout(ReadoutId id) = 0;  // with its bytes
    virtual std::vector<HistoryEvent> events(DeviceId device, ReadoutKind kind) = 0;
    virtual std::vector<RangeRow> rows(DeviceId device, ReadoutKind kind, long long from,
                                       long long to) = 0;
    virtual std::size_t recordCount(DeviceId device, ReadoutKind kind) = 0;

    // One limit per device, column and start; setting one at a start already
    // held replaces it.
    virtual void setLimit(DeviceId device, const StoredLimit& limit) = 0;
    // By column, then by start.
    virtual std::vector<StoredLimit> limits(DeviceId device) = 0;
};

// One write transaction for a scope: rolled back unless committed, also when
// an exception leaves the scope.
class Transaction {
public:
    explicit Transaction(HistoryStore& store) : store_(store) { store_.begin(); }
    ~Transaction() {
        if (!done_) store_.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() {
        store_.commit();
        done_ = true;
    }

private:
    HistoryStore& store_;
    bool done_ = false;
};

}  // namespace travik::history
