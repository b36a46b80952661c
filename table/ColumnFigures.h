// The figures of a table's numeric columns: how many values, the smallest and
// the largest with where they first occur, the mean; and for a table with a
// time axis its earliest and latest time and the span between them. Only
// cells that read as numbers are values; empty and text cells are skipped.
// The figures follow the rows in the order of the readout.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Columns.h"
#include "Table.h"

namespace travik {

// One value of a column where it first occurs.
struct ValueAt {
    double value = 0;
    std::string text;                  // the cell as the device wrote it, trimmed
    std::size_t row = 0;               // table row
    std::optional<long long> seconds;  // its time on the axis, when the row has one
};

struct ColumnFigures {
    std::size_t column = 0;
    std::size_t count = 0;  // cells that read as numbers
    ValueAt minimum;
    ValueAt maximum;
    double mean = 0;
    char decimalSeparator = '.';  // the one the column's numbers use
    int decimals = 0;             // the most digits after it in any of them
    // A running number or a code (ColumnRoles.h): it has no mean.
    bool identifier = false;
    // For a column whose unit changes, one entry per kind of value
    // (ValueKindsOf): the kind's label and its unit; empty otherwise.
    std::string kind;
    std::string unit;
};

struct TableFigures {
    // One per column the chart offers, in table order; a column whose unit
    // changes gives one per kind of value instead, never one across units.
    std::vector<ColumnFigures> columns;
    std::optional<TimeAxis> axis;
    // The earliest and latest time on the axis (rows whose time does not read are left out).
    std::optional<ValueAt> earliest;
    std::optional<ValueAt> latest;
    long long spanSeconds() const;
};

TableFigures FiguresOf(const Table& table);

// `value` written with `decimals` digits after the column's separator, as the
// device writes its numbers ("-3,25"); never "-0".
std::string NumberText(double value, int decimals, char decimalSeparator);

// The mean written as the column writes its numbers, with one digit more;
// empty for an identifier.
std::string MeanText(const ColumnFigures& figures);

// The axis cells of `row` as the device wrote them ("01.03.2024 06:15:00").
std::string AxisText(const Table& table, const TimeAxis& axis, std::size_t row);

// A span of seconds as "hh:mm:ss", with whole days in front ("3 d 04:05:06",
// `dayUnit` being "d"); a negative span is written as 0.
std::string SpanText(long long seconds, const std::string& dayUnit);

}  // namespace travik
