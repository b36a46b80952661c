// The excursion rules on fixed series: a value equal to the limit, the delay
// in points and in time, the deadband, both sides, a gap and an empty cell
// inside an excursion, and a limit changed in the middle of a range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Excursions.h"

namespace {

using namespace travik;

constexpr long long kStep = 600;  // ten minutes between points
constexpr double kNone = -9999;   // an empty cell in the series below

std::vector<Sample> series(const std::vector<double>& values) {
    std::vector<Sample> samples;
    for (std::size_t i = 0; i < values.size(); ++i) {
        Sample sample{static_cast<long long>(i) * kStep, values[i], i};
        if (values[i] == kNone) sample.value.reset();
        samples.push_back(sample);
    }
    return samples;
}

ColumnLimit limitOf(std::optional<double> lower, std::optional<double> upper) {
    ColumnLimit limit;
    limit.lower = lower;
    limit.upper = upper;
    return limit;
}

struct Expected {
    Side side;
    long long start;
    long long end;
    double extreme;
    bool open = false;
};

struct Case {
    const char* name;
    ColumnLimit limit;
    std::vector<double> values;
    std::vector<Expected> excursions;
    long long outside;  // seconds
};

ColumnLimit withDelay(ColumnLimit limit, long long points, long long seconds) {
    limit.delayPoints = points;
    limit.delaySeconds = seconds;
    return limit;
}

ColumnLimit withDeadband(ColumnLimit limit, double deadband) {
    limit.deadband = deadband;
    return limit;
}

}  // namespace

TEST(Excursions, FixedSeriesGiveTheirExcursions) {
    const ColumnLimit upper8 = limitOf(std::nullopt, 8.0);
    const ColumnLimit band = limitOf(2.0, 8.0);
    const Case cases[] = {
        {"equal to the limit is inside", upper8, {7, 8, 8, 7}, {}, 0},
        {"one point above", upper8, {7, 9, 7}, {{Side::Above, 600, 1200, 9}}, 600},
        {"equal to the lower limit ends it",
         band,
         {3, 1, 0.5, 2, 3},
         {{Side::Below, 600, 1800, 0.5}},
         1200},
        {"delay of three points: the short one does not count",
         withDelay(upper8, 3, 0),
         {7, 9, 9, 7, 9, 9.5, 9, 7},
         {{Side::Above, 2400, 4200, 9.5}},
         1800},
        {"delay of 25 minutes: 20 minutes outside does not count",
         withDelay(upper8, 0, 1500),
         {7, 9, 9, 7, 9, 9, 9, 7},
         {{Side::Above, 2400, 4200, 9}},
         1800},
        {"delay of 20 minutes: exactly 20 minutes counts",
         withDelay(upper8, 0, 1200),
         {7, 9, 9, 7},
         {{Side::Above, 600, 1800, 9}},
         1200},
        {"deadband: back below the limit but not by 1,0 goes on",
         withDeadband(upper8, 1.0),
         {7, 9, 7.5, 7.0, 9, 7},
         {{Side::Above, 600, 1800, 9}, {Side::Above, 2400, 3000, 9}},
         1800},
        {"from above straight to below: two excursions",
         band,
         {5, 9, 1, 5},
         {{Side::Above, 600, 1200, 9}, {Side::Below, 1200, 1800, 1}},
         1200},
        {"still outside at the end: open",
         upper8,
         {7, 9, 10},
         {{Side::Above, 600, 1200, 10, true}},
         600},
        {"an empty cell neither ends it nor counts as a point",
         withDelay(upper8, 3, 0),
         {7, 9, kNone, 9, 7, 9, kNone, 9, 9, 7},
         {{Side::Above, 3000, 5400, 9}},
         1800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ExcursionFigures figures = FindExcursions(series(c.values), {c.limit});
        ASSERT_EQ(figures.excursions.size(), c.excursions.size());
        for (std::size_t i = 0; i < c.excursions.size(); ++i) {
            const Excursion& found = figures.excursions[i];
            EXPECT_EQ(found.side, c.excursions[i].side) << i;
            EXPECT_EQ(found.start, c.excursions[i].start) << i;
            EXPECT_EQ(found.end, c.excursions[i].end) << i;
            EXPECT_EQ(found.extreme, c.excursions[i].extreme) << i;
            EXPECT_EQ(found.open, c.excursions[i].open) << i;
        }
        EXPECT_EQ(figures.outsideSeconds, c.outside);
        const long long all = (static_cast<long long>(c.values.size()) - 1) * kStep;
        EXPECT_EQ(figures.insideSeconds + figures.outsideSeconds + figures.unknownSeconds, all)
            << "every stretch is inside, outside or unknown";
        if (!c.excursions.empty()) {
            EXPECT_EQ(figures.firstStart, c.excursions[0].start);
        } else {
            EXPECT_FALSE(figures.firstStart);
        }
    }
}

TEST(Excursions, AGapInsideAnExcursionIsUnknownAndDoesNotEndIt) {
    // 0: 7, 600: 9, then nothing until 3000 (a possible loss), 3000: 9, 3600: 7.
    std::vector<Sample> samples = {{0, 7.0, 0}, {600, 9.0, 1}, {3000, 9.0, 2}, {3600, 7.0, 3}};
    ColumnLimit limit = limitOf(std::nullopt, 8.0);
    limit.delayPoints = 2;  // the points on both sides of the gap make up the delay
    const ExcursionFigures figures = FindExcursions(samples, {limit}, {{600, 3000}});
    ASSERT_EQ(figures.excursions.size(), 1u);
    const Excursion& excursion = figures.excursions[0];
    EXPECT_EQ(excursion.start, 600);
    EXPECT_EQ(excursion.end, 3600);
    EXPECT_EQ(excursion.duration(), 3000);
    EXPECT_EQ(excursion.unknownSeconds, 2400);
    EXPECT_EQ(excursion.knownOutside(), 600);
    EXPECT_EQ(figures.outsideSeconds, 600);
    EXPECT_EQ(figures.unknownSeconds, 2400);
    EXPECT_EQ(figures.insideSeconds, 600);
    EXPECT_EQ(figures.longestSeconds, 600) << "the longest time known to be outside";

    // The same gap between readings inside: unknown, not inside.
    samples[1].value = 7.0;
    samples[2].value = 7.0;
    const ExcursionFigures quiet = FindExcursions(samples, {limit}, {{600, 3000}});
    EXPECT_TRUE(quiet.excursions.empty());
    EXPECT_EQ(quiet.insideSeconds, 1200);
    EXPECT_EQ(quiet.unknownSeconds, 2400);
    ASSERT_EQ(quiet.spans.size(), 3u);
    EXPECT_EQ(quiet.spans[1].state, SpanState::Unknown);
    EXPECT_EQ(quiet.spans[1].from, 600);
    EXPECT_EQ(quiet.spans[1].to, 3000);
}

TEST(Excursions, EachPointIsJudgedByTheLimitOfItsTime) {
    // Up to 8 from the start, up to 10 from 1800 on: the readings of 9 before
    // 1800 stay outside, those after are inside, and the excursion ends there.
    ColumnLimit older = limitOf(std::nullopt, 8.0);
    ColumnLimit newer = limitOf(std::nullopt, 10.0);
    newer.from = 1800;
    const auto samples = series({7, 9, 9, 9, 9, 7});
    const ExcursionFigures figures = FindExcursions(samples, {newer, older});
    ASSERT_EQ(figures.excursions.size(), 1u);
    EXPECT_EQ(figures.excursions[0].start, 600);
    EXPECT_EQ(figures.excursions[0].end, 1800);
    EXPECT_EQ(figures.excursions[0].limit, 8.0);
    EXPECT_EQ(figures.outsideSeconds, 1200);
    EXPECT_EQ(LimitAt({older, newer}, 1799)->upper, 8.0);
    EXPECT_EQ(LimitAt({older, newer}, 1800)->upper, 10.0);

    // A limit that holds from 1200 only: the points before are not judged.
    ColumnLimit late = limitOf(std::nullopt, 8.0);
    late.from = 1200;
    const ExcursionFigures judgedLate = FindExcursions(series({9, 9, 9, 7}), {late});
    ASSERT_EQ(judgedLate.excursions.size(), 1u);
    EXPECT_EQ(judgedLate.excursions[0].start, 1200);
    EXPECT_EQ(judgedLate.insideSeconds + judgedLate.outsideSeconds + judgedLate.unknownSeconds,
              600);
    EXPECT_EQ(judgedLate.spans.front().state, SpanState::Unjudged);

    // A limit taken away (no bound from 1200) ends the excursion there.
    ColumnLimit none;
    none.from = 1200;
    const ExcursionFigures taken = FindExcursions(series({7, 9, 9, 9}), {older, none});
    ASSERT_EQ(taken.excursions.size(), 1u);
    EXPECT_EQ(taken.excursions[0].end, 1200);
    EXPECT_FALSE(taken.excursions[0].open);
}

TEST(Excursions, TimePerDaySplitsAtMidnight) {
    // Outside from 23:00 to 01:00, then an unknown hour.
    const long long day = 86400;
    const std::vector<StateSpan> spans = {
        {day - 7200, day - 3600, SpanState::Inside},
        {day - 3600, day + 3600, SpanState::Outside},
        {day + 3600, day + 7200, SpanState::Unknown},
    };
    const std::vector<DayTimes> days = TimesPerDay(spans);
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].day, 0);
    EXPECT_EQ(days[0].outsideSeconds, 3600);
    EXPECT_EQ(days[0].unknownSeconds, 0);
    EXPECT_EQ(days[1].day, 1);
    EXPECT_EQ(days[1].outsideSeconds, 3600);
    EXPECT_EQ(days[1].unknownSeconds, 3600);
}

TEST(Excursions, TheTableGivesItsPointsInTimeOrder) {
    // Newest row first, as the alarm buffer writes them; an empty cell and a text.
    const Table table = CutTable(
        "device\rdate\rDate\tTime\tT\r02.03.2024\t00:20:00\t9,5\r02.03.2024\t00:10:00\t\r"
        "02.03.2024\t00:00:00\tErr\rno time\t\t5\r");
    const auto axis = FindTimeAxis(table);
    ASSERT_TRUE(axis);
    const std::vector<Sample> samples = SamplesOf(table, *axis, 2);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].row, 2u);
    EXPECT_FALSE(samples[0].value) << "text is no value";
    EXPECT_FALSE(samples[1].value);
    EXPECT_EQ(samples[2].value, 9.5);
    EXPECT_EQ(samples[2].time - samples[0].time, 1200);
}

TEST(Limits, BadLimitsAreToldApart) {
    const auto limit = [](std::optional<double> lower, std::optional<double> upper,
                          long long points, double deadband) {
        ColumnLimit made = limitOf(lower, upper);
        made.delayPoints = points;
        made.deadband = deadband;
        return CheckLimit(made);
    };
    EXPECT_EQ(limit(2, 8, 0, 0), LimitProblem::None);
    EXPECT_EQ(limit(8, 8, 0, 0), LimitProblem::None) << "one value allowed";
    EXPECT_EQ(limit(std::nullopt, std::nullopt, 0, 0), LimitProblem::NoBound);
    EXPECT_EQ(limit(8.5, 8, 0, 0), LimitProblem::LowerAboveUpper);
    EXPECT_EQ(limit(2, 8, -1, 0), LimitProblem::NegativeDelay);
    EXPECT_EQ(limit(2, 8, 0, -0.5), LimitProblem::NegativeDeadband);
    EXPECT_EQ(limit(2, 8, 0, 6), LimitProblem::None);
    EXPECT_EQ(limit(2, 8, 0, 6.5), LimitProblem::DeadbandTooWide);
    EXPECT_EQ(limit(std::nullopt, 8, 0, 100), LimitProblem::None) << "one bound: any deadband";
}

TEST(Limits, NumbersAndDelaysReadAsTyped) {
    EXPECT_EQ(ReadLimitNumber(" 2,5 "), 2.5);
    EXPECT_EQ(ReadLimitNumber("-2.5"), -2.5);
    EXPECT_FALSE(ReadLimitNumber("2,5,1"));
    EXPECT_FALSE(ReadLimitNumber("zwei"));
    EXPECT_FALSE(ReadLimitNumber(""));

    struct DelayCase {
        const char* text;
        bool reads;
        long long points;
        long long seconds;
        bool negative;
    };
    const DelayCase delays[] = {
        {"3", true, 3, 0, false},
        {"0", true, 0, 0, false},
        {"90s", true, 0, 90, false},
        {"15 min", true, 0, 900, false},
        {"1,5h", true, 0, 5400, false},
        {"1.5 h", true, 0, 5400, false},
        {"2d", true, 0, 172800, false},
        {"00:15", true, 0, 900, false},
        {"1:02:03", true, 0, 3723, false},
        {"-3", false, 0, 0, true},
        {"-15min", false, 0, 0, true},
        {"3 weeks", false, 0, 0, false},
        {"1:60", false, 0, 0, false},
        {"", false, 0, 0, false},
        {"99999999999999999", false, 0, 0, false},
    };
    for (const DelayCase& c : delays) {
        SCOPED_TRACE(c.text);
        bool negative = false;
        const auto delay = ReadDelay(c.text, &negative);
        EXPECT_EQ(delay.has_value(), c.reads);
        EXPECT_EQ(negative, c.negative);
        if (!delay) continue;
        EXPECT_EQ(delay->points, c.points);
        EXPECT_EQ(delay->seconds, c.seconds);
    }
}
