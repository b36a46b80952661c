#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Settings.h"

using travik::ParseSettingInteger;

namespace {

void ExpectParsed(const std::vector<std::pair<std::string, int>>& cases) {
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseSettingInteger(text), expected) << "text \"" << text << "\"";
    }
}

}  // namespace

TEST(ParseSettingInteger, Decimal) {
    ExpectParsed({{"0", 0},
                  {"3", 3},
                  {"42", 42},
                  {"+7", 7},
                  {"-1", -1},
                  {"-0", 0},
                  {"007", 7},
                  {"00000000000000000000000000012", 12},
                  {"2147483647", 2147483647},
                  {"-2147483648", -2147483647 - 1}});
}

TEST(ParseSettingInteger, Hexadecimal) {
    ExpectParsed({{"0x1F", 31},
                  {"0X1f", 31},
                  {"$1F", 31},
                  {"$ff", 255},
                  {"0x0", 0},
                  {"$00000010", 16},
                  {"0x7FFFFFFF", 2147483647}});
}

TEST(ParseSettingInteger, AnythingElseIsZero) {
    ExpectParsed({{"", 0},         {"1.5", 0},         {"abc", 0}, {"12abc", 0}, {"1e3", 0},
                  {"-", 0},        {"+", 0},           {"--1", 0}, {"+-1", 0},   {"- 1", 0},
                  {" 1", 0},       {"1 ", 0},          {"0x", 0},  {"$", 0},     {"0xG", 0},
                  {"-0x1", 0},     {"0x-1", 0},        {"$-1", 0}, {"x1F", 0},   {"1F", 0},
                  {"\xd9\xa3", 0}, {"\xef\xbc\x93", 0}});
}

TEST(ParseSettingInteger, OutOfRangeIsZero) {
    ExpectParsed({{"2147483648", 0},
                  {"-2147483649", 0},
                  {"99999999999", 0},
                  {"-99999999999", 0},
                  {"0x80000000", 0},
                  {"$FFFFFFFF", 0},
                  {"0x1FFFFFFFFFFFFFFFFFFFFFFFF", 0},
                  {std::string(10000, '9'), 0}});
}
