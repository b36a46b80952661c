// Limits kept in the history: the file of version 2 migrated, limits set,
// replaced and joined, typed input read or refused, and the excursions of a
// range of the simulator's records with a possible loss among them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <limits>

#include "CellValues.h"
#include "DeviceLimits.h"
#include "HistoryTestSupport.h"
#include "HistoryTexts.h"
#include "LimitTexts.h"
#include "TempDir.h"

using namespace travik;
using namespace travik::history;
using namespace travik::history::testing;
using sim::DeviceHistory;
using sim::HistoryKind;

namespace {

const std::string kTemperature =
    "Value1 \xb0"
    "C";  // as the device writes it

void runSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

StoredLimit limitOf(const std::string& column, std::optional<double> lower,
                    std::optional<double> upper, long long from = kSinceEver) {
    StoredLimit stored;
    stored.column = column;
    stored.limit.lower = lower;
    stored.limit.upper = upper;
    stored.limit.from = from;
    return stored;
}

void setLimit(HistoryStore& store, DeviceId device, const StoredLimit& limit) {
    Transaction setting(store);
    store.setLimit(device, limit);
    setting.commit();
}

DeviceHistory device(const std::string& serial = "4711") {
    DeviceHistory history;
    history.serial = serial;
    return history;
}

}  // namespace

TEST(HistoryLimits, AFileOfVersionTwoIsMigratedAndKeepsItsReadouts) {
    TempDir dir;
    const std::string path = dir.file("two.sqlite");
    {
        SqliteStore first(path);
        MergeReadout(first, ReadoutAt(HistoryKind::DataLogger, device()));
    }
    // The same file as version 2 wrote it: no limits table.
    runSql(path, "DROP TABLE limits; PRAGMA user_version=2;");
    {
        SqliteOptions reading;
        reading.readOnly = true;
        SqliteStore listed(path, reading);
        EXPECT_EQ(listed.schemaVersion(), 2) << "reading leaves the file as it was";
        EXPECT_TRUE(listed.limits(1).empty());
        EXPECT_EQ(listed.readouts(std::nullopt).size(), 1u);
    }
    SqliteStore store(path);
    EXPECT_EQ(store.schemaVersion(), kSchemaVersion);
    EXPECT_EQ(store.readouts(std::nullopt).size(), 1u);
    setLimit(store, 1, limitOf(kTemperature, 2.0, 8.0));
    ASSERT_EQ(store.limits(1).size(), 1u);
    EXPECT_EQ(store.limits(1)[0].limit.upper, 8.0);

    // Written by the statements of version 2 from scratch, too.
    const std::string fresh = dir.file("fresh-two.sqlite");
    runSql(fresh, SecondSchemaForTests() + "PRAGMA user_version=2;");
    SqliteStore migrated(fresh);
    EXPECT_EQ(migrated.schemaVersion(), kSchemaVersion);
    EXPECT_TRUE(migrated.limits(1).empty());
}

TEST(HistoryLimits, LimitsAreKeptReplacedAtTheSameStartAndJoined) {
    TempDir dir;
    SqliteStore store(dir.file("history.sqlite"));
    const DeviceId a = MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, device("1"))).device;
    const DeviceId b = MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, device("2"))).device;
    StoredLimit full = limitOf(kTemperature, -2.5, 8.0);
    full.limit.delaySeconds = 900;
    full.limit.deadband = 0.5;
    full.setAtUtc = 1700000000;
    setLimit(store, a, full);
    setLimit(store, a, limitOf(kTemperature, std::nullopt, 10.0, 5000));
    setLimit(store, a, limitOf(kTemperature, std::nullopt, 12.0, 5000));  // replaces
    setLimit(store, b, limitOf("Value4 %", 20.0, std::nullopt));

    const auto limits = store.limits(a);
    ASSERT_EQ(limits.size(), 2u);
    EXPECT_EQ(limits[0].limit.from, kSinceEver);
    EXPECT_EQ(limits[0].limit.lower, -2.5);
    EXPECT_EQ(limits[0].limit.delaySeconds, 900);
    EXPECT_EQ(limits[0].limit.deadband, 0.5);
    EXPECT_EQ(limits[0].setAtUtc, 1700000000);
    EXPECT_EQ(limits[1].limit.from, 5000);
    EXPECT_FALSE(limits[1].limit.lower);
    EXPECT_EQ(limits[1].limit.upper, 12.0);
    EXPECT_EQ(LimitsOf(limits, kTemperature).size(), 2u);
    EXPECT_TRUE(LimitsOf(limits, "Value2").empty());
    EXPECT_EQ(DefaultLimitStart(limits, kTemperature, 99), 99) << "a change holds from now";
    EXPECT_EQ(DefaultLimitStart(limits, "Value4 %", 99), kSinceEver) << "a first one for all";

    Transaction joining(store);
    store.joinDevice(b, a);
    joining.commit();
    EXPECT_EQ(store.limits(a).size(), 3u);
    EXPECT_TRUE(store.limits(b).empty());
}

TEST(HistoryLimits, TypedLimitsReadWithACommaOrAPointAndBadOnesAreRefused) {
    const LimitReading comma = ReadLimit({"2,5", " 8 ", "15 min", "0,5"});
    ASSERT_EQ(comma.problem, LimitProblem::None);
    EXPECT_EQ(comma.limit.lower, 2.5);
    EXPECT_EQ(comma.limit.upper, 8.0);
    EXPECT_EQ(comma.limit.delaySeconds, 900);
    EXPECT_EQ(comma.limit.deadband, 0.5);
    const LimitReading point = ReadLimit({"", "-0.25", "3", ""});
    ASSERT_EQ(point.problem, LimitProblem::None);
    EXPECT_FALSE(point.limit.lower);
    EXPECT_EQ(point.limit.upper, -0.25);
    EXPECT_EQ(point.limit.delayPoints, 3);

    struct Bad {
        LimitInput input;
        LimitProblem problem;
        std::string field;
    };
    const Bad bad[] = {
        {{"9", "8", "", ""}, LimitProblem::LowerAboveUpper, ""},
        {{"zwei", "8", "", ""}, LimitProblem::NotANumber, "zwei"},
        {{"2", "8", "", "1,2,3"}, LimitProblem::NotANumber, "1,2,3"},
        {{"2", "8", "-3", ""}, LimitProblem::NegativeDelay, "-3"},
        {{"2", "8", "soon", ""}, LimitProblem::NotANumber, "soon"},
        {{"2", "8", "", "-1"}, LimitProblem::NegativeDeadband, ""},
        {{"", "", "3", ""}, LimitProblem::NoBound, ""},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.input.lower + "|" + b.input.upper + "|" + b.input.delay);
        const LimitReading reading = ReadLimit(b.input);
        EXPECT_EQ(reading.problem, b.problem);
        EXPECT_EQ(reading.field, b.field);
    }
    // Every problem is told in each language, differently.
    for (int language = 0; language < 4; ++language) {
        const std::string text = LimitProblemText(LimitProblem::LowerAboveUpper, "", language);
        EXPECT_FALSE(text.empty());
        if (language > 0) {
            EXPECT_NE(text, LimitProblemText(LimitProblem::LowerAboveUpper, "", 0));
        }
    }
    EXPECT_EQ(LimitProblemText(LimitProblem::NotANumber, "x", 1),
              "Keine Zahl; nichts wurde "
              "geändert: \"x\"");
}

TEST(HistoryLimits, ColumnsAreFoundByTitleTextOrAStartOnlyOneHas) {
    const std::vector<std::string> titles = {"No", "Date", kTemperature, "Value2 \xb5S/cm",
                                             "Value4 %"};
    std::size_t matches = 0;
    EXPECT_EQ(FindColumn(titles, kTemperature), kTemperature);
    EXPECT_EQ(FindColumn(titles,
                         "Value1 \xc2\xb0"
                         "C"),
              kTemperature)
        << "typed in UTF-8";
    EXPECT_EQ(FindColumn(titles, "value2"), "Value2 \xb5S/cm");
    EXPECT_FALSE(FindColumn(titles, "Value", &matches));
    EXPECT_EQ(matches, 3u);
    EXPECT_FALSE(FindColumn(titles, "Pressure", &matches));
    EXPECT_EQ(matches, 0u);
    EXPECT_FALSE(FindColumn(titles, ""));
}

TEST(HistoryLimits, APossibleLossInTheRangeIsUnknownTime) {
    TempDir dir;
    SqliteStore store(dir.file("history.sqlite"));
    // Read two days apart: the data logger holds 45,5 hours, so hours between go unread.
    const DeviceHistory first = device();
    DeviceHistory second = first;
    second.now += 2 * kDay;
    MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, first));
    const MergeOutcome outcome = MergeReadout(store, ReadoutAt(HistoryKind::DataLogger, second));
    ASSERT_EQ(outcome.gaps.size(), 1u);
    const TimeRange loss = outcome.gaps[0];
    // Upper limit 20 °C: the simulated plant is warmer every afternoon.
    setLimit(store, outcome.device, limitOf(kTemperature, std::nullopt, 20.0));

    const auto range = ExcursionsOfRange(store, outcome.device, ReadoutKind::DataLogger, kSinceEver,
                                         std::numeric_limits<long long>::max());
    ASSERT_TRUE(range);
    ASSERT_EQ(range->columns.size(), 1u);
    const ExcursionFigures& figures = range->columns[0].figures;
    EXPECT_GE(figures.excursions.size(), 2u) << "one each afternoon";
    EXPECT_EQ(figures.unknownSeconds, loss.to - loss.from) << "the possible loss, and no more";
    for (const StateSpan& span : figures.spans) {
        if (span.from < loss.to && span.to > loss.from) {
            EXPECT_EQ(span.state, SpanState::Unknown);
        }
    }
    const std::string lines = ExcursionLines(*range);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'),
              static_cast<std::ptrdiff_t>(figures.excursions.size()));
    EXPECT_EQ(lines.rfind(kTemperature + "\t", 0), 0u);
    const Excursion& firstOne = figures.excursions[0];
    EXPECT_NE(
        lines.find("\t" + DeviceTimeText(firstOne.start) + "\t" + DeviceTimeText(firstOne.end) +
                   "\t" + DurationText(firstOne.duration()) + "\t"),
        std::string::npos)
        << lines;

    // A range within one readout has no unknown time.
    const auto day =
        ExcursionsOfRange(store, outcome.device, ReadoutKind::DataLogger, loss.to, loss.to + kDay);
    ASSERT_TRUE(day);
    EXPECT_EQ(day->columns[0].figures.unknownSeconds, 0);
}

TEST(HistoryLimits, LimitsKeptInTheSettingsComeBackAndBadEntriesAreLeftOut) {
    StoredLimit full = limitOf(
        "T;1,=%\r\xb0"
        "C",
        -2.5, 8.1);
    full.limit.delayPoints = 3;
    full.limit.deadband = 0.1;
    StoredLimit later = limitOf(kTemperature, std::nullopt, 30.0, 1714521600);
    later.limit.delaySeconds = 900;
    StoredLimit removed = limitOf(kTemperature, std::nullopt, std::nullopt, 1714608000);
    const std::string text = LimitsSettingText({full, later, removed});
    EXPECT_EQ(text.find_first_of("\r\n="), std::string::npos) << "one line of an INI value";
    const std::vector<StoredLimit> back = LimitsFromSettingText(text);
    ASSERT_EQ(back.size(), 3u) << text;
    EXPECT_EQ(back[0].column, full.column);
    EXPECT_EQ(back[0].limit.lower, -2.5);
    EXPECT_EQ(back[0].limit.upper, 8.1);
    EXPECT_EQ(back[0].limit.delayPoints, 3);
    EXPECT_EQ(back[0].limit.deadband, 0.1);
    EXPECT_EQ(back[0].limit.from, kSinceEver);
    EXPECT_EQ(back[1].limit.from, 1714521600);
    EXPECT_EQ(back[1].limit.delaySeconds, 900);
    EXPECT_FALSE(back[1].limit.lower);
    EXPECT_FALSE(back[2].limit.any()) << "taken away from then on";

    // Hostile or damaged entries are left out, the good ones beside them kept.
    const std::string good = "T,2,8,0,0,0,";
    for (const char* bad : {"T,9,8,0,0,0,", "T,2,8,0,0,", "T%G1,2,8,0,0,0,", "T%,2,8,0,0,0,",
                            ",2,8,0,0,0,", "T,2,8,-1,0,0,", "T,two,8,0,0,0,", "T,2,8,0,0,0,x",
                            "T,2,8,0,0,0,99999999999999999999", "T,1e5,8,0,0,0,"}) {
        SCOPED_TRACE(bad);
        const auto limits = LimitsFromSettingText(std::string(bad) + ";" + good);
        ASSERT_EQ(limits.size(), 1u);
        EXPECT_EQ(limits[0].limit.upper, 8.0);
    }
    EXPECT_TRUE(LimitsFromSettingText("").empty());
    EXPECT_TRUE(LimitsFromSettingText(";;;").empty());
}

TEST(HistoryLimits, ALimitIsDescribedWithTheColumnsSeparatorInEachLanguage) {
    StoredLimit stored = limitOf(kTemperature, 2.5, 8.0, DaysFromCivil(2024, 3, 1) * kDay);
    stored.limit.delayPoints = 3;
    stored.limit.deadband = 0.5;
    EXPECT_EQ(LimitDescription(stored.limit, ',', 0),
              "Limit: 2,5 to 8 (delay 3 points, deadband 0,5), since 01.03.2024 00:00:00");
    EXPECT_EQ(LimitDescription(stored.limit, '.', 1),
              "Grenzwert: 2.5 bis 8 (Verzögerung 3 Punkte, Hysterese 0.5), seit 01.03.2024 "
              "00:00:00");
    const StoredLimit upper = limitOf(kTemperature, std::nullopt, -1.25);
    EXPECT_EQ(LimitDescription(upper.limit, ',', 2), "Limite: au plus -1,25");
    StoredLimit timed = limitOf(kTemperature, 0.0, std::nullopt);
    timed.limit.delaySeconds = 900;
    EXPECT_EQ(LimitDescription(timed.limit, ',', 3), "Límite: al menos 0 (retardo 0:15:00)");
    EXPECT_EQ(LimitDescription(ColumnLimit{}, ',', 9), "Limit: none") << "English outside";
    // A report's limits in force say since when also for all data.
    EXPECT_EQ(LimitInForceText(upper.limit, ',', 1), "Grenzwert: höchstens -1,25, für alle Daten");
    EXPECT_EQ(LimitInForceText(stored.limit, '.', 0), LimitDescription(stored.limit, '.', 0));
    for (int language = 0; language < 4; ++language) {
        const ExcursionFigureWords& words = ExcursionFigureWordsFor(language);
        for (const char* word : {words.excursions, words.timeOutside, words.longest,
                                 words.firstStart, words.unknownTime, words.kineticMean})
            EXPECT_GT(std::string(word).size(), 3u);
        if (language > 0) {
            EXPECT_STRNE(words.timeOutside, ExcursionFigureWordsFor(0).timeOutside);
        }
    }
}
