#include "ColumnFigures.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "CellValues.h"
#include "ColumnRoles.h"

namespace travik {
namespace {

constexpr int kMaxDecimals = 15;

struct Written {
    char separator = 0;  // none when the number has no decimals
    int decimals = 0;
};

Written howWritten(std::string_view number) {
    const std::size_t at = number.find_first_of(".,");
    if (at == std::string_view::npos) return {};
    return {number[at], static_cast<int>(number.size() - at - 1)};
}

ValueAt valueAt(double value, std::string_view text, std::size_t row,
                std::optional<long long> seconds) {
    return ValueAt{value, std::string(text), row, seconds};
}

void add(ColumnFigures& figures, double& sum, double value, std::string_view cell, std::size_t row,
         const std::optional<long long>& seconds) {
    if (figures.count == 0 || value < figures.minimum.value)
        figures.minimum = valueAt(value, cell, row, seconds);
    if (figures.count == 0 || value > figures.maximum.value)
        figures.maximum = valueAt(value, cell, row, seconds);
    const Written written = howWritten(cell);
    if (figures.decimalSeparator == 0) figures.decimalSeparator = written.separator;
    if (written.decimals > figures.decimals) figures.decimals = written.decimals;
    sum += value;
    ++figures.count;
}

// The separator the table's numbers use, for a column of whole numbers that
// has none: the first one written in the leftmost column that writes one.
struct TableSeparator {
    std::size_t column = SIZE_MAX;
    char separator = '.';

    void note(std::size_t at, char written) {
        if (written != 0 && at < column) {
            column = at;
            separator = written;
        }
    }
};

// The figures of `column` over `rows` alone (a kind of value).
ColumnFigures figuresOfRows(const Table& table, std::size_t column,
                            const std::vector<std::size_t>& rows,
                            const std::optional<TimeAxis>& axis, char tableSeparator) {
    ColumnFigures figures;
    figures.column = column;
    figures.decimalSeparator = 0;
    double sum = 0;
    for (std::size_t row : rows) {
        const std::string_view cell = TrimmedField(table.cell(row, column));
        const std::optional<double> value = ReadNumber(cell);
        if (!value) continue;
        add(figures, sum, *value, cell, row, axis ? AxisSeconds(table, *axis, row) : std::nullopt);
    }
    if (figures.decimalSeparator == 0) figures.decimalSeparator = tableSeparator;
    if (figures.count > 0) figures.mean = sum / static_cast<double>(figures.count);
    return figures;
}

// Identifiers marked, and each column whose unit changes replaced by its kinds.
std::vector<ColumnFigures> withRoles(const Table& table, std::vector<ColumnFigures> columns,
                                     const std::optional<TimeAxis>& axis,
                                     const std::optional<std::size_t>& textColumn,
                                     char tableSeparator) {
    std::vector<ColumnFigures> out;
    out.reserve(columns.size());
    for (ColumnFigures& column : columns) {
        const std::vector<ValueKind> kinds = ValueKindsOf(table, column.column, textColumn);
        if (kinds.empty()) {
            column.identifier = IsIdentifierColumn(table, column.column, textColumn);
            out.push_back(std::move(column));
            continue;
        }
        for (const ValueKind& kind : kinds) {
            ColumnFigures figures =
                figuresOfRows(table, column.column, kind.rows, axis, tableSeparator);
            figures.kind = KindLabel(kind);
            figures.unit = kind.unit;
            out.push_back(std::move(figures));
        }
    }
    return out;
}

}  // namespace

long long TableFigures::spanSeconds() const {
    if (!earliest || !latest || !earliest->seconds || !latest->seconds) return 0;
    return *latest->seconds - *earliest->seconds;
}

// Row by row over the cells the rows hold: the cost follows the bytes, not
// rows times numeric columns.
TableFigures FiguresOf(const Table& table) {
    TableFigures figures;
    ColumnKinds kinds = KindsOf(table);
    figures.axis = kinds.axis;
    const std::vector<std::size_t> columns = std::move(kinds.numeric);
    constexpr std::size_t kNotNumeric = SIZE_MAX;
    std::vector<std::size_t> place(table.columnCount(), kNotNumeric);
    figures.columns.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        place[columns[i]] = i;
        figures.columns[i].column = columns[i];
        figures.columns[i].decimalSeparator = 0;
    }
    std::vector<double> sums(columns.size(), 0.0);
    TableSeparator separator;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::vector<std::string>& fields = table.rows[row];
        std::optional<std::optional<long long>> seconds;  // looked up once a row has a value
        for (std::size_t column = 0; column < fields.size(); ++column) {
            const std::size_t at = place[column];
            if (at == kNotNumeric) continue;
            const std::string_view cell = TrimmedField(fields[column]);
            const std::optional<double> value = ReadNumber(cell);
            if (!value) continue;
            if (!seconds)
                seconds = figures.axis ? AxisSeconds(table, *figures.axis, row) : std::nullopt;
            add(figures.columns[at], sums[at], *value, cell, row, *seconds);
            separator.note(column, howWritten(cell).separator);
        }
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ColumnFigures& column = figures.columns[i];
        if (column.decimalSeparator == 0) column.decimalSeparator = separator.separator;
        if (column.count > 0) column.mean = sums[i] / static_cast<double>(column.count);
    }
    figures.columns = withRoles(table, std::move(figures.columns), figures.axis, kinds.textColumn,
                                separator.separator);
    if (!figures.axis) return figures;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::optional<long long> seconds = AxisSeconds(table, *figures.axis, row);
        if (!seconds) continue;
        const auto here = [&] {
            return ValueAt{0, AxisText(table, *figures.axis, row), row, seconds};
        };
        if (!figures.earliest || *seconds < *figures.earliest->seconds) figures.earliest = here();
        if (!figures.latest || *seconds > *figures.latest->seconds) figures.latest = here();
    }
    return figures;
}

std::string NumberText(double value, int decimals, char decimalSeparator) {
    if (!std::isfinite(value)) return std::string();
    decimals = decimals < 0 ? 0 : (decimals > kMaxDecimals ? kMaxDecimals : decimals);
    // Halves round away from zero, as people round (printf rounds them to even).
    const double scale = std::pow(10.0, decimals);
    if (std::fabs(value) * scale < 1e15) value = std::round(value * scale) / scale;
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out(text);
    if (out.find_first_not_of("-0.") == std::string::npos && out[0] == '-') out.erase(0, 1);
    const std::size_t point = out.find('.');
    if (point != std::string::npos) out[point] = decimalSeparator;
    return out;
}

std::string MeanText(const ColumnFigures& figures) {
    if (figures.count == 0 || figures.identifier) return std::string();
    return NumberText(figures.mean, figures.decimals + 1, figures.decimalSeparator);
}

std::string AxisText(const Table& table, const TimeAxis& axis, std::size_t row) {
    std::string text(TrimmedField(table.cell(row, axis.column)));
    if (axis.timeColumn) text += ' ' + std::string(TrimmedField(table.cell(row, *axis.timeColumn)));
    return text;
}

std::string SpanText(long long seconds, const std::string& dayUnit) {
    if (seconds < 0) seconds = 0;
    const long long days = seconds / 86400;
    const long long rest = seconds % 86400;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02lld:%02lld:%02lld", rest / 3600, rest / 60 % 60,
                  rest % 60);
    if (days == 0) return clock;
    return std::to_string(days) + ' ' + dayUnit + ' ' + clock;
}

}  // namespace travik
