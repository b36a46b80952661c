// Reading cells as numbers and times, and the order they sort in.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "CellValues.h"

namespace {

using travik::CellClass;
using travik::CompareKeys;
using travik::ReadNumber;
using travik::ReadTime;
using travik::SortKeyOf;
using travik::TimeKind;

TEST(ReadNumber, DecimalCommaOrPointAndASign) {
    EXPECT_EQ(ReadNumber("3,5"), 3.5);
    EXPECT_EQ(ReadNumber("3.5"), 3.5);
    EXPECT_EQ(ReadNumber("-0,25"), -0.25);
    EXPECT_EQ(ReadNumber("+12"), 12.0);
    EXPECT_EQ(ReadNumber("007"), 7.0);
    EXPECT_EQ(ReadNumber(" 42 "), 42.0);
}

TEST(ReadNumber, OneSeparatorIsAlwaysTheDecimalOne) {
    EXPECT_EQ(ReadNumber("1.000"), 1.0);
    EXPECT_EQ(ReadNumber("1,000"), 1.0);
}

TEST(ReadNumber, AnythingAmbiguousIsText) {
    for (const char* text :
         {"1,2,3", "1.000,5", "1,000.5", "nan",        "NaN",  "inf", "-inf",   "Infinity",
          "1e5",   "0x10",    ",5",      "5,",         "-",    "+",   "",       " ",
          "+-1",   "1 000",   "12:00",   "01.03.2024", "\xB2", "5%",  "3,5 bar"})
        EXPECT_FALSE(ReadNumber(text).has_value()) << text;
}

TEST(ReadNumber, HugeNumbersAreText) {
    EXPECT_EQ(ReadNumber("999999999999999"), 999999999999999.0);  // 15 digits
    EXPECT_FALSE(ReadNumber("9999999999999999").has_value());     // 16
    EXPECT_FALSE(ReadNumber(std::string(400, '9')).has_value());
    EXPECT_FALSE(ReadNumber("0," + std::string(38, '0') + "1").has_value());  // too long
    // Zeros around the digits do not count.
    EXPECT_EQ(ReadNumber("000000000000000000001,5000000000"), 1.5);
}

// Short cells are read digit by digit; the result must be the double nearest
// the decimal, as the standard library reads it, on both sides of that path.
TEST(ReadNumber, GivesTheNearestDouble) {
    std::mt19937_64 random(27);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 18);
        std::string text;
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
        const auto point = static_cast<std::size_t>(random() % (text.size() + 1));
        if (point > 0 && point < text.size()) text.insert(point, 1, '.');
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const auto read = ReadNumber(text);
        if (!read) {
            EXPECT_GT(digits, 15) << text;  // only past 15 digits may it be text
            continue;
        }
        EXPECT_EQ(*read, expected) << text;
    }
    EXPECT_EQ(ReadNumber("0,1"), 0.1);
    EXPECT_EQ(ReadNumber("123456789012,345"), 123456789012.345);
    EXPECT_TRUE(std::signbit(*ReadNumber("-0")));
}

TEST(ReadTime, DatesTimesAndBoth) {
    const auto date = ReadTime("01.03.2024");
    ASSERT_TRUE(date);
    EXPECT_EQ(date->kind, TimeKind::Date);
    EXPECT_EQ(date->seconds, 1709251200LL);  // 2024-03-01 00:00 UTC
    EXPECT_EQ(ReadTime("01.03.24")->seconds, 1709251200LL);
    EXPECT_EQ(ReadTime("01.01.1970")->seconds, 0);
    EXPECT_EQ(ReadTime("31.12.1969")->seconds, -86400);

    const auto time = ReadTime("06:15:30");
    ASSERT_TRUE(time);
    EXPECT_EQ(time->kind, TimeKind::TimeOfDay);
    EXPECT_EQ(time->seconds, 6 * 3600 + 15 * 60 + 30);
    EXPECT_EQ(ReadTime("23:59")->seconds, 23 * 3600 + 59 * 60);

    const auto both = ReadTime("01.03.2024 06:15:30");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->kind, TimeKind::DateTime);
    EXPECT_EQ(both->seconds, 1709251200LL + 6 * 3600 + 15 * 60 + 30);
    EXPECT_EQ(ReadTime("01.03.2024   06:15")->seconds, 1709251200LL + 6 * 3600 + 15 * 60);
}

TEST(ReadTime, RangesAreChecked) {
    EXPECT_TRUE(ReadTime("29.02.2024"));
    for (const char* text : {"29.02.2023",   "31.04.2024",       "00.01.2024", "01.13.2024",
                             "01.00.2024",   "01.01.0000",       "24:00",      "12:60",
                             "12:00:60",     "1.3.2024",         "6:00",       "01.03.2024 25:00",
                             "01.03.2024 x", "01.03.2024T06:00", "12.03",      "01-03-2024",
                             "01.03.202",    "01.03.24.",        "",           "::",
                             "\xFF\xFF:00"})
        EXPECT_FALSE(ReadTime(text).has_value()) << text;
}

TEST(SortKey, NumbersThenTimesThenTextThenEmpty) {
    EXPECT_EQ(SortKeyOf("3,5").kind, CellClass::Number);
    EXPECT_EQ(SortKeyOf("01.03.2024").kind, CellClass::Time);
    EXPECT_EQ(SortKeyOf("1,2,3").kind, CellClass::Text);
    EXPECT_EQ(SortKeyOf("  ").kind, CellClass::Empty);
    EXPECT_LT(CompareKeys(SortKeyOf("100"), SortKeyOf("00:00")), 0);
    EXPECT_LT(CompareKeys(SortKeyOf("23:00"), SortKeyOf("01.01.1970")), 0);  // time of day first
    EXPECT_LT(CompareKeys(SortKeyOf("01.01.2024 10:00"), SortKeyOf("abc")), 0);
}

TEST(SortKey, NumbersByValueTimesByTimeTextIgnoringCase) {
    EXPECT_LT(CompareKeys(SortKeyOf("9"), SortKeyOf("10")), 0);
    EXPECT_LT(CompareKeys(SortKeyOf("-2,5"), SortKeyOf("-2.4")), 0);
    EXPECT_EQ(CompareKeys(SortKeyOf("2,50"), SortKeyOf("2.5")), 0);
    EXPECT_LT(CompareKeys(SortKeyOf("31.12.2023"), SortKeyOf("01.01.2024")), 0);
    EXPECT_LT(CompareKeys(SortKeyOf("01.01.2024"), SortKeyOf("01.01.2024 00:01")), 0);
    EXPECT_LT(CompareKeys(SortKeyOf("apple"), SortKeyOf("Banana")), 0);
    EXPECT_LT(CompareKeys(SortKeyOf("ABC"), SortKeyOf("abc")), 0);  // then byte by byte
    EXPECT_LT(CompareKeys(SortKeyOf("z"), SortKeyOf("\xDC"
                                                    "ber")),
              0);
}

}  // namespace
