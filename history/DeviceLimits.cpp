#include "DeviceLimits.h"

#include <algorithm>
#include <cstdio>

#include "CellValues.h"
#include "Columns.h"
#include "HistoryTexts.h"
#include "Merge.h"
#include "ReadoutFile.h"
#include "Windows1252.h"

namespace travik::history {
namespace {

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string utf8Of(char16_t unit) {
    std::string text;
    if (unit < 0x80) {
        text += static_cast<char>(unit);
    } else if (unit < 0x800) {
        text += static_cast<char>(0xC0 | (unit >> 6));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (unit >> 12));
        text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    }
    return text;
}

// An optional number field: empty is not given.
bool readField(const std::string& text, std::optional<double>& value, LimitReading& reading) {
    if (TrimmedField(text).empty()) return true;
    value = ReadLimitNumber(text);
    if (value) return true;
    reading.problem = LimitProblem::NotANumber;
    reading.field = text;
    return false;
}

// The stretches of `gaps` that fall within [from, to].
std::vector<TimeSpan> clipped(const std::vector<TimeRange>& gaps, long long from, long long to) {
    std::vector<TimeSpan> spans;
    for (const TimeRange& gap : gaps) {
        const long long start = std::max(gap.from, from);
        const long long end = std::min(gap.to, to);
        if (start < end) spans.push_back(TimeSpan{start, end});
    }
    return spans;
}

bool plainByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '_' || c == '-' || c == '.' || c == '/';
}

std::string escaped(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (plainByte(byte)) {
            text += c;
        } else {
            text += '%';
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescaped(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

std::string settingNumber(const std::optional<double>& value) {
    if (!value) return std::string();
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", *value);  // as ReadNumber reads it back
    return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end = text.find(separator);; end = text.find(separator, start)) {
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

std::optional<long long> settingInteger(const std::string& text) {
    const bool minus = !text.empty() && text[0] == '-';
    const std::string digits = minus ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 18) return std::nullopt;
    long long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return minus ? -value : value;
}

std::optional<StoredLimit> settingEntry(const std::string& entry) {
    const std::vector<std::string> fields = split(entry, ',');
    if (fields.size() != 7) return std::nullopt;
    StoredLimit stored;
    const auto column = unescaped(fields[0]);
    if (!column || column->empty()) return std::nullopt;
    stored.column = *column;
    ColumnLimit& limit = stored.limit;
    const auto number = [](const std::string& text, std::optional<double>& value) {
        if (text.empty()) return true;
        value = ReadNumber(text);
        return value.has_value();
    };
    std::optional<double> deadband;
    const auto points = settingInteger(fields[3]);
    const auto seconds = settingInteger(fields[4]);
    if (!number(fields[1], limit.lower) || !number(fields[2], limit.upper) ||
        !number(fields[5], deadband) || !points || !seconds)
        return std::nullopt;
    limit.delayPoints = *points;
    limit.delaySeconds = *seconds;
    limit.deadband = deadband.value_or(0);
    if (!fields[6].empty()) {
        const auto from = settingInteger(fields[6]);
        if (!from) return std::nullopt;
        limit.from = *from;
    }
    const LimitProblem problem = CheckLimit(limit);
    if (problem != LimitProblem::None && problem != LimitProblem::NoBound) return std::nullopt;
    return stored;
}

}  // namespace

std::string LimitsSettingText(const std::vector<StoredLimit>& limits) {
    std::string text;
    for (const StoredLimit& stored : limits) {
        const ColumnLimit& limit = stored.limit;
        if (!text.empty()) text += ';';
        text += escaped(stored.column) + ',' + settingNumber(limit.lower) + ',' +
                settingNumber(limit.upper) + ',' + std::to_string(limit.delayPoints) + ',' +
                std::to_string(limit.delaySeconds) + ',' + settingNumber(limit.deadband) + ',' +
                (limit.from == kSinceEver ? std::string() : std::to_string(limit.from));
    }
    return text;
}

std::vector<StoredLimit> LimitsFromSettingText(const std::string& text) {
    std::vector<StoredLimit> limits;
    if (text.empty()) return limits;
    for (const std::string& entry : split(text, ';'))
        if (auto stored = settingEntry(entry)) limits.push_back(std::move(*stored));
    return limits;
}

LimitHistory LimitsOf(const std::vector<StoredLimit>& stored, const std::string& column) {
    LimitHistory limits;
    for (const StoredLimit& limit : stored)
        if (limit.column == column) limits.push_back(limit.limit);
    std::stable_sort(limits.begin(), limits.end(),
                     [](const ColumnLimit& a, const ColumnLimit& b) { return a.from < b.from; });
    return limits;
}

long long DefaultLimitStart(const std::vector<StoredLimit>& stored, const std::string& column,
                            long long now) {
    return LimitsOf(stored, column).empty() ? kSinceEver : now;
}

LimitReading ReadLimit(const LimitInput& input) {
    LimitReading reading;
    ColumnLimit& limit = reading.limit;
    if (!readField(input.lower, limit.lower, reading) ||
        !readField(input.upper, limit.upper, reading))
        return reading;
    std::optional<double> deadband;
    if (!readField(input.deadband, deadband, reading)) return reading;
    limit.deadband = deadband.value_or(0);
    if (!TrimmedField(input.delay).empty()) {
        bool negative = false;
        const auto delay = ReadDelay(input.delay, &negative);
        if (!delay) {
            reading.problem = negative ? LimitProblem::NegativeDelay : LimitProblem::NotANumber;
            reading.field = input.delay;
            return reading;
        }
        limit.delayPoints = delay->points;
        limit.delaySeconds = delay->seconds;
    }
    reading.problem = CheckLimit(limit);
    return reading;
}

std::string TitleText(const std::string& title) {
    std::string text;
    for (const char16_t unit : DecodeWindows1252(title)) text += utf8Of(unit);
    return text;
}

std::optional<std::string> FindColumn(const std::vector<std::string>& titles,
                                      const std::string& given, std::size_t* matches) {
    if (matches) *matches = 0;
    if (given.empty()) return std::nullopt;
    for (const std::string& title : titles) {
        if (title == given || TitleText(title) == given) {
            if (matches) *matches = 1;
            return title;
        }
    }
    std::vector<std::string> found;
    const std::string start = lowered(given);
    for (const std::string& title : titles) {
        if (lowered(TitleText(title)).rfind(start, 0) == 0 &&
            std::find(found.begin(), found.end(), title) == found.end())
            found.push_back(title);
    }
    if (matches) *matches = found.size();
    if (found.size() != 1) return std::nullopt;
    return found.front();
}

std::vector<ColumnExcursions> TableExcursions(const Table& table,
                                              const std::vector<StoredLimit>& stored,
                                              const std::vector<TimeSpan>& gaps) {
    const auto axis = FindTimeAxis(table);
    if (!axis) return {};
    return TableExcursions(table, *axis, stored, gaps);
}

std::vector<ColumnExcursions> TableExcursions(const Table& table, const TimeAxis& axis,
                                              const std::vector<StoredLimit>& stored,
                                              const std::vector<TimeSpan>& gaps) {
    std::vector<ColumnExcursions> columns;
    std::vector<std::optional<long long>> times;
    for (std::size_t column = 0; column < table.columnCount(); ++column) {
        LimitHistory limits = LimitsOf(stored, table.titles[column]);
        if (limits.empty() || table.titles[column].empty()) continue;
        ColumnExcursions found;
        found.column = column;
        found.title = table.titles[column];
        if (times.empty()) times = AxisTimes(table, axis);
        found.figures = FindExcursions(SamplesOf(table, times, column), limits, gaps);
        found.limits = std::move(limits);
        columns.push_back(std::move(found));
    }
    return columns;
}

std::optional<RangeExcursions> ExcursionsOfRange(HistoryStore& store, DeviceId device,
                                                 ReadoutKind kind, long long from, long long to) {
    const auto text = RangeDeviceText(store, device, kind, from, to);
    if (!text) return std::nullopt;
    const TerminalText terminal = ReplayedTerminal(*text, kind);
    RangeExcursions range;
    range.table = CutTable(terminal.bytes(), terminal.insertedTabs());
    range.columns =
        TableExcursions(range.table, store.limits(device),
                        clipped(PossibleLosses(store.coverage(device, kind)), from, to));
    return range;
}

std::string DurationText(long long seconds) {
    if (seconds < 0) seconds = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string ExcursionLines(const RangeExcursions& range) {
    std::string lines;
    for (const ColumnExcursions& column : range.columns) {
        for (const Excursion& excursion : column.figures.excursions) {
            lines += column.title + '\t' + DeviceTimeText(excursion.start) + '\t';
            if (!excursion.open) lines += DeviceTimeText(excursion.end);
            lines +=
                '\t' + DurationText(excursion.duration()) + '\t' +
                std::string(TrimmedField(range.table.cell(excursion.extremeRow, column.column))) +
                '\n';
        }
    }
    return lines;
}

}  // namespace travik::history
