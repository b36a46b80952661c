// A long line reduced to what the pixels show: each pixel column keeps its
// extremes and the line's ends, the lines into the plot from outside are kept,
// and zooming in gives back every point that has room.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "ChartDecimation.h"

using namespace travik;

namespace {

// `count` points one apart from x = 0, a wave with a spike every 997 points.
std::vector<ChartPoint> wave(std::size_t count) {
    std::vector<ChartPoint> points;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        const double spike = i % 997 == 500 ? (i % 2 == 0 ? 50.0 : -50.0) : 0.0;
        points.push_back({x, std::sin(x / 300.0) * 10.0 + std::fmod(x * 7.3, 1.0) + spike, i});
    }
    return points;
}

struct Extremes {
    double low;
    double high;
};

// Each pixel column's lowest and highest value among `indices`.
std::map<long long, Extremes> perColumn(const std::vector<ChartPoint>& points,
                                        const std::vector<std::size_t>& indices, double low,
                                        double high, std::size_t columns) {
    std::map<long long, Extremes> out;
    for (const std::size_t i : indices) {
        const double x = points[i].x;
        if (x < low || x > high) continue;
        const auto column = std::min(
            static_cast<long long>(columns) - 1,
            static_cast<long long>((x - low) / (high - low) * static_cast<double>(columns)));
        auto [at, fresh] = out.try_emplace(column, Extremes{points[i].value, points[i].value});
        if (!fresh) {
            at->second.low = std::min(at->second.low, points[i].value);
            at->second.high = std::max(at->second.high, points[i].value);
        }
    }
    return out;
}

std::vector<std::size_t> all(std::size_t begin, std::size_t end) {
    std::vector<std::size_t> out;
    for (std::size_t i = begin; i < end; ++i) out.push_back(i);
    return out;
}

}  // namespace

TEST(ChartDecimation, EachPixelColumnKeepsItsExtremesAndTheEdgesTheirLines) {
    const std::vector<ChartPoint> points = wave(200000);
    struct Case {
        const char* name;
        std::size_t begin, end;
        double low, high;
        std::size_t columns;
    };
    const Case cases[] = {
        {"the whole line", 0, 200000, 0, 199999, 800},
        {"zoomed into the middle", 0, 200000, 51234.5, 61234.5, 640},
        {"one stretch of the line", 1000, 150000, 0, 199999, 300},
        {"zoomed past the line's end", 0, 200000, 190000, 260000, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto kept = DecimatedPoints(points, c.begin, c.end, c.low, c.high, c.columns);
        ASSERT_FALSE(kept.empty());
        EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
        EXPECT_EQ(std::adjacent_find(kept.begin(), kept.end()), kept.end()) << "no point twice";
        EXPECT_EQ(kept.front(), c.begin);
        EXPECT_EQ(kept.back(), c.end - 1);
        EXPECT_LE(kept.size(), 4 * c.columns + 4);
        EXPECT_EQ(perColumn(points, kept, c.low, c.high, c.columns).size(),
                  perColumn(points, all(c.begin, c.end), c.low, c.high, c.columns).size());
        const auto want = perColumn(points, all(c.begin, c.end), c.low, c.high, c.columns);
        const auto got = perColumn(points, kept, c.low, c.high, c.columns);
        for (const auto& [column, extremes] : want) {
            ASSERT_EQ(got.count(column), 1u) << column;
            EXPECT_EQ(got.at(column).low, extremes.low) << column;
            EXPECT_EQ(got.at(column).high, extremes.high) << column;
        }
        // The nearest point outside each side is kept, so the line reaches the edge.
        const auto lastLeft =
            std::find_if(points.rbegin() + static_cast<long>(points.size() - c.end),
                         points.rend() - static_cast<long>(c.begin),
                         [&](const ChartPoint& p) { return p.x < c.low; });
        if (lastLeft != points.rend() - static_cast<long>(c.begin)) {
            EXPECT_TRUE(std::binary_search(kept.begin(), kept.end(), lastLeft->row));
        }
        const auto firstRight = std::find_if(points.begin() + static_cast<long>(c.begin),
                                             points.begin() + static_cast<long>(c.end),
                                             [&](const ChartPoint& p) { return p.x > c.high; });
        if (firstRight != points.begin() + static_cast<long>(c.end)) {
            EXPECT_TRUE(std::binary_search(kept.begin(), kept.end(), firstRight->row));
        }
    }
}

TEST(ChartDecimation, ZoomedInFarEnoughEveryPointIsDrawn) {
    const std::vector<ChartPoint> points = wave(5000);
    EXPECT_EQ(DecimatedPoints(points, 0, 5000, 1000, 1300, 800).size(), 305u)
        << "301 inside, and the first and last of the run outside on each side";
    EXPECT_EQ(DecimatedPoints(points, 0, 5000, 0, 4999, 5000), all(0, 5000));
    EXPECT_EQ(DecimatedPoints(points, 0, 5000, 7, 7, 800), all(0, 5000)) << "no range";
    EXPECT_EQ(DecimatedPoints(points, 0, 5000, 0, 4999, 0), all(0, 5000)) << "no width";
    EXPECT_TRUE(DecimatedPoints(points, 10, 10, 0, 4999, 100).empty());
    EXPECT_EQ(DecimatedPoints(points, 4990, 9000, 4990, 4999, 100), all(4990, 5000))
        << "an end past the points is the points' end";
}

TEST(ChartDecimation, AClockSetBackKeepsBothPassesOverTheSameColumns) {
    // The device's clock went back an hour: x runs 0..99, then 40..99 again.
    std::vector<ChartPoint> points;
    for (std::size_t i = 0; i < 100; ++i) points.push_back({double(i), double(i % 7), i});
    for (std::size_t i = 40; i < 100; ++i)
        points.push_back({double(i), 100.0 + double(i % 5), points.size()});
    const auto kept = DecimatedPoints(points, 0, points.size(), 0, 99, 10);
    EXPECT_TRUE(std::binary_search(kept.begin(), kept.end(), std::size_t{99}))
        << "the last point before the step back";
    EXPECT_TRUE(std::binary_search(kept.begin(), kept.end(), std::size_t{100}))
        << "the first after it";
    const auto want = perColumn(points, all(0, points.size()), 0, 99, 10);
    const auto got = perColumn(points, kept, 0, 99, 10);
    for (const auto& [column, extremes] : want) {
        EXPECT_EQ(got.at(column).low, extremes.low);
        EXPECT_EQ(got.at(column).high, extremes.high);
    }
    EXPECT_LT(kept.size(), points.size() / 2);
}
