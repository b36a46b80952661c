#include <gtest/gtest.h>

#include "LineDefinition.h"
#include "WinCOmmUnit.h"

using travik::ParseLineDefinition;

TEST(LineDefinition, ParsesTheDeviceLine) {
    const auto def = ParseLineDefinition(travik::DefinitionString(19200));
    ASSERT_TRUE(def);
    EXPECT_EQ(def->baud, 19200);
    EXPECT_EQ(def->parity, 'n');
    EXPECT_EQ(def->dataBits, 8);
    EXPECT_EQ(def->stopBits, 1);
    EXPECT_EQ(travik::DefinitionString(19200), "baud=19200 parity=n data=8 stop=1");
}

TEST(LineDefinition, AcceptsAnyOrderAndCase) {
    const auto def = ParseLineDefinition("  STOP=2 Data=7 parity=E baud=9600 ");
    ASSERT_TRUE(def);
    EXPECT_EQ(def->baud, 9600);
    EXPECT_EQ(def->parity, 'e');
    EXPECT_EQ(def->dataBits, 7);
    EXPECT_EQ(def->stopBits, 2);
}

TEST(LineDefinition, RejectsWhatItCannotParse) {
    for (const char* bad :
         {"", "parity=n data=8", "baud=", "baud=-5", "baud=0", "baud=19x00", "baud=19200 parity=q",
          "baud=19200 data=9", "baud=19200 stop=3", "baud=19200 speed=fast", "baud=19200 =1",
          "baud19200", "baud=99999999999999999999"}) {
        EXPECT_FALSE(ParseLineDefinition(bad)) << bad;
    }
}
