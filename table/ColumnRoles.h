// What a numeric column stands for, beyond being numbers: an identifier (a
// running number or a code), or values whose unit changes from row to row.
//
// The device's alarm buffer shows why it matters: "No" counts the rows, "IdL"
// is the alarm's number beside its text, "I" a one-digit level, and "Value"
// holds a temperature in one row and a current in the next, its unit in the
// column after it. A mean of any of these reads like a result and is none.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Table.h"

namespace travik {

enum class IdentifierKind {
    None,       // a measurement
    RowCount,   // counts the rows: each step +1 (or each -1); a step back to 1 starts
                // a new count, as where two readouts are joined
    TextCode,   // labels the text beside it: wherever the same number stands, the text
                // column next to it holds the same non-empty text
    SmallCode,  // at least ten numbers, each a single digit (0 to 9), not all the
                // same: a level, a channel, a priority
};

// The identifier rule. Only columns whose numbers are all whole and written
// without a decimal separator or sign can be identifiers; of those, the first
// kind above that fits. `textColumn` is the table's text column (TextColumn()).
// An identifier gets no mean and is not charted unless chosen.
IdentifierKind IdentifierKindOf(const Table& table, std::size_t column,
                                const std::optional<std::size_t>& textColumn);
bool IsIdentifierColumn(const Table& table, std::size_t column,
                        const std::optional<std::size_t>& textColumn);

// The unit column of value column `column`: the column right after it when
// each of its non-empty cells is short (at most 8 bytes) and holds neither a
// digit nor a space ("°C", "mA", "l/min", "µS/cm"), they are not all the same,
// and at least one recurs (short words each written once are more likely
// labels). Nothing when the unit does not change (the figures stay one).
std::optional<std::size_t> ChangingUnitColumn(const Table& table, std::size_t column);

// One kind of value in a column whose unit changes: named by the row's text
// (the alarm's kind) where the rows name one, else by the unit alone.
struct ValueKind {
    std::string name;               // the text as the device wrote it, trimmed; "" by unit
    std::string unit;               // the unit cell, trimmed
    std::vector<std::size_t> rows;  // rows holding a number, in table order
};

// The kinds of `column` in the order they first occur, each with the rows that
// hold a number; empty when the column's unit does not change. Rows whose
// value does not read belong to no kind; a text with two units makes two kinds.
std::vector<ValueKind> ValueKindsOf(const Table& table, std::size_t column,
                                    const std::optional<std::size_t>& textColumn);

// "Übertemperatur Kühler" or, by unit alone, the unit; what a line or a figure
// of the kind is called after the column's title.
std::string KindLabel(const ValueKind& kind);

}  // namespace travik
