// The merge rules: readouts cut from one device's log (overlapping windows, a
// row cut short, a record read with another content) merged in two orders
// give the same set of records, and no record a readout held whole is lost.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Merge.h"
#include "SqliteStore.h"

namespace {

using namespace travik;
using namespace travik::history;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct LogRecord {
    long long time;  // minutes since 01.03.2024 00:00
    std::string content;
};

std::string twoDigits(long long n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02lld", n % 100);
    return text;
}

// dd.mm.2024 hh:mm:00, minutes counted from 01.03.2024 (31 days in March, 30 in April).
std::string timeText(long long minutes) {
    const long long day = minutes / 1440;
    const long long month = day < 31 ? 3 : 4;
    const long long dayOfMonth = (month == 3 ? day : day - 31) + 1;
    return twoDigits(dayOfMonth) + "." + twoDigits(month) + ".2024\t" +
           twoDigits(minutes / 60 % 24) + ":" + twoDigits(minutes % 60) + ":00";
}

using Key = std::pair<long long, std::string>;

struct Readout {
    IncomingReadout incoming;
    std::set<Key> whole;  // the records it holds whole
};

long long since1970(long long minutes) {
    return (19783LL /* 01.03.2024 */) * 86400 + minutes * 60;
}

Readout readoutOf(const std::vector<LogRecord>& log, std::size_t first, std::size_t end,
                  bool cutLast, std::size_t changed) {
    Readout readout;
    readout.incoming.kind = ReadoutKind::DataLogger;
    std::string text = "TravikP 2000 S/N 1 V3.12\r01.05.2024 00:00:00\rNo\tDate\tTime\tValue\r";
    for (std::size_t i = first; i < end; ++i) {
        const std::string content = i == changed ? log[i].content + "x" : log[i].content;
        std::string row =
            std::to_string(i - first + 1) + "\t" + timeText(log[i].time) + "\t" + content;
        const bool last = i + 1 == end;
        if (last && cutLast) {
            text += row.substr(0, row.size() - 2);  // the value cut short
            readout.incoming.endedComplete = false;
        } else {
            text += row + "\r";
            readout.whole.emplace(since1970(log[i].time), content);
        }
    }
    for (const char c : text) readout.incoming.terminal.append(c);
    return readout;
}

std::set<Key> mergedInOrder(const std::vector<Readout>& readouts,
                            const std::vector<std::size_t>& order) {
    SqliteStore store(":memory:");
    for (const std::size_t i : order) MergeReadout(store, readouts[i].incoming);
    std::set<Key> all;
    for (const DeviceInfo& device : store.devices())
        for (HeldRecord& record :
             store.recordsBetween(device.id, ReadoutKind::DataLogger, -(1LL << 60), 1LL << 60))
            all.emplace(record.time, std::move(record.content));
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    std::vector<LogRecord> log;
    const std::size_t length = 2 + bytes.next() % 40;
    long long time = 6 * 60;
    for (std::size_t i = 0; i < length; ++i) {
        time += bytes.next() % 4 == 0 ? 0 : 15 * (1 + bytes.next() % 3);  // some share a time
        // A few contents only, so that the log repeats itself (A A B B...).
        log.push_back(LogRecord{time, "v" + std::to_string(bytes.next() % 4)});
    }
    std::vector<Readout> readouts;
    const std::size_t count = 1 + bytes.next() % 5;
    for (std::size_t r = 0; r < count; ++r) {
        const std::size_t first = bytes.next() % length;
        const std::size_t end = first + 1 + bytes.next() % (length - first);
        const bool cut = bytes.next() % 4 == 0;
        const std::size_t changed =
            bytes.next() % 8 == 0 ? first + bytes.next() % (end - first) : length;
        readouts.push_back(readoutOf(log, first, end, cut, changed));
    }
    std::vector<std::size_t> forward;
    for (std::size_t i = 0; i < count; ++i) forward.push_back(i);
    std::vector<std::size_t> shuffled(forward.rbegin(), forward.rend());
    for (std::size_t i = 0; i + 1 < count; ++i)
        std::swap(shuffled[i], shuffled[i + bytes.next() % (count - i)]);

    const std::set<Key> one = mergedInOrder(readouts, forward);
    const std::set<Key> other = mergedInOrder(readouts, shuffled);
    if (one != other) {
        std::fprintf(stderr, "the order of merging changed the records: %zu against %zu\n",
                     one.size(), other.size());
        std::abort();
    }
    std::set<Key> given;
    for (const Readout& readout : readouts)
        given.insert(readout.whole.begin(), readout.whole.end());
    if (given != one) {
        std::fprintf(stderr, "merging lost or made up records: %zu given, %zu held\n", given.size(),
                     one.size());
        for (const Key& key : given)
            std::fprintf(stderr, "given %lld %s\n", key.first, key.second.c_str());
        for (const Key& key : one)
            std::fprintf(stderr, "held %lld %s\n", key.first, key.second.c_str());
        std::abort();
    }
    return 0;
}
