#include "KineticTemperature.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "CellValues.h"
#include "Table.h"

namespace travik {
namespace {

// The title's last word without the brackets around it; nothing when the
// title is one word (a column named "K" is no unit).
std::string_view lastWord(std::string_view title) {
    while (!title.empty() && static_cast<unsigned char>(title.back()) <= ' ')
        title.remove_suffix(1);
    const std::size_t space = title.find_last_of(" \t");
    if (space == std::string_view::npos) return std::string_view();
    std::string_view word = title.substr(space + 1);
    if (!word.empty() && (word.front() == '[' || word.front() == '(')) word.remove_prefix(1);
    if (!word.empty() && (word.back() == ']' || word.back() == ')')) word.remove_suffix(1);
    return word;
}

}  // namespace

std::optional<TemperatureUnit> TemperatureUnitOf(std::string_view title) {
    const std::string_view word = lastWord(title);
    if (word == "K") return TemperatureUnit::Kelvin;
    for (const std::string_view degree : {std::string_view("\xb0"), std::string_view("\xc2\xb0")}) {
        if (word.size() != degree.size() + 1 || word.substr(0, degree.size()) != degree) continue;
        if (word.back() == 'C') return TemperatureUnit::Celsius;
        if (word.back() == 'F') return TemperatureUnit::Fahrenheit;
    }
    return std::nullopt;
}

double ToKelvin(double value, TemperatureUnit unit) {
    switch (unit) {
        case TemperatureUnit::Celsius:
            return value + 273.15;
        case TemperatureUnit::Fahrenheit:
            return (value - 32.0) * 5.0 / 9.0 + 273.15;
        case TemperatureUnit::Kelvin:
            break;
    }
    return value;
}

double FromKelvin(double kelvin, TemperatureUnit unit) {
    switch (unit) {
        case TemperatureUnit::Celsius:
            return kelvin - 273.15;
        case TemperatureUnit::Fahrenheit:
            return (kelvin - 273.15) * 9.0 / 5.0 + 32.0;
        case TemperatureUnit::Kelvin:
            break;
    }
    return kelvin;
}

std::optional<double> MeanKineticTemperature(const std::vector<double>& values,
                                             TemperatureUnit unit, double activationEnergyKJ) {
    if (values.empty() || !(activationEnergyKJ > 0) || !std::isfinite(activationEnergyKJ))
        return std::nullopt;
    const double ratio = activationEnergyKJ * 1000.0 / kGasConstant;  // E / R, in kelvin
    // The exponents -E/(R T) are large and negative: summed relative to the
    // largest, so that cold readings do not all round to zero.
    std::vector<double> exponents;
    exponents.reserve(values.size());
    for (const double value : values) {
        const double kelvin = ToKelvin(value, unit);
        if (!(kelvin > 0) || !std::isfinite(kelvin)) return std::nullopt;
        exponents.push_back(-ratio / kelvin);
    }
    const double largest = *std::max_element(exponents.begin(), exponents.end());
    double sum = 0;
    for (const double exponent : exponents) sum += std::exp(exponent - largest);
    const double logMean = largest + std::log(sum / static_cast<double>(values.size()));
    return FromKelvin(ratio / -logMean, unit);
}

double ActivationEnergyFromText(std::string_view text) {
    const std::optional<double> energy = ReadNumber(TrimmedField(text));
    if (!energy || !(*energy > 0) || *energy > kMostActivationEnergy)
        return kDefaultActivationEnergy;
    return *energy;
}

}  // namespace travik
