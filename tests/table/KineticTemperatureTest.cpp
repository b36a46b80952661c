// The mean kinetic temperature against a worked example, its units, and the
// column titles that name a temperature.
#include <gtest/gtest.h>

#include "KineticTemperature.h"

using namespace travik;

// Worked by hand for readings of 20, 25 and 30 °C, E = 83,144 kJ/mol:
//   E / R = 83144 / 8,314462618 = 9999,9247 K
//   T in kelvin: 293,15  298,15  303,15
//   -E/(R T):   -34,111972  -33,539912  -32,986722
//   exp of it:  1,532352e-15  2,715197e-15  4,721161e-15
//   their mean: 2,989570e-15, whose ln is -33,443647
//   MKT = 9999,9247 / 33,443647 = 299,00820 K = 25,85820 °C
// above the arithmetic mean of 25 °C, as warm readings age a product more.
TEST(KineticTemperature, AgreesWithTheWorkedExample) {
    const auto celsius = MeanKineticTemperature({20, 25, 30}, TemperatureUnit::Celsius);
    ASSERT_TRUE(celsius);
    EXPECT_NEAR(*celsius, 25.85820, 0.00001);
    // The same readings in kelvin and in °F (68, 77, 86) give the same temperature.
    const auto kelvin = MeanKineticTemperature({293.15, 298.15, 303.15}, TemperatureUnit::Kelvin);
    ASSERT_TRUE(kelvin);
    EXPECT_NEAR(*kelvin, 299.00820, 0.00001);
    const auto fahrenheit = MeanKineticTemperature({68, 77, 86}, TemperatureUnit::Fahrenheit);
    ASSERT_TRUE(fahrenheit);
    EXPECT_NEAR(*fahrenheit, 25.85820 * 9 / 5 + 32, 0.00002);
    // One reading is its own MKT; a higher activation energy weighs the warm one more.
    EXPECT_NEAR(*MeanKineticTemperature({4}, TemperatureUnit::Celsius), 4.0, 1e-9);
    EXPECT_GT(*MeanKineticTemperature({20, 25, 30}, TemperatureUnit::Celsius, 120), *celsius);
}

TEST(KineticTemperature, ColdAndImpossibleReadings) {
    // Near absolute zero each exp() alone would be 0; the sum relative to the largest is not.
    const auto cold = MeanKineticTemperature({2, 3}, TemperatureUnit::Kelvin);
    ASSERT_TRUE(cold);
    EXPECT_GT(*cold, 2.0);
    EXPECT_LT(*cold, 3.0);
    EXPECT_FALSE(MeanKineticTemperature({}, TemperatureUnit::Celsius));
    EXPECT_FALSE(MeanKineticTemperature({20, -300}, TemperatureUnit::Celsius));
    EXPECT_FALSE(MeanKineticTemperature({20}, TemperatureUnit::Celsius, 0));
}

TEST(KineticTemperature, TitlesNameTheirUnit) {
    EXPECT_EQ(TemperatureUnitOf("Value1 \xb0"
                                "C"),
              TemperatureUnit::Celsius);  // the device's code
    EXPECT_EQ(TemperatureUnitOf("Temp \xc2\xb0"
                                "F"),
              TemperatureUnit::Fahrenheit);  // UTF-8
    EXPECT_EQ(TemperatureUnitOf("T [K]"), TemperatureUnit::Kelvin);
    EXPECT_EQ(TemperatureUnitOf("T (\xb0"
                                "C) "),
              TemperatureUnit::Celsius);
    EXPECT_FALSE(TemperatureUnitOf("Value2 \xb5S/cm"));
    EXPECT_FALSE(TemperatureUnitOf("Kanal"));
    EXPECT_FALSE(TemperatureUnitOf("K"));  // a title that is only a letter is no unit
    EXPECT_FALSE(TemperatureUnitOf(""));
}

TEST(ActivationEnergyFromText, ASetEnergyOrTheDefault) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"60", 60},      {" 92,5 ", 92.5}, {"92.5", 92.5},    {"1000", 1000},   {"", 83.144},
        {"abc", 83.144}, {"-5", 83.144},   {"0", 83.144},     {"1001", 83.144}, {"1e3", 83.144},
        {"nan", 83.144}, {"inf", 83.144},  {"60 kJ", 83.144},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(travik::ActivationEnergyFromText(c.text), c.expected) << c.text;
}
