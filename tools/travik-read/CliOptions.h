// The command line of travik-read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Readout.h"

namespace travik::cli {

enum class Action {
    Read,
    ListPorts,
    Help,
    Version,
    HistoryList,    // travik-read history list
    HistoryExport,  // travik-read history export
    HistoryName,    // travik-read history name --device D NAME
    HistoryJoin,    // travik-read history join --device D --into E
    HistoryLimit,   // travik-read history limit --device D --column NAME ...
};
enum class CsvSeparator { Tab, Comma, Semicolon };

struct Options {
    Action action = Action::Read;
    ReadoutKind kind = ReadoutKind::AlarmBuffer;
    std::string port;
    std::optional<std::string> csvFile;
    CsvSeparator separator = CsvSeparator::Tab;
    bool quiet = false;
    // --history [FILE]: the readout also goes into the history; an empty
    // file stands for the default one. The history commands use it too.
    std::optional<std::string> historyFile;
    // The history commands.
    std::string device;                     // --device: a name or part of a first line
    std::string into;                       // join: --into
    std::string name;                       // name: the new name ("" removes it)
    std::optional<ReadoutKind> exportKind;  // --kind alarm|data
    std::optional<long long> from;          // --from, device time (seconds since 1970)
    std::optional<long long> to;            // --to, device time, included
    std::optional<long long> readout;       // export --readout N: one readout as it came
    bool excursions = false;                // export --excursions: one line per excursion
    // limit: the column and the limit as typed (read and checked when set).
    std::string column;
    std::string lower;
    std::string upper;
    std::string delay;
    std::string deadband;
    bool removeLimit = false;  // limit --remove: no limit from --from on
};

struct ParseResult {
    std::optional<Options> options;  // empty on a usage error
    std::string error;               // what was wrong
};

ParseResult ParseArguments(const std::vector<std::string>& args);

const char* UsageText();

}  // namespace travik::cli
