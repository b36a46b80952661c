// Cutting terminal text into a table, and the copy text of a selection.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "Table.h"

namespace {

using travik::CopyText;
using travik::CopyTextSize;
using travik::CutFields;
using travik::CutTable;
using travik::EmptyFields;
using travik::Table;
using Fields = std::vector<std::string>;

const std::string kHeader = "TravikP 2000\r01.03.2024 06:00\r";

TEST(CutFields, TrimsEveryFieldAndKeepsEmptyOnesInLine) {
    EXPECT_EQ(CutFields(" a \t b\t\tc ", EmptyFields::Kept), (Fields{"a", "b", "", "c"}));
    EXPECT_EQ(CutFields("\tx", EmptyFields::Kept), (Fields{"", "x"}));
}

TEST(CutFields, CollapsedReadsDoubledTabsAsTheCommaExportDoes) {
    EXPECT_EQ(CutFields(" a \t b\t\tc ", EmptyFields::Collapsed), (Fields{"a", "b", "c"}));
    EXPECT_EQ(CutFields("\t\tx\t\t\ty", EmptyFields::Collapsed), (Fields{"x", "y"}));
    EXPECT_EQ(CutFields("1\t\t12:00\t\t3,5\tx\ty", EmptyFields::Collapsed),
              (Fields{"1", "12:00", "3,5", "x", "y"}));
}

TEST(CutFields, TrailingEmptyFieldsAndBlankLinesGiveNoFields) {
    EXPECT_EQ(CutFields("a\tb\t\t", EmptyFields::Kept), (Fields{"a", "b"}));
    EXPECT_TRUE(CutFields("", EmptyFields::Kept).empty());
    EXPECT_TRUE(CutFields("\t\t\t\t", EmptyFields::Kept).empty());
    EXPECT_TRUE(CutFields("\t\t\t\t", EmptyFields::Collapsed).empty());
    EXPECT_TRUE(CutFields(" \x01\x1F ", EmptyFields::Kept).empty());
}

TEST(CutFields, EightBitBytesAreTextAndStayExact) {
    const std::string line =
        "\xDC"
        "ber\t\x80\xFF\t\xA0";
    // 0xA0 (no-break space in the code page) is above 32: not trimmed.
    EXPECT_EQ(CutFields(line, EmptyFields::Kept), (Fields{"\xDC"
                                                          "ber",
                                                          "\x80\xFF", "\xA0"}));
}

TEST(CutTable, PreambleTitlesAndRows) {
    const Table table = CutTable(kHeader + "No\tValue\r\n1\t2,5\r\n2\t3,5\r\n");
    EXPECT_EQ(table.preamble, (Fields{"TravikP 2000", "01.03.2024 06:00"}));
    EXPECT_EQ(table.titles, (Fields{"No", "Value"}));
    EXPECT_EQ(table.titledColumns, 2u);
    ASSERT_EQ(table.rowCount(), 2u);
    EXPECT_EQ(table.rows[1], (Fields{"2", "3,5"}));
}

TEST(CutTable, EmptyAndShortTextsGiveAnEmptyTable) {
    EXPECT_EQ(CutTable("").columnCount(), 0u);
    EXPECT_TRUE(CutTable("").preamble.empty());
    const Table two = CutTable("one\rtwo\r");
    EXPECT_EQ(two.preamble, (Fields{"one", "two"}));
    EXPECT_EQ(two.columnCount(), 0u);
    EXPECT_EQ(two.rowCount(), 0u);
    const Table titlesOnly = CutTable(kHeader + "a\tb");
    EXPECT_EQ(titlesOnly.titles, (Fields{"a", "b"}));
    EXPECT_EQ(titlesOnly.rowCount(), 0u);
}

TEST(CutTable, BlankLinesAndAllTabLinesAreNoRows) {
    const Table table = CutTable(kHeader + "a\tb\r\r\t\t\t\r  \r1\t2\r\r");
    ASSERT_EQ(table.rowCount(), 1u);
    EXPECT_EQ(table.rows[0], (Fields{"1", "2"}));
}

TEST(CutTable, ShortRowsReadEmptyCellsAndLongRowsAddUntitledColumns) {
    const Table table = CutTable(kHeader + "a\tb\tc\r1\r1\t2\t3\t4\t5\r");
    EXPECT_EQ(table.titles, (Fields{"a", "b", "c", "", ""}));
    EXPECT_EQ(table.titledColumns, 3u);
    EXPECT_EQ(table.cell(0, 0), "1");
    for (std::size_t column = 1; column < 5; ++column) EXPECT_EQ(table.cell(0, column), "");
    EXPECT_EQ(table.rows[1], (Fields{"1", "2", "3", "4", "5"}));
}

TEST(CutTable, OneVeryLongLineDoesNotWidenEveryRow) {
    // 2000 short rows and one line of 7000 fields: the other rows keep their
    // own one or two cells instead of 7001 each (a crafted reply took 2 GB).
    std::string text = kHeader + "a\tb\r";
    for (int i = 0; i < 2000; ++i) text += "1\t2\r";
    text += std::string(7000, '\t') + "x\r";
    const Table table = CutTable(text);
    ASSERT_EQ(table.rowCount(), 2001u);
    EXPECT_EQ(table.columnCount(), 7001u);
    std::size_t cells = 0;
    for (const auto& row : table.rows) cells += row.size();
    EXPECT_EQ(cells, 2000u * 2 + 7001);
    EXPECT_EQ(table.cell(0, 7000), "");
    EXPECT_EQ(table.cell(2000, 7000), "x");
}

TEST(CutTable, RowsWithoutTitleLineStillGetColumns) {
    const Table table = CutTable(kHeader + "\t\t\r1\t2\r");
    EXPECT_EQ(table.titles, (Fields{"", ""}));
    EXPECT_EQ(table.titledColumns, 0u);
    EXPECT_EQ(table.rows[0], (Fields{"1", "2"}));
}

TEST(CutTable, LeavesOutTheTabsTheReadoutPutIn) {
    // The alarm header rule shows "No\t\tt\t\tI": two TABs of its own.
    const std::string text = kHeader + "No\t\tt\t\tI\tText\r1\t01.03.2024 07:00\t3\tx\r";
    const std::size_t titles = kHeader.size();
    const Table table = CutTable(text, {titles + 3, titles + 6});
    EXPECT_EQ(table.titles, (Fields{"No", "t", "I", "Text"}));
    EXPECT_EQ(table.rows[0], (Fields{"1", "01.03.2024 07:00", "3", "x"}));
    // Offsets past the end or out of order do no harm.
    EXPECT_EQ(CutTable(text, {titles + 6, 1u << 30, titles + 3}).titles, table.titles);
}

TEST(CutTable, CarriageReturnEndsLinesAndLineFeedIsAByte) {
    const Table table = CutTable("p1\rp2\rA\r1\n2\r");
    EXPECT_EQ(table.rows.at(0), (Fields{"1\n2"}));
}

TEST(CopyText, TitlesThenRowsInTheGivenOrderEachEndingAtItsLastCell) {
    const Table table = CutTable(kHeader + "No\tValue\tText\r1\t2,5\tx\r2\t3,5\ty\r3\t\tz\r");
    // Each case: columns, rows, the text; its size is found without making it.
    const struct {
        std::vector<std::size_t> columns, rows;
        std::string text;
    } cases[] = {
        {{0, 1, 2}, {2, 0}, "No\tValue\tText\n3\t\tz\n1\t2,5\tx\n"},
        {{2}, {1}, "Text\ny\n"},
        {{}, {}, "\n"},
        // Empty cells at a line's end are left out, the empty lines kept.
        {{0, 1}, {2, 1}, "No\tValue\n3\n2\t3,5\n"},
        {{1}, {2}, "Value\n\n"},
        // Columns and rows past the table's.
        {{0, 7}, {0, 9}, "No\n1\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CopyText(table, c.columns, c.rows), c.text);
        EXPECT_EQ(CopyTextSize(table, c.columns, c.rows), c.text.size()) << c.text;
    }
}

TEST(CopyText, LineBreaksInsideCellsBecomeSpaces) {
    const Table table = CutTable("p\rp\rA\tB\ra\nb\tc\r");
    EXPECT_EQ(CopyText(table, {0, 1}, {0}), "A\tB\na b\tc\n");
    EXPECT_EQ(CopyTextSize(table, {0, 1}, {0}), 10u);
}

// One row of 400 000 fields among short rows: every column selected, the
// short rows cost their own cells, not the widest row's TABs.
TEST(CopyText, AShortRowBesideAVeryWideOneCostsItsOwnCells) {
    const std::string wide = std::string(399999, '\t') + "x";
    std::string text = kHeader + "No\r";
    for (int row = 0; row < 1000; ++row) text += "1\r";
    const Table table = CutTable(text + wide + "\r");
    ASSERT_EQ(table.columnCount(), 400000u);
    std::vector<std::size_t> columns(table.columnCount());
    std::iota(columns.begin(), columns.end(), std::size_t{0});
    std::vector<std::size_t> rows(table.rowCount());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    const std::string copy = CopyText(table, columns, rows);
    EXPECT_EQ(copy.size(), 3u + 1000u * 2u + wide.size() + 1u);
    EXPECT_EQ(copy.substr(0, 7), "No\n1\n1\n");
    EXPECT_EQ(copy.substr(copy.size() - 3), "\tx\n");
    EXPECT_EQ(CopyTextSize(table, columns, rows), copy.size());
}

}  // namespace
