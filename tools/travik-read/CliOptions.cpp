#include "CliOptions.h"

#include "PrintableName.h"

namespace travik::cli {
namespace {

ParseResult usageError(std::string text) {
    return ParseResult{std::nullopt, std::move(text)};
}

// An argument quoted in a usage error: it may be a file or port name.
std::string quoted(const std::string& arg) {
    return "'" + PrintableName(arg) + "'";
}

std::optional<CsvSeparator> separatorNamed(const std::string& name) {
    if (name == "tab") return CsvSeparator::Tab;
    if (name == "comma") return CsvSeparator::Comma;
    if (name == "semicolon") return CsvSeparator::Semicolon;
    return std::nullopt;
}

// Options that stand alone: --help, --version, --list-ports.
std::optional<Action> soleAction(const std::string& arg) {
    if (arg == "--help" || arg == "-h") return Action::Help;
    if (arg == "--version") return Action::Version;
    if (arg == "--list-ports") return Action::ListPorts;
    return std::nullopt;
}

}  // namespace

const char* UsageText() {
    return "usage: travik-read alarm|data --port PATH|IDENTITY [--csv FILE] "
           "[--separator tab|comma|semicolon] [--quiet]\n"
           "       travik-read --list-ports\n"
           "       travik-read --help | --version\n"
           "\n"
           "Reads the alarm buffer (alarm) or the data logger (data) of a Travik device.\n"
           "Without --csv the received text goes to standard output; with --csv FILE it is\n"
           "saved as CSV (tab-separated by default). Messages go to standard error.\n"
           "--port also takes an adapter's identity as --list-ports prints it (its second\n"
           "column, such as usb:0403:6001:A50285BI): the one port of that adapter is read,\n"
           "whatever its name is today.\n"
           "\n"
           "Exit status: 0 reply received (and file written), 1 no reply, 2 port could not\n"
           "be opened or configured, 3 file could not be written, 4 connection lost during\n"
           "the transfer, 64 usage error.\n";
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
    if (args.size() == 1) {
        if (const auto action = soleAction(args[0])) {
            Options options;
            options.action = *action;
            return ParseResult{options, {}};
        }
    }
    if (args.empty()) return usageError("missing readout kind (alarm or data)");

    Options options;
    if (args[0] == "alarm")
        options.kind = ReadoutKind::AlarmBuffer;
    else if (args[0] == "data")
        options.kind = ReadoutKind::DataLogger;
    else
        return usageError("unknown readout kind " + quoted(args[0]));

    bool havePort = false;
    bool haveSeparator = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--port" || arg == "--csv" || arg == "--separator") {
            if (!hasValue) return usageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (value.empty()) return usageError(arg + " needs a value");
            if (arg == "--port") {
                if (havePort) return usageError("--port given twice");
                options.port = value;
                havePort = true;
            } else if (arg == "--csv") {
                if (options.csvFile) return usageError("--csv given twice");
                options.csvFile = value;
            } else {
                const auto separator = separatorNamed(value);
                if (!separator) return usageError("unknown separator " + quoted(value));
                if (haveSeparator) return usageError("--separator given twice");
                options.separator = *separator;
                haveSeparator = true;
            }
        } else {
            return usageError("unexpected argument " + quoted(arg));
        }
    }
    if (!havePort) return usageError("missing --port");
    if (haveSeparator && !options.csvFile) return usageError("--separator needs --csv");
    return ParseResult{options, {}};
}

}  // namespace travik::cli
