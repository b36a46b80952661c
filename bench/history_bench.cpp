// The history benchmark: ten years of daily data-logger readouts (3650) from
// the simulator's device with a history merged into one history file, then
// one more merge, the file's size against the raw replies', and a year's export.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "CellValues.h"
#include "CsvExport.h"
#include "DeviceLimits.h"
#include "DeviceReplies.h"
#include "Merge.h"
#include "ReadoutFile.h"
#include "SqliteStore.h"

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

long long fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<long long>(size);
}

void checkpoint(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK)
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The excursion figures of a year: a limit on each of the four measured
// columns (one changed in mid-year), from the year's table as the window holds
// it; and with the records read out of the history first.
void addExcursionFigures(bench::Table& table, SqliteStore& store, DeviceId id, long long from,
                         long long to) {
    const char* const columns[] = {"Value1 \260C", "Value2 \265S/cm", "Value3 bar", "Value4 %"};
    const double uppers[] = {22.5, 400.0, 1.12, 60.0};
    {
        Transaction setting(store);
        for (std::size_t i = 0; i < 4; ++i) {
            StoredLimit limit;
            limit.column = columns[i];
            limit.limit.upper = uppers[i];
            limit.limit.lower = 0.0;
            limit.limit.delayPoints = 2;
            limit.limit.deadband = 0.1;
            store.setLimit(id, limit);
        }
        StoredLimit changed;
        changed.column = columns[0];
        changed.limit.upper = 23.0;
        changed.limit.from = DaysFromCivil(2029, 7, 1) * 86400;
        store.setLimit(id, changed);
        setting.commit();
    }
    const auto range = ExcursionsOfRange(store, id, ReadoutKind::DataLogger, from, to);
    if (!range) return;
    const std::vector<StoredLimit> limits = store.limits(id);
    const auto axis = FindTimeAxis(range->table);
    if (!axis) return;
    std::size_t excursions = 0;
    const bench::Timing figures = bench::medianOf(9, [&] {
        excursions = 0;
        for (const ColumnExcursions& column : TableExcursions(range->table, *axis, limits, {}))
            excursions += column.figures.excursions.size();
    });
    table.add("history: excursion figures of a year, 4 columns (" + std::to_string(excursions) +
                  " excursions): wall / CPU",
              bench::format("%.1f", figures.wall * 1000) + " / " +
                  bench::format("%.1f ms", figures.cpu * 1000),
              "<= 20 ms", figures.wall <= 0.020);
    const bench::Timing withRead = bench::medianOf(
        5, [&] { ExcursionsOfRange(store, id, ReadoutKind::DataLogger, from, to); });
    table.add("history: the same with the year read from the history",
              bench::format("%.0f ms", withRead.wall * 1000));
}

}  // namespace

int main() {
    char pattern[] = "/tmp/travik-history-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    const std::string path = folder + "/history.sqlite";
    bench::Table table;

    sim::DeviceHistory device;
    device.serial = "4711";
    sim::HistoryReadouts readouts(device, 86400, std::nullopt);
    long long rawBytes = 0;
    double mergeSeconds = 0;
    DeviceId id = 0;
    std::fprintf(stderr, "merging %d daily readouts...\n", kDays);
    {
        SqliteStore store(path);
        for (int day = 0; day < kDays; ++day) {
            const std::string reply = readouts.next(sim::HistoryKind::DataLogger);
            const IncomingReadout readout = received(reply, day * 86400LL);
            rawBytes += static_cast<long long>(readout.terminal.size());
            const double start = bench::wallSeconds();
            id = MergeReadout(store, readout).device;
            mergeSeconds += bench::wallSeconds() - start;
        }
        table.add("history: 3650 daily data-logger readouts merged, in all",
                  bench::format("%.1f s", mergeSeconds));
        std::vector<IncomingReadout> next;
        for (int i = 0; i < 9; ++i)
            next.push_back(received(readouts.next(sim::HistoryKind::DataLogger), 0));
        std::size_t taken = 0;
        const bench::Timing more = bench::medianOf(9, [&] { MergeReadout(store, next[taken++]); });
        table.add("history: one more readout merged into ten years",
                  bench::format("%.1f ms", more.wall * 1000), "<= 20 ms", more.wall <= 0.020);
        table.add("history: records held",
                  std::to_string(store.recordCount(id, ReadoutKind::DataLogger)));

        // One year in the middle of the decade, written with the tab-separated writer.
        const long long from = DaysFromCivil(2029, 1, 1) * 86400;
        const long long to = DaysFromCivil(2030, 1, 1) * 86400 - 1;
        const std::string csv = folder + "/year.csv";
        std::size_t rows = 0;
        const bench::Timing year = bench::medianOf(5, [&] {
            const auto text = RangeDeviceText(store, id, ReadoutKind::DataLogger, from, to);
            if (!text) return;
            const TerminalText terminal = ReplayedTerminal(*text, ReadoutKind::DataLogger);
            rows = terminal.lines().size();
            SaveCsvTabbed(csv, terminal, false);
        });
        table.add("history: one year exported as CSV (" + std::to_string(rows) + " lines)",
                  bench::format("%.0f ms", year.wall * 1000), "<= 300 ms", year.wall <= 0.300);
        addExcursionFigures(table, store, id, from, to);
    }
    checkpoint(path);
    const long long size = fileSize(path) + fileSize(path + "-wal");
    const double ratio = static_cast<double>(size) / static_cast<double>(rawBytes);
    table.add("history: raw replies of the decade",
              bench::format("%.1f MB", static_cast<double>(rawBytes) / 1e6));
    table.add("history: the history file",
              bench::format("%.1f MB", static_cast<double>(size) / 1e6));
    table.add("history: file against raw replies", bench::format("%.2f x", ratio), "<= 3 x",
              ratio <= 3.0);
    table.print();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
