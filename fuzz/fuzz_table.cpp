// The table of an arbitrary terminal text: every row has one cell per column,
// every cell is exactly the trimmed field of its line, the copy text gives the
// cells back, and sorting any column is an ordered permutation of the rows.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CellValues.h"
#include "Columns.h"
#include "Table.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string_view> split(std::string_view text, char at) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// The rows as read straight from the lines, without padding.
std::vector<std::vector<std::string>> expectedRows(std::string_view text) {
    std::vector<std::string_view> lines = split(text, '\r');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 3; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        for (std::string_view field : split(lines[i], '\t'))
            fields.emplace_back(travik::TrimmedField(field));
        while (!fields.empty() && fields.back().empty()) fields.pop_back();
        if (!fields.empty()) rows.push_back(fields);
    }
    return rows;
}

void checkCells(const travik::Table& table, std::string_view text) {
    const auto expected = expectedRows(text);
    check(table.rowCount() == expected.size());
    for (std::size_t r = 0; r < expected.size(); ++r) {
        check(table.rows[r].size() <= table.columnCount());
        for (std::size_t c = 0; c < table.columnCount(); ++c)
            check(table.cell(r, c) == (c < expected[r].size() ? expected[r][c] : std::string()));
    }
}

std::string flattened(const std::string& cell) {
    std::string out = cell;
    for (char& ch : out)
        if (ch == '\r' || ch == '\n') ch = ' ';
    return out;
}

void checkCopyText(const travik::Table& table) {
    std::vector<std::size_t> columns, rows;
    for (std::size_t c = 0; c < table.columnCount(); ++c) columns.push_back(c);
    for (std::size_t r = table.rowCount(); r-- > 0;) rows.push_back(r);
    const std::string copy = travik::CopyText(table, columns, rows);
    check(travik::CopyTextSize(table, columns, rows) == copy.size());
    std::vector<std::string_view> lines = split(copy, '\n');
    check(!lines.empty() && lines.back().empty());
    lines.pop_back();
    check(lines.size() == rows.size() + 1);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string_view> fields = split(lines[i], '\t');
        if (columns.empty()) continue;
        // A row's line ends at its last non-empty cell: the cells past it are empty.
        check(fields.size() <= columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string_view field = c < fields.size() ? fields[c] : std::string_view();
            check(field == flattened(table.cell(rows[i - 1], c)));
        }
    }
}

void checkSorting(const travik::Table& table) {
    for (std::size_t c = 0; c < table.columnCount() && c < 8; ++c) {
        for (bool descending : {false, true}) {
            const std::vector<std::size_t> order = travik::SortedRows(table, c, descending);
            check(order.size() == table.rowCount());
            std::vector<bool> seen(order.size());
            for (std::size_t r : order) {
                check(r < seen.size() && !seen[r]);
                seen[r] = true;
            }
            for (std::size_t i = 1; i < order.size(); ++i) {
                const auto a = travik::SortKeyOf(table.cell(order[i - 1], c));
                const auto b = travik::SortKeyOf(table.cell(order[i], c));
                if (b.kind == travik::CellClass::Empty) continue;
                check(a.kind != travik::CellClass::Empty);
                const int compared = travik::CompareKeys(a, b);
                check(descending ? compared >= 0 : compared <= 0);
            }
        }
        for (std::size_t r = 0; r < table.rowCount(); ++r)
            if (const auto number = travik::ReadNumber(table.cell(r, c)))
                check(std::isfinite(*number));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const travik::Table table = travik::CutTable(text);
    checkCells(table, text);
    checkCopyText(table);
    checkSorting(table);
    // The one pass over all columns agrees with asking column by column.
    const std::vector<std::size_t> numeric = travik::NumericColumns(table);
    for (std::size_t c = 0; c < table.columnCount() && c < 64; ++c)
        check(travik::IsNumericColumn(table, c) ==
              (std::find(numeric.begin(), numeric.end(), c) != numeric.end()));
    (void)travik::FirstChartColumn(table);
    (void)travik::TextColumn(table);
    if (const auto axis = travik::FindTimeAxis(table))
        for (std::size_t r = 0; r < table.rowCount(); ++r)
            (void)travik::AxisSeconds(table, *axis, r);
    // The comma export's reading of the same text.
    const travik::Table collapsed = travik::CutTable(text, {}, travik::EmptyFields::Collapsed);
    for (const auto& row : collapsed.rows) check(row.size() <= collapsed.columnCount());
    return 0;
}
