#include <gtest/gtest.h>

#include <string>

#include "CsvExport.h"

using travik::CondenseLine;
using travik::ExtractField;

namespace {

constexpr char kTab = '\t';

TEST(ExtractField, PicksEachFieldOfATabbedLine) {
    const std::string line = "a\tb\tc";
    EXPECT_EQ(ExtractField(line, kTab, 1), "a");
    EXPECT_EQ(ExtractField(line, kTab, 2), "b");
    EXPECT_EQ(ExtractField(line, kTab, 3), "c");
}

TEST(ExtractField, MissingFieldsAreEmptyNotRepeated) {
    EXPECT_EQ(ExtractField("a\tb", kTab, 2), "b");
    EXPECT_EQ(ExtractField("a\tb", kTab, 3), "");
    EXPECT_EQ(ExtractField("a\tb", kTab, 5), "");
    EXPECT_EQ(ExtractField("a\tb\tc", kTab, 4), "");
}

TEST(ExtractField, LineWithoutSeparatorIsOnlyTheFirstField) {
    EXPECT_EQ(ExtractField("  End of data \r", kTab, 1), "End of data");
    EXPECT_EQ(ExtractField("  End of data \r", kTab, 2), "");
    EXPECT_EQ(ExtractField("End", kTab, 5), "");
}

TEST(ExtractField, TrimsTheLineAndEachField) {
    const std::string line = " a\t b \t";
    EXPECT_EQ(ExtractField(line, kTab, 1), "a");
    EXPECT_EQ(ExtractField(line, kTab, 2), "b");
    // The trailing TAB went with the trimming of the line: no third field.
    EXPECT_EQ(ExtractField(line, kTab, 3), "");
}

TEST(ExtractField, TrimsEveryControlCodeButKeepsHighBytes) {
    EXPECT_EQ(ExtractField("\x01\x1f a\x7f\x1f\n", kTab, 1), "a\x7f");
    EXPECT_EQ(ExtractField("\xa0\xe4\tx\xff", kTab, 1), "\xa0\xe4");
    EXPECT_EQ(ExtractField("\xa0\xe4\tx\xff", kTab, 2), "x\xff");
}

TEST(ExtractField, EmptyAndOneCharacterLines) {
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(ExtractField("", kTab, n), "") << n;
        EXPECT_EQ(ExtractField(" ", kTab, n), "") << n;
        EXPECT_EQ(ExtractField("\t", kTab, n), "") << n;
    }
    EXPECT_EQ(ExtractField("x", kTab, 1), "x");
    EXPECT_EQ(ExtractField("x", kTab, 2), "");
}

TEST(ExtractField, FieldEndsAtTheNextSeparatorWhateverFollows) {
    const std::string line = "a\tbbb\tc\td\te\tf";
    EXPECT_EQ(ExtractField(line, kTab, 2), "bbb");
    EXPECT_EQ(ExtractField(line, kTab, 6), "f");
}

TEST(ExtractField, CollapsePassShortensRunsByOneInTwo) {
    EXPECT_EQ(ExtractField("a\t\tb", kTab, 2), "b");
    // A run of three keeps two: an empty field stays between.
    EXPECT_EQ(ExtractField("a\t\t\tb", kTab, 2), "");
    EXPECT_EQ(ExtractField("a\t\t\tb", kTab, 3), "b");
    // Runs of four: the second and fourth go.
    EXPECT_EQ(ExtractField("x,,,,y", ',', 2), "");
    EXPECT_EQ(ExtractField("x,,,,y", ',', 3), "y");
    EXPECT_EQ(ExtractField("x,,,,y", ',', 4), "");
}

TEST(ExtractField, OtherSeparatorsLeaveTabsInsideFields) {
    EXPECT_EQ(ExtractField("a\tb;c", ';', 1), "a\tb");
    EXPECT_EQ(ExtractField("a\tb;c", ';', 2), "c");
}

TEST(ExtractField, NonPositiveFieldNumberGivesEmptyField) {
    EXPECT_EQ(ExtractField("a\tb", kTab, 0), "");
    EXPECT_EQ(ExtractField("a\tb", kTab, -3), "");
}

TEST(ExtractField, VeryLongLinesOfSeparators) {
    const std::string tabs(20000, kTab);
    EXPECT_EQ(ExtractField(tabs, kTab, 1), "");
    const std::string commas = "a" + std::string(20000, ',') + "b";
    // Half the commas survive the collapse pass: 10000 separators remain.
    EXPECT_EQ(ExtractField(commas, ',', 10001), "b");
    EXPECT_EQ(ExtractField(commas, ',', 10000), "");
}

TEST(CondenseLine, DataLoggerKeepsThreeFieldsAfterRemovingDoubledTabs) {
    EXPECT_EQ(CondenseLine("1\t\t12:00\t\t3,5\tx\ty", false), "1\t12:00\t3,5");
    EXPECT_EQ(CondenseLine("a\t\t\t\t\tb", false), "a\tb\t");
}

TEST(CondenseLine, AlarmBufferKeepsFiveFields) {
    EXPECT_EQ(CondenseLine("1\t02.03.\t\t12:00\tt1\tI2\tx", true), "1\t02.03.\t12:00\tt1\tI2");
}

TEST(CondenseLine, ShortLinesGetEmptyFieldsNotRepeatedValues) {
    EXPECT_EQ(CondenseLine("a\tb", true), "a\tb\t\t\t");
    EXPECT_EQ(CondenseLine("End", true), "End\t\t\t\t");
    EXPECT_EQ(CondenseLine("End", false), "End\t\t");
}

TEST(CondenseLine, EmptyLineGivesEmptyFields) {
    EXPECT_EQ(CondenseLine("", true), "\t\t\t\t");
    EXPECT_EQ(CondenseLine("", false), "\t\t");
    EXPECT_EQ(CondenseLine(" \t \t", false), "\t\t");
}

TEST(SeparatorFor, CommaForEnglishSemicolonForTheRest) {
    EXPECT_EQ(travik::SeparatorFor(0), ',');
    for (const int language : {1, 2, 3, -1}) EXPECT_EQ(travik::SeparatorFor(language), ';');
}

}  // namespace
