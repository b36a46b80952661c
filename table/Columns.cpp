#include "Columns.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "CellValues.h"

namespace travik {
namespace {

template <class Reads>
bool mostlyReads(const Table& table, std::size_t column, Reads reads) {
    if (column >= table.columnCount()) return false;
    std::size_t filled = 0;
    std::size_t read = 0;
    for (const auto& row : table.rows) {
        if (TrimmedField(row[column]).empty()) continue;
        ++filled;
        if (reads(row[column])) ++read;
    }
    return filled >= 2 && read * 5 >= filled * 4;
}

bool isDateColumn(const Table& table, std::size_t column, TimeKind kind) {
    std::size_t matching = 0;
    std::size_t times = 0;
    for (const auto& row : table.rows) {
        if (const auto time = ReadTime(row[column])) {
            ++times;
            if (time->kind == kind) ++matching;
        }
    }
    return times > 0 && matching * 5 >= times * 4;
}

}  // namespace

bool IsNumericColumn(const Table& table, std::size_t column) {
    return mostlyReads(table, column,
                       [](const std::string& cell) { return ReadNumber(cell).has_value(); });
}

std::vector<std::size_t> NumericColumns(const Table& table) {
    std::vector<std::size_t> columns;
    for (std::size_t column = 0; column < table.columnCount(); ++column)
        if (IsNumericColumn(table, column)) columns.push_back(column);
    return columns;
}

bool IsRowCounter(const Table& table, std::size_t column) {
    if (table.rowCount() < 2 || column >= table.columnCount()) return false;
    std::optional<double> previous;
    double step = 0;
    for (const auto& row : table.rows) {
        const auto value = ReadNumber(row[column]);
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
    const std::vector<std::size_t> numeric = NumericColumns(table);
    if (numeric.empty()) return std::nullopt;
    for (std::size_t column : numeric)
        if (!IsRowCounter(table, column)) return column;
    return numeric.front();
}

bool IsTimeColumn(const Table& table, std::size_t column) {
    return mostlyReads(table, column,
                       [](const std::string& cell) { return ReadTime(cell).has_value(); });
}

std::optional<TimeAxis> FindTimeAxis(const Table& table) {
    for (std::size_t column = 0; column < table.columnCount(); ++column) {
        if (!IsTimeColumn(table, column)) continue;
        TimeAxis axis{column, std::nullopt};
        const std::size_t next = column + 1;
        if (next < table.columnCount() && isDateColumn(table, column, TimeKind::Date) &&
            IsTimeColumn(table, next) && isDateColumn(table, next, TimeKind::TimeOfDay))
            axis.timeColumn = next;
        return axis;
    }
    return std::nullopt;
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
    for (const auto& row : table.rows) {
        const auto time = ReadTime(row[axis.column]);
        if (time && time->kind != TimeKind::TimeOfDay) return false;
    }
    return true;
}

std::optional<std::size_t> TextColumn(const Table& table) {
    for (std::size_t column = 0; column < table.columnCount(); ++column) {
        if (IsNumericColumn(table, column) || IsTimeColumn(table, column)) continue;
        for (const auto& row : table.rows)
            if (!TrimmedField(row[column]).empty()) return column;
    }
    return std::nullopt;
}

std::vector<std::size_t> SortedRows(const Table& table, std::size_t column, bool descending) {
    std::vector<std::size_t> order(table.rowCount());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (column >= table.columnCount()) return order;
    std::vector<SortKey> keys;
    keys.reserve(table.rowCount());
    for (const auto& row : table.rows) keys.push_back(SortKeyOf(row[column]));
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
