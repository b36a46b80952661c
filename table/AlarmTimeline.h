// An alarm buffer as a timeline: each alarm kind (the row's text) on a row of
// its own, each alarm a mark at its time, told apart by whether the alarm
// comes or goes where the device writes that ("kommt", "geht").
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ChartLines.h"
#include "Columns.h"
#include "Table.h"

namespace travik {

// True when the rows name alarms: the table has a time axis and a text
// column, and at least 80 % of at least two rows have a text. A data logger's
// event column, filled now and then, does not make one. `kinds` are the
// table's (KindsOf), for a caller that has them already.
bool RowsNameAlarms(const Table& table);
bool RowsNameAlarms(const Table& table, const ColumnKinds& kinds);

// The column in which the device writes whether an alarm comes or goes: at
// least two non-empty cells, each "kommt" or "geht" (any case).
std::optional<std::size_t> ComesGoesColumn(const Table& table);

enum class AlarmEdge { Unknown, Comes, Goes };

struct AlarmTimeline {
    std::vector<std::string> kinds;  // the texts as written, trimmed, in the order they first occur
    std::optional<std::size_t> textColumn;
    // One line per edge that occurs (Comes, Goes, then Unknown): a point per
    // alarm whose time reads, its value the index of its kind in `kinds`.
    std::vector<ColumnLine> marks;
    std::vector<AlarmEdge> edges;  // of each entry of `marks`
    std::size_t markCount() const;
};

// Nothing (no kinds, no marks) unless RowsNameAlarms(table).
AlarmTimeline TimelineOf(const Table& table);
AlarmTimeline TimelineOf(const Table& table, const ColumnKinds& kinds);

// Each kind's value line for a column whose unit changes (ValueKindsOf), named
// by `kind` and `unit`; one line of the whole column otherwise.
std::vector<ColumnLine> KindLines(const Table& table, std::size_t column,
                                  const std::optional<TimeAxis>& axis,
                                  const std::optional<std::size_t>& textColumn);

}  // namespace travik
