#include "AlarmSummary.h"

#include <map>

#include "ColumnFigures.h"
#include "Columns.h"

namespace travik {
namespace {

struct Seen {
    std::size_t index;  // into the summary
    std::optional<long long> earliest;
    std::optional<long long> latest;
};

}  // namespace

std::vector<AlarmCount> AlarmSummary(const Table& table) {
    std::vector<AlarmCount> summary;
    const std::optional<std::size_t> column = TextColumn(table);
    if (!column) return summary;
    const std::optional<TimeAxis> axis = FindTimeAxis(table);
    std::map<std::string, Seen, std::less<>> seen;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::string_view text = TrimmedField(table.cell(row, *column));
        if (text.empty()) continue;
        auto found = seen.find(text);
        if (found == seen.end()) {
            found = seen.emplace(std::string(text), Seen{summary.size(), {}, {}}).first;
            summary.push_back(AlarmCount{std::string(text), 0, row, row, {}, {}});
        }
        AlarmCount& alarm = summary[found->second.index];
        ++alarm.count;
        alarm.lastRow = row;
        const std::optional<long long> seconds =
            axis ? AxisSeconds(table, *axis, row) : std::nullopt;
        if (!seconds) continue;
        Seen& times = found->second;
        if (!times.earliest || *seconds < *times.earliest) {
            times.earliest = seconds;
            alarm.firstTime = AxisText(table, *axis, row);
        }
        if (!times.latest || *seconds > *times.latest) {
            times.latest = seconds;
            alarm.lastTime = AxisText(table, *axis, row);
        }
    }
    return summary;
}

}  // namespace travik
