// Limits on a column and the excursions beyond them, toolkit-free, for the
// chart, the table, the figures, the report and travik-read alike.
//
// The rules:
// - A value is outside when it is below the lower limit or above the upper
//   one. A value equal to a limit is inside.
// - An excursion starts at its first point outside. It ends at the first point
//   back inside by the deadband (at or below upper - deadband, at or above
//   lower + deadband); points between the limit and the deadband keep it going.
//   A point outside on the other side ends it and starts another.
// - Delay: an excursion counts only once it has at least `delayPoints` points
//   outside and has lasted `delaySeconds` (from its start to the point that
//   ends it, or to the last point so far). One that ends sooner counts for
//   nothing and its time is inside. Its start stays its first point outside.
// - Each point's state holds until the next point. Time without data is
//   unknown, never inside nor outside: the gaps given (the history's possible
//   losses) and the time after a point whose cell is empty or no number. A gap
//   does not end an excursion; only a point back inside does. The unknown time
//   inside an excursion is kept with it.
// - A column's limit holds from its `from` time until the next one's: each
//   point is judged by the limit of its own time, so that changing a limit
//   leaves older data judged as before. Before the first limit, nothing is
//   judged (the time is neither inside, outside nor unknown).
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "Columns.h"
#include "Table.h"

namespace travik {

inline constexpr long long kSinceEver = std::numeric_limits<long long>::min();

struct ColumnLimit {
    std::optional<double> lower;
    std::optional<double> upper;
    long long delayPoints = 0;    // points outside before it counts (0 and 1: the first)
    long long delaySeconds = 0;   // time outside before it counts
    double deadband = 0;          // how far back inside a value must be to end an excursion
    long long from = kSinceEver;  // the device time from which it holds
    bool any() const { return lower.has_value() || upper.has_value(); }
};

// What is wrong with a limit a user gave (the texts are the window's and
// travik-read's, in history/LimitTexts).
enum class LimitProblem {
    None,
    NoBound,           // neither a lower nor an upper limit
    LowerAboveUpper,   // lower > upper
    NegativeDelay,     // delay below zero
    NegativeDeadband,  // deadband below zero
    DeadbandTooWide,   // no value could ever be back inside by it
    NotANumber,        // a bound, the deadband or the delay does not read
};

LimitProblem CheckLimit(const ColumnLimit& limit);

// A number as a user types it for a limit: the column's way ("2,5") or with a
// decimal point ("2.5"), spaces around allowed.
std::optional<double> ReadLimitNumber(std::string_view text);

// A delay as a user types it: a whole number of points ("3"), or a duration:
// a number with s, min, h or d ("90s", "15 min", "1,5h"), or hh:mm[:ss].
struct DelayValue {
    long long points = 0;
    long long seconds = 0;
};
// Nothing when it does not read; `negative` tells a delay below zero apart.
std::optional<DelayValue> ReadDelay(std::string_view text, bool* negative = nullptr);

// A column's limits in the order they took effect.
using LimitHistory = std::vector<ColumnLimit>;

// The limit in force at `time`, or nothing (before the first, or a limit
// taken away from then on). `limits` sorted by `from`.
const ColumnLimit* LimitAt(const LimitHistory& limits, long long time);

// One point of a column: its time on the axis and its value (nothing for an
// empty cell or one that is no number).
struct Sample {
    long long time = 0;
    std::optional<double> value;
    std::size_t row = 0;  // the table row it came from
};

struct TimeSpan {
    long long from = 0;
    long long to = 0;
};

enum class Side { Below, Above };

struct Excursion {
    Side side = Side::Above;
    long long start = 0;  // time of its first point outside
    long long end = 0;    // time of the point back inside; the last point when `open`
    bool open = false;    // still outside at the last point
    double extreme = 0;   // the value farthest beyond the limit
    std::size_t extremeRow = 0;
    double limit = 0;              // the bound it went beyond, as at its start
    long long unknownSeconds = 0;  // time without data between start and end
    long long points = 0;          // points outside
    long long duration() const { return end - start; }
    long long knownOutside() const { return end - start - unknownSeconds; }
};

enum class SpanState { Inside, Outside, Unknown, Unjudged };

struct StateSpan {
    long long from = 0;
    long long to = 0;
    SpanState state = SpanState::Inside;
};

struct ExcursionFigures {
    std::vector<Excursion> excursions;
    std::vector<StateSpan> spans;  // from the first point to the last, neighbours merged
    long long insideSeconds = 0;
    long long outsideSeconds = 0;  // known time outside, all excursions together
    long long unknownSeconds = 0;  // time without data while a limit held
    long long longestSeconds = 0;  // the longest excursion's known time outside
    std::optional<long long> firstStart;
};

// The excursions of `samples` (sorted by time here when they are not) under
// `limits` (sorted by `from` here), with `gaps` the time without data.
ExcursionFigures FindExcursions(std::vector<Sample> samples, LimitHistory limits,
                                std::vector<TimeSpan> gaps = {});

// Time outside and unknown per day of device time (days since 1970), days
// without either left out.
struct DayTimes {
    long long day = 0;
    long long outsideSeconds = 0;
    long long unknownSeconds = 0;
};
std::vector<DayTimes> TimesPerDay(const std::vector<StateSpan>& spans);

// The points of `column` on the table's time axis, in time order (rows whose
// time does not read are left out).
std::vector<Sample> SamplesOf(const Table& table, const TimeAxis& axis, std::size_t column);

// The same for several columns of one table: the rows' times read once.
std::vector<std::optional<long long>> AxisTimes(const Table& table, const TimeAxis& axis);
std::vector<Sample> SamplesOf(const Table& table,
                              const std::vector<std::optional<long long>>& times,
                              std::size_t column);

// True when `value` is outside `limit` (equal is inside).
bool IsOutside(const ColumnLimit& limit, double value);

}  // namespace travik
