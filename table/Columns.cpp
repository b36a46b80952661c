#include "Columns.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "CellValues.h"
#include "ColumnRoles.h"

namespace travik {
namespace {

// What the cells of one column read as.
struct ColumnCounts {
    std::size_t filled = 0;
    std::size_t numbers = 0;
    std::size_t times = 0;
    std::size_t dates = 0;
    std::size_t timesOfDay = 0;

    void add(const std::string& cell) {
        if (TrimmedField(cell).empty()) return;
        ++filled;
        // No cell reads as both: a number has at most one separator and no ':'.
        if (ReadNumber(cell)) {
            ++numbers;
        } else if (const auto time = ReadTime(cell)) {
            ++times;
            dates += time->kind == TimeKind::Date;
            timesOfDay += time->kind == TimeKind::TimeOfDay;
        }
    }
    static bool mostly(std::size_t part, std::size_t whole) { return part * 5 >= whole * 4; }
    bool numeric() const { return filled >= 2 && mostly(numbers, filled); }
    bool time() const { return filled >= 2 && mostly(times, filled); }
    bool mostlyDates() const { return times > 0 && mostly(dates, times); }
    bool mostlyTimesOfDay() const { return times > 0 && mostly(timesOfDay, times); }
};

// Row by row over the cells the rows hold: the cost follows the bytes, not
// rows times columns (one long line would make that product huge).
std::vector<ColumnCounts> countColumns(const Table& table) {
    std::vector<ColumnCounts> counts(table.columnCount());
    for (const auto& row : table.rows)
        for (std::size_t column = 0; column < row.size(); ++column) counts[column].add(row[column]);
    return counts;
}

ColumnCounts countColumn(const Table& table, std::size_t column) {
    ColumnCounts counts;
    for (std::size_t row = 0; row < table.rowCount(); ++row) counts.add(table.cell(row, column));
    return counts;
}

std::vector<std::size_t> numericOf(const std::vector<ColumnCounts>& counts) {
    std::vector<std::size_t> columns;
    for (std::size_t column = 0; column < counts.size(); ++column)
        if (counts[column].numeric()) columns.push_back(column);
    return columns;
}

std::optional<std::size_t> firstChartOf(const Table& table, const std::vector<std::size_t>& numeric,
                                        const std::optional<std::size_t>& textColumn) {
    if (numeric.empty()) return std::nullopt;
    for (std::size_t column : numeric)
        if (!IsIdentifierColumn(table, column, textColumn)) return column;
    return numeric.front();
}

std::optional<TimeAxis> axisOf(const std::vector<ColumnCounts>& counts) {
    for (std::size_t column = 0; column < counts.size(); ++column) {
        if (!counts[column].time()) continue;
        TimeAxis axis{column, std::nullopt};
        const std::size_t next = column + 1;
        if (next < counts.size() && counts[column].mostlyDates() && counts[next].time() &&
            counts[next].mostlyTimesOfDay())
            axis.timeColumn = next;
        return axis;
    }
    return std::nullopt;
}

std::optional<std::size_t> textColumnOf(const std::vector<ColumnCounts>& counts) {
    for (std::size_t column = 0; column < counts.size(); ++column)
        if (counts[column].filled > 0 && !counts[column].numeric() && !counts[column].time())
            return column;
    return std::nullopt;
}

}  // namespace

bool IsNumericColumn(const Table& table, std::size_t column) {
    return column < table.columnCount() && countColumn(table, column).numeric();
}

std::vector<std::size_t> NumericColumns(const Table& table) {
    return numericOf(countColumns(table));
}

ColumnKinds KindsOf(const Table& table) {
    const std::vector<ColumnCounts> counts = countColumns(table);
    ColumnKinds kinds;
    kinds.numeric = numericOf(counts);
    kinds.axis = axisOf(counts);
    kinds.textColumn = textColumnOf(counts);
    kinds.firstChart = firstChartOf(table, kinds.numeric, kinds.textColumn);
    return kinds;
}

bool IsRowCounter(const Table& table, std::size_t column) {
    if (table.rowCount() < 2 || column >= table.columnCount()) return false;
    std::optional<double> previous;
    double step = 0;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const auto value = ReadNumber(table.cell(row, column));
        if (!value || *value != std::floor(*value)) return false;
        if (previous) {
            const double difference = *value - *previous;
            if (step == 0) step = difference;
            if (std::fabs(difference) != 1 || difference != step) return false;
        }
        previous = value;
    }
    return true;
}

std::optional<std::size_t> FirstChartColumn(const Table& table) {
    const std::vector<ColumnCounts> counts = countColumns(table);
    return firstChartOf(table, numericOf(counts), textColumnOf(counts));
}

bool IsTimeColumn(const Table& table, std::size_t column) {
    return column < table.columnCount() && countColumn(table, column).time();
}

std::optional<TimeAxis> FindTimeAxis(const Table& table) {
    return axisOf(countColumns(table));
}

std::optional<long long> AxisSeconds(const Table& table, const TimeAxis& axis, std::size_t row) {
    if (row >= table.rowCount()) return std::nullopt;
    const auto first = ReadTime(table.cell(row, axis.column));
    if (!first) return std::nullopt;
    if (!axis.timeColumn) return first->seconds;
    const auto time = ReadTime(table.cell(row, *axis.timeColumn));
    if (first->kind != TimeKind::Date || !time || time->kind != TimeKind::TimeOfDay)
        return std::nullopt;
    return first->seconds + time->seconds;
}

bool AxisIsTimeOfDay(const Table& table, const TimeAxis& axis) {
    if (axis.timeColumn) return false;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const auto time = ReadTime(table.cell(row, axis.column));
        if (time && time->kind != TimeKind::TimeOfDay) return false;
    }
    return true;
}

std::optional<std::size_t> TextColumn(const Table& table) {
    return textColumnOf(countColumns(table));
}

std::vector<std::size_t> SortedRows(const Table& table, std::size_t column, bool descending) {
    std::vector<std::size_t> order(table.rowCount());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (column >= table.columnCount()) return order;
    std::vector<SortKey> keys;
    keys.reserve(table.rowCount());
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        keys.push_back(SortKeyOf(table.cell(row, column)));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const SortKey& x = keys[a];
        const SortKey& y = keys[b];
        const bool xEmpty = x.kind == CellClass::Empty, yEmpty = y.kind == CellClass::Empty;
        if (xEmpty || yEmpty) return !xEmpty && yEmpty;
        const int compared = CompareKeys(x, y);
        return descending ? compared > 0 : compared < 0;
    });
    return order;
}

}  // namespace travik
