// Putting a readout into the history, and what the history tells of a device:
// the rules of merging and of the overlap checks, on any HistoryStore.
//
// Merging, in one transaction:
// - A record already held changes nothing; a new one is added. A readout
//   merged twice adds nothing.
// - Clock change: records that are not held at their time, but whose content
//   is held at another time, all shifted by one offset (the device's clock was
//   set), are not added again. The offset is recorded; records keep the time
//   the device wrote. An offset counts when it explains at least two records
//   of at least two different contents, and at least 90 % of this readout's
//   records whose time less the offset falls inside a held readout's span; a
//   held record this readout has too (at its own time) explains nothing, and
//   a readout with many records held at their own time has a clock that did
//   not move (unless the history already knows that offset). A
//   device writing the same values again and again, or a repeating signal
//   (A A B B, an alarm at the same second each day), gives no evidence of a
//   clock change.
// - Conflict: a record at a time that holds other contents, none of which this
//   readout has at that time, is kept as the next version, and recorded.
// - Possible loss: the history has no readout covering the stretch from its
//   newest record before this readout's oldest to that record plus the usual
//   spacing of the device's records: the stretch between is a possible loss.
//   Possible losses are worked out from the readouts' spans, so that a later
//   readout (or an older file merged late) that fills the stretch clears it.
// - Drift: the readout's own time (its second line) is kept beside the
//   computer's clock.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "HistoryStore.h"
#include "TerminalText.h"

namespace travik::history {

struct IncomingReadout {
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    TerminalText terminal;      // as the readout left it
    bool endedComplete = true;  // false: the byte limit or a lost connection ended it
    std::string source;         // "port NAME IDENTITY" or "file PATH"
    long long readAtUtc = 0;
    std::optional<long long> readAtLocal;
};

struct TimeRange {
    long long from = 0;
    long long to = 0;
};

struct MergeOutcome {
    DeviceId device = 0;
    std::string deviceName;  // the user's name, else the first line
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    ReadoutId readout = 0;
    std::size_t newRecords = 0;
    std::size_t heldRecords = 0;
    std::size_t conflicts = 0;
    std::size_t shifted = 0;      // records found again under a changed clock
    long long clockOffset = 0;    // 0: no clock change
    std::vector<TimeRange> gaps;  // possible losses next to this readout
    bool lastRowCut = false;
    std::size_t rowsWithoutTime = 0;
    bool merged = true;  // false: no whole first line, nothing kept
};

// Merges `readout` into the history. `joinTo`: the device the readout belongs
// to although its first line is new to the history (a firmware update); the
// line is then kept as another line of that device. A readout without a
// whole first line (the connection lost at once) is not merged: the outcome
// says so. Throws HistoryError.
MergeOutcome MergeReadout(HistoryStore& store, const IncomingReadout& readout,
                          std::optional<DeviceId> joinTo = std::nullopt);

// The possible losses of a device's kind: the stretches no readout covers,
// wider than the usual spacing of the records beside them.
std::vector<TimeRange> PossibleLosses(std::vector<Coverage> spans);

// The device a user means: its name, or any part of a first line that only
// one device has. Nothing when none or several match (`matches` says how many).
std::optional<DeviceInfo> FindDevice(const std::vector<DeviceInfo>& devices,
                                     const std::string& given, std::size_t* matches = nullptr);

// The name a device is shown by: the user's, else its newest first line.
std::string DisplayName(const DeviceInfo& device);

// A stored readout's terminal text again, byte for byte as it was.
TerminalText TerminalOf(const StoredReadout& readout);

// The device's newest readout of `kind`, whole; nothing when it has none.
std::optional<StoredReadout> NewestReadout(HistoryStore& store, DeviceId device, ReadoutKind kind);

// The records of `kind` from `from` to `to` (device time, both included) as a
// readout's device text: the newest readout's first three lines, then the rows
// in time order. Nothing when the device has no readout of that kind.
std::optional<std::string> RangeDeviceText(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                           long long from, long long to);

}  // namespace travik::history
