// Parses a device-control definition string such as
// "baud=19200 parity=n data=8 stop=1" (keys in any order, any case).
#pragma once

#include <optional>
#include <string>

namespace travik {

struct LineDefinition {
    long baud = 0;
    char parity = 'n';  // n, e, o, m, s
    int dataBits = 8;   // 5..8
    int stopBits = 1;   // 1 or 2
};

// Empty when the string holds an unknown key, a malformed value or no baud rate.
std::optional<LineDefinition> ParseLineDefinition(const std::string& definition);

}  // namespace travik
