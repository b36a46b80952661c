// What a cell's text reads as: a number, a date and/or time, or text; and the
// order the table sorts cells in.
//
// Numbers: an optional sign, digits, and optionally one decimal comma or point
// followed by digits ("-3,5", "+12", "0.25"). Anything else is text: digit
// grouping ("1.000,5", "1,2,3"), exponents ("1e5"), "nan", "inf", a leading or
// trailing separator (",5", "5."), inner spaces. A single separator is always
// the decimal one, so "1.000" and "1,000" both read as one. A number with more
// than 15 significant digits, or a cell longer than 40 bytes, is text too: a
// double cannot hold it exactly, so it would sort and chart wrongly.
//
// Dates and times: "dd.mm.yyyy", "dd.mm.yy" (the year 2000 + yy), "hh:mm",
// "hh:mm:ss", and a date followed by spaces and a time. Day, month, hour, minute
// and second are exactly two digits and must exist (31.04. or 24:00 are text).
#pragma once

#include <optional>
#include <string_view>

namespace travik {

std::optional<double> ReadNumber(std::string_view cell);

enum class TimeKind { Date, TimeOfDay, DateTime };

struct TimeValue {
    TimeKind kind;
    // Date, DateTime: seconds since 01.01.1970 00:00 (negative before);
    // TimeOfDay: seconds since midnight.
    long long seconds;
};

std::optional<TimeValue> ReadTime(std::string_view cell);

// The proleptic Gregorian calendar: days since 01.01.1970 (negative before).
struct CivilDate {
    long long year;
    int month;  // 1-12
    int day;    // 1-31
};
long long DaysFromCivil(long long year, int month, int day);
CivilDate CivilFromDays(long long days);

// Sorting: numbers by value, then dates and times by time (times of day before
// dated ones), then text (ASCII letters ignoring case first, then byte by byte).
// Empty cells come last in either direction.
enum class CellClass { Number, Time, Text, Empty };

struct SortKey {
    CellClass kind = CellClass::Empty;
    double number = 0;
    int timeRank = 0;  // 0 time of day, 1 dated
    long long seconds = 0;
    std::string_view text;
};

SortKey SortKeyOf(std::string_view cell);

// -1, 0 or 1 for two non-empty keys (the order described above).
int CompareKeys(const SortKey& a, const SortKey& b);

}  // namespace travik
