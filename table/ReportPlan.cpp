#include "ReportPlan.h"

#include <algorithm>
#include <cmath>

#include "Columns.h"

namespace travik {
namespace {

constexpr std::size_t kMostRepeated = 3;
constexpr std::size_t kRowsBetweenStops = 4096;

// Band `band`'s rows: those of the previous band's that reach into it. The bands
// start further right one after the other, so each list is cut from the one
// before it, never from the whole table again.
std::vector<std::size_t> rowsReaching(const Table& table, const std::vector<std::size_t>& previous,
                                      std::size_t firstColumn) {
    std::vector<std::size_t> rows;
    for (std::size_t row : previous)
        if (table.rows[row].size() > firstColumn) rows.push_back(row);
    return rows;
}

// Lays the bands' rows over pages from the top of the first page down.
class PageFiller {
public:
    explicit PageFiller(const BandLayout& layout)
        : layout_(layout), room_(layout.firstPageRoom), pages_(1) {}

    void addBand(std::size_t band, std::size_t rowCount) {
        std::size_t next = 0;
        do {
            const double head = layout_.headingHeight + layout_.rowHeight;
            const double needed = head + (rowCount > 0 ? layout_.rowHeight : 0);
            if (!pages_.back().empty() && y_ + layout_.gap + needed > room_) newPage();
            if (!pages_.back().empty()) y_ += layout_.gap;
            y_ += head;
            const std::size_t fitting = rowsFitting();
            const std::size_t count = std::min(rowCount - next, std::max<std::size_t>(fitting, 1));
            pages_.back().push_back(BandPart{band, next, count});
            next += count;
            y_ += static_cast<double>(count) * layout_.rowHeight;
        } while (next < rowCount);
    }

    std::vector<std::vector<BandPart>> pages() && { return std::move(pages_); }

private:
    std::size_t rowsFitting() const {
        if (layout_.rowHeight <= 0) return 1;
        const double rows = std::floor((room_ - y_) / layout_.rowHeight);
        return rows > 0 ? static_cast<std::size_t>(rows) : 0;
    }

    void newPage() {
        pages_.emplace_back();
        y_ = 0;
        room_ = layout_.pageRoom;
    }

    const BandLayout& layout_;
    double room_;
    double y_ = 0;
    std::vector<std::vector<BandPart>> pages_;
};

}  // namespace

std::size_t RepeatedColumns(const Table& table) {
    std::size_t repeated = 0;
    while (repeated < std::min(kMostRepeated, table.columnCount()) &&
           (IsRowCounter(table, repeated) || IsTimeColumn(table, repeated)))
        ++repeated;
    return repeated;
}

std::vector<ColumnBand> ColumnBands(const std::vector<double>& widths, std::size_t repeated,
                                    double room) {
    const std::size_t count = widths.size();
    if (count == 0) return {};
    repeated = std::min(repeated, count);
    double rest = 0;
    for (std::size_t column = repeated; column < count; ++column) rest += widths[column];
    if (rest <= room) return {ColumnBand{0, count}};
    std::vector<ColumnBand> bands;
    for (std::size_t first = repeated; first < count;) {
        std::size_t end = first;
        double used = 0;
        while (end < count && (end == first || used + widths[end] <= room)) used += widths[end++];
        bands.push_back(ColumnBand{bands.empty() ? 0 : first, end});
        first = end;
    }
    return bands;
}

TablePlan PlanTablePages(const Table& table, std::vector<ColumnBand> bands,
                         const BandLayout& layout, const std::function<bool()>& stop) {
    TablePlan plan;
    if (bands.empty()) return plan;
    const auto stopped = [&stop] { return stop && stop(); };
    std::vector<std::vector<std::size_t>> bandRows;
    bandRows.reserve(bands.size());
    for (std::size_t band = 0; band < bands.size(); ++band) {
        if (band == 0) {
            std::vector<std::size_t> all(table.rowCount());
            for (std::size_t row = 0; row < all.size(); ++row) {
                all[row] = row;
                if (row % kRowsBetweenStops == 0 && stopped()) return plan;
            }
            bandRows.push_back(std::move(all));
        } else {
            bandRows.push_back(rowsReaching(table, bandRows.back(), bands[band].first));
        }
        if (stopped()) return plan;
    }
    PageFiller filler(layout);
    for (std::size_t band = 0; band < bands.size(); ++band)
        filler.addBand(band, bandRows[band].size());
    plan.bands = std::move(bands);
    plan.bandRows = std::move(bandRows);
    plan.pages = std::move(filler).pages();
    return plan;
}

}  // namespace travik
