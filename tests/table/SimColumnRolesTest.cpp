// The identifier rule and the kinds of values on the simulator's own replies:
// its alarm buffer and its data logger, as the README's run command reads them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ColumnFigures.h"
#include "ColumnRoles.h"
#include "Columns.h"
#include "DeviceReplies.h"
#include "Table.h"

namespace {

using namespace travik;

constexpr std::size_t kRows = 222;  // what the window keeps of the alarm buffer (seed 1)

struct SimColumn {
    std::size_t column;
    IdentifierKind expected;
};

TEST(SimColumnRoles, AlarmBufferColumns) {
    const Table table = CutTable(sim::AlarmReply(kRows, 1));
    ASSERT_EQ(table.rowCount(), kRows);
    const std::optional<std::size_t> text = TextColumn(table);
    ASSERT_EQ(text, 4u);
    // No, t, I, IdL, Text, Value, Unit, Ack, State
    const std::vector<SimColumn> columns = {
        {0, IdentifierKind::RowCount}, {1, IdentifierKind::None}, {2, IdentifierKind::SmallCode},
        {3, IdentifierKind::TextCode}, {4, IdentifierKind::None}, {5, IdentifierKind::None},
        {6, IdentifierKind::None},     {7, IdentifierKind::None}, {8, IdentifierKind::None},
    };
    for (const SimColumn& c : columns)
        EXPECT_EQ(IdentifierKindOf(table, c.column, text), c.expected) << table.titles[c.column];
    EXPECT_EQ(FirstChartColumn(table), 5u);
}

TEST(SimColumnRoles, DataLoggerKeepsItsMeasurements) {
    const Table table = CutTable(sim::DataLoggerReply(500, 1));
    const std::optional<std::size_t> text = TextColumn(table);
    EXPECT_EQ(IdentifierKindOf(table, 0, text), IdentifierKind::RowCount);
    for (std::size_t column = 3; column <= 6; ++column) {
        EXPECT_EQ(IdentifierKindOf(table, column, text), IdentifierKind::None) << column;
        EXPECT_TRUE(ValueKindsOf(table, column, text).empty()) << column;
    }
    const TableFigures figures = FiguresOf(table);
    ASSERT_EQ(figures.columns.size(), 5u);  // No and the four values, none split
    EXPECT_TRUE(figures.columns[0].identifier);
    for (std::size_t i = 1; i < figures.columns.size(); ++i) {
        EXPECT_FALSE(figures.columns[i].identifier);
        EXPECT_FALSE(MeanText(figures.columns[i]).empty());
    }
}

// Each alarm kind with a value keeps one unit: the figures never mix units,
// and each kind's values lie within the range the device gives that kind.
TEST(SimColumnRoles, AlarmValuesComePerKind) {
    const Table table = CutTable(sim::AlarmReply(kRows, 1));
    const std::vector<ValueKind> kinds = ValueKindsOf(table, 5, TextColumn(table));
    ASSERT_EQ(kinds.size(), 6u);  // nine kinds, three of them without a value
    std::set<std::string> units;
    std::size_t rows = 0;
    for (const ValueKind& kind : kinds) {
        EXPECT_FALSE(kind.name.empty());
        units.insert(kind.unit);
        rows += kind.rows.size();
        for (std::size_t row : kind.rows) EXPECT_EQ(table.cell(row, 4), kind.name);
    }
    EXPECT_EQ(units, (std::set<std::string>{"\xB0"
                                            "C",
                                            "bar", "%", "\xB5S/cm", "mA", "l/min"}));
    const TableFigures figures = FiguresOf(table);
    std::size_t valueRows = 0;
    for (const ColumnFigures& f : figures.columns) {
        if (f.column != 5) continue;
        EXPECT_FALSE(f.kind.empty());
        valueRows += f.count;
        if (f.kind ==
            "\xDC"
            "bertemperatur K\xFChler") {
            EXPECT_GE(f.minimum.value, 85.0);
            EXPECT_LE(f.maximum.value, 99.0);
        }
    }
    EXPECT_EQ(valueRows, rows);
}

}  // namespace
