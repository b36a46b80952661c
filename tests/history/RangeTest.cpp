// Ranges out of the history, as the window shows them: the records of the
// simulator's overlapping readouts between two times, the possible losses and
// clock changes in them, and the table the pages get.
#include <gtest/gtest.h>

#include <algorithm>

#include "CellValues.h"
#include "CsvExport.h"
#include "HistoryRange.h"
#include "HistoryTestSupport.h"
#include "HistoryTexts.h"
#include "ReadoutFile.h"
#include "TempDir.h"

using namespace travik;
using namespace travik::history;
using namespace travik::history::testing;
using sim::DeviceHistory;
using sim::HistoryKind;

namespace {

constexpr HistoryKind kData = HistoryKind::DataLogger;
constexpr ReadoutKind kLogger = ReadoutKind::DataLogger;

struct HistoryFile {
    TempDir dir;
    SqliteStore store{dir.file("history.sqlite")};
};

DeviceHistory device() {
    DeviceHistory history;
    history.serial = "4711";
    return history;
}

// Three visits: a day apart, then so late that the device overwrote records unread
// (six data-logger records: 01.05.2024 06:15 to 07:30).
struct ThreeVisits {
    DeviceHistory first = device();
    DeviceHistory second = first;
    DeviceHistory third = first;
    DeviceId id = 0;
    MergeOutcome last;

    explicit ThreeVisits(HistoryStore& store) {
        second.now += kDay;
        third.now = sim::NowAfterLosing(kData, second, 5);
        id = MergeReadout(store, ReadoutAt(kData, first)).device;
        MergeReadout(store, ReadoutAt(kData, second));
        last = MergeReadout(store, ReadoutAt(kData, third));
    }
    std::set<long long> allTimes() const {
        std::set<long long> all = TimesHeld(kData, first);
        for (const auto* visit : {&second, &third}) {
            const std::set<long long> held = TimesHeld(kData, *visit);
            all.insert(held.begin(), held.end());
        }
        return all;
    }
};

std::string rowTime(const Table& table, std::size_t row) {
    return table.cell(row, 1) + " " + table.cell(row, 2);
}

}  // namespace

TEST(HistoryRange, EverythingHoldsEachRecordOnceInTimeOrderWithTheLossMarked) {
    HistoryFile file;
    const ThreeVisits visits(file.store);
    const std::set<long long> all = visits.allTimes();

    const auto range = ResolveRange(file.store, visits.id, kLogger, RangeChoice::Everything);
    ASSERT_TRUE(range);
    EXPECT_EQ(DeviceTimeText(range->from), "28.04.2024 08:45:00");
    EXPECT_EQ(DeviceTimeText(range->to), "03.05.2024 05:15:00");
    EXPECT_EQ(range->from, *all.begin());
    EXPECT_EQ(range->to, *all.rbegin());

    const auto shown = LoadRange(file.store, visits.id, kLogger, *range);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->records(), 461u);
    EXPECT_EQ(shown->records(), all.size());
    EXPECT_EQ(std::vector<long long>(all.begin(), all.end()), shown->rowTimes);
    EXPECT_EQ(shown->readouts.size(), 3u);

    ASSERT_EQ(shown->marks.size(), 1u);
    const RangeMark& loss = shown->marks[0];
    EXPECT_EQ(loss.type, RangeMark::Type::PossibleLoss);
    EXPECT_EQ(DeviceTimeText(loss.from), "01.05.2024 06:00:00");
    EXPECT_EQ(DeviceTimeText(loss.to), "01.05.2024 07:45:00");
    EXPECT_EQ(loss.from, *TimesHeld(kData, visits.second).rbegin());
    EXPECT_EQ(loss.to, *TimesHeld(kData, visits.third).begin());

    // The table the pages get: one row per record, the two beside the loss marked.
    const Table table = RangeTable(*shown);
    ASSERT_EQ(table.rowCount(), shown->records());
    EXPECT_EQ(table.preamble[0], sim::DeviceLine("4711"));
    EXPECT_EQ(table.preamble[1], sim::FormatDeviceTime(visits.third.now)) << "the newest's";
    std::vector<std::string> marked;
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        if (shown->rowMarks[row] != 0)
            marked.push_back(rowTime(table, row) + " " + std::to_string(shown->rowMarks[row]));
    EXPECT_EQ(marked, (std::vector<std::string>{"01.05.2024 06:00:00 1", "01.05.2024 07:45:00 2"}));
}

TEST(HistoryRange, EachChoiceGivesItsStretch) {
    HistoryFile file;
    const ThreeVisits visits(file.store);
    const long long newest = *TimesHeld(kData, visits.third).rbegin();
    const long long seenBefore = *TimesHeld(kData, visits.second).rbegin();
    struct Case {
        RangeChoice choice;
        TimeRange given;
        std::optional<TimeRange> expected;
        std::size_t records;
        std::size_t marks;
        std::size_t readouts;
    };
    const long long may1 = DaysFromCivil(2024, 5, 1) * 86400;
    const Case cases[] = {
        // The newest visit's records and the last one the visit before saw: the loss between.
        {RangeChoice::SinceLastVisit,
         {},
         TimeRange{seenBefore, newest},
         visits.last.newRecords + 1,
         1,
         2},
        {RangeChoice::Last30Days, {}, TimeRange{newest - kThirtyDays, newest}, 461, 1, 3},
        {RangeChoice::FromTo, {may1, may1 + kDay - 1}, TimeRange{may1, may1 + kDay - 1}, 90, 1, 2},
        {RangeChoice::FromTo, {may1 + kDay, may1}, std::nullopt, 0, 0, 0},
        {RangeChoice::FromTo, {0, 1000}, TimeRange{0, 1000}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        const auto range = ResolveRange(file.store, visits.id, kLogger, c.choice, c.given);
        ASSERT_EQ(range.has_value(), c.expected.has_value());
        if (!range) continue;
        EXPECT_EQ(range->from, c.expected->from);
        EXPECT_EQ(range->to, c.expected->to);
        const auto shown = LoadRange(file.store, visits.id, kLogger, *range);
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->records(), c.records);
        EXPECT_EQ(shown->marks.size(), c.marks);
        EXPECT_EQ(shown->readouts.size(), c.readouts);
        for (const long long t : shown->rowTimes) {
            EXPECT_GE(t, range->from);
            EXPECT_LE(t, range->to);
        }
        EXPECT_EQ(RangeTable(*shown).rowCount(), c.records);
    }
    // Nothing of the alarm buffer was read, and an unknown device has nothing.
    EXPECT_FALSE(
        ResolveRange(file.store, visits.id, ReadoutKind::AlarmBuffer, RangeChoice::Everything));
    EXPECT_FALSE(LoadRange(file.store, visits.id, ReadoutKind::AlarmBuffer, {0, 1}));
    EXPECT_FALSE(LoadRange(file.store, visits.id + 1, kLogger, {0, 1}));
}

TEST(HistoryRange, AClockSetBackIsMarkedOnTheRecordsItConcerns) {
    for (const HistoryKind kind : {HistoryKind::DataLogger, HistoryKind::Alarm}) {
        SCOPED_TRACE(kind == HistoryKind::Alarm ? "alarm" : "data");
        HistoryFile file;
        const DeviceHistory first = device();
        DeviceHistory second = first;
        second.now += kDay / 2;
        second.clockShift = -3600;
        second.clockSetAt = first.now + kDay / 4;
        second.restampAll = true;
        const DeviceId id = MergeReadout(file.store, ReadoutAt(kind, first)).device;
        const MergeOutcome b = MergeReadout(file.store, ReadoutAt(kind, second));
        ASSERT_EQ(b.clockOffset, -3600);

        const auto range = ResolveRange(file.store, id, KindOf(kind), RangeChoice::Everything);
        ASSERT_TRUE(range);
        const auto shown = LoadRange(file.store, id, KindOf(kind), *range);
        ASSERT_TRUE(shown);
        ASSERT_EQ(shown->marks.size(), 1u);
        EXPECT_EQ(shown->marks[0].type, RangeMark::Type::ClockChange);
        EXPECT_EQ(shown->marks[0].offset, -3600);
        EXPECT_EQ(shown->marks[0].count, static_cast<long long>(b.shifted));
        // The records found again under the new clock are held at the old one's
        // times: those rows are marked, and only those.
        std::size_t marked = 0;
        for (std::size_t row = 0; row < shown->records(); ++row) {
            const bool clock = (shown->rowMarks[row] & kRowClockChange) != 0;
            marked += clock ? 1 : 0;
            const long long t = shown->rowTimes[row];
            const bool concerned =
                (shown->marks[0].from <= t && t <= shown->marks[0].to) ||
                (shown->marks[0].from + 3600 <= t && t <= shown->marks[0].to + 3600);
            EXPECT_EQ(clock, concerned) << DeviceTimeText(t);
        }
        EXPECT_GE(marked, b.shifted);
        EXPECT_EQ(shown->records(), file.store.recordCount(id, KindOf(kind)));
    }
}

TEST(HistoryRange, ARangeIsWrittenByTheReadoutsCsvWritersAsTheCommandLineWritesIt) {
    HistoryFile file;
    const ThreeVisits visits(file.store);
    const long long may1 = DaysFromCivil(2024, 5, 1) * 86400;
    const TimeRange day{may1, may1 + kDay - 1};
    const auto shown = LoadRange(file.store, visits.id, kLogger, day);
    ASSERT_TRUE(shown);
    const auto text = RangeDeviceText(file.store, visits.id, kLogger, day.from, day.to);
    ASSERT_TRUE(text);
    const std::string ours = file.dir.file("window.csv");
    const std::string theirs = file.dir.file("command.csv");
    ASSERT_TRUE(SaveCsvTabbed(ours, shown->terminal, false).ok());
    ASSERT_TRUE(SaveCsvTabbed(theirs, ReplayedTerminal(*text, kLogger), false).ok());
    EXPECT_EQ(ReadFileBytes(ours), ReadFileBytes(theirs));
    EXPECT_GT(ReadFileBytes(ours).size(), 90u * 10);
}

TEST(HistoryRange, TheRangeIsToldInEachLanguage) {
    HistoryFile file;
    const ThreeVisits visits(file.store);
    const long long may1 = DaysFromCivil(2024, 5, 1) * 86400;
    const auto shown = LoadRange(file.store, visits.id, kLogger, {may1, may1 + kDay - 1});
    ASSERT_TRUE(shown);
    EXPECT_EQ(RangeSummaryText(*shown, 0),
              "Records of 01.05.2024 00:00:00 to 01.05.2024 23:59:59: 90 from 2 readouts");
    EXPECT_EQ(RangeSummaryText(*shown, 1),
              "Datensätze von 01.05.2024 00:00:00 bis 01.05.2024 23:59:59: 90 aus 2 Auslesungen");
    EXPECT_EQ(MarkText(shown->marks[0], 2),
              "Perte possible du 01.05.2024 06:00:00 au 01.05.2024 07:45:00");
    EXPECT_EQ(MarkText(shown->marks[0], 3),
              "Posible pérdida del 01.05.2024 06:00:00 al 01.05.2024 07:45:00");
    EXPECT_EQ(MarkText(shown->marks[0], 9), MarkText(shown->marks[0], 0)) << "English outside";
    const RangeMark clock{RangeMark::Type::ClockChange, may1, may1 + 3600, -3600, 5};
    EXPECT_EQ(MarkText(clock, 0),
              "Device clock set by -1:00:00 (5 records) from 01.05.2024 00:00:00 to "
              "01.05.2024 01:00:00");
    StoredReadout readout = shown->readouts.back();
    readout.source = "port /dev/ttyUSB0";
    readout.readAtLocal.reset();
    readout.readAtUtc = may1;
    readout.newRecords = 96;
    readout.heldRecords = 87;
    EXPECT_EQ(ReadoutText(readout, 0),
              "Read 01.05.2024 00:00:00 UTC from port /dev/ttyUSB0: 96 new, 87 already held");
    readout.readAtLocal = may1 + 7200;
    EXPECT_EQ(ReadoutText(readout, 1),
              "Ausgelesen 01.05.2024 02:00:00 von port /dev/ttyUSB0: 96 neu, 87 schon gespeichert");
}
