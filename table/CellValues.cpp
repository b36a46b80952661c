#include "CellValues.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>

namespace travik {
namespace {

constexpr std::size_t kMaxNumberLength = 40;
constexpr int kMaxSignificantDigits = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}

int digitsValue(std::string_view s) {
    int value = 0;
    for (char c : s) value = value * 10 + (c - '0');
    return value;
}

int significantDigits(std::string_view integer, std::string_view fraction) {
    int digits = 0, trailingZeros = 0;  // from the first digit that is not 0
    for (const std::string_view part : {integer, fraction})
        for (const char c : part) {
            if (digits == 0 && c == '0') continue;
            ++digits;
            trailingZeros = c == '0' ? trailingZeros + 1 : 0;
        }
    return digits - trailingZeros;
}

// The digits of `integer` and `fraction` read exactly when they fit a
// double's 53 bits, as they do for any cell of up to 15 digits; then one
// division by an exact power of ten rounds correctly, as from_chars would.
std::optional<double> shortDecimal(std::string_view integer, std::string_view fraction) {
    constexpr std::size_t kExactDigits = 15;
    if (integer.size() + fraction.size() > kExactDigits) return std::nullopt;
    long long mantissa = 0;
    for (const std::string_view part : {integer, fraction})
        for (const char c : part) mantissa = mantissa * 10 + (c - '0');
    static const double powersOfTen[kExactDigits + 1] = {
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return static_cast<double>(mantissa) / powersOfTen[fraction.size()];
}

bool isLeapYear(long long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(long long year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::optional<long long> readDate(std::string_view s) {
    if (s.size() != 8 && s.size() != 10) return std::nullopt;
    if (s[2] != '.' || s[5] != '.') return std::nullopt;
    const std::string_view dd = s.substr(0, 2), mm = s.substr(3, 2), yy = s.substr(6);
    if (!allDigits(dd) || !allDigits(mm) || !allDigits(yy)) return std::nullopt;
    const int day = digitsValue(dd), month = digitsValue(mm);
    long long year = digitsValue(yy);
    if (yy.size() == 2) year += 2000;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    return DaysFromCivil(year, month, day) * 86400;
}

std::optional<long long> readTimeOfDay(std::string_view s) {
    if (s.size() != 5 && s.size() != 8) return std::nullopt;
    if (s[2] != ':' || (s.size() == 8 && s[5] != ':')) return std::nullopt;
    const std::string_view hh = s.substr(0, 2), mm = s.substr(3, 2);
    const std::string_view ss = s.size() == 8 ? s.substr(6, 2) : std::string_view("00");
    if (!allDigits(hh) || !allDigits(mm) || !allDigits(ss)) return std::nullopt;
    const int hour = digitsValue(hh), minute = digitsValue(mm), second = digitsValue(ss);
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return hour * 3600LL + minute * 60LL + second;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

template <class T>
int compareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<double> ReadNumber(std::string_view cell) {
    std::string_view s = trimmed(cell);
    if (s.empty() || s.size() > kMaxNumberLength) return std::nullopt;
    const bool negative = s.front() == '-';
    if (s.front() == '-' || s.front() == '+') s.remove_prefix(1);
    const std::size_t separator = s.find_first_of(".,");
    const std::string_view integer = s.substr(0, separator);
    const std::string_view fraction =
        separator == std::string_view::npos ? std::string_view() : s.substr(separator + 1);
    if (!allDigits(integer)) return std::nullopt;
    if (separator != std::string_view::npos && !allDigits(fraction)) return std::nullopt;
    if (significantDigits(integer, fraction) > kMaxSignificantDigits) return std::nullopt;

    double value = 0;
    if (const auto exact = shortDecimal(integer, fraction)) {
        value = *exact;
    } else {
        std::string plain(integer);
        if (!fraction.empty()) plain.append(".").append(fraction);
        const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
        if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<TimeValue> ReadTime(std::string_view cell) {
    const std::string_view s = trimmed(cell);
    if (const auto time = readTimeOfDay(s)) return TimeValue{TimeKind::TimeOfDay, *time};
    if (s.size() < 8) return std::nullopt;
    const std::size_t space = s.find(' ');
    if (space == std::string_view::npos) {
        if (const auto date = readDate(s)) return TimeValue{TimeKind::Date, *date};
        return std::nullopt;
    }
    const auto date = readDate(s.substr(0, space));
    const auto time = readTimeOfDay(trimmed(s.substr(space)));
    if (!date || !time) return std::nullopt;
    return TimeValue{TimeKind::DateTime, *date + *time};
}

SortKey SortKeyOf(std::string_view cell) {
    SortKey key;
    key.text = trimmed(cell);
    if (key.text.empty()) return key;
    if (const auto number = ReadNumber(key.text)) {
        key.kind = CellClass::Number;
        key.number = *number;
    } else if (const auto time = ReadTime(key.text)) {
        key.kind = CellClass::Time;
        key.timeRank = time->kind == TimeKind::TimeOfDay ? 0 : 1;
        key.seconds = time->seconds;
    } else {
        key.kind = CellClass::Text;
    }
    return key;
}

int CompareKeys(const SortKey& a, const SortKey& b) {
    if (a.kind != b.kind) return compareValues(static_cast<int>(a.kind), static_cast<int>(b.kind));
    switch (a.kind) {
        case CellClass::Number:
            return compareValues(a.number, b.number);
        case CellClass::Time:
            if (a.timeRank != b.timeRank) return compareValues(a.timeRank, b.timeRank);
            return compareValues(a.seconds, b.seconds);
        case CellClass::Text:
            return compareText(a.text, b.text);
        case CellClass::Empty:
            break;
    }
    return 0;
}

long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(long long days) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2), month, day};
}

}  // namespace travik
