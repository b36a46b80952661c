// The merge rules on the simulator's overlapping readouts: held records change
// nothing, new ones are added, and the overlap checks find a possible loss, a
// clock change and a conflict.
#include <gtest/gtest.h>

#include <algorithm>

#include "CellValues.h"
#include "CsvExport.h"
#include "HistoryTestSupport.h"
#include "HistoryTexts.h"
#include "RecordRule.h"
#include "Table.h"
#include "TempDir.h"

using namespace travik;
using namespace travik::history;
using namespace travik::history::testing;
using sim::DeviceHistory;
using sim::HistoryKind;

namespace {

DeviceHistory device(const std::string& serial = "4711") {
    DeviceHistory history;
    history.serial = serial;
    return history;
}

DeviceHistory later(DeviceHistory history, long long seconds) {
    history.now += seconds;
    return history;
}

struct HistoryFile {
    TempDir dir;
    SqliteStore store{dir.file("history.sqlite")};
};

std::set<long long> timesIn(HistoryStore& store, DeviceId id, ReadoutKind kind) {
    std::set<long long> times;
    for (const auto& record : AllRecords(store, id, kind)) times.insert(record.first);
    return times;
}

std::set<long long> unionOf(std::set<long long> a, const std::set<long long>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

const HistoryKind kBothKinds[] = {HistoryKind::DataLogger, HistoryKind::Alarm};

}  // namespace

TEST(HistoryMerge, OverlappingReadoutsAddOnlyWhatIsNewAndTwiceAddsNothing) {
    for (const HistoryKind kind : kBothKinds) {
        SCOPED_TRACE(kind == HistoryKind::Alarm ? "alarm" : "data");
        HistoryFile file;
        // The data logger's memory holds about two days, the alarm buffer weeks:
        // a readout a day later overlaps the first by most of it.
        const DeviceHistory first = device();
        const DeviceHistory second = later(first, kDay);
        const std::set<long long> firstTimes = TimesHeld(kind, first);
        const std::set<long long> secondTimes = TimesHeld(kind, second);

        const MergeOutcome a = MergeReadout(file.store, ReadoutAt(kind, first));
        EXPECT_EQ(a.newRecords, firstTimes.size());
        EXPECT_EQ(a.heldRecords, 0u);
        EXPECT_TRUE(a.gaps.empty());

        const MergeOutcome b = MergeReadout(file.store, ReadoutAt(kind, second));
        std::size_t overlap = 0;
        for (const long long t : secondTimes) overlap += firstTimes.count(t);
        ASSERT_GT(overlap, 10u);
        EXPECT_EQ(b.heldRecords, overlap);
        EXPECT_EQ(b.newRecords, secondTimes.size() - overlap);
        EXPECT_EQ(b.device, a.device);
        EXPECT_TRUE(b.gaps.empty());
        EXPECT_EQ(b.clockOffset, 0);
        EXPECT_EQ(b.conflicts, 0u);

        const MergeOutcome again = MergeReadout(file.store, ReadoutAt(kind, second));
        EXPECT_EQ(again.newRecords, 0u);
        EXPECT_EQ(again.heldRecords, secondTimes.size());
        EXPECT_EQ(timesIn(file.store, a.device, KindOf(kind)), unionOf(firstTimes, secondTimes));
        EXPECT_EQ(file.store.readouts(a.device).size(), 3u) << "every readout is kept";
    }
}

TEST(HistoryMerge, RecordsOverwrittenBetweenReadoutsAreAPossibleLossUntilFilled) {
    for (const HistoryKind kind : kBothKinds) {
        SCOPED_TRACE(kind == HistoryKind::Alarm ? "alarm" : "data");
        HistoryFile file;
        const DeviceHistory first = device();
        DeviceHistory third = first;
        third.now = sim::NowAfterLosing(kind, first, 5);
        const MergeOutcome a = MergeReadout(file.store, ReadoutAt(kind, first));
        const MergeOutcome c = MergeReadout(file.store, ReadoutAt(kind, third));

        const std::set<long long> before = TimesHeld(kind, first);
        const std::set<long long> after = TimesHeld(kind, third);
        ASSERT_EQ(c.gaps.size(), 1u);
        EXPECT_EQ(c.gaps[0].from, *before.rbegin());
        EXPECT_EQ(c.gaps[0].to, *after.begin());
        const auto listed = PossibleLosses(file.store.coverage(a.device, KindOf(kind)));
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].from, c.gaps[0].from);
        EXPECT_EQ(listed[0].to, c.gaps[0].to);

        // A readout taken between the two (a saved file merged late) covers the stretch.
        DeviceHistory between = first;
        between.now = (first.now + third.now) / 2;
        MergeReadout(file.store, ReadoutAt(kind, between));
        EXPECT_TRUE(PossibleLosses(file.store.coverage(a.device, KindOf(kind))).empty());
    }
}

TEST(HistoryMerge, ClockSetBackOrForwardIsFoundAndNothingIsAddedTwice) {
    struct Case {
        const char* name;
        long long shift;
        bool restampAll;  // the device prints every record by its current clock
    };
    const Case cases[] = {
        {"back, all restamped", -3600, true},
        {"forward, all restamped", 2 * 3600, true},
        {"back a day, all restamped", -kDay, true},
        {"back a day, records logged since", -kDay, false},
    };
    for (const HistoryKind kind : kBothKinds) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (kind == HistoryKind::Alarm ? " alarm" : " data"));
            HistoryFile file;
            const DeviceHistory first = device();
            DeviceHistory second = later(first, kDay / 2);
            second.clockShift = c.shift;
            second.clockSetAt = first.now + kDay / 4;
            second.restampAll = c.restampAll;

            const MergeOutcome a = MergeReadout(file.store, ReadoutAt(kind, first));
            const MergeOutcome b = MergeReadout(file.store, ReadoutAt(kind, second));
            const sim::HistoryRecords held1 = sim::HistoryReplyRecords(kind, first);
            const sim::HistoryRecords held2 = sim::HistoryReplyRecords(kind, second);
            const std::size_t newTrue = held2.end - std::max(held1.end, held2.first);
            EXPECT_EQ(b.newRecords, newTrue) << "only records logged since the first readout";
            EXPECT_EQ(b.conflicts, 0u);
            EXPECT_EQ(file.store.recordCount(a.device, KindOf(kind)),
                      held2.end - std::min(held1.first, held2.first));
            if (c.restampAll) {
                EXPECT_EQ(b.clockOffset, c.shift);
                EXPECT_EQ(b.shifted, held1.end - std::max(held1.first, held2.first));
                // The records keep the time the device wrote when they were first read.
                for (const long long t : TimesHeld(kind, first))
                    EXPECT_EQ(timesIn(file.store, a.device, KindOf(kind)).count(t), 1u);
            } else if (kind == HistoryKind::DataLogger) {
                // Regular records: the step back tells the offset exactly.
                EXPECT_EQ(b.clockOffset, c.shift);
            } else {
                EXPECT_LT(b.clockOffset, 0) << "a step back among the alarms";
            }
            if (!c.restampAll) {
                for (int language = 0; language < 4; ++language)
                    EXPECT_EQ(OutcomeText(b, language).find("(0 "), std::string::npos)
                        << "a step back finds no record again: " << OutcomeText(b, language);
            }
            const auto events = file.store.events(a.device, KindOf(kind));
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].type, EventType::ClockChange);
            EXPECT_EQ(events[0].offset, b.clockOffset);

            const MergeOutcome again = MergeReadout(file.store, ReadoutAt(kind, second));
            EXPECT_EQ(again.newRecords, 0u);
            EXPECT_EQ(file.store.events(a.device, KindOf(kind)).size(), 1u)
                << "merged twice adds nothing, not even the clock change";
        }
    }
}

TEST(HistoryMerge, ADifferentContentAtAHeldTimeIsAConflictAndBothAreKept) {
    HistoryFile file;
    const std::string reply = sim::HistoryReply(HistoryKind::DataLogger, device());
    const MergeOutcome a = MergeReadout(file.store, Received(reply, ReadoutKind::DataLogger));
    // The tenth row's first value changed: the same time, another content.
    std::size_t row = 0;
    for (int line = 0; line < 3 + 9; ++line) row = reply.find("\r\n", row) + 2;
    const std::size_t valueStart =
        reply.find('\t', reply.find('\t', reply.find('\t', row) + 1) + 1) + 1;
    std::string changed = reply;
    changed[valueStart] = changed[valueStart] == '9' ? '8' : '9';

    const MergeOutcome b = MergeReadout(file.store, Received(changed, ReadoutKind::DataLogger));
    EXPECT_EQ(b.conflicts, 1u);
    EXPECT_EQ(b.newRecords, 1u);
    EXPECT_EQ(b.heldRecords, a.newRecords - 1);
    EXPECT_EQ(b.clockOffset, 0);
    const auto events = file.store.events(a.device, ReadoutKind::DataLogger);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, EventType::Conflict);

    const auto rows =
        file.store.rows(a.device, ReadoutKind::DataLogger, events[0].from, events[0].to);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].version, 1);
    EXPECT_EQ(rows[1].version, 2);
    EXPECT_EQ(rows[1].row, changed.substr(row, changed.find("\r\n", row) - row))
        << "the newer second";

    const MergeOutcome again = MergeReadout(file.store, Received(changed, ReadoutKind::DataLogger));
    EXPECT_EQ(again.newRecords, 0u);
    EXPECT_EQ(again.conflicts, 0u);
}

TEST(HistoryMerge, ALastRowCutByTheByteLimitIsNoRecordUntilReadWhole) {
    for (const HistoryKind kind : kBothKinds) {
        SCOPED_TRACE(kind == HistoryKind::Alarm ? "alarm" : "data");
        HistoryFile file;
        DeviceHistory full = device();
        full.memoryBytes = 40000;  // more than the program reads: the reply is cut
        const IncomingReadout cut = ReadoutAt(kind, full);
        ASSERT_FALSE(cut.endedComplete);
        const MergeOutcome a = MergeReadout(file.store, cut);
        EXPECT_TRUE(a.lastRowCut);

        const std::string lastLine = cut.terminal.lines().back();
        const sim::HistoryRecords held = sim::HistoryReplyRecords(kind, full);
        std::size_t whole = 0;
        const std::string reply = sim::HistoryReply(kind, full);
        for (std::size_t i = held.first; i < held.end; ++i) {
            const std::string time = sim::FormatDeviceTime(sim::RecordDeviceTime(kind, full, i));
            if (kind == HistoryKind::Alarm) {
                if (cut.terminal.bytes().find("\t" + time + "\t") != std::string::npos) ++whole;
            } else if (cut.terminal.bytes().find(time.substr(0, 10) + "\t" + time.substr(11)) !=
                       std::string::npos) {
                ++whole;
            }
        }
        EXPECT_EQ(a.newRecords + 1, whole) << "the cut row held a time but is no record";
        EXPECT_FALSE(lastLine.empty());
        EXPECT_EQ(reply.find(lastLine + "\r\n"), std::string::npos) << "the last line is cut";

        // Read with a smaller memory later, the row comes whole and is added.
        DeviceHistory smaller = later(full, 60);
        smaller.memoryBytes = 0;
        const MergeOutcome b = MergeReadout(file.store, ReadoutAt(kind, smaller));
        EXPECT_FALSE(b.lastRowCut);
        EXPECT_GE(b.newRecords, 1u);
    }
}

TEST(HistoryMerge, AFirmwareUpdateIsJoinedToItsDeviceWhenAsked) {
    HistoryFile file;
    const DeviceHistory first = device();
    const MergeOutcome a = MergeReadout(file.store, ReadoutAt(HistoryKind::DataLogger, first));
    std::string updated = sim::HistoryReply(HistoryKind::DataLogger, later(first, kDay));
    const std::string line = sim::DeviceLine("4711");
    updated.replace(0, line.size(), "TravikP 2000 S/N 4711 V3.20");

    HistoryFile apart;
    MergeReadout(apart.store, ReadoutAt(HistoryKind::DataLogger, first));
    MergeReadout(apart.store, Received(updated, ReadoutKind::DataLogger));
    EXPECT_EQ(apart.store.devices().size(), 2u) << "a new first line is a new device by itself";

    const MergeOutcome b =
        MergeReadout(file.store, Received(updated, ReadoutKind::DataLogger), a.device);
    EXPECT_EQ(b.device, a.device);
    EXPECT_GT(b.heldRecords, 10u) << "the overlap is found on the joined device";
    const auto devices = file.store.devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].firstLines,
              (std::vector<std::string>{line, "TravikP 2000 S/N 4711 V3.20"}));
    // Later readouts with the new line find the device by themselves.
    const MergeOutcome c = MergeReadout(file.store, Received(updated, ReadoutKind::DataLogger));
    EXPECT_EQ(c.device, a.device);
    EXPECT_EQ(c.newRecords, 0u);

    // Joining afterwards moves everything over, records held by both once.
    const DeviceId other = apart.store.devices()[1].id;
    apart.store.begin();
    apart.store.joinDevice(other, apart.store.devices()[0].id);
    apart.store.commit();
    ASSERT_EQ(apart.store.devices().size(), 1u);
    EXPECT_EQ(AllRecords(apart.store, apart.store.devices()[0].id, ReadoutKind::DataLogger),
              AllRecords(file.store, a.device, ReadoutKind::DataLogger));

    // A device joined to itself stays as it is.
    const auto before = AllRecords(file.store, a.device, ReadoutKind::DataLogger);
    file.store.begin();
    file.store.joinDevice(a.device, a.device);
    file.store.commit();
    ASSERT_EQ(file.store.devices().size(), 1u);
    EXPECT_EQ(AllRecords(file.store, a.device, ReadoutKind::DataLogger), before);
}

TEST(HistoryMerge, EveryReadoutCanBeWrittenAgainByteForByte) {
    HistoryFile file;
    for (const HistoryKind kind : kBothKinds) {
        const IncomingReadout readout = ReadoutAt(kind, device());
        const MergeOutcome merged = MergeReadout(file.store, readout);
        const std::optional<StoredReadout> stored = file.store.readout(merged.readout);
        ASSERT_TRUE(stored);
        const TerminalText again = TerminalOf(*stored);
        EXPECT_EQ(again.bytes(), readout.terminal.bytes());
        EXPECT_EQ(again.insertedTabs(), readout.terminal.insertedTabs());
        const bool alarm = kind == HistoryKind::Alarm;
        EXPECT_EQ(TabbedCsvText(again, alarm), TabbedCsvText(readout.terminal, alarm));
        EXPECT_EQ(stored->deviceClock, Since1970(device().now));
        EXPECT_EQ(stored->source, "test");
    }
}

TEST(HistoryMerge, ARangeComesOutInTimeOrderWithTheNewestHeader) {
    HistoryFile file;
    const DeviceHistory first = device();
    const DeviceHistory second = later(first, kDay);
    MergeReadout(file.store, ReadoutAt(HistoryKind::DataLogger, second));
    const MergeOutcome a = MergeReadout(file.store, ReadoutAt(HistoryKind::DataLogger, first));
    const std::set<long long> all = unionOf(TimesHeld(HistoryKind::DataLogger, first),
                                            TimesHeld(HistoryKind::DataLogger, second));
    const long long from = *std::next(all.begin(), 10);
    const long long to = *std::next(all.begin(), 100);

    const auto text = RangeDeviceText(file.store, a.device, ReadoutKind::DataLogger, from, to);
    ASSERT_TRUE(text);
    const Table table = CutTable(*text);
    ASSERT_EQ(table.rowCount(), 91u);
    EXPECT_EQ(table.preamble[0], sim::DeviceLine("4711"));
    EXPECT_EQ(table.preamble[1], sim::FormatDeviceTime(first.now)) << "the newest readout's";
    EXPECT_EQ(table.titles[1], "Date");
    EXPECT_EQ(table.cell(0, 1) + " " + table.cell(0, 2), DeviceTimeText(from));
    EXPECT_EQ(table.cell(90, 1) + " " + table.cell(90, 2), DeviceTimeText(to));
    EXPECT_FALSE(RangeDeviceText(file.store, a.device, ReadoutKind::AlarmBuffer, from, to));
}

TEST(HistoryMerge, TheOutcomeIsOneSentenceInEachLanguage) {
    HistoryFile file;
    const DeviceHistory first = device();
    MergeReadout(file.store, ReadoutAt(HistoryKind::DataLogger, first));
    const auto devices = file.store.devices();
    file.store.begin();
    file.store.setDeviceName(devices[0].id, "DL 7 S/N 4711");
    file.store.commit();
    DeviceHistory gap = first;
    gap.now = sim::NowAfterLosing(HistoryKind::DataLogger, first, 3);
    const MergeOutcome b = MergeReadout(file.store, ReadoutAt(HistoryKind::DataLogger, gap));
    ASSERT_EQ(b.gaps.size(), 1u);
    const std::string from = DeviceTimeText(b.gaps[0].from);
    const std::string to = DeviceTimeText(b.gaps[0].to);
    const std::string n = std::to_string(b.newRecords);
    EXPECT_EQ(OutcomeText(b, 0), n +
                                     " new records, 0 already in the history of DL 7 S/N 4711; "
                                     "possible loss from " +
                                     from + " to " + to);
    EXPECT_EQ(OutcomeText(b, 1), n +
                                     " neue Datensätze, 0 schon im Verlauf von DL 7 S/N 4711; "
                                     "möglicher Verlust von " +
                                     from + " bis " + to);
    EXPECT_EQ(OutcomeText(b, 2), n +
                                     " nouveaux enregistrements, 0 déjà dans l'historique de "
                                     "DL 7 S/N 4711 ; perte possible du " +
                                     from + " au " + to);
    EXPECT_EQ(OutcomeText(b, 3), n +
                                     " registros nuevos, 0 ya en el historial de DL 7 S/N 4711; "
                                     "posible pérdida del " +
                                     from + " al " + to);
    MergeOutcome one = b;
    one.newRecords = 1;
    one.gaps.clear();
    one.clockOffset = -3600;
    one.shifted = 12;
    EXPECT_EQ(OutcomeText(one, 0),
              "1 new record, 0 already in the history of DL 7 S/N 4711; "
              "device clock set by -1:00:00 (12 records found again)");
    EXPECT_EQ(OutcomeText(one, 7), OutcomeText(one, 0)) << "English outside the four";
}

TEST(HistoryMerge, ADeviceIsFoundByItsNameOrAPartOfItsLineOnlyItHas) {
    const std::vector<DeviceInfo> devices = {
        {1, "Cooler", {"TravikP 2000 S/N 4711 V3.12", "TravikP 2000 S/N 4711 V3.20"}},
        {2, "", {"TravikP 2000 S/N 4712 V3.12"}},
    };
    struct Case {
        const char* given;
        std::optional<DeviceId> device;
        std::size_t matches;
    };
    const Case cases[] = {{"Cooler", 1, 1},
                          {"4711", 1, 1},
                          {"V3.20", 1, 1},
                          {"S/N 4712", 2, 1},
                          {"TravikP", std::nullopt, 2},
                          {"4713", std::nullopt, 0},
                          {"", std::nullopt, 0}};
    for (const Case& c : cases) {
        std::size_t matches = 99;
        const auto found = FindDevice(devices, c.given, &matches);
        EXPECT_EQ(found ? std::optional<DeviceId>(found->id) : std::nullopt, c.device) << c.given;
        EXPECT_EQ(matches, c.matches) << c.given;
    }
    EXPECT_EQ(DisplayName(devices[0]), "Cooler");
    EXPECT_EQ(DisplayName(devices[1]), "TravikP 2000 S/N 4712 V3.12");
}

TEST(HistoryRecordRule, TheRunningNumberIsNoPartOfARecord) {
    // The same two entries, numbered as two readouts a turn of the ring apart.
    const std::string header = "TravikP 2000 V3.12\r09.12.2026 01:00:00\rNo\tDate\tTime\tT\r";
    const CutReadout a =
        CutRecords(header + "7\t01.03.2024\t06:00:00\t1,5\r8\t01.03.2024\t06:15:00\t1,6\r",
                   ReadoutKind::DataLogger, true);
    const CutReadout b =
        CutRecords(header + "1\t01.03.2024\t06:00:00\t1,5\r", ReadoutKind::DataLogger, true);
    ASSERT_EQ(a.records.size(), 2u);
    ASSERT_EQ(b.records.size(), 1u);
    EXPECT_EQ(a.records[0].time, b.records[0].time);
    EXPECT_EQ(a.records[0].content, "1,5");
    EXPECT_EQ(b.records[0].content, "1,5") << "one row: \"No\" tells the running number";
    EXPECT_EQ(a.firstLine, "TravikP 2000 V3.12");
    EXPECT_EQ(a.deviceClock, DaysFromCivil(2026, 12, 9) * 86400 + 3600);

    const CutReadout times =
        CutRecords(header + "1\t\t06:00:00\t1\r2\tx\t\t2\r", ReadoutKind::DataLogger, true);
    EXPECT_TRUE(times.records.empty()) << "a row whose time does not read is no record";
    EXPECT_EQ(times.rowsWithoutTime, 2u);

    const CutReadout ended =
        CutRecords(header + "1\t01.03.2024\t06:00:00\t1,5\r2\t01.03.2024\t06:15:00\t1,",
                   ReadoutKind::DataLogger, false);
    EXPECT_EQ(ended.records.size(), 1u);
    EXPECT_TRUE(ended.lastRowCut);
    EXPECT_EQ(UsualSpacing({0, 900, 1800, 2700, 9000}), 900);
    EXPECT_EQ(UsualSpacing({5}), 0);
}

TEST(HistoryRecordRule, AValueCountingUpByOneIsStillAValue) {
    // Found by the fuzz target: two rows at the same time whose values were 0 and 1.
    const std::string text =
        "TravikP 2000 V3.12\r09.12.2026 01:00:00\rNo\tDate\tTime\tT\r"
        "1\t01.03.2024\t06:00:00\t0,0\r2\t01.03.2024\t06:00:00\t1,0\r";
    const CutReadout cut = CutRecords(text, ReadoutKind::DataLogger, true);
    ASSERT_EQ(cut.records.size(), 2u);
    EXPECT_EQ(cut.records[0].content, "0,0");
    EXPECT_EQ(cut.records[1].content, "1,0");
    const CutReadout untitled =
        CutRecords("D\r09.12.2026 01:00:00\rN\tt\r7\t01.03.2024 06:00:00\r8\t01.03.2024 07:00:00\r",
                   ReadoutKind::AlarmBuffer, true);
    ASSERT_EQ(untitled.records.size(), 2u);
    EXPECT_EQ(untitled.records[0].content, "")
        << "a first column counting rows, whatever its title";
}

namespace {

// The rows' values after the third TAB, in reply order.
std::vector<std::pair<std::size_t, std::size_t>> valueSpans(const std::string& reply) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    std::size_t row = 0;
    for (int line = 0; line < 3; ++line) row = reply.find("\r\n", row) + 2;
    for (std::size_t end; (end = reply.find("\r\n", row)) != std::string::npos; row = end + 2) {
        const std::size_t start =
            reply.find('\t', reply.find('\t', reply.find('\t', row) + 1) + 1) + 1;
        spans.emplace_back(start, end - start);
    }
    return spans;
}

// The device's reply with its rows' values repeating in pairs (A A B B C C ...),
// eight values a period: the same values at the same times in every readout.
std::string repeatingReply(const DeviceHistory& history, const std::vector<std::string>& values) {
    const std::string reply = sim::HistoryReply(HistoryKind::DataLogger, history);
    const std::size_t first = sim::HistoryReplyRecords(HistoryKind::DataLogger, history).first;
    std::string out = reply;
    const auto spans = valueSpans(reply);
    for (std::size_t i = spans.size(); i-- > 0;)
        out.replace(spans[i].first, spans[i].second, values[((first + i) / 2) % values.size()]);
    return out;
}

}  // namespace

TEST(HistoryMerge, ARepeatingSignalIsKeptWholeAndIsNoClockChange) {
    HistoryFile file;
    const DeviceHistory first = device();
    const std::string plain = sim::HistoryReply(HistoryKind::DataLogger, first);
    std::vector<std::string> values;
    for (std::size_t i = 0; i < 16; i += 2) {
        const auto span = valueSpans(plain)[i];
        values.push_back(plain.substr(span.first, span.second));
    }
    ASSERT_EQ(std::set<std::string>(values.begin(), values.end()).size(), values.size());

    const DeviceHistory second = later(first, kDay);
    const MergeOutcome a =
        MergeReadout(file.store, Received(repeatingReply(first, values), ReadoutKind::DataLogger));
    const MergeOutcome b =
        MergeReadout(file.store, Received(repeatingReply(second, values), ReadoutKind::DataLogger));
    const std::set<long long> all = unionOf(TimesHeld(HistoryKind::DataLogger, first),
                                            TimesHeld(HistoryKind::DataLogger, second));
    EXPECT_EQ(b.clockOffset, 0);
    EXPECT_EQ(b.shifted, 0u);
    EXPECT_GT(b.newRecords, 10u);
    EXPECT_EQ(timesIn(file.store, a.device, ReadoutKind::DataLogger), all);
    EXPECT_TRUE(file.store.events(a.device, ReadoutKind::DataLogger).empty());
}

TEST(HistoryMerge, AReadoutCutOffBeforeItsFirstLineEndedIsNotMerged) {
    const std::string line = sim::DeviceLine("4711");
    for (const std::string& reply : {std::string(), std::string("T"), line.substr(0, 10)}) {
        SCOPED_TRACE(reply);
        HistoryFile file;
        IncomingReadout readout = Received(reply, ReadoutKind::DataLogger);
        readout.endedComplete = false;
        const MergeOutcome outcome = MergeReadout(file.store, readout);
        EXPECT_FALSE(outcome.merged);
        EXPECT_TRUE(file.store.devices().empty());
        EXPECT_TRUE(file.store.readouts(std::nullopt).empty());
        EXPECT_NE(OutcomeText(outcome, 0).find("Nothing kept"), std::string::npos);
    }
}
