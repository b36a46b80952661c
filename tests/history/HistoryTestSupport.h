// Readouts for the history tests: the simulator's replies read as the program
// reads them (the byte rules and the byte limit), and a history file per test.
#pragma once

#include <set>
#include <string>
#include <utility>

#include "DeviceReplies.h"
#include "Merge.h"
#include "SqliteStore.h"

namespace travik::history::testing {

inline constexpr long long kDay = 86400;

// 01.01.2024 on the history's clock (seconds since 1970), the simulator's epoch.
long long Since1970(sim::DeviceTime deviceTime);

// `reply` (CR LF line ends, no end byte) received as the readout receives it:
// the device's end byte after it, at most the byte limit of `kind` read.
IncomingReadout Received(const std::string& reply, ReadoutKind kind, long long readAtUtc = 0);

ReadoutKind KindOf(sim::HistoryKind kind);

// The readout the simulated device gives at `history.now`.
IncomingReadout ReadoutAt(sim::HistoryKind kind, const sim::DeviceHistory& history);

// The device times of the records a reply at `history.now` holds whole.
std::set<long long> TimesHeld(sim::HistoryKind kind, const sim::DeviceHistory& history);

// Every record of the device's kinds in the store, as (time, content).
std::set<std::pair<long long, std::string>> AllRecords(HistoryStore& store, DeviceId device,
                                                       ReadoutKind kind);

}  // namespace travik::history::testing
