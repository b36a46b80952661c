#include "Table.h"

#include <algorithm>

namespace travik {
namespace {

constexpr char kTab = '\t';
constexpr char kCr = '\r';

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string withoutDoubledTabs(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t pos = 0; pos < line.size(); ++pos) {
        if (line[pos] == kTab && pos + 1 < line.size() && line[pos + 1] == kTab) continue;
        out += line[pos];
    }
    return out;
}

std::vector<std::string> splitTrimmed(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(kTab, start);
        fields.emplace_back(TrimmedField(line.substr(start, end - start)));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    while (!fields.empty() && fields.back().empty()) fields.pop_back();
    return fields;
}

// The text without the bytes at `offsets` (ascending, as the readout records them).
std::string withoutOffsets(std::string_view bytes, std::vector<std::size_t> offsets) {
    std::sort(offsets.begin(), offsets.end());
    std::string out;
    out.reserve(bytes.size());
    std::size_t next = 0;
    for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
        while (next < offsets.size() && offsets[next] < pos) ++next;
        if (next < offsets.size() && offsets[next] == pos) continue;
        out += bytes[pos];
    }
    return out;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kCr, start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

void appendCellText(std::string& out, const std::string& cell) {
    for (char c : cell) out += (c == '\r' || c == '\n') ? ' ' : c;
}

// How many of `columns` (ascending) a line of `cells` shows: those it has, up
// to its last non-empty one.
std::size_t shownCells(const std::vector<std::string>& cells,
                       const std::vector<std::size_t>& columns) {
    std::size_t shown = static_cast<std::size_t>(
        std::lower_bound(columns.begin(), columns.end(), cells.size()) - columns.begin());
    while (shown > 0 && cells[columns[shown - 1]].empty()) --shown;
    return shown;
}

// Calls `line` with the cells of each line of a copy: the titles, then `rows`.
template <typename Line>
void forEachCopyLine(const Table& table, const std::vector<std::size_t>& rows, Line line) {
    line(table.titles);
    for (std::size_t row : rows)
        if (row < table.rowCount()) line(table.rows[row]);
}

}  // namespace

std::string_view TrimmedField(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string> CutFields(std::string_view line, EmptyFields empty) {
    if (empty == EmptyFields::Kept) return splitTrimmed(line);
    const std::string collapsed = withoutDoubledTabs(line);
    return splitTrimmed(TrimmedField(collapsed));
}

Table CutTable(std::string_view bytes, const std::vector<std::size_t>& insertedTabs,
               EmptyFields empty) {
    const std::string text = withoutOffsets(bytes, insertedTabs);
    const std::vector<std::string_view> lines = linesOf(text);
    Table table;
    for (std::size_t i = 0; i < lines.size() && i < 2; ++i) table.preamble.emplace_back(lines[i]);
    if (lines.size() < 3) return table;

    table.titles = CutFields(lines[2], empty);
    table.titledColumns = table.titles.size();
    for (std::size_t i = 3; i < lines.size(); ++i) {
        std::vector<std::string> fields = CutFields(lines[i], empty);
        if (fields.empty()) continue;  // a blank line is no row
        if (fields.size() > table.titles.size()) table.titles.resize(fields.size());
        table.rows.push_back(std::move(fields));
    }
    return table;
}

std::string CopyText(const Table& table, const std::vector<std::size_t>& columns,
                     const std::vector<std::size_t>& rows) {
    std::string out;
    out.reserve(CopyTextSize(table, columns, rows));
    forEachCopyLine(table, rows, [&](const std::vector<std::string>& cells) {
        const std::size_t shown = shownCells(cells, columns);
        for (std::size_t i = 0; i < shown; ++i) {
            if (i > 0) out += kTab;
            appendCellText(out, cells[columns[i]]);
        }
        out += '\n';
    });
    return out;
}

std::size_t CopyTextSize(const Table& table, const std::vector<std::size_t>& columns,
                         const std::vector<std::size_t>& rows) {
    std::size_t size = 0;
    forEachCopyLine(table, rows, [&](const std::vector<std::string>& cells) {
        const std::size_t shown = shownCells(cells, columns);
        for (std::size_t i = 0; i < shown; ++i) size += cells[columns[i]].size();
        size += shown > 0 ? shown : 1;  // the TABs between the cells and the LF
    });
    return size;
}

}  // namespace travik
