// travik-read started the way cron and service managers start programs (with
// standard descriptors closed) and ended by signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "PtyDevice.h"
#include "QuietReadoutWindow.h"
#include "Readout.h"
#include "RunProcess.h"
#include "SimProcess.h"
#include "TempDir.h"

using namespace travik;
namespace fs = std::filesystem;

namespace {

const std::string kProgram = TRAVIK_READ_PATH;

std::string DescriptorTarget(pid_t pid, int fd) {
    std::error_code error;
    const fs::path target =
        fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), error);
    return error ? "(closed)" : target.string();
}

// The descriptors of `pid` that refer to `path`.
std::vector<int> DescriptorsOf(pid_t pid, const std::string& path) {
    std::vector<int> fds;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        if (DescriptorTarget(pid, fd) == path) fds.push_back(fd);
    }
    return fds;
}

ProcessLimits ClosedStreams(bool output, bool error) {
    ProcessLimits limits;
    limits.closeStdout = output;
    limits.closeStderr = error;
    return limits;
}

std::string asPrinted(const TerminalText& text) {
    std::string printed = text.bytes();
    for (char& c : printed)
        if (c == '\r') c = '\n';
    return printed;
}

}  // namespace

TEST(TravikReadStreams, ClosedOutputAndErrorBecomeTheNullDeviceNotThePort) {
    PtyDevice device;
    RunningProcess run(kProgram, {"alarm", "--port", device.portPath()}, ClosedStreams(true, true));
    ASSERT_EQ(device.receiveByte(10000), 'h');
    // The port is open now; the device has not answered yet.
    EXPECT_EQ(DescriptorTarget(run.pid(), 1), "/dev/null");
    EXPECT_EQ(DescriptorTarget(run.pid(), 2), "/dev/null");
    const std::vector<int> portFds = DescriptorsOf(run.pid(), device.portPath());
    ASSERT_EQ(portFds.size(), 1u);
    EXPECT_GE(portFds[0], 3);

    device.send(std::string("Hdr\r\nline\t2\r\n") + '\0');
    const ProcessOutput result = run.finish();
    // The received text went to the null device, as asked: a success.
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(device.receiveByte(0), -1) << "the device got more than its command byte";
}

TEST(TravikReadStreams, AClosedErrorStreamKeepsMessagesAwayFromTheDevice) {
    PtyDevice device;
    TempDir dir;
    RunningProcess run(kProgram,
                       {"data", "--port", device.portPath(), "--csv", dir.file("no/such/x.csv")},
                       ClosedStreams(false, true));
    ASSERT_EQ(device.receiveByte(10000), 'd');
    device.send(std::string("Hdr\r\nline\t2\r\n") + '\0');
    const ProcessOutput result = run.finish();
    EXPECT_EQ(result.status, 3) << "the failed file is still told by the status";
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(device.receiveByte(0), -1) << "the error message reached the device";
}

namespace {

// Whether the tty is in exclusive mode, seen through a descriptor of our own.
bool ExclusiveFlag(const std::string& port) {
    const int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0) << port;
    int exclusive = -1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    close(fd);
    return exclusive != 0;
}

// An ordinary user's open of `port`: 0, or its errno.
int OpenAsOrdinaryUser(const std::string& port) {
    if (geteuid() == 0 && chown(port.c_str(), kOrdinaryUser, kOrdinaryUser) != 0) return -1;
    return RunWithoutRootOverride([&] {
        const int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return errno;
        close(fd);
        return 0;
    });
}

}  // namespace

TEST(TravikReadSignals, EachStopSignalEndsTheReadoutAndFreesThePort) {
    std::string full;
    {
        SimProcess fast({"--fast"});
        QuietReadoutWindow window;
        ReadoutState state;
        state.ComPortName = fast.portPath();
        Button1Click(ReadoutKind::AlarmBuffer, state, window);
        full = asPrinted(state.terminal);
    }
    ASSERT_GT(full.size(), 10000u);

    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signalNumber));
        SimProcess sim({});  // paced at 19200 baud: the whole reply takes 7.5 s
        RunningProcess run(kProgram, {"alarm", "--port", sim.portPath()});
        ASSERT_TRUE(run.waitForOutput(300, 10000));
        run.sendSignal(signalNumber);
        const ProcessOutput result = run.finish();

        EXPECT_FALSE(result.signalled) << "the signal killed the program";
        EXPECT_EQ(result.status, 128 + signalNumber);
        EXPECT_GE(result.out.size(), 300u);
        EXPECT_LT(result.out.size(), full.size());
        EXPECT_EQ(full.compare(0, result.out.size(), result.out), 0) << "what arrived, as usual";
        EXPECT_NE(result.err.find("stopped by signal " + std::to_string(signalNumber)),
                  std::string::npos)
            << result.err;

        EXPECT_FALSE(ExclusiveFlag(sim.portPath()));
        EXPECT_EQ(OpenAsOrdinaryUser(sim.portPath()), 0) << "the port stayed in exclusive mode";
    }
}

TEST(TravikReadSignals, AStopWithACsvFileWritesWhatArrivedAndLeavesNoTemporaryFile) {
    TempDir dir;
    std::string fullFile;
    {
        SimProcess fast({"--fast"});
        const std::string full = dir.file("full.csv");
        ASSERT_EQ(RunProcess(kProgram, {"alarm", "--port", fast.portPath(), "--csv", full}).status,
                  0);
        fullFile = ReadFileBytes(full);
        fs::remove(full);
    }
    ASSERT_GT(fullFile.size(), 10000u);

    // Standard error is a terminal, so the progress bar tells how far the readout is.
    PtyDevice terminal;
    ProcessLimits limits;
    limits.stderrPath = terminal.portPath();
    SimProcess sim({});  // paced: the whole reply takes 7.5 s
    const std::string target = dir.file("part.csv");
    RunningProcess run(kProgram, {"alarm", "--port", sim.portPath(), "--csv", target}, limits);
    std::string progress;
    while (progress.find("  3%") == std::string::npos) {
        const int byte = terminal.receiveByte(10000);
        ASSERT_GE(byte, 0) << "no progress shown: " << progress;
        progress.push_back(static_cast<char>(byte));
    }
    run.sendSignal(SIGTERM);
    const ProcessOutput result = run.finish();

    EXPECT_EQ(result.status, 128 + SIGTERM);
    const std::string part = ReadFileBytes(target);
    ASSERT_GT(part.size(), 300u);  // 3 % is shown from 363 bytes read on
    EXPECT_LT(part.size(), fullFile.size());
    // The cut-off last line is ended like every other.
    EXPECT_EQ(part.compare(part.size() - 2, 2, "\r\n"), 0);
    EXPECT_EQ(fullFile.compare(0, part.size() - 2, part, 0, part.size() - 2), 0);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".travik-", 0), std::string::npos)
            << "a temporary file was left: " << entry.path();
}
