// Where a chart's time axis gets its labels, and what they say. The device's
// clock knows no time zone, so its times are placed and labelled exactly as
// written: no daylight-saving change moves or doubles an hour.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace travik {

struct AxisTick {
    double seconds;  // the position, in the axis' seconds
    std::string label;
};

// At most `maxTicks` ticks inside [low, high] at a round step (seconds,
// minutes, hours, days, weeks, months or years). `low` and `high` are seconds
// since midnight for an axis of times of day, else since 01.01.1970 00:00.
// Labels: "hh:mm" or "hh:mm:ss" for times of day; dates as "dd.mm.yy" with the
// time when the step is below a day, "mm.yy" for month steps, "yyyy" for year
// steps; years have four digits when the range reaches outside 2000-2099.
std::vector<AxisTick> TimeTicks(double low, double high, std::size_t maxTicks, bool timeOfDay);

// True when each label of `ticks` (as wide as `labelWidth` says, plus `gap`)
// fits between two ticks on an axis `axisWidth` wide from `low` to `high`; a
// single label when it is no wider than the axis.
bool TickLabelsFit(const std::vector<AxisTick>& ticks, double low, double high, double axisWidth,
                   double gap, const std::function<double(const std::string&)>& labelWidth);

// The ticks of TimeTicks whose labels fit an axis `axisWidth` wide: as many as
// `maxTicks`, fewer when a label (as wide as `labelWidth` says, plus `gap`)
// would not fit between two ticks. Never fewer than two when there are two.
std::vector<AxisTick> FittingTimeTicks(double low, double high, std::size_t maxTicks,
                                       bool timeOfDay, double axisWidth, double gap,
                                       const std::function<double(const std::string&)>& labelWidth);

}  // namespace travik
