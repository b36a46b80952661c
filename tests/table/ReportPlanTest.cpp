// The report's table over pages: which columns go together, which rows each
// band shows, and where the pages break, from fixed widths and heights.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportPlan.h"
#include "Table.h"

namespace {

using namespace travik;
using Rows = std::vector<std::size_t>;

std::vector<std::pair<std::size_t, std::size_t>> asPairs(const std::vector<ColumnBand>& bands) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const ColumnBand& band : bands) pairs.emplace_back(band.first, band.end);
    return pairs;
}

TEST(ReportPlan, RepeatsTheLeadingNumberDateAndTime) {
    EXPECT_EQ(RepeatedColumns(CutTable("d\rd\rNo\tDate\tTime\tTemp\r"
                                       "1\t01.03.2024\t23:45:00\t20,5\r"
                                       "2\t02.03.2024\t00:00:00\t21,0\r")),
              3u);
    // The alarm buffer: number and time, then the codes.
    EXPECT_EQ(RepeatedColumns(CutTable("d\rd\rNo\tt\tI\r"
                                       "1\t01.03.2024 06:10:00\t3\r"
                                       "2\t01.03.2024 07:00:00\t1\r")),
              2u);
    // A text first: nothing is repeated, even if a time follows.
    EXPECT_EQ(RepeatedColumns(CutTable("d\rd\rA\tt\rx\t01.03.2024\ry\t02.03.2024\r")), 0u);
    EXPECT_EQ(RepeatedColumns(CutTable("")), 0u);
}

TEST(ReportPlan, BandsFitBesideTheRepeatedColumns) {
    const std::vector<double> widths{10, 20, 30, 30, 30, 30, 30, 100, 5};
    struct Case {
        std::size_t repeated;
        double room;
        std::vector<std::pair<std::size_t, std::size_t>> bands;
    };
    const Case cases[] = {
        {2, 255, {{0, 9}}},                                 // fits whole
        {2, 60, {{0, 4}, {4, 6}, {6, 7}, {7, 8}, {8, 9}}},  // the first band holds the repeated
        {0, 90, {{0, 4}, {4, 7}, {7, 8}, {8, 9}}},  // 100 is wider than the room: a band of its own
        {9, 1, {{0, 9}}},                           // all repeated
        {20, 1, {{0, 9}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(asPairs(ColumnBands(widths, c.repeated, c.room)), c.bands)
            << c.repeated << " " << c.room;
    EXPECT_TRUE(ColumnBands({}, 0, 100).empty());
}

// 3 short rows, one of 7 fields, 2 short rows.
Table shortAndOneLong() {
    return CutTable("d\rd\rNo\tA\r1\tx\r2\tx\r3\tx\r4\ta\tb\tc\td\te\tf\r5\tx\r6\r");
}

TEST(ReportPlan, LaterBandsShowOnlyTheRowsReachingThem) {
    const Table table = shortAndOneLong();
    ASSERT_EQ(table.columnCount(), 7u);
    const BandLayout layout{100, 100, 0, 10, 0};
    const TablePlan plan = PlanTablePages(table, {{0, 3}, {3, 5}, {5, 7}}, layout);
    ASSERT_EQ(plan.bandRows.size(), 3u);
    EXPECT_EQ(plan.bandRows[0], (Rows{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(plan.bandRows[1], (Rows{3}));
    EXPECT_EQ(plan.bandRows[2], (Rows{3}));
}

TEST(ReportPlan, PagesBreakBetweenRowsAndShareFewRowBands) {
    const Table table = shortAndOneLong();
    // Room for 10 lines a page, 8 on the first; a band's part takes a heading
    // and the titles, then its rows; 1 line of gap between parts.
    const BandLayout layout{80, 100, 10, 10, 10};
    const TablePlan plan = PlanTablePages(table, {{0, 3}, {3, 5}, {5, 7}}, layout);
    ASSERT_EQ(plan.pages.size(), 2u);
    // Page 1: heading, titles, 6 rows of band 0 = 8 lines: full.
    ASSERT_EQ(plan.pages[0].size(), 1u);
    EXPECT_EQ(plan.pages[0][0].band, 0u);
    EXPECT_EQ(plan.pages[0][0].rowCount, 6u);
    // Page 2: band 1 (3 lines), gap, band 2 (3 lines).
    ASSERT_EQ(plan.pages[1].size(), 2u);
    EXPECT_EQ(plan.pages[1][0].band, 1u);
    EXPECT_EQ(plan.pages[1][1].band, 2u);
    EXPECT_EQ(plan.pages[1][1].rowCount, 1u);
}

TEST(ReportPlan, ALongBandGoesOnOverPages) {
    std::string text = "d\rd\rNo\tValue\r";
    for (int row = 1; row <= 25; ++row) text += std::to_string(row) + "\t5\r";
    const Table table = CutTable(text);
    const BandLayout layout{50, 100, 0, 10, 5};  // 4 rows, then 9 a page under the titles
    const TablePlan plan = PlanTablePages(table, {{0, 2}}, layout);
    std::vector<std::size_t> firstRows, counts;
    for (const auto& page : plan.pages) {
        ASSERT_EQ(page.size(), 1u);
        firstRows.push_back(page[0].firstRow);
        counts.push_back(page[0].rowCount);
    }
    EXPECT_EQ(firstRows, (Rows{0, 4, 13, 22}));
    EXPECT_EQ(counts, (Rows{4, 9, 9, 3}));
}

TEST(ReportPlan, HostileShapesStayInProportionToTheirCells) {
    // 20 000 short rows and one of 40 000 fields: the long row alone in every
    // band after the first, so every row is planned once plus the long one per band.
    std::string text = "d\rd\rNo\tA\r";
    for (int row = 0; row < 20000; ++row) text += "1\t2\r";
    text += "x" + std::string(40000, '\t') + "y\r";
    const Table table = CutTable(text);
    const std::vector<double> widths(table.columnCount(), 10);
    const TablePlan plan =
        PlanTablePages(table, ColumnBands(widths, 0, 100), BandLayout{1000, 1000, 10, 10, 10});
    ASSERT_EQ(plan.bands.size(), 4001u);
    std::size_t shownRows = 0;
    for (const auto& rows : plan.bandRows) shownRows += rows.size();
    EXPECT_EQ(shownRows, 20001u + 4000u);
    // 98 rows a page in the first band (205 pages, 9 rows on the last); a band
    // of one row takes 4 lines with its gap: 22 more on that page, then 25 a page.
    EXPECT_EQ(plan.pages.size(), 205u + 160u);
    // Stopped at once: nothing planned.
    const TablePlan stopped =
        PlanTablePages(table, ColumnBands(widths, 0, 100), BandLayout{1000, 1000, 10, 10, 10},
                       [] { return true; });
    EXPECT_TRUE(stopped.pages.empty());
    // No room at all still moves on: a row a page.
    const TablePlan cramped =
        PlanTablePages(shortAndOneLong(), {{0, 7}}, BandLayout{0, 0, 10, 10, 0});
    EXPECT_EQ(cramped.pages.size(), 6u);
}

}  // namespace
