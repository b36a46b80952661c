// Where a table goes on the report's pages. A table too wide for a page is cut
// into bands of columns that fit beside its leading columns (the running
// number, the date and time), which are repeated in every band. Each band holds
// only the rows that have cells in it, so the pages grow with the cells that
// exist, never with rows times the widest row. Bands follow each other down the
// pages; a band of a few rows shares its page with the next.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "Table.h"

namespace travik {

// Table columns [first, end). The first band starts at column 0, its leading
// columns included; later bands start after them.
struct ColumnBand {
    std::size_t first = 0;
    std::size_t end = 0;
};

// The leading columns repeated in every band: those of the first three that
// are running numbers or dates and times, up to the first that is neither.
std::size_t RepeatedColumns(const Table& table);

// Cuts columns [repeated, widths.size()) into bands, each as many columns as
// fit into `room` (the page's width beside the repeated columns), at least one.
// A table that fits whole gives one band; a table without columns none.
std::vector<ColumnBand> ColumnBands(const std::vector<double>& widths, std::size_t repeated,
                                    double room);

// The heights of what a band's part on a page takes, and the pages' room.
struct BandLayout {
    double firstPageRoom = 0;  // what is left on the first page under what came before
    double pageRoom = 0;       // on every further page
    double headingHeight = 0;  // "columns 9-16 of 7002" over each band's part; 0 for none
    double rowHeight = 0;      // the column titles and every row
    double gap = 0;            // between two bands on one page
};

// Rows [firstRow, firstRow + rowCount) of band `band`'s rows.
struct BandPart {
    std::size_t band = 0;
    std::size_t firstRow = 0;
    std::size_t rowCount = 0;
};

struct TablePlan {
    std::vector<ColumnBand> bands;
    std::vector<std::vector<std::size_t>> bandRows;  // the table rows shown in each band
    std::vector<std::vector<BandPart>> pages;        // what each page shows, top down
};

// Each band with the rows that have a field in it (the first band with every
// row), laid out over pages. `stop`, asked now and then, ends the planning
// early (an empty plan) when it returns true.
TablePlan PlanTablePages(const Table& table, std::vector<ColumnBand> bands,
                         const BandLayout& layout, const std::function<bool()>& stop = {});

}  // namespace travik
