// What a chart needs of a long line to draw it as all its points would: in a
// plot some hundred pixels wide, a decade of records falls thousands to a
// pixel column, and only the first, the lowest, the highest and the last of
// each column's points show. Worked out again for each zoom, so that zooming
// in draws every point that then has room.
#pragma once

#include <cstddef>
#include <vector>

#include "ChartLines.h"

namespace travik {

// The indices (ascending, into `points`, from `begin` to before `end`) of the
// points a plot `columns` pixels wide, showing `low` to `high` of the points'
// x, needs to draw their line as all of them would. In each run of successive
// points in one pixel column: the first, the lowest, the highest and the last.
// Points left or right of the shown range count as one column each side, so
// that the lines coming into the plot from its edges are kept; of their runs
// only the first and the last point are kept. Every point when the range or
// the width is empty.
std::vector<std::size_t> DecimatedPoints(const std::vector<ChartPoint>& points, std::size_t begin,
                                         std::size_t end, double low, double high,
                                         std::size_t columns);

}  // namespace travik
