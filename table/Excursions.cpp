#include "Excursions.h"

#include <algorithm>
#include <cmath>

#include "CellValues.h"

namespace travik {
namespace {

constexpr long long kDay = 86400;
// A delay longer than this is surely a typing mistake (and would overflow sums).
constexpr long long kLongestDelaySeconds = 100LL * 366 * kDay;

bool finite(const std::optional<double>& value) {
    return !value || std::isfinite(*value);
}

long long floorDiv(long long a, long long b) {
    const long long quotient = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<long long> wholeNumber(std::string_view text) {
    if (!allDigits(text) || text.size() > 12) return std::nullopt;
    long long value = 0;
    for (const char c : text) value = value * 10 + (c - '0');
    return value;
}

// A part of hh:mm:ss: two digits below 60; -1 when it is not.
long long clockPart(std::string_view text) {
    if (text.size() != 2 || !allDigits(text)) return -1;
    const long long value = (text[0] - '0') * 10 + (text[1] - '0');
    return value < 60 ? value : -1;
}

// "hh:mm" or "hh:mm:ss" as seconds.
std::optional<long long> clockDuration(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = text.find(':', first + 1);
    const auto hours = wholeNumber(text.substr(0, first));
    const long long minutes = clockPart(text.substr(
        first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1));
    const long long seconds =
        second == std::string_view::npos ? 0 : clockPart(text.substr(second + 1));
    if (!hours || minutes < 0 || seconds < 0) return std::nullopt;
    return *hours * 3600 + minutes * 60 + seconds;
}

// "90s", "15 min", "1,5h", "2d" as seconds.
std::optional<long long> unitDuration(std::string_view text) {
    std::size_t numberEnd = 0;
    while (numberEnd < text.size() && ((text[numberEnd] >= '0' && text[numberEnd] <= '9') ||
                                       text[numberEnd] == ',' || text[numberEnd] == '.'))
        ++numberEnd;
    const auto number = ReadNumber(text.substr(0, numberEnd));
    const std::string_view unit = TrimmedField(text.substr(numberEnd));
    long long scale = 0;
    if (unit == "s" || unit == "sec") scale = 1;
    if (unit == "min" || unit == "m") scale = 60;
    if (unit == "h") scale = 3600;
    if (unit == "d") scale = kDay;
    if (!number || scale == 0) return std::nullopt;
    const double seconds = std::round(*number * static_cast<double>(scale));
    if (seconds > static_cast<double>(kLongestDelaySeconds)) return std::nullopt;
    return static_cast<long long>(seconds);
}

// The spans as they are laid down, before a pending excursion is decided.
struct RawSpan {
    StateSpan span;
    bool pending = false;
};

// An excursion that has started and not yet ended.
struct Running {
    Excursion excursion;
    long long delayPoints = 0;
    long long delaySeconds = 0;
    bool counted = false;
    std::size_t firstSpan = 0;
};

class ExcursionFinder {
public:
    ExcursionFinder(std::vector<TimeSpan> gaps) : gaps_(mergedGaps(std::move(gaps))) {}

    ExcursionFigures run(const std::vector<Sample>& samples, const LimitHistory& limits) {
        std::size_t limitIndex = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const Sample& sample = samples[i];
            while (limitIndex + 1 < limits.size() && limits[limitIndex + 1].from <= sample.time)
                ++limitIndex;
            const ColumnLimit* limit = !limits.empty() && limits[limitIndex].from <= sample.time &&
                                               limits[limitIndex].any()
                                           ? &limits[limitIndex]
                                           : nullptr;
            judge(sample, limit);
            if (i + 1 < samples.size()) holdUntil(sample, limit, samples[i + 1].time);
        }
        if (running_) {
            running_->excursion.open = true;
            finish(samples.back().time);
        }
        return figures();
    }

private:
    static std::vector<TimeSpan> mergedGaps(std::vector<TimeSpan> gaps) {
        std::sort(gaps.begin(), gaps.end(),
                  [](const TimeSpan& a, const TimeSpan& b) { return a.from < b.from; });
        std::vector<TimeSpan> merged;
        for (const TimeSpan& gap : gaps) {
            if (gap.to <= gap.from) continue;
            if (!merged.empty() && gap.from <= merged.back().to)
                merged.back().to = std::max(merged.back().to, gap.to);
            else
                merged.push_back(gap);
        }
        return merged;
    }

    static bool backInside(Side side, const ColumnLimit& limit, double value) {
        if (side == Side::Above) return !limit.upper || value <= *limit.upper - limit.deadband;
        return !limit.lower || value >= *limit.lower + limit.deadband;
    }

    void judge(const Sample& sample, const ColumnLimit* limit) {
        if (!limit) {
            if (running_) finish(sample.time);  // the limit was taken away
            return;
        }
        if (!sample.value) return;  // no data: neither a point outside nor back inside
        const double value = *sample.value;
        if (running_ && backInside(running_->excursion.side, *limit, value)) finish(sample.time);
        if (!running_ && IsOutside(*limit, value)) start(sample, *limit);
        if (running_ && IsOutside(*limit, value)) addPoint(sample);
        if (running_) checkDelay(sample.time);
    }

    void start(const Sample& sample, const ColumnLimit& limit) {
        Running running;
        const bool above = limit.upper && *sample.value > *limit.upper;
        running.excursion.side = above ? Side::Above : Side::Below;
        running.excursion.start = sample.time;
        running.excursion.limit = above ? *limit.upper : *limit.lower;
        running.excursion.extreme = *sample.value;
        running.excursion.extremeRow = sample.row;
        running.delayPoints = limit.delayPoints;
        running.delaySeconds = limit.delaySeconds;
        running.firstSpan = spans_.size();
        running_ = running;
    }

    void addPoint(const Sample& sample) {
        Excursion& excursion = running_->excursion;
        ++excursion.points;
        const double value = *sample.value;
        const bool farther =
            excursion.side == Side::Above ? value > excursion.extreme : value < excursion.extreme;
        if (farther) {
            excursion.extreme = value;
            excursion.extremeRow = sample.row;
        }
    }

    void checkDelay(long long now) {
        Running& running = *running_;
        if (running.counted) return;
        if (running.excursion.points < std::max(1LL, running.delayPoints)) return;
        if (now - running.excursion.start < running.delaySeconds) return;
        running.counted = true;
        decidePending(running.firstSpan, SpanState::Outside);
    }

    // Ends the running excursion at `end`: kept when its delay is met by then.
    void finish(long long end) {
        running_->excursion.end = end;
        checkDelay(end);
        if (running_->counted)
            excursions_.push_back(running_->excursion);
        else
            decidePending(running_->firstSpan, SpanState::Inside);
        running_.reset();
    }

    void decidePending(std::size_t first, SpanState state) {
        for (std::size_t i = first; i < spans_.size(); ++i) {
            if (!spans_[i].pending) continue;
            spans_[i].pending = false;
            spans_[i].span.state = state;
        }
    }

    // The state `sample` leaves until `next`, with the gaps cut out of it.
    void holdUntil(const Sample& sample, const ColumnLimit* limit, long long next) {
        SpanState state = SpanState::Inside;
        bool pending = false;
        if (!limit) {
            state = SpanState::Unjudged;
        } else if (!sample.value) {
            state = SpanState::Unknown;
        } else if (running_) {
            state = SpanState::Outside;
            pending = !running_->counted;
        }
        const long long unknown = lay(sample.time, next, state, pending);
        if (running_) running_->excursion.unknownSeconds += unknown;
    }

    // Lays [from, to) down in `state`, the gaps in it as unknown; the unknown time laid.
    long long lay(long long from, long long to, SpanState state, bool pending) {
        if (state == SpanState::Unjudged || state == SpanState::Unknown) {
            push(from, to, state, false);
            return state == SpanState::Unknown ? to - from : 0;
        }
        long long unknown = 0;
        long long at = from;
        while (at < to) {
            while (gapIndex_ < gaps_.size() && gaps_[gapIndex_].to <= at) ++gapIndex_;
            if (gapIndex_ < gaps_.size() && gaps_[gapIndex_].from <= at) {
                const long long until = std::min(to, gaps_[gapIndex_].to);
                push(at, until, SpanState::Unknown, false);
                unknown += until - at;
                at = until;
            } else {
                const long long until =
                    gapIndex_ < gaps_.size() ? std::min(to, gaps_[gapIndex_].from) : to;
                push(at, until, state, pending);
                at = until;
            }
        }
        return unknown;
    }

    void push(long long from, long long to, SpanState state, bool pending) {
        if (to <= from) return;
        if (!spans_.empty()) {
            RawSpan& last = spans_.back();
            if (last.span.state == state && last.pending == pending && last.span.to == from) {
                last.span.to = to;
                return;
            }
        }
        spans_.push_back(RawSpan{StateSpan{from, to, state}, pending});
    }

    ExcursionFigures figures() {
        ExcursionFigures out;
        for (const RawSpan& raw : spans_) {
            const StateSpan& span = raw.span;
            const long long length = span.to - span.from;
            if (span.state == SpanState::Inside) out.insideSeconds += length;
            if (span.state == SpanState::Outside) out.outsideSeconds += length;
            if (span.state == SpanState::Unknown) out.unknownSeconds += length;
            if (!out.spans.empty() && out.spans.back().state == span.state &&
                out.spans.back().to == span.from)
                out.spans.back().to = span.to;
            else
                out.spans.push_back(span);
        }
        for (const Excursion& excursion : excursions_)
            out.longestSeconds = std::max(out.longestSeconds, excursion.knownOutside());
        if (!excursions_.empty()) out.firstStart = excursions_.front().start;
        out.excursions = std::move(excursions_);
        return out;
    }

    std::vector<TimeSpan> gaps_;
    std::size_t gapIndex_ = 0;
    std::vector<RawSpan> spans_;
    std::vector<Excursion> excursions_;
    std::optional<Running> running_;
};

}  // namespace

LimitProblem CheckLimit(const ColumnLimit& limit) {
    if (!finite(limit.lower) || !finite(limit.upper) || !std::isfinite(limit.deadband))
        return LimitProblem::NotANumber;
    if (!limit.any()) return LimitProblem::NoBound;
    if (limit.lower && limit.upper && *limit.lower > *limit.upper)
        return LimitProblem::LowerAboveUpper;
    if (limit.delayPoints < 0 || limit.delaySeconds < 0) return LimitProblem::NegativeDelay;
    if (limit.deadband < 0) return LimitProblem::NegativeDeadband;
    if (limit.lower && limit.upper && limit.deadband > *limit.upper - *limit.lower)
        return LimitProblem::DeadbandTooWide;
    return LimitProblem::None;
}

std::optional<double> ReadLimitNumber(std::string_view text) {
    return ReadNumber(TrimmedField(text));
}

std::optional<DelayValue> ReadDelay(std::string_view text, bool* negative) {
    if (negative) *negative = false;
    std::string_view given = TrimmedField(text);
    const bool minus = !given.empty() && given.front() == '-';
    if (minus) given = TrimmedField(given.substr(1));
    std::optional<DelayValue> delay;
    if (allDigits(given)) {
        const auto points = wholeNumber(given);
        if (points) delay = DelayValue{*points, 0};
    } else {
        const auto seconds =
            given.find(':') != std::string_view::npos ? clockDuration(given) : unitDuration(given);
        if (seconds) delay = DelayValue{0, *seconds};
    }
    if (delay && minus && (delay->points > 0 || delay->seconds > 0)) {
        if (negative) *negative = true;
        return std::nullopt;
    }
    return delay;
}

const ColumnLimit* LimitAt(const LimitHistory& limits, long long time) {
    const auto after = std::upper_bound(
        limits.begin(), limits.end(), time,
        [](long long moment, const ColumnLimit& limit) { return moment < limit.from; });
    if (after == limits.begin()) return nullptr;
    const ColumnLimit& limit = *(after - 1);
    return limit.any() ? &limit : nullptr;
}

bool IsOutside(const ColumnLimit& limit, double value) {
    return (limit.lower && value < *limit.lower) || (limit.upper && value > *limit.upper);
}

ExcursionFigures FindExcursions(std::vector<Sample> samples, LimitHistory limits,
                                std::vector<TimeSpan> gaps) {
    const auto byTime = [](const Sample& a, const Sample& b) { return a.time < b.time; };
    if (!std::is_sorted(samples.begin(), samples.end(), byTime))
        std::stable_sort(samples.begin(), samples.end(), byTime);
    std::stable_sort(limits.begin(), limits.end(),
                     [](const ColumnLimit& a, const ColumnLimit& b) { return a.from < b.from; });
    return ExcursionFinder(std::move(gaps)).run(samples, limits);
}

std::vector<DayTimes> TimesPerDay(const std::vector<StateSpan>& spans) {
    std::vector<DayTimes> days;
    for (const StateSpan& span : spans) {
        if (span.state != SpanState::Outside && span.state != SpanState::Unknown) continue;
        long long at = span.from;
        while (at < span.to) {
            const long long day = floorDiv(at, kDay);
            const long long until = std::min(span.to, (day + 1) * kDay);
            if (days.empty() || days.back().day != day) days.push_back(DayTimes{day, 0, 0});
            (span.state == SpanState::Outside ? days.back().outsideSeconds
                                              : days.back().unknownSeconds) += until - at;
            at = until;
        }
    }
    return days;
}

std::vector<std::optional<long long>> AxisTimes(const Table& table, const TimeAxis& axis) {
    std::vector<std::optional<long long>> times(table.rowCount());
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        times[row] = AxisSeconds(table, axis, row);
    return times;
}

std::vector<Sample> SamplesOf(const Table& table,
                              const std::vector<std::optional<long long>>& times,
                              std::size_t column) {
    std::vector<Sample> samples;
    samples.reserve(times.size());
    for (std::size_t row = 0; row < times.size() && row < table.rowCount(); ++row) {
        if (!times[row]) continue;
        samples.push_back(Sample{*times[row], ReadNumber(table.cell(row, column)), row});
    }
    const auto byTime = [](const Sample& a, const Sample& b) { return a.time < b.time; };
    if (!std::is_sorted(samples.begin(), samples.end(), byTime))
        std::stable_sort(samples.begin(), samples.end(), byTime);
    return samples;
}

std::vector<Sample> SamplesOf(const Table& table, const TimeAxis& axis, std::size_t column) {
    return SamplesOf(table, AxisTimes(table, axis), column);
}

}  // namespace travik
