#include "DeviceReplies.h"

#include <cstdio>
#include <vector>

namespace travik::sim {
namespace {

// splitmix64: small, fast, and the same sequence on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number from `low` to `high`, both included.
    long between(long low, long high) {
        return low + static_cast<long>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool oneIn(unsigned n) { return next() % n == 0; }

private:
    std::uint64_t state_;
};

const char* const kCrLf = "\r\n";

// A fixed function of its argument: seeds the random numbers of one record.
std::uint64_t hashOf(std::uint64_t value) {
    return Random(value).next();
}

bool isLeapYear(long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(long year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::string formatDate(DeviceTime t) {
    if (t < 0) t = 0;  // the device's clock starts in 2024
    long day = static_cast<long>(t / 86400);
    long year = 2024;
    while (day >= (isLeapYear(year) ? 366 : 365)) day -= isLeapYear(year++) ? 366 : 365;
    int month = 1;
    while (day >= daysInMonth(year, month)) day -= daysInMonth(year, month++);
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", static_cast<int>(day + 1), month,
                  static_cast<int>(year));
    return text;
}

std::string formatTime(DeviceTime t) {
    if (t < 0) t = 0;
    const int second = static_cast<int>(t % 86400);
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                  second % 60);
    return text;
}

// A measured value as the device writes it: `scaled` / 10^decimals with a decimal comma.
std::string decimalComma(long scaled, int decimals) {
    std::string digits = std::to_string(scaled < 0 ? -scaled : scaled);
    if (decimals > 0) {
        if (digits.size() <= static_cast<std::size_t>(decimals))
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), ",");
    }
    return scaled < 0 ? "-" + digits : digits;
}

std::string headerLines(const std::string& serial, DeviceTime readoutTime) {
    return DeviceLine(serial) + kCrLf + formatDate(readoutTime) + " " + formatTime(readoutTime) +
           kCrLf;
}

// One kind of alarm the device records. decimals < 0: the alarm has no value.
struct AlarmKind {
    const char* id;
    const char* text;
    const char* unit;
    long low;
    long high;
    int decimals;
};

// Windows-1252 in octal: \260 degree sign, \265 micro sign, \334 \344 \366 \374 umlauts.
const AlarmKind kAlarmKinds[] = {
    {"1101", "\334bertemperatur K\374hler", "\260C", 850, 990, 1},
    {"1102", "Temperaturf\374hler defekt", "", 0, 0, -1},
    {"1204", "Druck zu niedrig", "bar", 50, 150, 2},
    {"1310", "F\374llstand min.", "%", 0, 150, 1},
    {"1402", "Leitf\344higkeit hoch", "\265S/cm", 1200, 2500, 1},
    {"1520", "Strom Kanal > 20 mA", "mA", 2000, 2400, 2},
    {"1601", "Netzausfall", "", 0, 0, -1},
    {"1702", "T\374r offen", "", 0, 0, -1},
    {"1803", "Durchfluss < 3,5 l/min", "l/min", 0, 35, 1},
};

// An alarm row after its running number, without the line end.
std::string alarmFields(DeviceTime when, Random& random) {
    const AlarmKind& kind =
        kAlarmKinds[random.next() % (sizeof kAlarmKinds / sizeof kAlarmKinds[0])];
    std::string row = '\t' + formatDate(when) + ' ' + formatTime(when);
    row += '\t' + std::to_string(random.between(1, 8));
    row += '\t' + std::string(kind.id);
    row += '\t' + std::string(kind.text);
    row += '\t';
    if (kind.decimals >= 0) row += decimalComma(random.between(kind.low, kind.high), kind.decimals);
    row += '\t' + std::string(kind.unit);
    row += '\t';
    if (random.oneIn(4)) row += "quittiert";
    row += random.oneIn(2) ? "\tkommt" : "\tgeht";
    return row;
}

const char* const kEvents[] = {"L\374fter an", "L\374fter aus", "St\366rung Sensor 3",
                               "Grenzwert \374berschritten"};

// The measured values drift as a real plant's do: temperature and humidity
// follow the time of day (warmest at 14:00) and wander slowly, conductivity
// creeps up as a probe fouls, pressure hovers; each reading has a little noise.
// Integer arithmetic only, so every platform writes the same bytes.
struct Drift {
    long wander = 0;  // tenths of a degree, a slow random walk
};

// 0 at 02:00 rising evenly to 720 at 14:00 and back.
long dayCycle(DeviceTime when) {
    const long minute = static_cast<long>(when % 86400 / 60);
    const long distance = minute > 840 ? minute - 840 : 840 - minute;
    return 720 - (distance > 720 ? 1440 - distance : distance);
}

long clampWander(long wander) {
    return wander > 30 ? 30 : wander < -30 ? -30 : wander;
}

// A data-logger row after its running number, without the line end. `fouling`
// counts the records since the probe was clean; `plantTime` drives the day's cycle.
std::string dataFields(long fouling, DeviceTime plantTime, DeviceTime when, Random& random,
                       long wander) {
    const long cycle = dayCycle(plantTime);
    const long temperature = 170 + cycle * 80 / 720 + wander + random.between(-3, 3);
    const long conductivity = 3800 + fouling * 2 + random.between(-15, 15);  // tenths of uS/cm
    const long humidity = 600 - cycle * 150 / 720 + random.between(-10, 10);

    std::string row = '\t' + formatDate(when);
    row += '\t' + formatTime(when);
    row += '\t' + decimalComma(temperature, 1);   // degrees C
    row += '\t' + decimalComma(conductivity, 1);  // microsiemens per cm
    row += '\t';                                  // pressure, sensor often off
    if (!random.oneIn(5)) row += decimalComma(110 + random.between(-4, 4), 2);
    row += '\t' + decimalComma(humidity, 1);  // percent
    row += '\t';
    if (random.oneIn(8)) row += kEvents[random.next() % (sizeof kEvents / sizeof kEvents[0])];
    return row;
}

std::string dataRow(std::size_t number, DeviceTime when, Random& random, Drift& drift) {
    drift.wander = clampWander(drift.wander + random.between(-2, 2));
    return std::to_string(number) +
           dataFields(static_cast<long>(number), when, when, random, drift.wander) + kCrLf;
}

const DeviceTime kFirstEntry = 60LL * 86400 + 6LL * 3600;  // 01.03.2024 06:00:00

const char* const kAlarmColumns = "No\tt\tI\tIdL\tText\tValue\tUnit\tAck\tState";
const char* const kDataColumns =
    "No\tDate\tTime\tValue1 \260C\tValue2 \265S/cm\tValue3 bar\tValue4 %\tEvent";

const std::uint64_t kAlarmSalt = 0xA1A2A3A4A5A6A7A8ULL;
const std::uint64_t kDataSalt = 0xD1D2D3D4D5D6D7D8ULL;
const std::uint64_t kWanderSalt = 0x3C3C3C3C3C3C3C3CULL;

// Each record of a device with a history draws its values from its own
// numbers, so that it reads the same in every readout that holds it.
Random recordRandom(HistoryKind kind, const DeviceHistory& h, std::size_t index) {
    const std::uint64_t salt = kind == HistoryKind::Alarm ? kAlarmSalt : kDataSalt;
    return Random(hashOf(h.seed ^ salt) ^ hashOf(index));
}

// The slow wander of the temperature at record `index`: the sum of the last 16
// records' small steps, so that neighbours differ by little and any record can
// be made without the ones before it.
long wanderAt(const DeviceHistory& h, std::size_t index) {
    long wander = 0;
    for (std::size_t k = 0; k < 16 && k <= index; ++k) {
        const std::uint64_t step = hashOf(hashOf(h.seed ^ kWanderSalt) ^ (index - k)) % 5;
        wander += static_cast<long>(step) - 2;
    }
    return clampWander(wander);
}

std::string historyFields(HistoryKind kind, const DeviceHistory& h, std::size_t index) {
    Random random = recordRandom(kind, h, index);
    const DeviceTime when = RecordDeviceTime(kind, h, index);
    if (kind == HistoryKind::Alarm) {
        random.next();  // drawn for the moment within the slot (see RecordTime)
        return alarmFields(when, random);
    }
    // The probe is cleaned every 2000 records.
    return dataFields(static_cast<long>(index % 2000), RecordTime(kind, h, index), when, random,
                      wanderAt(h, index));
}

long long spacingOf(HistoryKind kind, const DeviceHistory& h) {
    const long long spacing = kind == HistoryKind::Alarm ? h.alarmSlot : h.interval;
    return spacing > 0 ? spacing : 1;
}

// How many records the device has logged by `now`.
std::size_t loggedBy(HistoryKind kind, const DeviceHistory& h, DeviceTime now) {
    if (now < h.loggingStart) return 0;
    std::size_t count = static_cast<std::size_t>((now - h.loggingStart) / spacingOf(kind, h)) + 1;
    if (RecordTime(kind, h, count - 1) > now) --count;
    return count;
}

bool clockSetBy(const DeviceHistory& h, DeviceTime t) {
    return h.clockShift != 0 && t >= h.clockSetAt;
}

std::size_t digitsOf(std::size_t number) {
    return std::to_string(number).size();
}

// The newest records that fit in the memory beside the header, oldest first.
std::vector<std::string> heldRecords(HistoryKind kind, const DeviceHistory& h,
                                     std::size_t headerSize, std::size_t& first) {
    const std::size_t memory = h.memoryBytes != 0           ? h.memoryBytes
                               : kind == HistoryKind::Alarm ? kAlarmMemory
                                                            : kDataMemory;
    const std::size_t logged = loggedBy(kind, h, h.now);
    std::vector<std::string> rows;
    std::size_t used = headerSize;
    while (rows.size() < logged) {
        std::string fields = historyFields(kind, h, logged - 1 - rows.size()) + kCrLf;
        const std::size_t need = digitsOf(rows.size() + 1) + fields.size();
        if (used + need > memory) break;
        used += need;
        rows.push_back(std::move(fields));
    }
    first = logged - rows.size();
    return {rows.rbegin(), rows.rend()};
}

std::string historyHeader(HistoryKind kind, const DeviceHistory& h) {
    const DeviceTime deviceNow = h.now + (clockSetBy(h, h.now) ? h.clockShift : 0);
    return headerLines(h.serial, deviceNow) +
           (kind == HistoryKind::Alarm ? kAlarmColumns : kDataColumns) + kCrLf;
}

}  // namespace

std::string DeviceLine(const std::string& serial) {
    return serial.empty() ? "TravikP 2000 V3.12" : "TravikP 2000 S/N " + serial + " V3.12";
}

std::optional<DeviceTime> ParseDeviceTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
    const bool withSeconds = text.size() == 19;
    if (text.size() != 16 && !withSeconds) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        if (!separator && (text[i] < '0' || text[i] > '9')) return std::nullopt;
    }
    const char* format = withSeconds ? "%4d-%2d-%2dT%2d:%2d:%2d%n" : "%4d-%2d-%2dT%2d:%2d%n";
    const int fields =
        withSeconds
            ? std::sscanf(text.c_str(), format, &year, &month, &day, &hour, &minute, &second, &used)
            : std::sscanf(text.c_str(), format, &year, &month, &day, &hour, &minute, &used);
    if (fields != (withSeconds ? 6 : 5) || static_cast<std::size_t>(used) != text.size())
        return std::nullopt;
    if (year < 2024 || year > 2199 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    DeviceTime days = 0;
    for (long y = 2024; y < year; ++y) days += isLeapYear(y) ? 366 : 365;
    for (int m = 1; m < month; ++m) days += daysInMonth(year, m);
    days += day - 1;
    return days * 86400 + hour * 3600LL + minute * 60LL + second;
}

std::string FormatDeviceTime(DeviceTime t) {
    return formatDate(t) + ' ' + formatTime(t);
}

DeviceTime RecordTime(HistoryKind kind, const DeviceHistory& h, std::size_t index) {
    const long long spacing = spacingOf(kind, h);
    const DeviceTime slotStart = h.loggingStart + static_cast<DeviceTime>(index) * spacing;
    if (kind == HistoryKind::DataLogger) return slotStart;
    Random random = recordRandom(kind, h, index);
    return slotStart + static_cast<DeviceTime>(random.next() % static_cast<std::uint64_t>(spacing));
}

DeviceTime RecordDeviceTime(HistoryKind kind, const DeviceHistory& h, std::size_t index) {
    const DeviceTime t = RecordTime(kind, h, index);
    const bool shifted = clockSetBy(h, h.now) && (h.restampAll || t >= h.clockSetAt);
    return shifted ? t + h.clockShift : t;
}

HistoryRecords HistoryReplyRecords(HistoryKind kind, const DeviceHistory& h) {
    HistoryRecords records;
    records.end = heldRecords(kind, h, historyHeader(kind, h).size(), records.first).size();
    records.end += records.first;
    return records;
}

std::string HistoryReply(HistoryKind kind, const DeviceHistory& h) {
    std::string reply = historyHeader(kind, h);
    std::size_t first = 0;
    const auto rows = heldRecords(kind, h, reply.size(), first);
    for (std::size_t i = 0; i < rows.size(); ++i) reply += std::to_string(i + 1) + rows[i];
    return reply;
}

DeviceTime NowAfterLosing(HistoryKind kind, const DeviceHistory& h, std::size_t lost) {
    const HistoryRecords held = HistoryReplyRecords(kind, h);
    const std::size_t firstKept = held.end + lost;
    DeviceHistory later = h;
    std::size_t newest = firstKept;
    for (;; ++newest) {
        later.now = RecordTime(kind, h, newest);
        if (HistoryReplyRecords(kind, later).first >= firstKept) return later.now;
    }
}

std::string AlarmReply(std::size_t rows, std::uint64_t seed, const std::string& serial) {
    Random random(seed ^ kAlarmSalt);
    std::string body = kAlarmColumns;
    body += kCrLf;
    DeviceTime when = kFirstEntry;
    for (std::size_t number = 1; number <= rows; ++number) {
        when += random.between(3L * 60, 9L * 3600);
        body += std::to_string(number) + alarmFields(when, random) + kCrLf;
    }
    return headerLines(serial, when + 3600) + body;
}

std::string DataLoggerReply(std::size_t rows, std::uint64_t seed, const std::string& serial) {
    Random random(seed ^ kDataSalt);
    std::string body = kDataColumns;
    body += kCrLf;
    DeviceTime when = kFirstEntry;
    Drift drift;
    for (std::size_t number = 1; number <= rows; ++number, when += 15LL * 60)
        body += dataRow(number, when, random, drift);
    return headerLines(serial, when + 3600) + body;
}

DeviceTime HistoryReadouts::nextNow(HistoryKind kind) const {
    const std::size_t k = static_cast<std::size_t>(kind);
    return history_.now + static_cast<DeviceTime>(taken_[k]) * advance_ + jump_[k];
}

std::string HistoryReadouts::next(HistoryKind kind) {
    const std::size_t k = static_cast<std::size_t>(kind);
    DeviceHistory at = history_;
    at.now = nextNow(kind);
    if (++taken_[k] == 1 && gapRecords_)
        jump_[k] = NowAfterLosing(kind, at, *gapRecords_) - (at.now + advance_);
    return HistoryReply(kind, at);
}

std::string RandomBytes(std::size_t count, std::uint64_t seed) {
    Random random(seed ^ 0x5EED5EED5EED5EEDULL);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random.next() & 0xFF);
    return bytes;
}

}  // namespace travik::sim
