// What a table offers a chart: its numeric columns, its time axis, its text
// column, and the rows in the order a column sorts them.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "Table.h"

namespace travik {

// At least two non-empty cells, and at least 80 % of them read as numbers.
bool IsNumericColumn(const Table& table, std::size_t column);
std::vector<std::size_t> NumericColumns(const Table& table);

// Whole numbers counting up or down by one from row to row (a running number):
// offered, but not the column a chart starts with.
bool IsRowCounter(const Table& table, std::size_t column);

// The column a chart starts with: the first numeric one that is no identifier
// (ColumnRoles.h), else the first numeric one; nothing without numeric columns.
std::optional<std::size_t> FirstChartColumn(const Table& table);

// At least two non-empty cells, and at least 80 % of them read as dates or times.
bool IsTimeColumn(const Table& table, std::size_t column);

// The horizontal axis: the first time column; a column of dates followed by a
// column of times of day counts as one (`timeColumn`).
struct TimeAxis {
    std::size_t column = 0;
    std::optional<std::size_t> timeColumn;
};
std::optional<TimeAxis> FindTimeAxis(const Table& table);

// The row's position on the axis (the TimeValue seconds, date plus time of day
// for a pair); nothing when its cells do not read.
std::optional<long long> AxisSeconds(const Table& table, const TimeAxis& axis, std::size_t row);

// True when every cell of the axis that reads is a time of day (no date).
bool AxisIsTimeOfDay(const Table& table, const TimeAxis& axis);

// The first column with a non-empty cell that is neither numeric nor a time column.
std::optional<std::size_t> TextColumn(const Table& table);

// All of the above that a table's pages need, from one pass over its cells.
struct ColumnKinds {
    std::vector<std::size_t> numeric;
    std::optional<std::size_t> firstChart;
    std::optional<TimeAxis> axis;
    std::optional<std::size_t> textColumn;
};
ColumnKinds KindsOf(const Table& table);

// The rows (indices) sorted by `column`: ascending, or exactly reversed when
// `descending`; empty cells last either way; equal cells keep their order.
std::vector<std::size_t> SortedRows(const Table& table, std::size_t column, bool descending);

}  // namespace travik
