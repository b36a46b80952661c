// Limits on the chart page, offscreen: lines that leave the axes alone (a
// marker at the edge for one beyond them), the points outside in their own
// colour also when reduced and zoomed, a shaded band per excursion, and the
// report's picture of it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QValueAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "CellValues.h"
#include "ChartPage.h"
#include "DeviceLimits.h"
#include "ShownReadout.h"
#include "Table.h"

namespace {

using travik::ChartBand;
using travik::ChartPage;
using travik::ColumnLimit;
using travik::Table;
using travik::history::StoredLimit;

constexpr std::size_t kValueColumn = 3;
const long long kStart = travik::DaysFromCivil(2024, 3, 1) * 86400 + 6 * 3600;  // 06:00

// Minutes (or seconds) after 06:00 on the axis, in the chart's milliseconds.
double msAtSecond(long long seconds) {
    return static_cast<double>((kStart + seconds) * 1000);
}
double msAt(long long minutes) {
    return msAtSecond(minutes * 60);
}

// A row every `step` seconds (15 minutes unless given) from 06:00 on one day,
// with `values` as the device writes them.
std::shared_ptr<const Table> tableOf(const std::vector<std::string>& values,
                                     long long step = 15 * 60) {
    std::string text = "TravikP 2000 V3.12\r09.12.2026 01:00:00\rNo\tDate\tTime\tT\r";
    for (std::size_t i = 0; i < values.size(); ++i) {
        const long long seconds = 6 * 3600 + static_cast<long long>(i) * step;
        char time[64];
        std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
        text += std::to_string(i + 1) + "\t01.03.2024\t" + time + "\t" + values[i] + "\r";
    }
    return std::make_shared<const Table>(travik::CutTable(text));
}

const std::vector<std::string> kValues = {"20,0", "31,0", "32,0", "20,0", "5,0", "20,0", "20,0"};

ColumnLimit limitOf(std::optional<double> lower, std::optional<double> upper,
                    long long from = travik::kSinceEver) {
    ColumnLimit limit;
    limit.lower = lower;
    limit.upper = upper;
    limit.from = from;
    return limit;
}

std::shared_ptr<const std::vector<travik::history::ColumnExcursions>> excursionsOf(
    const Table& table, const std::vector<ColumnLimit>& limits) {
    std::vector<StoredLimit> stored;
    for (const ColumnLimit& limit : limits) stored.push_back({"T", limit, 0});
    return std::make_shared<const std::vector<travik::history::ColumnExcursions>>(
        travik::history::TableExcursions(table, stored, {}));
}

QChart* chartOf(const ChartPage& page) {
    return qobject_cast<QChartView*>(page.chartView())->chart();
}

struct AxisRanges {
    std::vector<std::pair<double, double>> ranges;
    bool operator==(const AxisRanges& other) const { return ranges == other.ranges; }
};
AxisRanges axisRanges(const ChartPage& page) {
    AxisRanges out;
    for (QAbstractAxis* axis : chartOf(page)->axes()) {
        const auto* value = qobject_cast<QValueAxis*>(axis);
        if (value) out.ranges.emplace_back(value->min(), value->max());
    }
    return out;
}

void setHorizontalRange(const ChartPage& page, double low, double high) {
    chartOf(page)->axes(Qt::Horizontal).front()->setRange(low, high);
}

// The page charting the value column of `table`, laid out offscreen.
class ChartLimitsTest : public ::testing::Test {
protected:
    void show(std::shared_ptr<const Table> table) {
        page.resize(900, 600);
        page.show();
        page.setTable(std::move(table), 0);
        for (std::size_t column : page.chartedColumns()) page.setColumnChecked(column, false);
        page.setColumnChecked(kValueColumn, true);
        QApplication::processEvents();
    }
    std::vector<ChartBand> excursionBands() const {
        std::vector<ChartBand> out;
        for (const ChartBand& band : page.bands())
            if (band.kind == ChartBand::Kind::Excursion) out.push_back(band);
        return out;
    }
    ChartPage page;
};

TEST_F(ChartLimitsTest, LimitsLeaveTheAxesAsTheDataSetThemAndMarkTheOutsidePoints) {
    struct Case {
        const char* what;
        std::vector<ColumnLimit> limits;
        int lines;
        QStringList edgeMarkers;
        QList<QPointF> outside;
    };
    const std::vector<Case> cases = {
        {"both in view",
         {limitOf(10.0, 30.0)},
         2,
         {},
         {{msAt(15), 31}, {msAt(30), 32}, {msAt(60), 5}}},
        {"equal to the limit is inside", {limitOf(5.0, 32.0)}, 2, {}, {}},
        {"far above", {limitOf(std::nullopt, 1000.0)}, 0, {QStringLiteral("\u25B2 1000")}, {}},
        {"far below", {limitOf(-500.5, std::nullopt)}, 0, {QStringLiteral("\u25BC -500,5")}, {}},
        {"one in view, one beyond",
         {limitOf(-40.0, 25.0)},
         1,
         {QStringLiteral("\u25BC -40")},
         {{msAt(15), 31}, {msAt(30), 32}}},
    };
    const auto table = tableOf(kValues);
    show(table);
    const AxisRanges without = axisRanges(page);
    ASSERT_EQ(without.ranges.size(), 2u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        page.setExcursions(excursionsOf(*table, c.limits));
        QApplication::processEvents();
        EXPECT_EQ(axisRanges(page), without);
        EXPECT_EQ(page.limitLines().size(), c.lines);
        EXPECT_EQ(page.limitEdgeMarkers(), c.edgeMarkers);
        EXPECT_EQ(page.outsidePoints(), c.outside);
        // Lines lie inside the plot, across the whole range shown.
        for (const QLineF& line : page.limitLines()) {
            EXPECT_TRUE(page.plotArea().adjusted(0, -0.5, 0, 0.5).contains(line.p1()));
            EXPECT_DOUBLE_EQ(line.x1(), page.plotArea().left());
            EXPECT_DOUBLE_EQ(line.x2(), page.plotArea().right());
        }
    }
    page.setExcursions(nullptr);
    EXPECT_EQ(axisRanges(page), without);
    EXPECT_TRUE(page.outsidePoints().isEmpty());
    EXPECT_TRUE(page.limitLines().isEmpty());
}

TEST_F(ChartLimitsTest, EachExcursionIsShadedAtItsTimesAlsoWhenZoomed) {
    const auto table = tableOf(kValues);
    show(table);
    page.setBands({{ChartBand::Kind::PossibleLoss, static_cast<double>(kStart + 80 * 60),
                    static_cast<double>(kStart + 85 * 60)}});
    page.setExcursions(excursionsOf(*table, {limitOf(10.0, 30.0)}));
    QApplication::processEvents();
    const std::vector<ChartBand> bands = excursionBands();
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0].from, static_cast<double>(kStart + 15 * 60));
    EXPECT_EQ(bands[0].to, static_cast<double>(kStart + 45 * 60));
    EXPECT_EQ(bands[1].from, static_cast<double>(kStart + 60 * 60));
    EXPECT_EQ(bands[1].to, static_cast<double>(kStart + 75 * 60));
    EXPECT_EQ(page.bands().size(), 3u);  // the page's own loss band kept beside them
    EXPECT_EQ(page.shadedAreas().size(), 3);

    // Zoomed to 06:20-06:55: the first excursion's end and the other's start out of view.
    setHorizontalRange(page, msAt(20), msAt(55));
    QApplication::processEvents();
    const QRectF plot = page.plotArea();
    const QList<QRectF> shaded = page.shadedAreas();
    ASSERT_EQ(shaded.size(), 1);
    EXPECT_DOUBLE_EQ(shaded[0].left(), plot.left());
    EXPECT_NEAR(shaded[0].right(), plot.left() + plot.width() * 25 / 35, 1e-6);
    QList<QPointF> inView;
    for (const QPointF& point : page.outsidePoints())
        if (point.x() >= msAt(20) && point.x() <= msAt(55)) inView << point;
    EXPECT_EQ(inView, (QList<QPointF>{{msAt(30), 32}}));
    EXPECT_EQ(page.limitLines().size(), 2);
}

TEST_F(ChartLimitsTest, AChangedLimitIsDrawnOverTheTimeItHoldsAndJudgesItsOwnPoints) {
    const auto table = tableOf({"20,0", "26,0", "31,0", "20,0", "26,0", "20,0", "20,0"});
    show(table);
    page.setExcursions(excursionsOf(
        *table, {limitOf(std::nullopt, 30.0), limitOf(std::nullopt, 25.0, kStart + 45 * 60)}));
    QApplication::processEvents();
    EXPECT_EQ(page.outsidePoints(), (QList<QPointF>{{msAt(30), 31}, {msAt(60), 26}}));
    const QList<QLineF> lines = page.limitLines();
    ASSERT_EQ(lines.size(), 2);
    const QRectF plot = page.plotArea();
    const double at45 = plot.left() + plot.width() * 45 / 90;
    EXPECT_DOUBLE_EQ(lines[0].x1(), plot.left());
    EXPECT_NEAR(lines[0].x2(), at45, 1e-6);
    EXPECT_NEAR(lines[1].x1(), at45, 1e-6);
    EXPECT_DOUBLE_EQ(lines[1].x2(), plot.right());
    EXPECT_LT(lines[0].y1(), lines[1].y1());  // 30 above 25
}

// Thousands of points to a pixel column: each stretch outside, however short,
// keeps a point drawn, before and after a zoom.
TEST_F(ChartLimitsTest, AReducedLineStillShowsEveryStretchOutside) {
    std::vector<std::string> values(20000, "20");
    const std::vector<std::size_t> spikes = {7, 4000, 4001, 4002, 12345, 19990};
    for (std::size_t at : spikes) values[at] = "40";
    const auto table = tableOf(values, 1);
    show(table);
    page.setExcursions(excursionsOf(*table, {limitOf(std::nullopt, 30.0)}));
    QApplication::processEvents();
    const auto drawnAt = [this](std::size_t row) {
        for (const QPointF& point : page.outsidePoints())
            if (point.x() == msAtSecond(static_cast<long long>(row))) return true;
        return false;
    };
    EXPECT_LT(page.drawnPointCount(), 20000 / 2);
    for (std::size_t stretch :
         {std::size_t{7}, std::size_t{4000}, std::size_t{12345}, std::size_t{19990}}) {
        SCOPED_TRACE(stretch);
        EXPECT_TRUE(drawnAt(stretch));
    }
    setHorizontalRange(page, msAtSecond(3990), msAtSecond(4010));
    QApplication::processEvents();
    for (std::size_t row : {std::size_t{4000}, std::size_t{4001}, std::size_t{4002}})
        EXPECT_TRUE(drawnAt(row)) << row;
}

// The number of pixels in about the outside colour in `image`.
int outsideColoured(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - 0xe6) < 8 && c.green() < 8 && std::abs(c.blue() - 0x73) < 8)
                ++count;
        }
    return count;
}

TEST_F(ChartLimitsTest, TheReportsPictureShowsTheLimits) {
    const auto table = tableOf(kValues);
    show(table);
    const auto paint = [this] {
        QImage image(600, 400, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        page.paintChart(&painter, QRectF(0, 0, 600, 400));
        painter.end();
        return image;
    };
    EXPECT_EQ(outsideColoured(paint()), 0);
    page.setExcursions(excursionsOf(*table, {limitOf(10.0, 30.0)}));
    QApplication::processEvents();
    const QList<QLineF> onScreen = page.limitLines();
    EXPECT_GT(outsideColoured(paint()), 3 * 10);  // three dots of several pixels each
    EXPECT_EQ(page.limitLines(), onScreen);       // the page as it was
}

// The window gives the shown readout's excursions to its chart page.
class ChartLimitsWindowTest : public WindowTest {};

TEST_F(ChartLimitsWindowTest, TheShownReadoutsLimitsReachTheChart) {
    auto form = startForm();
    const auto table = tableOf(kValues);
    form->showTable(table);
    auto* page = form->findChild<ChartPage*>(QStringLiteral("ChartPage1"));
    ASSERT_NE(page, nullptr);
    page->setColumnChecked(kValueColumn, true);
    EXPECT_TRUE(page->outsidePoints().isEmpty());
    form->findChild<travik::ShownReadout*>()->setLimits({{"T", limitOf(10.0, 30.0), 0}});
    EXPECT_EQ(page->outsidePoints().size(), 3);
    // Another table: the window loads its limits again (none kept for it here).
    form->showTable(tableOf({"20,0", "40,0"}));
    page->setColumnChecked(kValueColumn, true);
    EXPECT_TRUE(page->outsidePoints().isEmpty());
    form->findChild<travik::ShownReadout*>()->setLimits({{"T", limitOf(10.0, 30.0), 0}});
    EXPECT_EQ(page->outsidePoints(), (QList<QPointF>{{msAt(15), 40}}));
}

}  // namespace
