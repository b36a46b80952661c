#include "ChartLines.h"

#include <algorithm>
#include <cmath>

#include "CellValues.h"

namespace travik {
namespace {

double spanOf(double low, double high) {
    const double span = high - low;
    return span > 0 ? span : std::max(std::fabs(high), 1e-9);
}

bool rangesFit(double aLow, double aHigh, double bLow, double bHigh, double factor) {
    const double a = spanOf(aLow, aHigh), b = spanOf(bLow, bHigh);
    return std::max(a, b) <= factor * std::min(a, b);
}

std::optional<double> axisPosition(const Table& table, const std::optional<TimeAxis>& axis,
                                   std::size_t row) {
    if (!axis) return static_cast<double>(row + 1);
    if (const auto seconds = AxisSeconds(table, *axis, row)) return static_cast<double>(*seconds);
    return std::nullopt;
}

template <class Rows>
ColumnLine cutLine(const Table& table, std::size_t column, const std::optional<TimeAxis>& axis,
                   const Rows& rows) {
    ColumnLine line;
    line.column = column;
    bool afterGap = true;
    for (const std::size_t row : rows) {
        const std::optional<double> value = ReadNumber(table.cell(row, column));
        const std::optional<double> x = value ? axisPosition(table, axis, row) : std::nullopt;
        if (!value || !x) {
            afterGap = true;  // a gap, not a zero
            continue;
        }
        if (afterGap) line.lineStarts.push_back(line.points.size());
        afterGap = false;
        if (line.points.empty()) line.low = line.high = *value;
        line.low = std::min(line.low, *value);
        line.high = std::max(line.high, *value);
        line.points.push_back({*x, *value, row});
    }
    return line;
}

// The rows 0 to count - 1, without a vector of them.
struct AllRows {
    struct Iterator {
        std::size_t row;
        std::size_t operator*() const { return row; }
        Iterator& operator++() {
            ++row;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return row != other.row; }
    };
    std::size_t count;
    Iterator begin() const { return {0}; }
    Iterator end() const { return {count}; }
};

}  // namespace

ColumnLine CutColumnLine(const Table& table, std::size_t column,
                         const std::optional<TimeAxis>& axis) {
    return cutLine(table, column, axis, AllRows{table.rowCount()});
}

ColumnLine CutColumnLine(const Table& table, std::size_t column,
                         const std::optional<TimeAxis>& axis,
                         const std::vector<std::size_t>& rows) {
    std::vector<std::size_t> inTable;
    inTable.reserve(rows.size());
    for (std::size_t row : rows)
        if (row < table.rowCount()) inTable.push_back(row);
    return cutLine(table, column, axis, inTable);
}

std::optional<AxisRange> HorizontalRange(const std::vector<ColumnLine>& lines, double halfWidth) {
    std::optional<AxisRange> range;
    for (const ColumnLine& line : lines) {
        for (const ChartPoint& point : line.points) {
            if (!range) range = AxisRange{point.x, point.x};
            range->low = std::min(range->low, point.x);
            range->high = std::max(range->high, point.x);
        }
    }
    if (range && range->high <= range->low) {
        range->low -= halfWidth;
        range->high += halfWidth;
    }
    return range;
}

std::vector<ValueAxisGroup> GroupByRange(const std::vector<ColumnLine>& lines, double factor) {
    std::vector<ValueAxisGroup> groups;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ColumnLine& line = lines[i];
        if (line.points.empty()) continue;
        auto fits = std::find_if(groups.begin(), groups.end(), [&](const ValueAxisGroup& group) {
            return rangesFit(group.low, group.high, line.low, line.high, factor);
        });
        if (fits == groups.end()) {
            groups.push_back({line.low, line.high, {i}});
        } else {
            fits->low = std::min(fits->low, line.low);
            fits->high = std::max(fits->high, line.high);
            fits->lines.push_back(i);
        }
    }
    return groups;
}

AxisRange PaddedRange(double low, double high) {
    const double pad = spanOf(low, high) * 0.05;
    return {low - pad, high + pad};
}

}  // namespace travik
