// A device's limits as the history keeps them, read as a user types them, and
// the excursions of a range of its records under them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Excursions.h"
#include "HistoryStore.h"
#include "Table.h"

namespace travik::history {

// The limits of `column` among a device's, in the order they took effect.
LimitHistory LimitsOf(const std::vector<StoredLimit>& stored, const std::string& column);

// The start a new limit gets when the user gives none: a column's first limit
// holds for all of its data; a changed one from `now` on (device time), so
// that older data keeps the limit it had.
long long DefaultLimitStart(const std::vector<StoredLimit>& stored, const std::string& column,
                            long long now);

// A limit as typed: empty texts are not given.
struct LimitInput {
    std::string lower;
    std::string upper;
    std::string delay;  // points ("3") or a duration ("15 min", "00:15")
    std::string deadband;
};

struct LimitReading {
    ColumnLimit limit;
    LimitProblem problem = LimitProblem::None;
    std::string field;  // the text that did not read, for NotANumber and NegativeDelay
};

// Reads and checks `input` (its `from` is left to the caller).
LimitReading ReadLimit(const LimitInput& input);

// The column a user means: its title exactly, as UTF-8 text (the device writes
// its own 8-bit code), or the start of only one title (case ignored).
// Nothing when none or several match (`matches` says how many).
std::optional<std::string> FindColumn(const std::vector<std::string>& titles,
                                      const std::string& given, std::size_t* matches = nullptr);

// A device title as UTF-8 text for people (the device's 8-bit code decoded).
std::string TitleText(const std::string& title);

struct ColumnExcursions {
    std::size_t column = 0;
    std::string title;
    LimitHistory limits;
    ExcursionFigures figures;
};

// The excursions of each column of `table` with a limit among `stored`, time
// without data being the empty cells and `gaps`. Nothing without a time axis.
std::vector<ColumnExcursions> TableExcursions(const Table& table,
                                              const std::vector<StoredLimit>& stored,
                                              const std::vector<TimeSpan>& gaps);
// The same with the table's time axis already found (the window has it).
std::vector<ColumnExcursions> TableExcursions(const Table& table, const TimeAxis& axis,
                                              const std::vector<StoredLimit>& stored,
                                              const std::vector<TimeSpan>& gaps);

struct RangeExcursions {
    Table table;
    std::vector<ColumnExcursions> columns;
};

// The records of `kind` from `from` to `to` as a table, and the excursions in
// them, the possible losses of the history being time without data. Nothing
// when the device has no readout of that kind.
std::optional<RangeExcursions> ExcursionsOfRange(HistoryStore& store, DeviceId device,
                                                 ReadoutKind kind, long long from, long long to);

// Limits as one line of text, for a readout that is in no history (the window
// keeps them in its settings under the device's first line): entries split by
// ';', fields by ',' (column, lower, upper, delay points, delay seconds,
// deadband, from), the column's bytes other than plain letters and digits as
// %XX, numbers with a decimal point, an empty field for a bound not given or
// for "since ever". Entries that do not read, or hold a bad limit, are left
// out when read back.
std::string LimitsSettingText(const std::vector<StoredLimit>& limits);
std::vector<StoredLimit> LimitsFromSettingText(const std::string& text);

// A duration as h:mm:ss, the hours running on past a day ("52:10:00").
std::string DurationText(long long seconds);

// One line per excursion, LF-ended, TAB-separated: the column as the device
// writes it, start, end (empty when still outside at the last record), the
// duration (h:mm:ss) and the extreme value as the device wrote it.
std::string ExcursionLines(const RangeExcursions& range);

}  // namespace travik::history
