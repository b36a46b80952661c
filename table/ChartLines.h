// What a chart draws of a table, without drawing it: each charted column as
// points over the horizontal axis, cut into lines at its gaps, and the columns
// grouped onto value axes by their ranges.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Columns.h"
#include "Table.h"

namespace travik {

struct ChartPoint {
    double x;      // the axis seconds of the row (its time as written), else its row number
    double value;  // the cell's number
    std::size_t row;
};

// One charted column: its points in row order, and where each line starts
// again after a gap (an empty or unreadable cell, or a row without a time).
struct ColumnLine {
    std::size_t column = 0;
    std::vector<ChartPoint> points;
    std::vector<std::size_t> lineStarts;  // indices into points, the first one 0
    double low = 0;                       // the values' range; 0, 0 without points
    double high = 0;
    // For one kind of a column whose unit changes (ColumnRoles.h): its label
    // and unit, as the device wrote them; empty for the whole column.
    std::string kind;
    std::string unit;
};

ColumnLine CutColumnLine(const Table& table, std::size_t column,
                         const std::optional<TimeAxis>& axis);
// The same over `rows` alone (in their order).
ColumnLine CutColumnLine(const Table& table, std::size_t column,
                         const std::optional<TimeAxis>& axis, const std::vector<std::size_t>& rows);

// The horizontal range of all points; a single point in time gets `halfWidth`
// on either side. Nothing when no column has a point.
struct AxisRange {
    double low;
    double high;
};
std::optional<AxisRange> HorizontalRange(const std::vector<ColumnLine>& lines, double halfWidth);

// Lines whose value ranges lie within `factor` of each other (by span) share an
// axis: each group lists indices into `lines`, in the order their first line
// comes; lines without points are in no group.
struct ValueAxisGroup {
    double low;
    double high;
    std::vector<std::size_t> lines;
};
std::vector<ValueAxisGroup> GroupByRange(const std::vector<ColumnLine>& lines,
                                         double factor = 10.0);

// The range a group's axis shows: 5 % of its span added on each side (a flat
// line gets a span from its size).
AxisRange PaddedRange(double low, double high);

}  // namespace travik
