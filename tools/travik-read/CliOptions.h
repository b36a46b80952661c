// The command line of travik-read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Readout.h"

namespace travik::cli {

enum class Action { Read, ListPorts, Help, Version };
enum class CsvSeparator { Tab, Comma, Semicolon };

struct Options {
    Action action = Action::Read;
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    std::string port;
    std::optional<std::string> csvFile;
    CsvSeparator separator = CsvSeparator::Tab;
    bool quiet = false;
};

struct ParseResult {
    std::optional<Options> options;  // empty on a usage error
    std::string error;               // what was wrong
};

ParseResult ParseArguments(const std::vector<std::string>& args);

const char* UsageText();

}  // namespace travik::cli
