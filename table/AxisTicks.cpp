#include "AxisTicks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CellValues.h"

namespace travik {
namespace {

constexpr double kDay = 86400;
constexpr double kMonth = 365.2425 / 12 * kDay;  // on average
constexpr long long kSecondSteps[] = {1,     2,     5,     10,    15,     30,     60,
                                      120,   300,   600,   900,   1800,   3600,   7200,
                                      10800, 21600, 43200, 86400, 172800, 604800, 1209600};
constexpr long long kMonthSteps[] = {1,   2,   3,    6,    12,   24,    60,    120,
                                     240, 600, 1200, 2400, 6000, 12000, 24000, 60000};

std::string twoDigits(long long value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02lld", value % 100);
    return text;
}

std::string clockText(long long secondsOfDay, bool withSeconds) {
    std::string text = twoDigits(secondsOfDay / 3600) + ":" + twoDigits(secondsOfDay / 60 % 60);
    if (withSeconds) text += ":" + twoDigits(secondsOfDay % 60);
    return text;
}

std::string yearText(long long year, bool fourDigits) {
    if (!fourDigits) return twoDigits(year);
    char text[24];
    std::snprintf(text, sizeof text, "%04lld", year);
    return text;
}

long long floorDiv(long long a, long long b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

CivilDate dateAt(double seconds) {
    return CivilFromDays(floorDiv(static_cast<long long>(std::floor(seconds)), 86400));
}

bool needsFourDigitYears(double low, double high) {
    return dateAt(low).year < 2000 || dateAt(high).year > 2099;
}

std::vector<AxisTick> secondTicks(double low, double high, long long step, bool timeOfDay,
                                  bool fourDigits) {
    std::vector<AxisTick> ticks;
    const double first = std::ceil(low / static_cast<double>(step)) * static_cast<double>(step);
    for (double at = first; at <= high; at += static_cast<double>(step)) {
        const auto whole = static_cast<long long>(at);
        const long long ofDay = whole - floorDiv(whole, 86400) * 86400;
        std::string label;
        if (timeOfDay) {
            label = clockText(ofDay, step < 60);
        } else {
            const CivilDate date = dateAt(at);
            label = twoDigits(date.day) + "." + twoDigits(date.month) + "." +
                    yearText(date.year, fourDigits);
            if (step < 86400) label += " " + clockText(ofDay, step < 60);
        }
        ticks.push_back({at, std::move(label)});
    }
    return ticks;
}

std::vector<AxisTick> monthTicks(double low, double high, long long step, bool fourDigits) {
    std::vector<AxisTick> ticks;
    const CivilDate start = dateAt(low);
    long long month = start.year * 12 + (start.month - 1);
    month = floorDiv(month + step - 1, step) * step;  // round up to the step
    for (;; month += step) {
        const long long year = floorDiv(month, 12);
        const int monthOfYear = static_cast<int>(month - year * 12 + 1);
        const double at = static_cast<double>(DaysFromCivil(year, monthOfYear, 1)) * kDay;
        if (at > high) break;
        if (at < low) continue;
        ticks.push_back({at, step < 12 ? twoDigits(monthOfYear) + "." + yearText(year, fourDigits)
                                       : yearText(year, true)});
    }
    return ticks;
}

}  // namespace

std::vector<AxisTick> TimeTicks(double low, double high, std::size_t maxTicks, bool timeOfDay) {
    // Past some 30 million years a range is no device's: no labels rather than
    // thousands of them.
    constexpr double kFarthest = 1e15;
    if (!(low >= -kFarthest && high <= kFarthest && low <= high) || maxTicks == 0) return {};
    const double span = high - low;
    const double wanted = static_cast<double>(maxTicks);
    const bool fourDigits = !timeOfDay && needsFourDigitYears(low, high);
    for (long long step : kSecondSteps)
        if (span / static_cast<double>(step) < wanted)
            return secondTicks(low, high, step, timeOfDay, fourDigits);
    if (timeOfDay) return {};  // a time of day spans less than the largest step
    for (long long step : kMonthSteps)
        if (span / (static_cast<double>(step) * kMonth) <= wanted - 1)
            return monthTicks(low, high, step, fourDigits);
    return {};
}

bool TickLabelsFit(const std::vector<AxisTick>& ticks, double low, double high, double axisWidth,
                   double gap, const std::function<double(const std::string&)>& labelWidth) {
    double widest = 0;
    for (const AxisTick& tick : ticks) widest = std::max(widest, labelWidth(tick.label));
    if (ticks.size() < 2 || high <= low) return widest <= axisWidth;
    const double apart = (ticks[1].seconds - ticks[0].seconds) / (high - low) * axisWidth;
    return apart >= widest + gap;
}

std::vector<AxisTick> FittingTimeTicks(
    double low, double high, std::size_t maxTicks, bool timeOfDay, double axisWidth, double gap,
    const std::function<double(const std::string&)>& labelWidth) {
    std::vector<AxisTick> ticks;
    for (std::size_t wanted = maxTicks; wanted >= 2; --wanted) {
        std::vector<AxisTick> fewer = TimeTicks(low, high, wanted, timeOfDay);
        if (fewer.size() < 2 || high <= low) return ticks.empty() ? fewer : ticks;
        ticks = std::move(fewer);
        if (TickLabelsFit(ticks, low, high, axisWidth, gap, labelWidth)) return ticks;
    }
    return ticks;
}

}  // namespace travik
