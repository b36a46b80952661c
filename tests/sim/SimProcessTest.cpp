// travik-sim as the program meets it: a child process serving a real pty.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "DeviceReplies.h"
#include "SimProcess.h"
#include "TempDir.h"

using namespace travik::sim;
using Clock = std::chrono::steady_clock;

namespace {

// A client of the port, like the program: raw line, reads bounded by poll.
class PortClient {
public:
    explicit PortClient(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path);
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    ~PortClient() { close(fd_); }
    PortClient(const PortClient&) = delete;
    PortClient& operator=(const PortClient&) = delete;

    void send(const std::string& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    struct Received {
        std::string bytes;
        bool hungUp = false;
    };

    // Reads until a gap of gapMs, a hang-up, `maxBytes`, or (stopAtZero) a 0 byte.
    Received receive(int gapMs, bool stopAtZero = true, std::size_t maxBytes = 1 << 20) {
        Received r;
        while (r.bytes.size() < maxBytes) {
            pollfd pfd{fd_, POLLIN, 0};
            const int ready = poll(&pfd, 1, gapMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            char buffer[4096];
            const std::size_t want = std::min(sizeof buffer, maxBytes - r.bytes.size());
            const ssize_t got = read(fd_, buffer, want);
            if (got < 0 && errno == EAGAIN) continue;
            if (got <= 0) {
                r.hungUp = true;
                break;
            }
            r.bytes.append(buffer, static_cast<std::size_t>(got));
            if (stopAtZero && r.bytes.back() == '\0') break;
        }
        return r;
    }

    // Waits until nothing stays unread on the port, at most timeoutMs.
    bool waitEmpty(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        int pending = 0;
        while (ioctl(fd_, FIONREAD, &pending) == 0 && pending > 0) {
            if (Clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

private:
    int fd_;
};

std::string transfer(const std::string& port, const std::string& command) {
    PortClient client(port);
    client.send(command);
    // A reply ends in its 0 byte, so a long wait costs nothing; a sanitized simulator
    // on a busy machine can take over a second to work out a history's first reply.
    return client.receive(10000).bytes;
}

int runForStatus(const std::string& arguments) {
    const int status = std::system((std::string(TRAVIK_SIM_PATH) + " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool isSymlink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

TEST(SimProcess, AnswersBothCommandsWithTheFullMemory) {
    SimProcess sim({"--fast"});
    EXPECT_EQ(sim.portPath().rfind("/dev/pts/", 0), 0u);

    const std::string alarm = transfer(sim.portPath(), "h");
    EXPECT_EQ(alarm, AlarmReply(kDefaultAlarmRows, 1) + '\0');
    EXPECT_EQ(alarm.rfind("TravikP 2000 V3.12\r\n", 0), 0u);
    EXPECT_NE(alarm.find("\r\nNo\tt\tI\tIdL\t"), std::string::npos);
    EXPECT_NE(alarm.find('\xB0'), std::string::npos);
    EXPECT_EQ(alarm.find('\0'), alarm.size() - 1);
    EXPECT_GE(alarm.size(), 14490u);

    const std::string data = transfer(sim.portPath(), "d");
    EXPECT_EQ(data, DataLoggerReply(kDefaultDataRows, 1) + '\0');
    EXPECT_NE(data.find("\r\nNo\tDate\tTime\tValue1"), std::string::npos);
    EXPECT_GE(data.size(), 8770u);

    EXPECT_TRUE(sim.running());
    sim.stop();
    EXPECT_EQ(sim.exitStatus(), 0);
}

TEST(SimProcess, ADeviceWithAHistoryKeepsLoggingBetweenReadouts) {
    SimProcess sim({"--fast", "--serial", "4711", "--now", "2024-04-30T06:00", "--advance", "1h",
                    "--gap", "3", "--seed", "5"});
    DeviceHistory h;
    h.serial = "4711";
    h.seed = 5;
    h.now = *ParseDeviceTime("2024-04-30T06:00");
    HistoryReadouts expected(h, 3600, 3);
    // Each kind on its own clock: two data-logger readouts, then the alarm's first.
    for (const char command : {'d', 'd', 'h', 'd'}) {
        const std::string reply = transfer(sim.portPath(), std::string(1, command));
        EXPECT_EQ(
            reply,
            expected.next(command == 'h' ? HistoryKind::Alarm : HistoryKind::DataLogger) + '\0')
            << command;
        EXPECT_EQ(reply.rfind("TravikP 2000 S/N 4711 V3.12\r\n", 0), 0u);
    }
}

TEST(SimProcess, IgnoresOtherBytesAndServesClientAfterClient) {
    SimProcess sim({"--fast", "--rows", "5", "--seed", "3"});
    {
        PortClient client(sim.portPath());
        client.send("xyz\r\n?H D");
        EXPECT_EQ(client.receive(300).bytes, "");
    }
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(transfer(sim.portPath(), "h"), AlarmReply(5, 3) + '\0') << round;
        EXPECT_EQ(transfer(sim.portPath(), "d"), DataLoggerReply(5, 3) + '\0') << round;
    }
}

TEST(SimProcess, ClosingThePortDropsTheRestOfAReply) {
    SimProcess sim({"--fast"});
    {
        PortClient client(sim.portPath());
        client.send("h");
        EXPECT_EQ(client.receive(1000, true, 200).bytes.size(), 200u);
    }
    PortClient client(sim.portPath());
    ASSERT_TRUE(client.waitEmpty(2000)) << "the old reply's rest is still queued";
    client.send("d");
    EXPECT_EQ(client.receive(1000).bytes, DataLoggerReply(kDefaultDataRows, 1) + '\0');
}

TEST(SimProcess, SilentNeverAnswers) {
    SimProcess sim({"--fast", "--silent"});
    PortClient client(sim.portPath());
    client.send("h");
    const auto received = client.receive(300);
    EXPECT_EQ(received.bytes, "");
    EXPECT_FALSE(received.hungUp);
}

TEST(SimProcess, HangsUpAfterTheGivenBytesAndExits) {
    TempDir dir;
    const std::string link = dir.file("ttyTravik");
    SimProcess sim({"--fast", "--hangup-after", "100", "--link", link});
    EXPECT_TRUE(isSymlink(link));
    PortClient client(link);
    client.send("h");
    const auto received = client.receive(2000);
    EXPECT_EQ(received.bytes, AlarmReply(kDefaultAlarmRows, 1).substr(0, 100));
    EXPECT_TRUE(received.hungUp);
    EXPECT_EQ(sim.exitStatus(), 0);
    EXPECT_FALSE(sim.running());
    EXPECT_FALSE(isSymlink(link));
}

TEST(SimProcess, ReplyFileIsSentExactly) {
    TempDir dir;
    const char raw[] = "exact\0\xFF\xB0\r\n\n\rend\0";  // ends in two 0 bytes
    const std::string bytes(raw, sizeof raw);
    WriteFileBytes(dir.file("reply.bin"), bytes);
    SimProcess sim({"--fast", "--reply-file", dir.file("reply.bin")});
    for (const char* command : {"h", "d"}) {
        PortClient client(sim.portPath());
        client.send(command);
        EXPECT_EQ(client.receive(300, false).bytes, bytes) << command;
    }
}

TEST(SimProcess, RereadTakesTheReplyFileAsItIsAtEachCommand) {
    TempDir dir;
    WriteFileBytes(dir.file("reply.bin"), "first\r\n");
    SimProcess sim({"--fast", "--reply-file", dir.file("reply.bin"), "--reread"});
    EXPECT_EQ(transfer(sim.portPath(), "h"), "first\r\n");
    WriteFileBytes(dir.file("reply.bin"), "second, longer\r\n");
    EXPECT_EQ(transfer(sim.portPath(), "d"), "second, longer\r\n");
    // A file gone meanwhile: no answer, and the simulator keeps serving.
    std::remove(dir.file("reply.bin").c_str());
    EXPECT_EQ(transfer(sim.portPath(), "h"), "");
    WriteFileBytes(dir.file("reply.bin"), "back\r\n");
    EXPECT_EQ(transfer(sim.portPath(), "h"), "back\r\n");
}

TEST(SimProcess, NoZeroEndsWithAGap) {
    SimProcess sim({"--fast", "--rows", "4", "--no-zero"});
    PortClient client(sim.portPath());
    client.send("d");
    EXPECT_EQ(client.receive(300, false).bytes, DataLoggerReply(4, 1));
}

TEST(SimProcess, RandomRepliesFollowTheSeed) {
    std::string first;
    for (const char* seed : {"7", "7", "8"}) {
        SimProcess sim({"--fast", "--random", "3000", "--seed", seed});
        PortClient client(sim.portPath());
        client.send("h");
        // Random bytes hold 0 bytes of their own: read the reply's known length.
        const std::string got = client.receive(5000, false, 3001).bytes;
        EXPECT_EQ(got, RandomBytes(3000, std::strtoull(seed, nullptr, 10)) + '\0');
        if (first.empty())
            first = got;
        else if (std::string(seed) == "7")
            EXPECT_EQ(got, first);
        else
            EXPECT_NE(got, first);
    }
}

TEST(SimProcess, PacesBytesAtTheLineSpeed) {
    SimProcess sim({"--random", "999", "--seed", "2"});
    PortClient client(sim.portPath());
    const auto start = Clock::now();
    client.send("h");
    const std::string got = client.receive(300, false).bytes;
    const auto lastByte = Clock::now() - std::chrono::milliseconds(300);
    EXPECT_EQ(got.size(), 1000u);
    // 1000 bytes at 19200 baud, 10 bits each: 0.52 s. Only a lower bound is safe here.
    EXPECT_GE(lastByte - start, std::chrono::milliseconds(450));
}

TEST(SimProcess, ACommandDuringAReplyStartsTheNewReply) {
    SimProcess sim({"--rows", "3"});
    PortClient client(sim.portPath());
    client.send("h");
    const std::string alarmStart = client.receive(1000, true, 20).bytes;
    client.send("d");
    const std::string rest = client.receive(1000).bytes;
    const std::string data = DataLoggerReply(3, 1) + '\0';
    EXPECT_EQ(alarmStart, AlarmReply(3, 1).substr(0, 20));
    ASSERT_GE(rest.size(), data.size());
    EXPECT_EQ(rest.substr(rest.size() - data.size()), data);
    EXPECT_LT(rest.size(), data.size() + 100) << "the alarm reply went on";
}

TEST(SimProcess, LinkReplacesAnOldLinkButNoFile) {
    TempDir dir;
    const std::string link = dir.file("port");
    ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);
    {
        SimProcess sim({"--fast", "--rows", "1", "--link", link});
        std::vector<char> target(256);
        const ssize_t got = readlink(link.c_str(), target.data(), target.size());
        ASSERT_GT(got, 0);
        EXPECT_EQ(std::string(target.data(), static_cast<std::size_t>(got)), sim.portPath());
        EXPECT_EQ(transfer(link, "h"), AlarmReply(1, 1) + '\0');
    }
    EXPECT_FALSE(isSymlink(link));

    WriteFileBytes(link, "keep me");
    EXPECT_THROW(SimProcess({"--link", link}), std::runtime_error);
    EXPECT_EQ(ReadFileBytes(link), "keep me");
}

TEST(SimProcess, BadCommandLinesExitWithUsageStatus) {
    EXPECT_EQ(runForStatus("--bogus 2>/dev/null"), 64);
    EXPECT_EQ(runForStatus("--rows x 2>/dev/null"), 64);
    EXPECT_EQ(runForStatus("--help >/dev/null"), 0);
    EXPECT_EQ(runForStatus("--version | grep -qx 'travik-sim [0-9.]*'"), 0);
    EXPECT_EQ(runForStatus("--version=1 2>/dev/null"), 64);
    EXPECT_EQ(runForStatus("--reply-file /nonexistent/reply 2>/dev/null"), 1);
    EXPECT_EQ(runForStatus("--reply-file /dev/zero 2>/dev/null"), 1);
    EXPECT_EQ(runForStatus("--reread 2>/dev/null"), 64);
    // A name with a line break is reported on one line, written out.
    EXPECT_EQ(runForStatus("--reply-file \"$(printf '/nonexistent/a\\nb')\" 2>&1 >/dev/null | "
                           "grep -qxF 'travik-sim: reply file /nonexistent/a\\nb is not a readable "
                           "file of at most 64 MiB'"),
              0);
    EXPECT_THROW(SimProcess({"--bogus"}), std::runtime_error);
    EXPECT_THROW(SimProcess({}, "/nonexistent/travik-sim"), std::runtime_error);
}
