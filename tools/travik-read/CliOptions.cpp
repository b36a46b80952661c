#include "CliOptions.h"

#include "CellValues.h"
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

// --history takes a file when one follows; a following option is not one.
bool takesHistoryFile(const std::vector<std::string>& args, std::size_t i) {
    return i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-';
}

// A moment as the device writes it ("dd.mm.yyyy" or with a time of day). A
// date alone starts its day, or with `endOfDay` ends it.
std::optional<long long> momentNamed(const std::string& text, bool endOfDay) {
    const auto time = ReadTime(text);
    if (!time || time->kind == TimeKind::TimeOfDay) return std::nullopt;
    if (time->kind == TimeKind::Date && endOfDay) return time->seconds + 86399;
    return time->seconds;
}

std::optional<long long> readoutNumber(const std::string& text) {
    if (text.empty() || text.size() > 15) return std::nullopt;
    long long number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

ParseResult parseHistory(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return usageError("missing history command (list, export, name, join or limit)");
    Options options;
    const std::string& command = args[1];
    if (command == "list")
        options.action = Action::HistoryList;
    else if (command == "export")
        options.action = Action::HistoryExport;
    else if (command == "name")
        options.action = Action::HistoryName;
    else if (command == "join")
        options.action = Action::HistoryJoin;
    else if (command == "limit")
        options.action = Action::HistoryLimit;
    else
        return usageError("unknown history command " + quoted(command));

    bool haveSeparator = false;
    bool haveName = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--history") {
            if (options.historyFile) return usageError("--history given twice");
            options.historyFile = takesHistoryFile(args, i) ? args[++i] : std::string();
            continue;
        }
        if (arg == "--excursions" || arg == "--remove") {
            (arg == "--excursions" ? options.excursions : options.removeLimit) = true;
            continue;
        }
        const bool limitValue = arg == "--column" || arg == "--lower" || arg == "--upper" ||
                                arg == "--delay" || arg == "--deadband";
        const bool valued = arg == "--device" || arg == "--into" || arg == "--kind" ||
                            arg == "--from" || arg == "--to" || arg == "--csv" ||
                            arg == "--separator" || arg == "--readout" || limitValue;
        if (!valued) {
            if (options.action == Action::HistoryName && !haveName && arg.rfind("--", 0) != 0) {
                options.name = arg;
                haveName = true;
                continue;
            }
            return usageError("unexpected argument " + quoted(arg));
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) return usageError(arg + " needs a value");
        const std::string& value = args[++i];
        if (limitValue) {
            if (options.action != Action::HistoryLimit)
                return usageError("only history limit takes " + arg);
            std::string& field = arg == "--column"  ? options.column
                                 : arg == "--lower" ? options.lower
                                 : arg == "--upper" ? options.upper
                                 : arg == "--delay" ? options.delay
                                                    : options.deadband;
            if (!field.empty()) return usageError(arg + " given twice");
            field = value;
        } else if (arg == "--device") {
            options.device = value;
        } else if (arg == "--into") {
            options.into = value;
        } else if (arg == "--kind") {
            if (value == "alarm")
                options.exportKind = ReadoutKind::AlarmBuffer;
            else if (value == "data")
                options.exportKind = ReadoutKind::DataLogger;
            else
                return usageError("unknown readout kind " + quoted(value));
        } else if (arg == "--from" || arg == "--to") {
            const auto moment = momentNamed(value, arg == "--to");
            if (!moment)
                return usageError(arg + " takes dd.mm.yyyy [hh:mm[:ss]], not " + quoted(value));
            (arg == "--from" ? options.from : options.to) = moment;
        } else if (arg == "--csv") {
            options.csvFile = value;
        } else if (arg == "--readout") {
            options.readout = readoutNumber(value);
            if (!options.readout)
                return usageError("--readout takes a number, not " + quoted(value));
        } else {
            const auto separator = separatorNamed(value);
            if (!separator) return usageError("unknown separator " + quoted(value));
            options.separator = *separator;
            haveSeparator = true;
        }
    }
    const bool exporting = options.action == Action::HistoryExport;
    const bool limiting = options.action == Action::HistoryLimit;
    if (exporting && options.device.empty() && !options.readout)
        return usageError("history export needs --device or --readout");
    if (exporting && !options.csvFile && !options.excursions)
        return usageError("history export needs --csv");
    if (options.excursions && (!exporting || options.readout))
        return usageError("--excursions goes with history export --device");
    if (options.excursions && haveSeparator)
        return usageError("--excursions writes TAB-separated lines; no --separator");
    if (!exporting && (options.csvFile || haveSeparator || options.exportKind || options.to ||
                       options.readout || (options.from && !limiting)))
        return usageError(
            "only history export takes --csv, --separator, --kind, --from, --to "
            "and --readout");
    if (options.removeLimit && !limiting) return usageError("only history limit takes --remove");
    if (limiting) {
        if (options.device.empty() || options.column.empty())
            return usageError("history limit needs --device and --column");
        const bool bounds = !options.lower.empty() || !options.upper.empty();
        if (options.removeLimit && (bounds || !options.delay.empty() || !options.deadband.empty()))
            return usageError("--remove takes no --lower, --upper, --delay or --deadband");
        if (!options.removeLimit && !bounds)
            return usageError("history limit needs --lower, --upper or both (or --remove)");
    }
    if (options.from && options.to && *options.from > *options.to)
        return usageError("--from is after --to");
    if ((options.action == Action::HistoryName || options.action == Action::HistoryJoin) &&
        options.device.empty())
        return usageError("history " + command + " needs --device");
    if (options.action == Action::HistoryJoin && options.into.empty())
        return usageError("history join needs --into");
    if (options.action == Action::HistoryName && !haveName)
        return usageError("history name needs the new name");
    if (options.action != Action::HistoryJoin && !options.into.empty())
        return usageError("only history join takes --into");
    if (options.action == Action::HistoryList && !options.device.empty())
        return usageError("history list takes no --device");
    return ParseResult{options, {}};
}

}  // namespace

const char* UsageText() {
    return "usage: travik-read alarm|data --port PATH|IDENTITY [--csv FILE] "
           "[--separator tab|comma|semicolon] [--history [FILE]] [--quiet]\n"
           "       travik-read history list [--history FILE]\n"
           "       travik-read history export --device DEVICE [--kind alarm|data] [--from TIME] "
           "[--to TIME] --csv FILE [--separator ...] [--history FILE]\n"
           "       travik-read history export --readout N --csv FILE [--separator ...]\n"
           "       travik-read history name --device DEVICE NAME\n"
           "       travik-read history join --device DEVICE --into DEVICE\n"
           "       travik-read history limit --device DEVICE --column NAME [--lower X] "
           "[--upper Y] [--delay N|DURATION] [--deadband X] [--from TIME] [--remove]\n"
           "       travik-read history export --device DEVICE --excursions [--kind ...] "
           "[--from TIME] [--to TIME] [--csv FILE]\n"
           "       travik-read --list-ports\n"
           "       travik-read --help | --version\n"
           "\n"
           "Reads the alarm buffer (alarm) or the data logger (data) of a Travik device.\n"
           "Without --csv the received text goes to standard output; with --csv FILE it is\n"
           "saved as CSV (tab-separated by default). Messages go to standard error.\n"
           "--port also takes an adapter's identity as --list-ports prints it (its second\n"
           "column, such as usb:0403:6001:A50285BI): the one port of that adapter is read,\n"
           "whatever its name is today.\n"
           "--history also puts the readout into the device's history (by default\n"
           "~/.local/share/TravikReadout/history.sqlite): records held already change\n"
           "nothing, new ones are added, and records the device may have overwritten\n"
           "unread, a changed device clock and conflicting records are told.\n"
           "DEVICE is a name given with 'history name', or any part of the device's first\n"
           "line only one device has (its serial number). TIME is dd.mm.yyyy [hh:mm[:ss]].\n"
           "A limit takes a decimal comma or point; a value equal to it is inside. The\n"
           "delay is a number of points or a duration (90s, 15 min, 2h, 1d, hh:mm[:ss]).\n"
           "Without --from a column's first limit holds for all its data, a changed one\n"
           "from now on: older data keeps the limit it had. --excursions writes one line\n"
           "per excursion: column, start, end (empty: still outside), duration, extreme.\n"
           "\n"
           "Exit status: 0 reply received (and file written), 1 no reply, 2 port could not\n"
           "be opened or configured, 3 file could not be written, 4 connection lost during\n"
           "the transfer, 5 port busy (held by another program or the window), 6 history\n"
           "could not be written, 64 usage error, 128+N stopped by signal N.\n";
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
    if (args[0] == "history") return parseHistory(args);

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
        } else if (arg == "--history") {
            if (options.historyFile) return usageError("--history given twice");
            options.historyFile = takesHistoryFile(args, i) ? args[++i] : std::string();
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
