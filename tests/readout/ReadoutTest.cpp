// The readout end to end: the real transfer code against a device played on a
// pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "DeviceReplies.h"
#include "HoldingProcess.h"
#include "PtyDevice.h"
#include "Readout.h"
#include "SimProcess.h"
#include "TempDir.h"

using namespace travik;

namespace {

// Records what the readout did to the window.
class RecordingWindow : public ReadoutWindow {
public:
    int language = 0;
    std::vector<std::string> messages;
    std::vector<std::string> statuses;
    std::vector<int> progress;
    bool saveEnabled = true;
    bool terminalShown = false;
    int terminalChanges = 0;
    int stopAfterProgress = -1;  // ask to stop once this many progress updates came

    void showTerminalPage() override { terminalShown = true; }
    std::function<void()> onTerminalChanged;  // called after each change

    void terminalChanged() override {
        ++terminalChanges;
        if (onTerminalChanged) onTerminalChanged();
    }
    void setProgress(int position) override { progress.push_back(position); }
    void setStatusText(const std::string& text) override { statuses.push_back(text); }
    void setSaveEnabled(bool enabled) override { saveEnabled = enabled; }
    int languageIndex() const override { return language; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool stopRequested() override {
        return stopAfterProgress >= 0 && static_cast<int>(progress.size()) >= stopAfterProgress;
    }
};

// Plays the device: waits for the command byte, then sends `reply`, and hangs
// up when `hangUp` is fulfilled, if given (a pty drops unread input at a
// hang-up: the test says when everything has been read).
class ScriptedDevice {
public:
    explicit ScriptedDevice(std::string reply, std::shared_future<void> hangUp = {})
        : thread_([this, reply = std::move(reply), hangUp] {
              command_ = pty_.receiveByte(5000);
              if (command_ < 0) return;
              pty_.send(reply);
              if (hangUp.valid()) {
                  hangUp.wait_for(std::chrono::seconds(10));
                  pty_.hangUp();
              }
          }) {}
    ~ScriptedDevice() {
        if (thread_.joinable()) thread_.join();
    }
    const std::string& port() const { return path_; }
    int command() {
        if (thread_.joinable()) thread_.join();
        return command_;
    }

private:
    PtyDevice pty_;
    std::string path_ = pty_.portPath();
    int command_ = -1;
    std::thread thread_;
};

struct ReadoutRun {
    ReadoutResult result;
    RecordingWindow window;
    ReadoutState state;
};

void runReadout(ReadoutRun& run, ReadoutKind kind, const std::string& port) {
    run.state.ComPortName = port;
    run.result = Button1Click(kind, run.state, run.window);
}

std::string headerExample() {
    return "No\tt\tI\tIdL\r";
}

}  // namespace

TEST(Readout, SendsTheCommandAndAppliesTheHeaderRuleInAlarmMode) {
    ScriptedDevice device(headerExample() + "\n1\t2\r\n" + std::string(1, '\0'));
    ReadoutRun run;
    runReadout(run, ReadoutKind::AlarmBuffer, device.port());
    EXPECT_EQ(device.command(), 'h');
    EXPECT_EQ(run.state.terminal.bytes(), "No\t\tt\t\tI\tIdL\r1\t2\r");
    EXPECT_EQ(run.state.terminal.insertedTabs(), (std::vector<std::size_t>{3, 6}));
    EXPECT_TRUE(run.state.AlarmMode);
    EXPECT_EQ(run.state.CsvFileName, "Alarm.csv");
    EXPECT_EQ(run.result.end, ReadoutEnd::Complete);
    EXPECT_EQ(run.result.count, 18);  // LFs and the final 0 count
    EXPECT_TRUE(run.window.messages.empty());
    EXPECT_TRUE(run.window.saveEnabled);
    EXPECT_TRUE(run.window.terminalShown);
    EXPECT_EQ(run.window.statuses.back(), "Transmission ready");
    EXPECT_EQ(run.window.progress.size(), 18u);
    EXPECT_EQ(run.window.progress.back(), 0);  // 18 of 14490 rounds to 0
    EXPECT_TRUE(run.state.ComHandle.isOpen()) << "the port stays open after a readout";
}

TEST(Readout, DataLoggerShowsTheHeaderUnchanged) {
    ScriptedDevice device(headerExample() + std::string(1, '\0'));
    ReadoutRun run;
    run.window.language = 2;
    runReadout(run, ReadoutKind::DataLogger, device.port());
    EXPECT_EQ(device.command(), 'd');
    EXPECT_EQ(run.state.terminal.bytes(), "No\tt\tI\tIdL\r");
    EXPECT_TRUE(run.state.terminal.insertedTabs().empty());
    EXPECT_FALSE(run.state.AlarmMode);
    EXPECT_EQ(run.state.CsvFileName, "Daten.csv");
    EXPECT_EQ(run.window.statuses.back(), "Datenübertragung fertig");
}

TEST(Readout, DataLoggerFileNameIsEnglishOnlyForEnglish) {
    EXPECT_EQ(ReadoutFileName(ReadoutKind::DataLogger, 0), "Data.csv");
    for (int language : {-1, 1, 2, 3}) {
        EXPECT_EQ(ReadoutFileName(ReadoutKind::DataLogger, language), "Daten.csv");
        EXPECT_EQ(ReadoutFileName(ReadoutKind::AlarmBuffer, language), "Alarm.csv");
    }
}

TEST(Readout, HeaderRuleStopsAtByte100) {
    // A TAB at byte 98 followed by "t" at 99 gets the extra TAB; at 100 it does not.
    const std::string fill99(98, 'x');
    ScriptedDevice early(fill99 + "\tt" + std::string(1, '\0'));
    ReadoutRun first;
    runReadout(first, ReadoutKind::AlarmBuffer, early.port());
    EXPECT_EQ(first.state.terminal.bytes(), fill99 + "\t\tt");

    const std::string fill100(99, 'x');
    ScriptedDevice late(fill100 + "\tt" + std::string(1, '\0'));
    ReadoutRun second;
    runReadout(second, ReadoutKind::AlarmBuffer, late.port());
    EXPECT_EQ(second.state.terminal.bytes(), fill100 + "\tt");
}

TEST(Readout, LfIsCountedButNeverStoredAndKeepsPrev) {
    // The LF between TAB and "t" does not break the TAB-"t" pair.
    ScriptedDevice device("a\r\nb\n\rc\t\nt" + std::string(1, '\0'));
    ReadoutRun run;
    runReadout(run, ReadoutKind::AlarmBuffer, device.port());
    EXPECT_EQ(run.state.terminal.bytes(), "a\rb\rc\t\tt");
    EXPECT_EQ(run.state.terminal.lines(), (std::vector<std::string>{"a", "b", "c\t\tt"}));
    EXPECT_EQ(run.result.count, 11);
}

TEST(Readout, NoReplyGivesTheTimeoutOutcome) {
    PtyDevice silent;
    ReadoutRun run;
    runReadout(run, ReadoutKind::AlarmBuffer, silent.portPath());
    EXPECT_EQ(run.result.count, 1);
    EXPECT_EQ(run.result.end, ReadoutEnd::Timeout);
    EXPECT_TRUE(run.state.terminal.empty());
    EXPECT_EQ(run.window.progress, std::vector<int>{0});
    EXPECT_EQ(run.window.messages, std::vector<std::string>{"timeout during Read"});
    EXPECT_EQ(run.window.statuses.back(), "Transmission ready");
    EXPECT_FALSE(run.window.saveEnabled);
}

TEST(Readout, AZeroFirstByteEndsAtOnceLikeATimeout) {
    ScriptedDevice device(std::string(1, '\0') + "more");
    ReadoutRun run;
    run.window.language = 1;
    runReadout(run, ReadoutKind::DataLogger, device.port());
    EXPECT_EQ(run.result.count, 1);
    EXPECT_TRUE(run.state.terminal.empty());
    EXPECT_EQ(run.window.messages, std::vector<std::string>{"timeout beim Lesen"});
    EXPECT_FALSE(run.window.saveEnabled);
}

TEST(Readout, UnopenablePortShowsBothMessagesInOrder) {
    ReadoutRun run;
    runReadout(run, ReadoutKind::AlarmBuffer, "ttyTravikDoesNotExist");
    EXPECT_EQ(run.result.open, OpenResult::NoSuchPort);
    EXPECT_EQ(run.window.messages,
              (std::vector<std::string>{"invalid handle", "timeout during Read"}));
    EXPECT_TRUE(run.state.ComHandle.isInvalid());
    EXPECT_EQ(run.result.count, 1);
    EXPECT_FALSE(run.window.saveEnabled);
}

TEST(Readout, ExactlyTheLimitEndsAtProgress100) {
    ScriptedDevice device(std::string(kDataLimit, 'x'));
    ReadoutRun run;
    runReadout(run, ReadoutKind::DataLogger, device.port());
    EXPECT_EQ(run.result.count, kDataLimit);
    EXPECT_EQ(run.state.terminal.size(), static_cast<std::size_t>(kDataLimit));
    EXPECT_EQ(run.window.progress.back(), 100);
    EXPECT_EQ(run.result.end, ReadoutEnd::Complete);
    EXPECT_TRUE(run.window.messages.empty());
}

TEST(Readout, MoreThanTheLimitStopsAtTheLimitAndTheRestIsDroppedByTheNextReadout) {
    ScriptedDevice device(std::string(kAlarmLimit, 'a') + std::string(500, 'b'));
    ReadoutRun run;
    runReadout(run, ReadoutKind::AlarmBuffer, device.port());
    EXPECT_EQ(run.result.count, kAlarmLimit);
    EXPECT_EQ(run.state.terminal.bytes(), std::string(kAlarmLimit, 'a'));

    // The next readout opens the port afresh: the surplus must not leak into it.
    ASSERT_EQ(device.command(), 'h');  // the device has sent everything
    ReadoutRun next;
    runReadout(next, ReadoutKind::AlarmBuffer, device.port());
    EXPECT_TRUE(next.state.terminal.empty());
}

TEST(Readout, ProgressIsRoundedToTheNearestInteger) {
    EXPECT_EQ(ProgressPosition(1, kAlarmLimit), 0);
    EXPECT_EQ(ProgressPosition(73, kAlarmLimit), 1);  // 0.504 → 1
    EXPECT_EQ(ProgressPosition(72, kAlarmLimit), 0);  // 0.497 → 0
    EXPECT_EQ(ProgressPosition(4385, kDataLimit), 50);
    EXPECT_EQ(ProgressPosition(kAlarmLimit, kAlarmLimit), 100);
}

namespace {

// Fulfils a promise once the terminal holds `size` bytes.
class TerminalSizeReached {
public:
    TerminalSizeReached(ReadoutRun& run, std::size_t size) {
        run.window.onTerminalChanged = [this, &run, size] {
            if (!done_ && run.state.terminal.size() >= size) {
                done_ = true;
                reached_.set_value();
            }
        };
    }
    std::shared_future<void> future() { return future_; }

private:
    std::promise<void> reached_;
    std::shared_future<void> future_ = reached_.get_future().share();
    bool done_ = false;
};

}  // namespace

TEST(Readout, AHangUpKeepsWhatArrivedAndSaysTheConnectionWasLost) {
    ReadoutRun run;
    TerminalSizeReached allRead(run, 18);
    ScriptedDevice device("line one\r\nline two\r\n", allRead.future());
    runReadout(run, ReadoutKind::AlarmBuffer, device.port());
    EXPECT_EQ(run.state.terminal.bytes(), "line one\rline two\r");
    EXPECT_EQ(run.result.end, ReadoutEnd::ConnectionLost);
    EXPECT_EQ(run.window.messages, std::vector<std::string>{"connection lost during Read"});
    EXPECT_EQ(run.window.statuses.back(), "connection lost during Read");
    EXPECT_TRUE(run.window.saveEnabled) << "what arrived can still be saved";
}

TEST(Readout, AHangUpInGermanUsesTheGermanText) {
    ReadoutRun run;
    TerminalSizeReached allRead(run, 2);
    ScriptedDevice device("x\r\n", allRead.future());
    run.window.language = 3;
    runReadout(run, ReadoutKind::DataLogger, device.port());
    EXPECT_EQ(run.window.messages, std::vector<std::string>{"Verbindung beim Lesen unterbrochen"});
}

TEST(Readout, AStopRequestEndsTheTransferWithoutMessages) {
    ScriptedDevice device(std::string(2000, 'x'));
    ReadoutRun run;
    run.window.stopAfterProgress = 10;
    runReadout(run, ReadoutKind::AlarmBuffer, device.port());
    EXPECT_EQ(run.result.end, ReadoutEnd::Stopped);
    EXPECT_EQ(run.result.count, 10);
    EXPECT_TRUE(run.window.messages.empty());
}

TEST(Readout, ANewReadoutClearsTheTerminalAndResetsTheMode) {
    ScriptedDevice first("abc" + std::string(1, '\0'));
    ReadoutRun run;
    runReadout(run, ReadoutKind::AlarmBuffer, first.port());
    ASSERT_EQ(run.state.terminal.bytes(), "abc");
    PtyDevice silent;
    run.window.language = 0;
    runReadout(run, ReadoutKind::DataLogger, silent.portPath());
    EXPECT_TRUE(run.state.terminal.empty());
    EXPECT_FALSE(run.state.AlarmMode);
    EXPECT_EQ(run.state.CsvFileName, "Data.csv");
}

// Hostile replies from the simulator: every byte value, and more than the limit.

namespace {

void ReadFromSimulator(ReadoutRun& run, const std::vector<std::string>& simArgs, ReadoutKind kind) {
    // A fresh simulator each time: the rest of a reply cut off by an earlier
    // readout could still be on its way.
    SimProcess sim(simArgs);
    runReadout(run, kind, sim.portPath());
}

std::string ReplyFile(const TempDir& dir, const std::string& bytes) {
    WriteFileBytes(dir.file("reply.bin"), bytes);
    return dir.file("reply.bin");
}

// The terminal text without the TABs the header rule put in.
std::string WithoutInsertedTabs(const TerminalText& text) {
    std::string bytes = text.bytes();
    const std::vector<std::size_t>& tabs = text.insertedTabs();
    for (auto it = tabs.rbegin(); it != tabs.rend(); ++it) bytes.erase(*it, 1);
    return bytes;
}

std::string WithoutLf(std::string bytes) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\n'), bytes.end());
    return bytes;
}

}  // namespace

TEST(ReadoutFaults, EveryByteValueIsStoredAsSentButLf) {
    std::string reply;
    for (int b = 1; b < 256; ++b) reply.push_back(static_cast<char>(b));
    TempDir dir;
    const std::string file = ReplyFile(dir, reply + '\0' + "after the end");
    for (const ReadoutKind kind : {ReadoutKind::AlarmBuffer, ReadoutKind::DataLogger}) {
        ReadoutRun run;
        ReadFromSimulator(run, {"--fast", "--reply-file", file}, kind);
        // TAB (9) is followed by LF (10), which keeps it as the previous byte, then
        // by 11: no header pair, so the text is the reply without its LF.
        EXPECT_EQ(run.state.terminal.bytes(), reply.substr(0, 9) + reply.substr(10));
        EXPECT_TRUE(run.state.terminal.insertedTabs().empty());
        EXPECT_EQ(run.result.count, 256);
        EXPECT_EQ(run.result.end, ReadoutEnd::Complete);
        EXPECT_EQ(run.window.progress.back(), kind == ReadoutKind::AlarmBuffer ? 2 : 3);
    }
}

TEST(ReadoutFaults, HeaderPairsAcrossLfAndCrAsTheExamplesShow) {
    TempDir dir;
    const std::string file = ReplyFile(dir, std::string("\tt\n\tI\tI\r\n\tt\t\nI\r\tq") + '\0');
    ReadoutRun alarm;
    ReadFromSimulator(alarm, {"--fast", "--reply-file", file}, ReadoutKind::AlarmBuffer);
    EXPECT_EQ(alarm.state.terminal.bytes(), "\t\tt\t\tI\tI\r\t\tt\tI\r\tq");
    EXPECT_EQ(alarm.state.terminal.insertedTabs(), (std::vector<std::size_t>{1, 4, 10}));
    EXPECT_EQ(alarm.result.count, 18);

    ReadoutRun data;
    ReadFromSimulator(data, {"--fast", "--reply-file", file}, ReadoutKind::DataLogger);
    EXPECT_EQ(data.state.terminal.bytes(), "\tt\tI\tI\r\tt\tI\r\tq");
    EXPECT_EQ(data.result.count, 18);
}

TEST(ReadoutFaults, RandomBytesOfAllValuesEndAtTheirFirstZero) {
    for (const int seed : {1, 2, 3, 4, 5, 6, 7, 8}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const ReadoutKind kind = seed % 2 ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
        // The simulator ends the reply with a 0 byte of its own.
        const std::string reply = sim::RandomBytes(4000, static_cast<std::uint64_t>(seed)) + '\0';
        ReadoutRun run;
        ReadFromSimulator(run, {"--fast", "--random", "4000", "--seed", std::to_string(seed)},
                          kind);
        const std::size_t zero = reply.find('\0');
        const std::string received = WithoutLf(reply.substr(0, zero));
        EXPECT_EQ(WithoutInsertedTabs(run.state.terminal), received);
        for (const std::size_t at : run.state.terminal.insertedTabs()) EXPECT_LT(at, 100u);
        if (kind == ReadoutKind::DataLogger) {
            EXPECT_TRUE(run.state.terminal.insertedTabs().empty());
        }
        EXPECT_EQ(run.result.count, static_cast<std::int32_t>(zero + 1));
        EXPECT_EQ(run.result.end, zero >= 1 ? ReadoutEnd::Complete : ReadoutEnd::Timeout);
    }
}

TEST(ReadoutFaults, ReplyOfEveryNonZeroValueLongerThanTheLimitEndsAtTheLimit) {
    std::string reply = sim::RandomBytes(3 * kAlarmLimit, 9);
    for (char& byte : reply)
        if (byte == '\0') byte = '\t';
    TempDir dir;
    const std::string file = ReplyFile(dir, reply);
    for (const ReadoutKind kind : {ReadoutKind::AlarmBuffer, ReadoutKind::DataLogger}) {
        const std::int32_t limit = ReadoutLimit(kind);
        ReadoutRun run;
        ReadFromSimulator(run, {"--fast", "--reply-file", file}, kind);
        EXPECT_EQ(run.result.count, limit);
        EXPECT_EQ(run.window.progress.back(), 100);
        EXPECT_EQ(WithoutInsertedTabs(run.state.terminal),
                  WithoutLf(reply.substr(0, static_cast<std::size_t>(limit))));
        EXPECT_EQ(run.result.end, ReadoutEnd::Complete);
        EXPECT_TRUE(run.window.saveEnabled);
    }
}

// Root's modem manager holds the port an ordinary user reads: it could not be
// checked, so the status line names it before the transfer and beside the
// outcome after it.
TEST(Readout, AnUncheckedPortTakerIsNamedBeforeAndAfterTheTransfer) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the port as another user";
    ScriptedDevice device("1\t2\r\n" + std::string(1, '\0'));
    ASSERT_EQ(chown(device.port().c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    const HoldingProcess holder(device.port(), "ModemManager");
    ASSERT_TRUE(holder.waitUntilHolding());
    if (holder.namesakeRuns())
        GTEST_SKIP() << "a real ModemManager runs here: it would be named too";

    const std::string statuses = TextWithoutRootOverride([&] {
        ReadoutRun run;
        runReadout(run, ReadoutKind::DataLogger, device.port());
        std::string text = run.state.terminal.bytes() + "|";
        for (const std::string& status : run.window.statuses) text += status + "|";
        return text;
    });
    const std::string own = "PID " + std::to_string(holder.pid()) + " (ModemManager)";
    const std::string warning = device.port() + ": " + own +
                                " could not be checked and may hold the port: "
                                "the reply may be incomplete";
    EXPECT_EQ(WithOnlyTaker(statuses, own),
              "1\t2\r||" + warning + "|Transmission ready \u2013 " + warning + "|");
    EXPECT_EQ(device.command(), 'd');
}
