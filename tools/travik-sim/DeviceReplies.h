// The text the simulated device sends back: an alarm-buffer reply for "h", a
// data-logger reply for "d", or random bytes. Plain bytes in Windows-1252, line
// ends CR LF; the same arguments always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace travik::sim {

// Enough rows that a full reply is longer than the program reads (14490 bytes
// of alarm buffer, 8770 of data logger), as from a device whose memory is full.
inline constexpr std::size_t kDefaultAlarmRows = 232;
inline constexpr std::size_t kDefaultDataRows = 190;

// Two short lines (device name and date), the column header "No\tt\tI\tIdL\t...",
// then `rows` alarm entries. No end byte. A serial number, when given, goes into
// the first line ("TravikP 2000 S/N 4711 V3.12").
std::string AlarmReply(std::size_t rows, std::uint64_t seed, const std::string& serial = {});

// Two short lines, the column header "No\tDate\tTime\tValue1\t...", then `rows`
// logged measurements. No end byte.
std::string DataLoggerReply(std::size_t rows, std::uint64_t seed, const std::string& serial = {});

// The device's first line: type, serial number if any, firmware.
std::string DeviceLine(const std::string& serial);

// Seconds since 01.01.2024 00:00:00, the device's clock.
using DeviceTime = long long;

// "2024-03-01T06:00" or "2024-03-01T06:00:15", from 2024 to 2199; nothing for other text.
std::optional<DeviceTime> ParseDeviceTime(const std::string& text);
// As the device writes it: "01.03.2024 06:00:00".
std::string FormatDeviceTime(DeviceTime t);

enum class HistoryKind { Alarm, DataLogger };

// A device that has been logging since `loggingStart` and is read at `now`.
// Record i (from 0) was logged at a fixed moment and always has the same
// content, so readouts at two "now"s overlap as a real ring buffer's do: the
// device keeps only its newest records, as many as fit in `memoryBytes` with
// the three header lines, and numbers them from 1 (the oldest it still holds),
// so a record's running number shifts as the ring turns.
//   Data logger: a record every `interval` seconds from loggingStart.
//   Alarm buffer: at most one alarm in each `alarmSlot` seconds from loggingStart,
//   at a moment within it that the seed gives.
// All times are the true times; the device's clock shows them shifted by
// `clockShift` seconds from `clockSetAt` on (set back: negative): records logged
// from then on carry shifted times, older ones keep theirs (all records do
// with `restampAll`, for a device that prints its times from its current clock).
struct DeviceHistory {
    std::string serial;                                         // in the first line; empty: none
    DeviceTime loggingStart = 60LL * 86400 + 6LL * 3600;        // 01.03.2024 06:00:00
    DeviceTime now = 60LL * 86400 + 6LL * 3600 + 60LL * 86400;  // full memories by then
    long long interval = 15LL * 60;
    long long alarmSlot = 4LL * 3600;
    long long clockShift = 0;
    DeviceTime clockSetAt = 0;
    bool restampAll = false;
    std::size_t memoryBytes = 0;  // 0: what the program reads (14490 alarm, 8770 data logger)
    std::uint64_t seed = 1;
};

inline constexpr std::size_t kAlarmMemory = 14490;
inline constexpr std::size_t kDataMemory = 8770;

// The reply the device sends at `history.now`. No end byte.
std::string HistoryReply(HistoryKind kind, const DeviceHistory& history);

// Which records that reply holds: indexes [first, end) since logging began.
struct HistoryRecords {
    std::size_t first = 0;
    std::size_t end = 0;
};
HistoryRecords HistoryReplyRecords(HistoryKind kind, const DeviceHistory& history);

// The true time of record `index`, and the time the device writes for it.
DeviceTime RecordTime(HistoryKind kind, const DeviceHistory& history, std::size_t index);
DeviceTime RecordDeviceTime(HistoryKind kind, const DeviceHistory& history, std::size_t index);

// The earliest "now" after `history.now` at which the device has overwritten
// every record it held at `history.now` and `lost` more records besides: a
// readout then leaves a gap of `lost` records after the previous one.
DeviceTime NowAfterLosing(HistoryKind kind, const DeviceHistory& history, std::size_t lost);

// Successive readouts of one device with a history: the n-th readout of a kind
// (from 0) is taken at now + n × advance. With `gapRecords`, the second readout
// of each kind comes at the earliest moment the device has overwritten all the
// first held and that many records more (NowAfterLosing), the later ones
// `advance` apart from it.
class HistoryReadouts {
public:
    HistoryReadouts(DeviceHistory history, long long advance, std::optional<std::size_t> gapRecords)
        : history_(std::move(history)), advance_(advance), gapRecords_(gapRecords) {}

    // The moment of the next readout of `kind`, and its reply (no end byte).
    DeviceTime nextNow(HistoryKind kind) const;
    std::string next(HistoryKind kind);

private:
    DeviceHistory history_;
    long long advance_;
    std::optional<std::size_t> gapRecords_;
    std::size_t taken_[2] = {0, 0};
    DeviceTime jump_[2] = {0, 0};  // how far the gap moved the readouts after the first
};

// `count` bytes drawn evenly from all 256 values.
std::string RandomBytes(std::size_t count, std::uint64_t seed);

}  // namespace travik::sim
