// The simulated device with a history: readouts cut from a ring buffer that
// overlap, clock changes, gaps, and the options that set them.
#include <gtest/gtest.h>

#include <map>

#include "DeviceReplies.h"
#include "SimOptions.h"

using namespace travik::sim;

namespace {

const DeviceTime kDay = 86400;
const DeviceTime kStart = 60 * kDay + 6 * 3600;  // 01.03.2024 06:00:00

struct Row {
    std::size_t number;
    std::string time;    // as written: "dd.mm.yyyy hh:mm:ss"
    std::string fields;  // all after the running number
};

struct Parsed {
    std::vector<std::string> header;  // the first three lines
    std::vector<Row> rows;
};

// Cuts a reply into its lines; the running number is the first field, the
// time the second (alarms) or the second and third (data logger).
Parsed parse(HistoryKind kind, const std::string& reply) {
    Parsed parsed;
    std::size_t start = 0;
    for (std::size_t end; (end = reply.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = reply.substr(start, end - start);
        if (parsed.header.size() < 3) {
            parsed.header.push_back(line);
            continue;
        }
        const std::size_t tab = line.find('\t');
        std::string time = line.substr(tab + 1, 19);
        if (kind == HistoryKind::DataLogger) time[10] = ' ';
        parsed.rows.push_back({std::stoul(line.substr(0, tab)), time, line.substr(tab)});
    }
    EXPECT_EQ(start, reply.size()) << "a cut row";
    return parsed;
}

DeviceHistory historyAt(DeviceTime now) {
    DeviceHistory h;
    h.serial = "4711";
    h.now = now;
    return h;
}

const char* nameOf(HistoryKind kind) {
    return kind == HistoryKind::Alarm ? "alarm" : "data logger";
}

}  // namespace

TEST(SimHistory, ReplyHoldsTheNewestRecordsThatFitTheMemory) {
    struct Case {
        HistoryKind kind;
        std::size_t memory;
        std::size_t first, end;  // the records held at 30.04.2024 06:00
        const char* firstRow;
    };
    const Case cases[] = {
        {HistoryKind::DataLogger, 8770, 5579, 5761, "1\t28.04.2024\t08:45:00\t21,3\t"},
        {HistoryKind::Alarm, 14490, 140, 360, "1\t24.03.2024 16:51:15\t7\t1803\t"},
        {HistoryKind::DataLogger, 300, 5757, 5761, "1\t30.04.2024\t05:15:00\t19,1\t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nameOf(c.kind));
        DeviceHistory h = historyAt(kStart + 60 * kDay);
        h.memoryBytes = c.memory;
        const std::string reply = HistoryReply(c.kind, h);
        const Parsed parsed = parse(c.kind, reply);
        ASSERT_EQ(parsed.header.size(), 3u);
        EXPECT_EQ(parsed.header[0], "TravikP 2000 S/N 4711 V3.12");
        EXPECT_EQ(parsed.header[1], "30.04.2024 06:00:00");
        const HistoryRecords held = HistoryReplyRecords(c.kind, h);
        EXPECT_EQ(held.first, c.first);
        EXPECT_EQ(held.end, c.end);
        ASSERT_EQ(parsed.rows.size(), held.end - held.first);
        EXPECT_EQ(parsed.rows.front().fields.rfind(std::string(c.firstRow).substr(1), 0), 0u);
        for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
            EXPECT_EQ(parsed.rows[i].number, i + 1);
            EXPECT_EQ(parsed.rows[i].time,
                      FormatDeviceTime(RecordDeviceTime(c.kind, h, held.first + i)));
        }
        // Full: the next older record, numbered, would not have fitted.
        EXPECT_LE(reply.size(), c.memory);
        DeviceHistory roomier = h;
        roomier.memoryBytes = c.memory + 80;
        EXPECT_LT(HistoryReplyRecords(c.kind, roomier).first, held.first);
        // The newest record is the last one logged by now.
        EXPECT_LE(RecordTime(c.kind, h, held.end - 1), h.now);
        EXPECT_GT(RecordTime(c.kind, h, held.end), h.now);
    }
}

TEST(SimHistory, SuccessiveReadoutsOverlapAsARingBuffersDo) {
    struct Case {
        HistoryKind kind;
        DeviceTime later;
        std::size_t shared;  // records both readouts hold
    };
    const Case cases[] = {
        {HistoryKind::DataLogger, 0, 182},   {HistoryKind::DataLogger, 3600, 178},
        {HistoryKind::DataLogger, kDay, 88}, {HistoryKind::DataLogger, 3 * kDay, 0},
        {HistoryKind::Alarm, 0, 220},        {HistoryKind::Alarm, 4 * kDay, 195},
        {HistoryKind::Alarm, 40 * kDay, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(nameOf(c.kind)) + " " + std::to_string(c.later));
        const DeviceHistory first = historyAt(kStart + 60 * kDay);
        const DeviceHistory second = historyAt(first.now + c.later);
        const Parsed a = parse(c.kind, HistoryReply(c.kind, first));
        const Parsed b = parse(c.kind, HistoryReply(c.kind, second));
        std::map<std::string, const Row*> byTime;
        for (const Row& row : a.rows) byTime[row.time] = &row;
        std::size_t shared = 0;
        const long shift = static_cast<long>(HistoryReplyRecords(c.kind, second).first -
                                             HistoryReplyRecords(c.kind, first).first);
        for (const Row& row : b.rows) {
            const auto held = byTime.find(row.time);
            if (held == byTime.end()) continue;
            ++shared;
            // The same record, the same fields; only its running number moved.
            EXPECT_EQ(row.fields, held->second->fields);
            EXPECT_EQ(static_cast<long>(held->second->number) - static_cast<long>(row.number),
                      shift);
        }
        EXPECT_EQ(shared, c.shared);
        if (c.later == 0) {
            EXPECT_EQ(HistoryReply(c.kind, first), HistoryReply(c.kind, second));
        }
    }
}

TEST(SimHistory, ASetClockShiftsTheRecordsLoggedFromThenOn) {
    struct Case {
        long long shift;
        bool restampAll;
        DeviceTime setAfter;  // after the first readout
        const char* header;
    };
    const Case cases[] = {
        {-3600, false, 6 * 3600, "01.05.2024 05:00:00"},
        {+7200, false, 6 * 3600, "01.05.2024 08:00:00"},
        {-3600, true, 6 * 3600, "01.05.2024 05:00:00"},
        {-3600, false, 2 * kDay, "01.05.2024 06:00:00"},  // not set yet at the readout
    };
    const HistoryKind kind = HistoryKind::DataLogger;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shift);
        DeviceHistory before = historyAt(kStart + 60 * kDay);
        before.clockShift = c.shift;
        before.clockSetAt = before.now + c.setAfter;
        before.restampAll = c.restampAll;
        DeviceHistory after = before;
        after.now = before.now + kDay;
        const bool set = c.setAfter < kDay;
        EXPECT_EQ(parse(kind, HistoryReply(kind, after)).header[1], c.header);
        // The first readout, before the clock was set, is as without the change.
        DeviceHistory unchanged = historyAt(before.now);
        EXPECT_EQ(HistoryReply(kind, before), HistoryReply(kind, unchanged));

        const HistoryRecords held = HistoryReplyRecords(kind, after);
        const Parsed parsed = parse(kind, HistoryReply(kind, after));
        unchanged.now = after.now;
        const Parsed plain = parse(kind, HistoryReply(kind, unchanged));
        ASSERT_EQ(parsed.rows.size(), plain.rows.size());
        std::size_t shifted = 0;
        for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
            const DeviceTime logged = RecordTime(kind, after, held.first + i);
            const bool moved = set && (c.restampAll || logged >= before.clockSetAt);
            EXPECT_EQ(parsed.rows[i].time, FormatDeviceTime(logged + (moved ? c.shift : 0)));
            // The values stay those of the record: only the time moves.
            EXPECT_EQ(parsed.rows[i].fields.substr(21), plain.rows[i].fields.substr(21));
            shifted += moved;
        }
        const std::size_t expected = !set           ? 0
                                     : c.restampAll ? parsed.rows.size()
                                                    : 73;  // 18 hours and the record at the readout
        EXPECT_EQ(shifted, expected);
    }
}

TEST(SimHistory, AGapLeavesTheGivenRecordsUnread) {
    for (const HistoryKind kind : {HistoryKind::DataLogger, HistoryKind::Alarm}) {
        for (const std::size_t lost : {std::size_t{0}, std::size_t{1}, std::size_t{37}}) {
            SCOPED_TRACE(std::string(nameOf(kind)) + " " + std::to_string(lost));
            DeviceHistory h = historyAt(kStart + 60 * kDay);
            const HistoryRecords first = HistoryReplyRecords(kind, h);
            const DeviceTime later = NowAfterLosing(kind, h, lost);
            DeviceHistory at = h;
            at.now = later;
            EXPECT_EQ(HistoryReplyRecords(kind, at).first, first.end + lost);
            // The earliest such moment: a second before, the reply reached further back.
            at.now = later - 1;
            EXPECT_LT(HistoryReplyRecords(kind, at).first, first.end + lost);

            HistoryReadouts readouts(h, 3600, lost);
            EXPECT_EQ(readouts.next(kind), HistoryReply(kind, h));
            EXPECT_EQ(readouts.nextNow(kind), later);
            readouts.next(kind);
            EXPECT_EQ(readouts.nextNow(kind), later + 3600);
        }
    }
}

TEST(SimHistory, ReadoutsOfEachKindAdvanceOnTheirOwn) {
    DeviceHistory h = historyAt(kStart + 60 * kDay);
    HistoryReadouts readouts(h, 6 * 3600, std::nullopt);
    for (int n = 0; n < 3; ++n) {
        DeviceHistory at = h;
        at.now = h.now + n * 6 * 3600;
        EXPECT_EQ(readouts.next(HistoryKind::DataLogger),
                  HistoryReply(HistoryKind::DataLogger, at));
    }
    EXPECT_EQ(readouts.next(HistoryKind::Alarm), HistoryReply(HistoryKind::Alarm, h));
}

TEST(SimHistory, DeviceTimesReadAndWrite) {
    const std::pair<const char*, DeviceTime> good[] = {
        {"2024-01-01T00:00", 0},
        {"2024-03-01T06:00", kStart},
        {"2024-02-29T23:59:59", 59 * kDay + kDay - 1},
        {"2025-01-01T00:00:00", 366 * kDay},
        {"2199-12-31T23:59", -1},
    };
    for (const auto& [text, expected] : good) {
        const auto parsed = ParseDeviceTime(text);
        ASSERT_TRUE(parsed) << text;
        if (expected >= 0) {
            EXPECT_EQ(*parsed, expected) << text;
        }
    }
    EXPECT_EQ(FormatDeviceTime(*ParseDeviceTime("2034-12-31T17:05:09")), "31.12.2034 17:05:09");
    for (const char* bad :
         {"", "2023-12-31T23:59", "2200-01-01T00:00", "2025-02-29T00:00", "2024-13-01T00:00",
          "2024-01-01T24:00", "2024-01-01T00:60", "2024-01-01 00:00", "2024-1-01T00:00:0",
          "+024-01-01T00:00", "2024-01-01T00:00:00Z", "2024-01-01T00:-1"})
        EXPECT_FALSE(ParseDeviceTime(bad)) << bad;
}

TEST(SimHistory, OptionsSetTheHistory) {
    const auto parsed = ParseSimOptions(
        {"--serial", "A-47/11", "--log-start=2024-02-01T00:00", "--now", "2024-06-01T12:30:15",
         "--advance", "6h", "--interval", "10m", "--clock-shift", "-1h", "--clock-set-at",
         "2024-06-02T03:00", "--restamp", "--gap", "5", "--memory", "4000"});
    ASSERT_EQ(parsed.error, "");
    const SimOptions& o = parsed.options;
    EXPECT_TRUE(o.history);
    EXPECT_EQ(o.serial, "A-47/11");
    const DeviceHistory& h = o.historyParameters;
    EXPECT_EQ(h.loggingStart, 31 * kDay);
    EXPECT_EQ(h.now, *ParseDeviceTime("2024-06-01T12:30:15"));
    EXPECT_EQ(o.advance, 6 * 3600);
    EXPECT_EQ(h.interval, 600);
    EXPECT_EQ(h.clockShift, -3600);
    EXPECT_EQ(h.clockSetAt, *ParseDeviceTime("2024-06-02T03:00"));
    EXPECT_TRUE(h.restampAll);
    EXPECT_EQ(o.gapRecords, 5u);
    EXPECT_EQ(h.memoryBytes, 4000u);
    EXPECT_EQ(ParseSimOptions({"--advance", "90"}).options.advance, 90);
    EXPECT_EQ(ParseSimOptions({"--advance", "2d"}).options.advance, 2 * kDay);
    EXPECT_FALSE(ParseSimOptions({"--serial", "9"}).options.history);
    EXPECT_FALSE(ParseSimOptions({}).options.history);

    const std::vector<std::vector<std::string>> bad = {
        {"--serial", ""},
        {"--serial", "47 11"},
        {"--serial", "4711\r\n"},
        {"--serial", "123456789012345678901"},
        {"--now", "yesterday"},
        {"--advance", "-1h"},
        {"--advance", "1w"},
        {"--advance", "h"},
        {"--interval", "0"},
        {"--clock-shift", "1h"},
        {"--clock-set-at", "2024-06-02T03:00"},
        {"--clock-shift", "++1", "--clock-set-at", "2024-06-02T03:00"},
        {"--clock-shift", "99999d", "--clock-set-at", "2024-06-02T03:00"},
        {"--memory", "0"},
        {"--now", "2024-06-02T03:00", "--rows", "5"},
        {"--gap", "1", "--random", "5"},
    };
    for (const auto& args : bad) EXPECT_NE(ParseSimOptions(args).error, "") << args[0];
    EXPECT_NE(UsageText().find("--clock-shift"), std::string::npos);
}
