// A stretch of a device's history as the window shows it: the merged records
// of one kind between two device times, as a readout's terminal text (so that
// the table, the chart, the figures, the report and the CSV writers take it as
// they take a readout), with the possible losses and clock changes in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HistoryStore.h"
#include "Merge.h"
#include "Table.h"
#include "TerminalText.h"

namespace travik::history {

enum class RangeChoice {
    SinceLastVisit,  // what the newest readout brought: from the newest record the one before saw
    Last30Days,      // the 30 days up to the newest record (the device's clock, not the computer's)
    Everything,
    FromTo,  // the given times, both included
};

inline constexpr long long kThirtyDays = 30LL * 86400;

// The device times `choice` stands for, on what the history holds of the
// device's `kind`. Nothing when it holds no readout of that kind with records
// (FromTo: only when `given` is backwards).
std::optional<TimeRange> ResolveRange(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                      RangeChoice choice, TimeRange given = {});

struct RangeMark {
    enum class Type { PossibleLoss, ClockChange, Conflict };
    Type type = Type::PossibleLoss;
    long long from = 0;  // device times: a loss between the two records beside it,
    long long to = 0;    // a clock change or conflict over the records concerned
    long long offset = 0;
    long long count = 0;
};

// What marks a row of the range's table (bits).
enum RowMark : std::uint8_t {
    kRowBeforeLoss = 1,  // the last record before a possible loss
    kRowAfterLoss = 2,   // the first record after one
    kRowClockChange = 4,
    kRowConflict = 8,
};

struct HistoryRange {
    DeviceId device = 0;
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    TimeRange range;
    TerminalText
        terminal;  // the newest readout's first three lines, then the records in time order
    std::vector<long long> rowTimes;      // one per record row, in the table's row order
    std::vector<std::uint8_t> rowMarks;   // RowMark bits, one per record row
    std::vector<RangeMark> marks;         // those touching the range, in time order
    std::vector<StoredReadout> readouts;  // whose records lie in the range, oldest first
    std::size_t records() const { return rowTimes.size(); }
};

// The range from `range.from` to `range.to` (both included). Nothing when the
// device has no readout of `kind`. Throws HistoryError.
std::optional<HistoryRange> LoadRange(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                      TimeRange range);

// The range's table, as the pages show a readout's.
Table RangeTable(const HistoryRange& range);

// Texts in the window's four languages (0 English, 1 German, 2 French, 3 Spanish).
// "Records of 01.03.2024 06:00:00 to 30.04.2024 06:00:00: 5760 from 3 readouts"
std::string RangeSummaryText(const HistoryRange& range, int languageIndex);
// "Possible loss from … to …", "Device clock set by +1:00:00 (96 records) from … to …",
// "Conflict: 3 records from … to …".
std::string MarkText(const RangeMark& mark, int languageIndex);
// "Read 01.05.2024 08:00:00 UTC from port /dev/ttyUSB0: 96 new, 87 already held"
std::string ReadoutText(const StoredReadout& readout, int languageIndex);

}  // namespace travik::history
