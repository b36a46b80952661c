// The history in the window's pages: with ten years of daily data-logger
// readouts merged (as bench/history_bench.cpp makes them), one year shown in
// the table, the chart and the figures, and the whole decade in the chart.
// Both again with a limit on the charted column, its excursions worked out and
// drawn. Give a history file made before as the first argument to skip the merging.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchClock.h"
#include "CellValues.h"
#include "ChartPage.h"
#include "ColumnFigures.h"
#include "DeviceLimits.h"
#include "DeviceReplies.h"
#include "FiguresGrid.h"
#include "HistoryRange.h"
#include "Merge.h"
#include "SqliteStore.h"
#include "TableItemModel.h"
#include "TableView.h"

namespace {

using namespace travik;
using namespace travik::history;

constexpr int kDays = 3650;

IncomingReadout received(const std::string& reply, long long readAt) {
    IncomingReadout readout;
    readout.kind = ReadoutKind::DataLogger;
    readout.source = "bench";
    readout.readAtUtc = readAt;
    ReadoutRules rules(readout.terminal, false);
    std::int32_t count = 0;
    for (const char c : reply + std::string(1, '\0')) {
        const bool more = rules.take(static_cast<std::uint8_t>(c), count);
        if (++count >= kDataLimit) readout.endedComplete = false;
        if (!more || count >= kDataLimit) break;
    }
    return readout;
}

void makeDecade(const std::string& path) {
    sim::DeviceHistory device;
    device.serial = "4711";
    sim::HistoryReadouts readouts(device, 86400, std::nullopt);
    SqliteStore store(path);
    std::fprintf(stderr, "merging %d daily readouts...\n", kDays);
    for (int day = 0; day < kDays; ++day)
        MergeReadout(store, received(readouts.next(sim::HistoryKind::DataLogger), day * 86400LL));
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The pages as the window has them, at the window's size.
struct Pages {
    TableView table;
    ChartPage chart;
    FiguresGrid figures;
    Pages() {
        for (QWidget* page : {static_cast<QWidget*>(&table), static_cast<QWidget*>(&chart),
                              static_cast<QWidget*>(&figures)}) {
            page->resize(800, 600);
            page->show();
        }
    }
    // Shown and painted once, as a page switched to shows it.
    // With `limits`, the excursions are worked out and drawn as the window does.
    void show(const std::shared_ptr<const Table>& shown, const HistoryRange& range,
              const std::vector<StoredLimit>& limits = {}) {
        table.tableModel()->setTable(shown);
        table.tableModel()->setRowMarks(range.rowMarks);
        table.fitColumns();
        showChart(shown, range, limits);
        figures.setTable(shown, 0);
        table.grab();
        figures.grab();
    }
    void showChart(const std::shared_ptr<const Table>& shown, const HistoryRange& range,
                   const std::vector<StoredLimit>& limits = {}) {
        std::vector<TimeSpan> losses;
        for (const RangeMark& mark : range.marks) losses.push_back({mark.from, mark.to});
        chart.setTable(shown, 0,
                       std::make_shared<const std::vector<ColumnExcursions>>(
                           limits.empty() ? std::vector<ColumnExcursions>()
                                          : TableExcursions(*shown, limits, losses)));
        std::vector<ChartBand> bands;
        for (const RangeMark& mark : range.marks)
            bands.push_back({ChartBand::Kind::PossibleLoss, static_cast<double>(mark.from),
                             static_cast<double>(mark.to)});
        chart.setBands(std::move(bands));
        QCoreApplication::processEvents();
        chart.grab();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string folder;
    std::string path = argc > 1 ? argv[1] : "";
    if (path.empty() || !std::filesystem::exists(path)) {
        char pattern[] = "/tmp/travik-history-view-bench-XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        folder = pattern;
        if (path.empty()) path = folder + "/history.sqlite";
        makeDecade(path);
    }
    bench::Table table;
    {
        SqliteOptions reading;
        reading.readOnly = true;
        reading.mustExist = true;
        SqliteStore store(path, reading);
        const DeviceId id = store.devices().front().id;
        Pages pages;
        const double before = peakMiB();

        std::size_t rows = 0;
        const TimeRange year{DaysFromCivil(2029, 1, 1) * 86400,
                             DaysFromCivil(2030, 1, 1) * 86400 - 1};
        const bench::Timing shownYear = bench::medianOf(5, [&] {
            const auto range = LoadRange(store, id, ReadoutKind::DataLogger, year);
            if (!range) return;
            const auto shown = std::make_shared<const Table>(RangeTable(*range));
            rows = shown->rowCount();
            pages.show(shown, *range);
        });
        table.add("history view: one year in table, chart, figures (" + std::to_string(rows) +
                      " records)",
                  bench::format("%.0f ms", shownYear.wall * 1000) +
                      bench::format(" (%.0f ms CPU)", shownYear.cpu * 1000),
                  "<= 300 ms", shownYear.wall <= 0.300);
        std::optional<HistoryRange> yearRange;
        const bench::Timing yearLoaded = bench::medianOf(
            5, [&] { yearRange = LoadRange(store, id, ReadoutKind::DataLogger, year); });
        table.add("history view: of which the year loaded and cut into a table",
                  bench::format("%.0f ms", yearLoaded.wall * 1000));
        const auto yearTable = std::make_shared<const Table>(RangeTable(*yearRange));
        const bench::Timing yearPages =
            bench::medianOf(5, [&] { pages.show(yearTable, *yearRange); });
        table.add("history view: of which the pages showing it",
                  bench::format("%.0f ms", yearPages.wall * 1000));
        const bench::Timing yearChart =
            bench::medianOf(5, [&] { pages.showChart(yearTable, *yearRange); });
        table.add("history view: of which the chart",
                  bench::format("%.0f ms", yearChart.wall * 1000));
        table.add("history view: peak memory after one year shown",
                  bench::format("%.0f MiB", peakMiB()) + bench::format(" (%.0f before)", before),
                  "<= 200 MB", peakMiB() * 1.048576 <= 200.0);
        table.add("history view: chart points drawn for one year",
                  std::to_string(pages.chart.drawnPointCount()));

        // A limit on the charted column, crossed now and then: its lowest and
        // highest tenth of the year's range outside.
        const std::size_t charted = pages.chart.chartedColumns().front();
        const TableFigures figures = FiguresOf(*yearTable);
        std::vector<StoredLimit> limits(1);
        for (const ColumnFigures& column : figures.columns) {
            if (column.column != charted) continue;
            const double span = column.maximum.value - column.minimum.value;
            limits[0].column = yearTable->titles[charted];
            limits[0].limit.lower = column.minimum.value + span / 10;
            limits[0].limit.upper = column.maximum.value - span / 10;
        }
        const bench::Timing limitedYear = bench::medianOf(5, [&] {
            const auto range = LoadRange(store, id, ReadoutKind::DataLogger, year);
            if (!range) return;
            pages.show(std::make_shared<const Table>(RangeTable(*range)), *range, limits);
        });
        std::size_t excursions = 0;
        if (const auto shown = TableExcursions(*yearTable, limits, {}); !shown.empty())
            excursions = shown.front().figures.excursions.size();
        table.add(
            "history view: one year with a limit (" + std::to_string(excursions) + " excursions)",
            bench::format("%.0f ms", limitedYear.wall * 1000) +
                bench::format(" (%.0f ms CPU)", limitedYear.cpu * 1000),
            "<= 300 ms", limitedYear.wall <= 0.300);
        const bench::Timing yearExcursions =
            bench::medianOf(5, [&] { TableExcursions(*yearTable, limits, {}); });
        table.add("history view: of which the excursions worked out",
                  bench::format("%.0f ms", yearExcursions.wall * 1000) +
                      bench::format(" (%.0f ms CPU)", yearExcursions.cpu * 1000),
                  "<= 20 ms", yearExcursions.wall <= 0.020);
        table.add("history view: chart points drawn for one year with a limit",
                  std::to_string(pages.chart.drawnPointCount()) + " + " +
                      std::to_string(pages.chart.outsidePoints().size()) + " outside");

        const auto decade =
            ResolveRange(store, id, ReadoutKind::DataLogger, RangeChoice::Everything);
        std::optional<HistoryRange> all;
        const bench::Timing loaded = bench::medianOf(
            3, [&] { all = LoadRange(store, id, ReadoutKind::DataLogger, *decade); });
        const auto shownAll = std::make_shared<const Table>(RangeTable(*all));
        table.add("history view: the decade loaded (" + std::to_string(shownAll->rowCount()) +
                      " records)",
                  bench::format("%.0f ms", loaded.wall * 1000));
        const bench::Timing chart = bench::medianOf(3, [&] { pages.showChart(shownAll, *all); });
        table.add("history view: the decade drawn in the chart",
                  bench::format("%.0f ms", chart.wall * 1000) +
                      bench::format(" (%.0f ms CPU)", chart.cpu * 1000),
                  "<= 500 ms", chart.wall <= 0.500);
        table.add("history view: chart points drawn for the decade",
                  std::to_string(pages.chart.drawnPointCount()));
        const bench::Timing limitedChart =
            bench::medianOf(3, [&] { pages.showChart(shownAll, *all, limits); });
        table.add("history view: the decade drawn in the chart with a limit",
                  bench::format("%.0f ms", limitedChart.wall * 1000) +
                      bench::format(" (%.0f ms CPU)", limitedChart.cpu * 1000),
                  "<= 500 ms", limitedChart.wall <= 0.500);
        const bench::Timing decadeExcursions =
            bench::medianOf(3, [&] { TableExcursions(*shownAll, limits, {}); });
        table.add("history view: of which the decade's excursions worked out",
                  bench::format("%.0f ms", decadeExcursions.wall * 1000) +
                      bench::format(" (%.0f ms CPU)", decadeExcursions.cpu * 1000));
        table.add("history view: peak memory after the decade",
                  bench::format("%.0f MiB", peakMiB()));
    }
    table.print();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    return 0;
}
