#include <gtest/gtest.h>

#include <string>

#include "PrintableName.h"

using travik::PrintableName;

TEST(PrintableName, AnOrdinaryNameIsKept) {
    EXPECT_EQ(PrintableName("/srv/logger/2024-05-01 Alarm.csv"),
              "/srv/logger/2024-05-01 Alarm.csv");
    EXPECT_EQ(PrintableName(""), "");
}

TEST(PrintableName, LineBreaksAndTabsAreWrittenOut) {
    EXPECT_EQ(PrintableName("a\nb\rc\td"), "a\\nb\\rc\\td");
}

TEST(PrintableName, OtherControlsAreWrittenInHex) {
    EXPECT_EQ(PrintableName("\x1b[2Jx"), "\\x1b[2Jx");
    EXPECT_EQ(PrintableName(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(PrintableName("\x01\x1f\x7f"), "\\x01\\x1f\\x7f");
}

TEST(PrintableName, C1ControlsAreWrittenAsCodePoints) {
    EXPECT_EQ(PrintableName("a\xc2\x9b"
                            "31mb"),
              "a\\u009b31mb");
    EXPECT_EQ(PrintableName("\xc2\x80\xc2\x9f"), "\\u0080\\u009f");
}

TEST(PrintableName, LettersBeyondAsciiAndBackslashesAreKept) {
    EXPECT_EQ(PrintableName("/home/\xc5\x81ukasz/\xc2\xa0M\xc3\xbc"
                            "ll.csv"),
              "/home/\xc5\x81ukasz/\xc2\xa0M\xc3\xbc"
              "ll.csv");
    EXPECT_EQ(PrintableName("C:\\Users\\x.csv"), "C:\\Users\\x.csv");
}

TEST(PrintableName, ABrokenSequenceIsKeptByteForByte) {
    EXPECT_EQ(PrintableName("end\xc2"), "end\xc2");
    EXPECT_EQ(PrintableName("\x9b"), "\x9b");
}
