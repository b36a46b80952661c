#include "ColumnRoles.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "CellValues.h"
#include "Columns.h"

namespace travik {
namespace {

// Fewer one-digit numbers are too few to tell a code from a reading.
constexpr std::size_t kFewestCodes = 10;
constexpr std::size_t kLongestUnit = 8;  // bytes: "µS/cm", "l/min", "mbar" fit

bool digitsOnly(std::string_view cell) {
    return !cell.empty() &&
           std::all_of(cell.begin(), cell.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The column's filled cells as (row, number), when every one of them is a
// whole number written with digits alone; nothing otherwise or with fewer than two.
std::optional<std::vector<std::pair<std::size_t, double>>> wholeNumbers(const Table& table,
                                                                        std::size_t column) {
    std::vector<std::pair<std::size_t, double>> numbers;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::string_view cell = TrimmedField(table.cell(row, column));
        if (cell.empty()) continue;
        const std::optional<double> value = ReadNumber(cell);
        if (!digitsOnly(cell) || !value) return std::nullopt;
        numbers.emplace_back(row, *value);
    }
    if (numbers.size() < 2) return std::nullopt;
    return numbers;
}

bool countsRows(const std::vector<std::pair<std::size_t, double>>& numbers) {
    const double step = numbers[1].second - numbers[0].second;
    if (step != 1 && step != -1) return false;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        const double difference = numbers[i].second - numbers[i - 1].second;
        const bool startsAgain = step == 1 && numbers[i].second == 1;
        if (difference != step && !startsAgain) return false;
    }
    return true;
}

bool labelsText(const Table& table, std::size_t column,
                const std::vector<std::pair<std::size_t, double>>& numbers,
                const std::optional<std::size_t>& textColumn) {
    if (!textColumn || (*textColumn != column + 1 && *textColumn + 1 != column)) return false;
    std::map<double, std::string_view> textOf;
    for (const auto& [row, number] : numbers) {
        const std::string_view text = TrimmedField(table.cell(row, *textColumn));
        if (text.empty()) return false;
        const auto [at, added] = textOf.emplace(number, text);
        if (!added && at->second != text) return false;
    }
    return true;
}

bool singleDigits(const std::vector<std::pair<std::size_t, double>>& numbers) {
    if (numbers.size() < kFewestCodes) return false;
    std::set<double> seen;
    for (const auto& number : numbers) {
        if (number.second > 9) return false;
        seen.insert(number.second);
    }
    return seen.size() >= 2;
}

bool looksLikeUnit(std::string_view cell) {
    return cell.size() <= kLongestUnit && std::none_of(cell.begin(), cell.end(), [](char c) {
               return (c >= '0' && c <= '9') || c == ' ' || c == '\t';
           });
}

}  // namespace

IdentifierKind IdentifierKindOf(const Table& table, std::size_t column,
                                const std::optional<std::size_t>& textColumn) {
    if (column >= table.columnCount()) return IdentifierKind::None;
    const auto numbers = wholeNumbers(table, column);
    if (!numbers) return IdentifierKind::None;
    if (countsRows(*numbers)) return IdentifierKind::RowCount;
    if (labelsText(table, column, *numbers, textColumn)) return IdentifierKind::TextCode;
    if (singleDigits(*numbers)) return IdentifierKind::SmallCode;
    return IdentifierKind::None;
}

bool IsIdentifierColumn(const Table& table, std::size_t column,
                        const std::optional<std::size_t>& textColumn) {
    return IdentifierKindOf(table, column, textColumn) != IdentifierKind::None;
}

std::optional<std::size_t> ChangingUnitColumn(const Table& table, std::size_t column) {
    const std::size_t unitColumn = column + 1;
    if (unitColumn >= table.columnCount()) return std::nullopt;
    std::set<std::string_view> units;
    std::size_t filled = 0;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::string_view cell = TrimmedField(table.cell(row, unitColumn));
        if (cell.empty()) continue;
        if (!looksLikeUnit(cell)) return std::nullopt;
        units.insert(cell);
        ++filled;
    }
    // Units recur; short words each once are more likely labels.
    if (units.size() < 2 || units.size() == filled) return std::nullopt;
    return unitColumn;
}

std::vector<ValueKind> ValueKindsOf(const Table& table, std::size_t column,
                                    const std::optional<std::size_t>& textColumn) {
    std::vector<ValueKind> kinds;
    const std::optional<std::size_t> unitColumn = ChangingUnitColumn(table, column);
    if (!unitColumn) return kinds;
    std::map<std::pair<std::string_view, std::string_view>, std::size_t> indexOf;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (!ReadNumber(TrimmedField(table.cell(row, column)))) continue;
        const std::string_view name =
            textColumn && *textColumn != column && *textColumn != *unitColumn
                ? TrimmedField(table.cell(row, *textColumn))
                : std::string_view();
        const std::string_view unit = TrimmedField(table.cell(row, *unitColumn));
        const auto [at, added] = indexOf.emplace(std::make_pair(name, unit), kinds.size());
        if (added) kinds.push_back(ValueKind{std::string(name), std::string(unit), {}});
        kinds[at->second].rows.push_back(row);
    }
    return kinds;
}

std::string KindLabel(const ValueKind& kind) {
    return kind.name.empty() ? kind.unit : kind.name;
}

}  // namespace travik
