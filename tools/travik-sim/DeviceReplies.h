// The text the simulated device sends back: an alarm-buffer reply for "h", a
// data-logger reply for "d", or random bytes. Plain bytes in Windows-1252, line
// ends CR LF; the same arguments always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace travik::sim {

// Enough rows that a full reply is longer than the program reads (14490 bytes
// of alarm buffer, 8770 of data logger), as from a device whose memory is full.
inline constexpr std::size_t kDefaultAlarmRows = 232;
inline constexpr std::size_t kDefaultDataRows = 190;

// Two short lines (device name and date), the column header "No\tt\tI\tIdL\t...",
// then `rows` alarm entries. No end byte.
std::string AlarmReply(std::size_t rows, std::uint64_t seed);

// Two short lines, the column header "No\tDate\tTime\tValue1\t...", then `rows`
// logged measurements. No end byte.
std::string DataLoggerReply(std::size_t rows, std::uint64_t seed);

// `count` bytes drawn evenly from all 256 values.
std::string RandomBytes(std::size_t count, std::uint64_t seed);

}  // namespace travik::sim
