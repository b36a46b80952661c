#include "DeviceReplies.h"

#include <cstdio>

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
const char* const kDeviceLine = "TravikP 2000 V3.12";

// Seconds since 01.01.2024 00:00:00 on the device clock.
using DeviceTime = long long;

bool isLeapYear(long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(long year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::string formatDate(DeviceTime t) {
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

std::string headerLines(DeviceTime readoutTime) {
    return std::string(kDeviceLine) + kCrLf + formatDate(readoutTime) + " " +
           formatTime(readoutTime) + kCrLf;
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

std::string alarmRow(std::size_t number, DeviceTime when, Random& random) {
    const AlarmKind& kind =
        kAlarmKinds[random.next() % (sizeof kAlarmKinds / sizeof kAlarmKinds[0])];
    std::string row = std::to_string(number);
    row += '\t' + formatDate(when) + ' ' + formatTime(when);
    row += '\t' + std::to_string(random.between(1, 8));
    row += '\t' + std::string(kind.id);
    row += '\t' + std::string(kind.text);
    row += '\t';
    if (kind.decimals >= 0) row += decimalComma(random.between(kind.low, kind.high), kind.decimals);
    row += '\t' + std::string(kind.unit);
    row += '\t';
    if (random.oneIn(4)) row += "quittiert";
    row += random.oneIn(2) ? "\tkommt" : "\tgeht";
    return row + kCrLf;
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

std::string dataRow(std::size_t number, DeviceTime when, Random& random, Drift& drift) {
    drift.wander += random.between(-2, 2);
    if (drift.wander > 30) drift.wander = 30;
    if (drift.wander < -30) drift.wander = -30;
    const long cycle = dayCycle(when);
    const long temperature = 170 + cycle * 80 / 720 + drift.wander + random.between(-3, 3);
    const long conductivity =
        3800 + static_cast<long>(number) * 2 + random.between(-15, 15);  // tenths of uS/cm
    const long humidity = 600 - cycle * 150 / 720 + random.between(-10, 10);

    std::string row = std::to_string(number);
    row += '\t' + formatDate(when);
    row += '\t' + formatTime(when);
    row += '\t' + decimalComma(temperature, 1);   // degrees C
    row += '\t' + decimalComma(conductivity, 1);  // microsiemens per cm
    row += '\t';                                  // pressure, sensor often off
    if (!random.oneIn(5)) row += decimalComma(110 + random.between(-4, 4), 2);
    row += '\t' + decimalComma(humidity, 1);  // percent
    row += '\t';
    if (random.oneIn(8)) row += kEvents[random.next() % (sizeof kEvents / sizeof kEvents[0])];
    return row + kCrLf;
}

const DeviceTime kFirstEntry = 60LL * 86400 + 6LL * 3600;  // 01.03.2024 06:00:00

}  // namespace

std::string AlarmReply(std::size_t rows, std::uint64_t seed) {
    Random random(seed ^ 0xA1A2A3A4A5A6A7A8ULL);
    std::string body = "No\tt\tI\tIdL\tText\tValue\tUnit\tAck\tState";
    body += kCrLf;
    DeviceTime when = kFirstEntry;
    for (std::size_t number = 1; number <= rows; ++number) {
        when += random.between(3L * 60, 9L * 3600);
        body += alarmRow(number, when, random);
    }
    return headerLines(when + 3600) + body;
}

std::string DataLoggerReply(std::size_t rows, std::uint64_t seed) {
    Random random(seed ^ 0xD1D2D3D4D5D6D7D8ULL);
    std::string body = "No\tDate\tTime\tValue1 \260C\tValue2 \265S/cm\tValue3 bar\tValue4 %\tEvent";
    body += kCrLf;
    DeviceTime when = kFirstEntry;
    Drift drift;
    for (std::size_t number = 1; number <= rows; ++number, when += 15LL * 60)
        body += dataRow(number, when, random, drift);
    return headerLines(when + 3600) + body;
}

std::string RandomBytes(std::size_t count, std::uint64_t seed) {
    Random random(seed ^ 0x5EED5EED5EED5EEDULL);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random.next() & 0xFF);
    return bytes;
}

}  // namespace travik::sim
