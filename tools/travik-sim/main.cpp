// travik-sim: plays a TravikP device on a pseudo-terminal for tests, benchmarks
// and trying the program without a device. See UsageText() for the options.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "DeviceReplies.h"
#include "PrintableName.h"
#include "PtyPort.h"
#include "SimDevice.h"
#include "SimOptions.h"

namespace {

using namespace travik::sim;

constexpr std::streamsize kMaxReplyFile = std::streamsize{64} * 1024 * 1024;

// SIGTERM, SIGINT and SIGHUP write a byte to a pipe the main loop polls.
class StopSignals {
public:
    StopSignals() {
        if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
        writeFd_ = fds_[1];
        struct sigaction action {};
        action.sa_handler = &StopSignals::onSignal;
        sigemptyset(&action.sa_mask);
        for (const int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
        signal(SIGPIPE, SIG_IGN);
    }
    ~StopSignals() {
        for (const int sig : {SIGTERM, SIGINT, SIGHUP}) signal(sig, SIG_DFL);
        writeFd_ = -1;
        close(fds_[0]);
        close(fds_[1]);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int fd() const { return fds_[0]; }

private:
    static void onSignal(int) {
        const int saved = errno;
        if (writeFd_ >= 0) {
            const char byte = 's';
            [[maybe_unused]] const ssize_t ignored = write(writeFd_, &byte, 1);
        }
        errno = saved;
    }

    static inline volatile sig_atomic_t writeFd_ = -1;
    int fds_[2] = {-1, -1};
};

std::string readReplyFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxReplyFile)
        throw std::runtime_error("reply file " + travik::PrintableName(path) +
                                 " is not a readable file of at most 64 MiB");
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    if (!in || (st.st_size > 0 && !in.read(bytes.data(), st.st_size)))
        throw std::runtime_error("cannot read reply file " + travik::PrintableName(path));
    return bytes;
}

DeviceBehaviour behaviourFor(const SimOptions& options) {
    DeviceBehaviour b;
    const std::string end = options.zeroEnd ? std::string(1, '\0') : std::string();
    if (!options.replyFile.empty()) {
        b.alarmReply = readReplyFile(options.replyFile);
        b.dataReply = b.alarmReply;
        if (options.rereadReplyFile)
            b.replyAtEachCommand = [path = options.replyFile](char) { return readReplyFile(path); };
    } else if (options.randomBytes) {
        b.alarmReply = RandomBytes(*options.randomBytes, options.seed) + end;
        b.dataReply = b.alarmReply;
    } else if (options.history) {
        DeviceHistory history = options.historyParameters;
        history.serial = options.serial;
        history.seed = options.seed;
        // Each kind's first reply is made before the port is offered: the first
        // one after a loss takes long to work out (under the sanitizers longer
        // than a reader waits for the device's first byte).
        HistoryReadouts readouts(history, options.advance, options.gapRecords);
        std::array<std::optional<std::string>, 2> first{readouts.next(HistoryKind::Alarm),
                                                        readouts.next(HistoryKind::DataLogger)};
        b.replyAtEachCommand = [readouts, first, end](char command) mutable {
            const HistoryKind kind = command == 'h' ? HistoryKind::Alarm : HistoryKind::DataLogger;
            std::optional<std::string>& made = first[static_cast<std::size_t>(kind)];
            if (!made) return readouts.next(kind) + end;
            std::string reply = std::move(*made) + end;
            made.reset();
            return reply;
        };
    } else {
        const std::size_t alarmRows = options.rows.value_or(kDefaultAlarmRows);
        const std::size_t dataRows = options.rows.value_or(kDefaultDataRows);
        b.alarmReply = AlarmReply(alarmRows, options.seed, options.serial) + end;
        b.dataReply = DataLoggerReply(dataRows, options.seed, options.serial) + end;
    }
    b.baud = options.fast ? 0 : options.baud;
    b.silent = options.silent;
    b.hangupAfter = options.hangupAfter;
    return b;
}

int serve(const SimOptions& options) {
    DeviceBehaviour behaviour = behaviourFor(options);
    StopSignals stop;
    PtyPort port;
    std::unique_ptr<PortLink> link;
    if (!options.linkPath.empty()) link = std::make_unique<PortLink>(options.linkPath, port.path());
    std::printf("%s\n", port.path().c_str());
    std::fflush(stdout);
    SimDevice device(std::move(behaviour), port, stop.fd());
    return device.run();
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "travik-sim: %s\n", parsed.error.c_str());
        return kUsageExit;
    }
    if (parsed.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::puts("travik-sim " TRAVIK_VERSION);
        return 0;
    }
    try {
        return serve(parsed.options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "travik-sim: %s\n", e.what());
        return 1;
    }
}
