// A readout's terminal text as a table: the first two lines as text above it,
// the third line's fields as column titles, every further non-blank line a row.
// Cells keep the device's 8-bit bytes exactly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace travik {

// How two TABs in a row are read.
enum class EmptyFields {
    Kept,       // an empty field: the cell stays empty and the columns stay in line
    Collapsed,  // one TAB, as the comma export reads them (later fields move left)
};

struct Table {
    std::vector<std::string> preamble;  // the first two lines (fewer when the text is shorter)
    std::vector<std::string> titles;    // one per column; "" for untitled extra columns
    std::size_t titledColumns = 0;      // how many titles the third line gave
    // Each row holds only the fields its line had (empty ones at the end left
    // out), so that a reply with one very long line costs no more memory than
    // its bytes: `cell()` reads the cells past a row's end as empty.
    std::vector<std::vector<std::string>> rows;

    std::size_t columnCount() const { return titles.size(); }
    std::size_t rowCount() const { return rows.size(); }
    const std::string& cell(std::size_t row, std::size_t column) const {
        static const std::string kEmpty;
        const std::vector<std::string>& fields = rows[row];
        return column < fields.size() ? fields[column] : kEmpty;
    }
};

// Trimming removes every byte of code 32 or below from both ends.
std::string_view TrimmedField(std::string_view text);

// The fields of one line, each trimmed. Empty fields at the end are dropped (a
// row with fewer fields gets empty cells anyway), so a line of blanks has none.
std::vector<std::string> CutFields(std::string_view line, EmptyFields empty);

// The table of a terminal text (a CR ends a line). `insertedTabs` are offsets
// of TABs the device did not send (the alarm header rule's): they are left out.
Table CutTable(std::string_view bytes, const std::vector<std::size_t>& insertedTabs = {},
               EmptyFields empty = EmptyFields::Kept);

// Plain text of a selection for the clipboard: the titles of `columns`
// (ascending), then one line per entry of `rows` (in that order), fields joined
// by TAB, each line ended by LF. A line ends at its last non-empty cell among
// `columns`, so that a short row costs its own cells however wide the widest
// row is. A CR or LF inside a cell becomes a space so that lines stay lines.
std::string CopyText(const Table& table, const std::vector<std::size_t>& columns,
                     const std::vector<std::size_t>& rows);
// The size in bytes of CopyText(table, columns, rows), found without making it.
std::size_t CopyTextSize(const Table& table, const std::vector<std::size_t>& columns,
                         const std::vector<std::size_t>& rows);

}  // namespace travik
