#include "AlarmTimeline.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>

#include "ColumnRoles.h"
#include "Columns.h"

namespace travik {
namespace {

bool sameWord(std::string_view cell, std::string_view word) {
    return cell.size() == word.size() &&
           std::equal(cell.begin(), cell.end(), word.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

AlarmEdge edgeOf(std::string_view cell) {
    if (sameWord(cell, "kommt")) return AlarmEdge::Comes;
    if (sameWord(cell, "geht")) return AlarmEdge::Goes;
    return AlarmEdge::Unknown;
}

constexpr std::array<AlarmEdge, 3> kEdgeOrder = {AlarmEdge::Comes, AlarmEdge::Goes,
                                                 AlarmEdge::Unknown};

std::size_t edgeIndex(AlarmEdge edge) {
    return static_cast<std::size_t>(std::find(kEdgeOrder.begin(), kEdgeOrder.end(), edge) -
                                    kEdgeOrder.begin());
}

}  // namespace

bool RowsNameAlarms(const Table& table) {
    return RowsNameAlarms(table, KindsOf(table));
}

bool RowsNameAlarms(const Table& table, const ColumnKinds& kinds) {
    if (table.rowCount() < 2 || !kinds.axis) return false;
    const std::optional<std::size_t> text = kinds.textColumn;
    if (!text) return false;
    std::size_t named = 0;
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        named += !TrimmedField(table.cell(row, *text)).empty();
    return named * 5 >= table.rowCount() * 4;
}

std::optional<std::size_t> ComesGoesColumn(const Table& table) {
    for (std::size_t column = 0; column < table.columnCount(); ++column) {
        std::size_t filled = 0;
        bool all = true;
        for (std::size_t row = 0; row < table.rowCount() && all; ++row) {
            const std::string_view cell = TrimmedField(table.cell(row, column));
            if (cell.empty()) continue;
            ++filled;
            all = edgeOf(cell) != AlarmEdge::Unknown;
        }
        if (all && filled >= 2) return column;
    }
    return std::nullopt;
}

std::size_t AlarmTimeline::markCount() const {
    std::size_t count = 0;
    for (const ColumnLine& line : marks) count += line.points.size();
    return count;
}

AlarmTimeline TimelineOf(const Table& table) {
    return TimelineOf(table, KindsOf(table));
}

AlarmTimeline TimelineOf(const Table& table, const ColumnKinds& kinds) {
    AlarmTimeline timeline;
    if (!RowsNameAlarms(table, kinds)) return timeline;
    const std::optional<TimeAxis>& axis = kinds.axis;
    timeline.textColumn = kinds.textColumn;
    const std::optional<std::size_t> edges = ComesGoesColumn(table);
    std::array<ColumnLine, kEdgeOrder.size()> lines;
    std::map<std::string_view, std::size_t> kindOf;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::string_view text = TrimmedField(table.cell(row, *timeline.textColumn));
        const std::optional<long long> seconds = AxisSeconds(table, *axis, row);
        if (text.empty() || !seconds) continue;
        const auto [at, added] = kindOf.emplace(text, timeline.kinds.size());
        if (added) timeline.kinds.emplace_back(text);
        const AlarmEdge edge =
            edges ? edgeOf(TrimmedField(table.cell(row, *edges))) : AlarmEdge::Unknown;
        ColumnLine& line = lines[edgeIndex(edge)];
        const auto value = static_cast<double>(at->second);
        if (line.points.empty()) line.low = line.high = value;
        line.low = std::min(line.low, value);
        line.high = std::max(line.high, value);
        line.points.push_back({static_cast<double>(*seconds), value, row});
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].points.empty()) continue;
        lines[i].column = *timeline.textColumn;
        lines[i].lineStarts = {0};
        timeline.marks.push_back(std::move(lines[i]));
        timeline.edges.push_back(kEdgeOrder[i]);
    }
    return timeline;
}

std::vector<ColumnLine> KindLines(const Table& table, std::size_t column,
                                  const std::optional<TimeAxis>& axis,
                                  const std::optional<std::size_t>& textColumn) {
    const std::vector<ValueKind> kinds = ValueKindsOf(table, column, textColumn);
    if (kinds.empty()) return {CutColumnLine(table, column, axis)};
    std::vector<ColumnLine> lines;
    for (const ValueKind& kind : kinds) {
        ColumnLine line = CutColumnLine(table, column, axis, kind.rows);
        line.kind = KindLabel(kind);
        line.unit = kind.unit;
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace travik
