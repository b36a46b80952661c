// The mean kinetic temperature of a temperature column: the one steady
// temperature that would age a product as much as the readings did.
//
//   MKT = (E / R) / -ln( (exp(-E / (R T1)) + ... + exp(-E / (R Tn))) / n )
//
// with the temperatures T in kelvin, E the activation energy (83.144 kJ/mol
// unless the user changes it) and R the gas constant. Each reading counts
// once, so it means most for a column logged at a steady interval.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace travik {

inline constexpr double kDefaultActivationEnergy = 83.144;  // kJ/mol
inline constexpr double kGasConstant = 8.314462618;         // J/(mol K)

enum class TemperatureUnit { Celsius, Fahrenheit, Kelvin };

// The unit a column's title names as its last word ("Value1 °C", "T [K]",
// "Temp (°F)"), the degree sign in the device's 8-bit code or in UTF-8.
std::optional<TemperatureUnit> TemperatureUnitOf(std::string_view title);

double ToKelvin(double value, TemperatureUnit unit);
double FromKelvin(double kelvin, TemperatureUnit unit);

// The activation energy a user set (kJ/mol, a decimal comma or point), or
// the default when the text is empty, no number, not above zero or beyond
// kMostActivationEnergy (no product ages that steeply).
inline constexpr double kMostActivationEnergy = 1000;
double ActivationEnergyFromText(std::string_view text);

// In the values' own unit; nothing without values, with a value at or below
// absolute zero, or an activation energy that is not above zero.
std::optional<double> MeanKineticTemperature(const std::vector<double>& values,
                                             TemperatureUnit unit,
                                             double activationEnergyKJ = kDefaultActivationEnergy);

}  // namespace travik
