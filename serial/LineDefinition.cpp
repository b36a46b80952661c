#include "LineDefinition.h"

#include <cctype>
#include <sstream>

namespace travik {
namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool parseNumber(const std::string& text, long& out) {
    if (text.empty() || text.size() > 9) return false;
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

bool applyPair(const std::string& key, const std::string& value, LineDefinition& def,
               bool& haveBaud) {
    long number = 0;
    if (key == "baud") {
        if (!parseNumber(value, number) || number <= 0) return false;
        def.baud = number;
        haveBaud = true;
        return true;
    }
    if (key == "parity") {
        if (value.size() != 1 || std::string("neoms").find(value[0]) == std::string::npos)
            return false;
        def.parity = value[0];
        return true;
    }
    if (key == "data") {
        if (!parseNumber(value, number) || number < 5 || number > 8) return false;
        def.dataBits = static_cast<int>(number);
        return true;
    }
    if (key == "stop") {
        if (!parseNumber(value, number) || (number != 1 && number != 2)) return false;
        def.stopBits = static_cast<int>(number);
        return true;
    }
    return false;
}

}  // namespace

std::optional<LineDefinition> ParseLineDefinition(const std::string& definition) {
    LineDefinition def;
    bool haveBaud = false;
    std::istringstream words(lowered(definition));
    std::string word;
    while (words >> word) {
        const auto eq = word.find('=');
        if (eq == std::string::npos || eq == 0) return std::nullopt;
        if (!applyPair(word.substr(0, eq), word.substr(eq + 1), def, haveBaud)) return std::nullopt;
    }
    if (!haveBaud) return std::nullopt;
    return def;
}

}  // namespace travik
