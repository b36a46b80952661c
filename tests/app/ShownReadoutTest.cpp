// The shown readout on its own: where it came from, whether a save has
// written it, and the report's view of it, as a readout from the device, an
// opened file and a save move it along.
#include <gtest/gtest.h>

#include "ShownReadout.h"

namespace {

using travik::ReadoutKind;
using travik::SavedReadout;
using travik::ShownReadout;

SavedReadout fileOfKind(std::optional<ReadoutKind> kind) {
    SavedReadout readout;
    readout.kind = kind;
    readout.deviceText = "TravikP 2000\r";
    return readout;
}

TEST(ShownReadoutTest, SourceAndSavedStateFollowReadoutsFilesAndSaves) {
    ShownReadout shown;
    EXPECT_EQ(shown.source(), ShownReadout::Source::Device);
    EXPECT_FALSE(shown.unsaved());  // nothing read: nothing to lose

    shown.startDeviceReadout(ReadoutKind::AlarmBuffer);
    shown.endDeviceReadout(true);
    EXPECT_TRUE(shown.unsaved());
    EXPECT_EQ(shown.kind(), ReadoutKind::AlarmBuffer);
    shown.markSaved();
    EXPECT_FALSE(shown.unsaved());

    shown.startDeviceReadout(ReadoutKind::DataLogger);
    shown.endDeviceReadout(true);
    shown.openFile("/data/visit.csv", fileOfKind(std::nullopt));
    EXPECT_EQ(shown.source(), ShownReadout::Source::File);
    EXPECT_FALSE(shown.unsaved());  // it is in a file
    EXPECT_EQ(shown.filePath(), "/data/visit.csv");
    ASSERT_NE(shown.savedReadout(), nullptr);
    EXPECT_TRUE(shown.kindChangeable());

    shown.openFile("/data/alarms.csv", fileOfKind(ReadoutKind::AlarmBuffer));
    EXPECT_FALSE(shown.kindChangeable());  // the file tells its kind

    // A readout that brings nothing leaves nothing unsaved, and no file behind.
    shown.startDeviceReadout(ReadoutKind::DataLogger);
    shown.endDeviceReadout(false);
    EXPECT_EQ(shown.source(), ShownReadout::Source::Device);
    EXPECT_FALSE(shown.unsaved());
    EXPECT_TRUE(shown.filePath().empty());
    EXPECT_EQ(shown.savedReadout(), nullptr);
    EXPECT_FALSE(shown.kindChangeable());
}

TEST(ShownReadoutTest, TheReportNamesThePortOrTheFileAndTakesTheTableAndItsFigures) {
    ShownReadout shown;
    int changes = 0;
    QObject::connect(&shown, &ShownReadout::tableChanged, [&changes] { ++changes; });
    shown.setTable(std::make_shared<const travik::Table>(
        travik::CutTable("TravikP 2000 V3.12\r09.12.2026 01:00:00\r"
                         "No\tDate\tTime\tValue1\tValue3\r"
                         "1\t01.03.2024\t06:00:00\t20,5\t1,02\r"
                         "2\t01.03.2024\t06:15:00\t-1,5\t1,10\r")));
    EXPECT_EQ(changes, 1);
    const std::size_t columns = shown.figures()->columns.size();
    EXPECT_GE(columns, 2u);
    EXPECT_EQ(columns, travik::FiguresOf(*shown.table()).columns.size());

    shown.startDeviceReadout(ReadoutKind::AlarmBuffer);
    travik::ReportInput input = shown.reportInput("/dev/pts/\x01", 2, QDateTime());
    EXPECT_FALSE(input.fromFile);
    EXPECT_TRUE(input.alarmBuffer);
    EXPECT_EQ(input.sourceName.toStdString(), "/dev/pts/\\x01");  // written out, not raw
    EXPECT_EQ(input.table, shown.table());
    EXPECT_EQ(input.figures.columns.size(), columns);
    EXPECT_EQ(input.languageIndex, 2);

    shown.openFile("/data/visit 3.csv", fileOfKind(ReadoutKind::DataLogger));
    shown.setKind(ReadoutKind::DataLogger);
    input = shown.reportInput("/dev/ttyUSB0", 0, QDateTime());
    EXPECT_TRUE(input.fromFile);
    EXPECT_FALSE(input.alarmBuffer);
    EXPECT_EQ(input.sourceName.toStdString(), "visit 3.csv");  // the name, not the folder

    shown.setTable(nullptr);  // an empty table, never none
    EXPECT_EQ(changes, 2);
    ASSERT_NE(shown.table(), nullptr);
    EXPECT_EQ(shown.table()->rowCount(), 0u);
    EXPECT_TRUE(shown.figures()->columns.empty());
}

}  // namespace

// The excursions follow the limits and the table, and a history's possible
// losses are time without data; a device readout shown after it has none.
TEST(ShownReadoutTest, ExcursionsFollowLimitsTablesAndTheHistorysGaps) {
    ShownReadout shown;
    int changes = 0;
    QObject::connect(&shown, &ShownReadout::excursionsChanged, [&changes] { ++changes; });
    const auto table = std::make_shared<const travik::Table>(
        travik::CutTable("TravikP 2000 V3.12\r09.12.2026 01:00:00\r"
                         "No\tDate\tTime\tValue1\r"
                         "1\t01.03.2024\t06:00:00\t20,5\r"
                         "2\t01.03.2024\t06:15:00\t31,0\r"
                         "3\t01.03.2024\t06:30:00\t32,0\r"
                         "4\t01.03.2024\t06:45:00\t20,0\r"));
    shown.setTable(table);
    EXPECT_TRUE(shown.excursions()->empty());

    travik::history::StoredLimit limit;
    limit.column = "Value1";
    limit.limit.upper = 30.0;
    // A possible loss from 06:15 to 06:45 (device time, seconds since 1970).
    shown.showHistory(ReadoutKind::DataLogger, {{1709273700, 1709274600}});
    shown.setTable(table);
    shown.setLimits({limit});
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(shown.excursions()->size(), 1u);
    const travik::history::ColumnExcursions* value = shown.excursionsOf(3);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(shown.excursionsOf(0), nullptr);
    ASSERT_EQ(value->figures.excursions.size(), 1u);
    EXPECT_EQ(value->figures.excursions[0].extreme, 32.0);
    EXPECT_EQ(value->figures.excursions[0].duration(), 30 * 60);
    EXPECT_GT(value->figures.unknownSeconds, 0);  // the loss is not counted as inside

    shown.startDeviceReadout(ReadoutKind::DataLogger);
    shown.setTable(table);
    EXPECT_EQ(shown.excursionsOf(3)->figures.unknownSeconds, 0);
    EXPECT_EQ(shown.reportInput("/dev/ttyUSB0", 0, QDateTime()).excursions, shown.excursions());
}
