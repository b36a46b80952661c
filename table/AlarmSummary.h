// An alarm buffer summed up: each alarm text with how often it occurs and
// its first and last time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Table.h"

namespace travik {

struct AlarmCount {
    std::string text;  // the cell as the device wrote it, trimmed
    std::size_t count = 0;
    std::size_t firstRow = 0;  // where it occurs first and last in the readout
    std::size_t lastRow = 0;
    std::optional<std::string> firstTime;  // the axis cells of the earliest and latest
    std::optional<std::string> lastTime;   // rows whose time reads, as written
};

// The texts of the table's text column in the order they first occur; rows
// with an empty text are left out. Without a text column, nothing.
std::vector<AlarmCount> AlarmSummary(const Table& table);

}  // namespace travik
