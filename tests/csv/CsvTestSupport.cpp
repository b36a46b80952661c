#include "CsvTestSupport.h"

#include <cstdint>
#include <filesystem>

#include "Readout.h"

travik::TerminalText Received(const std::string& deviceBytes, bool alarmMode) {
    travik::TerminalText text;
    travik::ReadoutRules rules(text, alarmMode);
    std::int32_t count = 0;
    for (const char byte : deviceBytes) {
        if (!rules.take(static_cast<std::uint8_t>(byte), count)) break;
        ++count;
    }
    return text;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '\r') out += '\n';
    }
    if (!text.empty() && text.back() != '\r') out += "\r\n";
    return out;
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}
