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

#include "CliOptions.h"
#include "CommPortList.h"
#include "ConsoleWindow.h"
#include "CsvExport.h"
#include "PrintableName.h"
#include "ProgramArguments.h"
#include "Readout.h"
#include "StandardStreams.h"
#include "StopSignals.h"

namespace {

using namespace travik;
using namespace travik::cli;

enum ExitStatus {
    kReplyReceived = 0,
    kNoReply = 1,
    kPortFailed = 2,
    kFileFailed = 3,
    kConnectionLost = 4,
    kUsageError = 64,
    kStoppedBySignal = 128,  // plus the signal's number
};

int listPorts() {
    PortList ports;
    GetSerialPorts(ports);
    for (const std::string& port : ports) std::printf("%s\n", port.c_str());
    return kReplyReceived;
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

int reportPortFailure(const std::string& port, const OpenStatus& opened) {
    std::fprintf(stderr, "%s: %s\n", PrintableName(port).c_str(),
                 PortFailureReason(opened, 0).c_str());
    return kPortFailed;
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
    state.ComPortName = options.port;
    const bool showProgress = !options.quiet && travik_isatty(travik_fileno(stderr));
    ConsoleWindow window(state.terminal, stdout, stderr, !options.csvFile, showProgress);
    const ReadoutResult result = Button1Click(options.kind, state, window);
    window.finish();

    if (!result.open.ok()) return reportPortFailure(options.port, result.open);
    if (result.end == ReadoutEnd::Stopped) return stopped(options, state, result);
    if (result.end == ReadoutEnd::Timeout) return kNoReply;
    const bool lost = result.end == ReadoutEnd::ConnectionLost;
    // Like the window's save command, a file needs at least one byte received.
    const bool save = options.csvFile && result.count >= 2;
    const int written = save ? saveCsv(options, state) : reportOutputError(window.outputError());
    if (written != kReplyReceived) return written;
    return lost ? kConnectionLost : kReplyReceived;
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
        case Action::Read:
            break;
    }
    CatchStopSignals();
    const int status = readDevice(options);
    // A stop signal caught at any point of the run (the port is closed by now).
    const int signalNumber = CaughtStopSignal();
    return signalNumber != 0 ? kStoppedBySignal + signalNumber : status;
}
