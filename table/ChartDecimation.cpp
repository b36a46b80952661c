#include "ChartDecimation.h"

#include <algorithm>
#include <cmath>

namespace travik {
namespace {

// The pixel column of `x`: -1 left of the range, `columns` right of it.
long long columnOf(double x, double low, double high, std::size_t columns) {
    if (x < low) return -1;
    const auto count = static_cast<long long>(columns);
    if (x > high) return count;
    const double share = (x - low) / (high - low);
    return std::min(count - 1,
                    static_cast<long long>(std::floor(share * static_cast<double>(columns))));
}

}  // namespace

std::vector<std::size_t> DecimatedPoints(const std::vector<ChartPoint>& points, std::size_t begin,
                                         std::size_t end, double low, double high,
                                         std::size_t columns) {
    end = std::min(end, points.size());
    std::vector<std::size_t> kept;
    if (begin >= end) return kept;
    if (!(high > low) || columns == 0) {
        for (std::size_t i = begin; i < end; ++i) kept.push_back(i);
        return kept;
    }
    const auto outside = [columns](long long column) {
        return column < 0 || column >= static_cast<long long>(columns);
    };
    std::size_t runStart = begin;
    long long runColumn = columnOf(points[begin].x, low, high, columns);
    const auto closeRun = [&](std::size_t runEnd) {
        std::size_t lowest = runStart;
        std::size_t highest = runStart;
        if (!outside(runColumn)) {
            for (std::size_t i = runStart + 1; i < runEnd; ++i) {
                if (points[i].value < points[lowest].value) lowest = i;
                if (points[i].value > points[highest].value) highest = i;
            }
        }
        std::size_t run[] = {runStart, lowest, highest, runEnd - 1};
        std::sort(std::begin(run), std::end(run));
        for (const std::size_t i : run)
            if (kept.empty() || kept.back() != i) kept.push_back(i);
    };
    for (std::size_t i = begin + 1; i < end; ++i) {
        const long long column = columnOf(points[i].x, low, high, columns);
        if (column == runColumn) continue;
        closeRun(i);
        runStart = i;
        runColumn = column;
    }
    closeRun(end);
    return kept;
}

}  // namespace travik
