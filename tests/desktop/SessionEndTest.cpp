// The installed program's way out when the desktop session ends: the real
// TravikPReadout on the offscreen platform, ended with SIGTERM or SIGHUP,
// writes its settings and exits cleanly, as after a close.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "AppTestSupport.h"
#include "PtyDevice.h"
#include "Readout.h"
#include "SimProcess.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The window program as a child with its own settings folder.
class ProgramProcess {
public:
    explicit ProgramProcess(const std::string& configDir) {
        int execed[2];
        if (pipe2(execed, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            // Only what the program opens itself counts, not the test's own port side.
            close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
            execl(TRAVIK_PROGRAM_PATH, TRAVIK_PROGRAM_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(execed[1]);
        // End of file once the child has become the program (or failed to).
        char byte;
        while (pid_ > 0 && read(execed[0], &byte, 1) < 0 && errno == EINTR) {
        }
        close(execed[0]);
    }
    ~ProgramProcess() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    pid_t pid() const { return pid_; }

    // True once the program holds `path` open (its start-up routine opened the port,
    // after it began to watch for the session's end).
    bool waitUntilHolding(const std::string& path, std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            if (holds(path)) return true;
            if (ended()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polling /proc
        }
        return false;
    }

    // The exit status (128 + signal when a signal ended it), or -1 when still running.
    int waitForExit(std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (!ended() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polling waitpid
        }
        return status_;
    }

private:
    bool holds(const std::string& path) const {
        std::error_code error;
        const fs::path fds = "/proc/" + std::to_string(pid_) + "/fd";
        for (fs::directory_iterator it(fds, error); !error && it != fs::directory_iterator();
             it.increment(error)) {
            std::error_code linkError;
            if (fs::read_symlink(it->path(), linkError) == path) return true;
        }
        return false;
    }

    bool ended() {
        if (status_ >= 0) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    }

    pid_t pid_ = -1;
    int status_ = -1;
};

class ProgramTest : public ::testing::Test {
protected:
    std::string settingsPath() const { return config_.file("TravikReadout.ini"); }
    TempDir config_;
    PtyDevice device_;
};

class SessionEndTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(SessionEndTest, SignalClosesLikeACloseAndWritesTheSettings) {
    WriteFileBytes(settingsPath(), "[com]\ncomID=" + device_.portPath() +
                                       "\n[sep]\nseparator=1\n[Language]\nLanguage=2\n");
    ProgramProcess program(config_.path());
    ASSERT_GT(program.pid(), 0);
    ASSERT_TRUE(program.waitUntilHolding(device_.portPath(), std::chrono::seconds(30)))
        << "the program did not open the stored port";
    fs::remove(settingsPath());  // only the close can bring it back
    ASSERT_EQ(kill(program.pid(), GetParam()), 0);

    EXPECT_EQ(program.waitForExit(std::chrono::seconds(30)), 0);
    ASSERT_TRUE(fs::exists(settingsPath())) << "settings not written on " << strsignal(GetParam());
    const std::string written = ReadFileBytes(settingsPath());
    EXPECT_NE(written.find("comID=" + device_.portPath()), std::string::npos) << written;
    EXPECT_NE(written.find("separator=1"), std::string::npos) << written;
    EXPECT_NE(written.find("Language=2"), std::string::npos) << written;
}

TEST_F(ProgramTest, ManySignalsAtOnceStillEndOnceAndCleanly) {
    WriteFileBytes(settingsPath(), "[com]\ncomID=" + device_.portPath() + "\n");
    ProgramProcess program(config_.path());
    ASSERT_TRUE(program.waitUntilHolding(device_.portPath(), std::chrono::seconds(30)));
    fs::remove(settingsPath());
    for (int i = 0; i < 50; ++i) kill(program.pid(), i % 2 ? SIGHUP : SIGTERM);
    EXPECT_EQ(program.waitForExit(std::chrono::seconds(30)), 0);
    EXPECT_TRUE(fs::exists(settingsPath()));
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEndTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const auto& instance) {
                             return std::string(instance.param == SIGTERM ? "SIGTERM" : "SIGHUP");
                         });

// The close routine is one: a second call (a signal after a close, the
// session manager after a signal) writes nothing and closes nothing again.
using CloseRoutineTest = WindowTest;

TEST_F(CloseRoutineTest, SaveAndClosePortRunsOnlyOnce) {
    PtyDevice device;
    writeSettings("[com]\ncomID=" + device.portPath() + "\n");
    auto form = startForm();
    ASSERT_TRUE(form->state().ComHandle.isOpen());
    form->saveAndClosePort();
    EXPECT_FALSE(form->state().ComHandle.isOpen());
    EXPECT_NE(ReadFileBytes(settingsPath()).find("comID=" + device.portPath()), std::string::npos);

    fs::remove(settingsPath());
    form->saveAndClosePort();
    form->close();
    EXPECT_FALSE(fs::exists(settingsPath()));
    EXPECT_TRUE(dialogs().errors.empty());
}

TEST_F(CloseRoutineTest, EndSessionClosesTheWindowAndWritesTheSettings) {
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    ASSERT_TRUE(form->isVisible());
    fs::remove(settingsPath());
    form->endSession();
    EXPECT_FALSE(form->isVisible());
    EXPECT_NE(ReadFileBytes(settingsPath()).find("Language=1"), std::string::npos);
}

TEST_F(CloseRoutineTest, EndSessionDuringAReadoutStopsItThenCloses) {
    SimProcess sim({});  // paced at 19200 baud: a full readout takes 7.5 s
    writeSettings("[com]\ncomID=" + sim.portPath() + "\n");
    auto form = startForm();
    // Delivered by the event loop the readout keeps running, as a signal's notifier is.
    QTimer::singleShot(0, form.get(), [&] { form->endSession(); });
    fs::remove(settingsPath());
    Control<QPushButton>(*form, "Button1")->click();

    EXPECT_LT(form->state().terminal.bytes().size(), static_cast<std::size_t>(travik::kAlarmLimit));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->state().ComHandle.isOpen());
    EXPECT_NE(ReadFileBytes(settingsPath()).find("comID=" + sim.portPath()), std::string::npos);
}

}  // namespace
