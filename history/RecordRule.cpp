#include "RecordRule.h"

#include <algorithm>
#include <string_view>

#include "CellValues.h"
#include "Columns.h"
#include "Table.h"

namespace travik::history {
namespace {

constexpr char kCr = '\r';

struct Line {
    std::size_t start;
    std::size_t length;
    bool ended;  // a CR follows it
};

// The lines as table/Table cuts them: at each CR, a last line without CR kept.
std::vector<Line> linesOf(const std::string& text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kCr, start);
        if (end == std::string::npos) {
            lines.push_back(Line{start, text.size() - start, false});
            break;
        }
        lines.push_back(Line{start, end - start, true});
        start = end + 1;
    }
    return lines;
}

// The table's time axis; for a readout of a single row (too few cells for
// the axis to be told by its columns), the first cell of that row that reads
// as a date and time, or a date followed by a time of day.
std::optional<TimeAxis> timeAxisOf(const Table& table) {
    if (auto axis = FindTimeAxis(table)) return axis;
    if (table.rowCount() != 1) return std::nullopt;
    for (std::size_t column = 0; column < table.columnCount(); ++column) {
        const auto time = ReadTime(table.cell(0, column));
        if (!time || time->kind == TimeKind::TimeOfDay) continue;
        TimeAxis axis;
        axis.column = column;
        if (time->kind == TimeKind::DateTime) return axis;
        const auto next = ReadTime(table.cell(0, column + 1));
        if (next && next->kind == TimeKind::TimeOfDay) axis.timeColumn = column + 1;
        return axis;
    }
    return std::nullopt;
}

// Only the first column can be the running number: a value that happens to
// count up by one over a few rows is still a value.
bool isRunningNumber(const Table& table, std::size_t column) {
    if (TrimmedField(table.titles[column]) == "No") return true;
    return column == 0 && IsRowCounter(table, column);
}

std::string contentOf(const Table& table, std::size_t row, const std::vector<bool>& skipped) {
    std::string content;
    bool first = true;
    // Empty cells at the end are not part of a row (see Table), so a row written
    // with or without its trailing TABs is the same record.
    std::size_t last = table.rows[row].size();
    while (last > 0 && table.rows[row][last - 1].empty()) --last;
    for (std::size_t column = 0; column < last; ++column) {
        if (column < skipped.size() && skipped[column]) continue;
        if (!first) content += '\t';
        content += table.cell(row, column);
        first = false;
    }
    return content;
}

}  // namespace

bool FilledByteLimit(const std::string& deviceText, ReadoutKind kind) {
    const auto lineEnds =
        static_cast<std::size_t>(std::count(deviceText.begin(), deviceText.end(), kCr));
    return deviceText.size() + lineEnds + 1 >= static_cast<std::size_t>(ReadoutLimit(kind));
}

CutReadout CutRecords(const std::string& deviceText, ReadoutKind kind, bool endedComplete) {
    CutReadout cut;
    const Table table = CutTable(deviceText);
    if (!table.preamble.empty()) cut.firstLine = table.preamble[0];
    if (table.preamble.size() > 1) {
        const auto clock = ReadTime(TrimmedField(table.preamble[1]));
        if (clock && clock->kind == TimeKind::DateTime) cut.deviceClock = clock->seconds;
    }
    cut.titles = table.titles;
    const std::optional<TimeAxis> axis = timeAxisOf(table);

    std::vector<bool> skipped(table.columnCount(), false);
    for (std::size_t column = 0; column < table.columnCount(); ++column)
        skipped[column] = isRunningNumber(table, column);
    if (axis) {
        skipped[axis->column] = true;
        if (axis->timeColumn) skipped[*axis->timeColumn] = true;
    }

    // Times of day alone cannot place a record among other days' records.
    const bool dated = axis && !AxisIsTimeOfDay(table, *axis);
    const std::vector<Line> lines = linesOf(deviceText);
    const bool mayBeCut = !endedComplete || FilledByteLimit(deviceText, kind);
    std::size_t row = 0;
    for (std::size_t i = 3; i < lines.size() && row < table.rowCount(); ++i) {
        const Line& line = lines[i];
        if (TrimmedField(std::string_view(deviceText).substr(line.start, line.length)).empty())
            continue;
        const std::size_t thisRow = row++;
        if (!line.ended && mayBeCut) {
            cut.lastRowCut = true;
            continue;
        }
        const std::optional<long long> time =
            dated ? AxisSeconds(table, *axis, thisRow) : std::nullopt;
        if (!time) {
            ++cut.rowsWithoutTime;
            continue;
        }
        cut.records.push_back(
            CutRecord{*time, contentOf(table, thisRow, skipped), line.start, line.length});
    }
    return cut;
}

long long UsualSpacing(std::vector<long long> times) {
    if (times.size() < 2) return 0;
    std::sort(times.begin(), times.end());
    std::vector<long long> steps;
    steps.reserve(times.size() - 1);
    for (std::size_t i = 1; i < times.size(); ++i)
        if (times[i] != times[i - 1]) steps.push_back(times[i] - times[i - 1]);
    if (steps.empty()) return 0;
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                     steps.end());
    return steps[steps.size() / 2];
}

}  // namespace travik::history
