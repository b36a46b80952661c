// travik-read: reads a Travik device's alarm buffer or data logger from the
// command line, for scripts and machines without a display.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define travik_isatty _isatty
#define travik_fileno _fileno
#else
#include <unistd.h>
#define travik_isatty isatty
#define travik_fileno fileno
#endif

#include "AdapterIdentity.h"
#include "CliOptions.h"
#include "CommPortList.h"
#include "ConsoleWindow.h"
#include "CsvExport.h"
#include "ExitStatus.h"
#include "HistoryCommands.h"
#include "PrintableName.h"
#include "ProgramArguments.h"
#include "Readout.h"
#include "StandardStreams.h"
#include "StopSignals.h"

namespace {

using namespace travik;
using namespace travik::cli;

// One port a line: its name, its adapter's identity ("-" when unknown) and,
// when the system tells one, its description, separated by tabs.
int listPorts() {
    for (const FoundPort& port : FindSerialPorts()) {
        const std::string identity = port.identity.empty() ? "-" : port.identity;
        if (port.description.empty()) {
            std::printf("%s\t%s\n", port.name.c_str(), identity.c_str());
        } else {
            std::printf("%s\t%s\t%s\n", port.name.c_str(), identity.c_str(),
                        EscapedNonUtf8(port.description).c_str());
        }
    }
    return kReplyReceived;
}

// The port to read: the name or path as given, or the one port of the
// adapter an identity names. Empty, with the reason on standard error, when
// no port or several ports are that adapter.
std::string portToRead(const std::string& given) {
    if (!IsAdapterIdentity(given)) return given;
    std::size_t matches = 0;
    std::string port = PortOfIdentity(given, FindSerialPorts(), &matches);
    if (matches == 0) std::fprintf(stderr, "%s: no such adapter plugged in\n", given.c_str());
    if (matches > 1)
        std::fprintf(stderr, "%s: %zu ports are this adapter; give one by its name\n",
                     given.c_str(), matches);
    return port;
}

Status writeCsv(const Options& options, const ReadoutState& state) {
    switch (options.separator) {
        case CsvSeparator::Tab:
            break;
        case CsvSeparator::Comma:
            return SaveCsvSeparated(*options.csvFile, state.terminal, state.AlarmMode, ',');
        case CsvSeparator::Semicolon:
            return SaveCsvSeparated(*options.csvFile, state.terminal, state.AlarmMode, ';');
    }
    return SaveCsvTabbed(*options.csvFile, state.terminal, state.AlarmMode);
}

// The fixed text, then what failed and the system's reason.
int reportFileFailure(const std::string& what, const Status& failure) {
    std::fprintf(stderr, "%s.\n%s: %s\n", FileErrorText(failure).c_str(),
                 PrintableName(what).c_str(), failure.describe().c_str());
    return kFileFailed;
}

int saveCsv(const Options& options, const ReadoutState& state) {
    const Status saved = writeCsv(options, state);
    if (saved.ok()) return kReplyReceived;
    return reportFileFailure(*options.csvFile, saved);
}

// Standard output that could not be written (a full disk, a closed pipe) is a
// failed write like a file's, not a success.
int reportOutputError(int code) {
    if (code == 0) return kReplyReceived;
    return reportFileFailure("standard output", Status::SystemFailure("write", code));
}

// A port held by another program (or the window) is worth trying again later.
int reportPortFailure(const std::string& port, const OpenStatus& opened) {
    std::fprintf(stderr, "%s: %s\n", PrintableName(port).c_str(),
                 PortFailureReason(opened, 0).c_str());
    return opened == OpenResult::InUse ? kPortBusy : kPortFailed;
}

// Where the readout came from, for the history: the port and its adapter's identity.
std::string sourceOf(const std::string& given, const std::string& port) {
    std::string source = "port " + port;
    if (IsAdapterIdentity(given)) return source + " " + given;
    for (const FoundPort& found : FindSerialPorts())
        if (found.name == port && !found.identity.empty()) return source + " " + found.identity;
    return source;
}

// Stopped by a signal: what arrived is printed or written as after a lost
// connection; main then exits with the signal's status.
int stopped(const Options& options, const ReadoutState& state, const ReadoutResult& result) {
    const int signalNumber = CaughtStopSignal();
    std::fprintf(stderr, "travik-read: stopped by signal %d (%s) after %d bytes\n", signalNumber,
                 StopSignalText(signalNumber).c_str(), static_cast<int>(result.count));
    return options.csvFile && result.count >= 2 ? saveCsv(options, state) : kReplyReceived;
}

int readDevice(const Options& options) {
    ReadoutState state;
    state.ComPortName = portToRead(options.port);
    if (state.ComPortName.empty() && !options.port.empty()) return kPortFailed;
    const bool showProgress = !options.quiet && travik_isatty(travik_fileno(stderr));
    ConsoleWindow window(state.terminal, stdout, stderr, !options.csvFile, showProgress);
    const ReadoutResult result = Button1Click(options.kind, state, window);
    window.finish();

    if (!result.open.ok()) return reportPortFailure(state.ComPortName, result.open);
    if (result.end == ReadoutEnd::Stopped) return stopped(options, state, result);
    if (result.end == ReadoutEnd::Timeout) return kNoReply;
    const bool lost = result.end == ReadoutEnd::ConnectionLost;
    // Like the window's save command, a file needs at least one byte received.
    const bool save = options.csvFile && result.count >= 2;
    const int written = save ? saveCsv(options, state) : reportOutputError(window.outputError());
    // The history never costs the readout: it is written after the file.
    const int kept =
        options.historyFile
            ? MergeIntoHistory(options, state, result, sourceOf(options.port, state.ComPortName))
            : kReplyReceived;
    if (written != kReplyReceived) return written;
    if (lost) return kConnectionLost;
    return kept;
}

}  // namespace

int main(int argc, char** argv) {
    OpenMissingStandardStreams();
    const std::vector<std::string> args = travik::ProgramArguments(argc, argv);
    const ParseResult parsed = ParseArguments(args);
    if (!parsed.options) {
        std::fprintf(stderr, "travik-read: %s\n%s", parsed.error.c_str(), UsageText());
        return kUsageError;
    }
    const Options& options = *parsed.options;
    switch (options.action) {
        case Action::Help:
            std::fputs(UsageText(), stdout);
            return 0;
        case Action::Version:
            std::printf("travik-read %s\n", TRAVIK_VERSION);
            return 0;
        case Action::ListPorts:
            return listPorts();
        case Action::HistoryList:
        case Action::HistoryExport:
        case Action::HistoryName:
        case Action::HistoryJoin:
        case Action::HistoryLimit:
            return RunHistoryCommand(options);
        case Action::Read:
            break;
    }
    CatchStopSignals();
    const int status = readDevice(options);
    // A stop signal caught at any point of the run (the port is closed by now).
    const int signalNumber = CaughtStopSignal();
    return signalNumber != 0 ? kStoppedBySignal + signalNumber : status;
}
