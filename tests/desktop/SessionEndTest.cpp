// The installed program's way out when the desktop session ends: the real
// TravikPReadout on the offscreen platform, ended with SIGTERM or SIGHUP,
// writes its settings and exits cleanly, as after a close.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "PtyDevice.h"
#include "Readout.h"
#include "RunProcess.h"
#include "SessionEnd.h"
#include "SimProcess.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Where the window program runs and where its standard error goes.
struct ProgramPlace {
    std::string platform = "offscreen";
    std::string display;                  // DISPLAY, for the xcb platform
    std::string errorPath = "/dev/null";  // standard error
};

// Qt 6.8's xcb platform leaves objects of its own at exit (its desktop
// services) whose allocation LeakSanitizer cannot trace past Debian's Qt
// libraries, so no suppression can single them out. The program's own leaks
// are checked by the offscreen runs.
void withoutLeakCheck() {
    const char* options = std::getenv("ASAN_OPTIONS");
    const std::string without =
        (options && *options ? std::string(options) + ":" : std::string()) + "detect_leaks=0";
    setenv("ASAN_OPTIONS", without.c_str(), 1);
}

// The window program as a child with its own settings folder.
class ProgramProcess {
public:
    explicit ProgramProcess(const std::string& configDir, const ProgramPlace& place = {}) {
        int execed[2];
        if (pipe2(execed, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
            setenv("QT_QPA_PLATFORM", place.platform.c_str(), 1);
            if (!place.display.empty()) setenv("DISPLAY", place.display.c_str(), 1);
            if (place.platform == "xcb") withoutLeakCheck();
            freopen("/dev/null", "w", stdout);
            freopen(place.errorPath.c_str(), "w", stderr);
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

// The settings file's folder as the system reports it: the program reading the
// file, and each file of that name it completes (written and closed, or renamed
// into place).
class SettingsFileEvents {
public:
    SettingsFileEvents(const std::string& folder, std::string name) : name_(std::move(name)) {
        fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_CLOSE | IN_MOVED_TO);
    }
    ~SettingsFileEvents() {
        if (fd_ >= 0) close(fd_);
    }
    SettingsFileEvents(const SettingsFileEvents&) = delete;
    SettingsFileEvents& operator=(const SettingsFileEvents&) = delete;

    bool waitUntilRead(std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (reads_ == 0 && Clock::now() < deadline) collect(100);
        return reads_ > 0;
    }
    int writes() {
        collect(0);
        return writes_;
    }

private:
    void collect(int timeoutMs) {
        pollfd ready{fd_, POLLIN, 0};
        if (poll(&ready, 1, timeoutMs) <= 0) return;
        alignas(inotify_event) char buffer[4096];
        ssize_t size;
        while ((size = read(fd_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name_ == event->name) {
                    if (event->mask & IN_CLOSE_NOWRITE) ++reads_;
                    if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) ++writes_;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    int fd_ = -1;
    std::string name_;
    int reads_ = 0;
    int writes_ = 0;
};

// Within a second or two, on a busy machine.
constexpr std::chrono::seconds kPromptly(2);

// True once the program catches `signalNumber` (its watcher is in place).
bool Catches(pid_t pid, int signalNumber) {
    std::istringstream status(ReadFileBytes("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signalNumber - 1)) & 1;
    }
    return false;
}

bool WaitUntilCatching(pid_t pid, int signalNumber) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!Catches(pid, signalNumber) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // polling /proc
    return Catches(pid, signalNumber);
}

// A box is up whatever ends the session: the program ends at once, as after a close.
class SessionEndWithABoxTest : public ProgramTest {
protected:
    std::string settingsName() const { return fs::path(settingsPath()).filename().string(); }
};

TEST_F(SessionEndWithABoxTest, StartupBoxForAnUnpluggedPort) {
    const std::string unplugged = config_.file("ttyUSB-unplugged");
    WriteFileBytes(settingsPath(),
                   "[com]\ncomID=" + unplugged + "\n[sep]\nseparator=1\n[Language]\nLanguage=0\n");
    SettingsFileEvents settingsFile(config_.path(), settingsName());
    ProgramProcess program(config_.path());
    ASSERT_TRUE(WaitUntilCatching(program.pid(), SIGTERM));
    // The start-up routine goes from reading the settings to the "invalid handle"
    // box; the box runs the program's first event loop, which takes the signal.
    ASSERT_TRUE(settingsFile.waitUntilRead(std::chrono::seconds(30)));
    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);

    EXPECT_EQ(program.waitForExit(kPromptly), 0) << "the box kept the program";
    EXPECT_EQ(settingsFile.writes(), 1);
    const std::string written = ReadFileBytes(settingsPath());
    EXPECT_NE(written.find("comID=" + unplugged), std::string::npos) << written;
    EXPECT_NE(written.find("separator=1"), std::string::npos) << written;
}

TEST_F(SessionEndWithABoxTest, SettingsThatCannotBeWrittenGoToStandardError) {
    WriteFileBytes(settingsPath(), "[com]\ncomID=" + device_.portPath() + "\n");
    const std::string errors = config_.file("stderr.txt");
    ProgramProcess program(config_.path(), {"offscreen", "", errors});
    ASSERT_TRUE(program.waitUntilHolding(device_.portPath(), std::chrono::seconds(30)));
    fs::remove(settingsPath());
    fs::create_directory(settingsPath());  // a folder where the file goes
    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);

    EXPECT_EQ(program.waitForExit(kPromptly), 0) << "a box waited for a user who has gone";
    EXPECT_NE(ReadFileBytes(errors).find("Unable to write to " + settingsPath() + "."),
              std::string::npos)
        << ReadFileBytes(errors);
}

// An X server of the test's own (Xvfb), for the test that has to press a
// button: the offscreen platform takes no input from outside the program.
class VirtualDisplay {
public:
    VirtualDisplay() {
        if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0) return;
        int number[2];
        if (pipe(number) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // it ends with the test however the test ends
            dup2(number[1], 3);
            if (number[1] != 3) close(number[1]);
            close(number[0]);
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24",
                  "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(number[1]);
        name_ = readDisplayNumber(number[0]);
        close(number[0]);
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", or empty when there is no server (Xvfb or xdotool missing).
    const std::string& name() const { return name_; }

    // The visible windows titled `title` exactly.
    std::vector<std::string> windows(const std::string& title) const {
        const ProcessOutput found =
            xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"});
        std::vector<std::string> ids;
        std::istringstream lines(found.out);
        for (std::string id; std::getline(lines, id);) ids.push_back(id);
        return ids;
    }
    bool waitForWindow(const std::string& title, std::chrono::seconds limit) const {
        const auto deadline = Clock::now() + limit;
        while (windows(title).empty() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // polling the server
        return !windows(title).empty();
    }
    // A click at (x, y) inside the window `id`.
    void click(const std::string& id, int x, int y) const {
        xdotool({"mousemove", "--window", id, std::to_string(x), std::to_string(y), "click", "1"});
    }

private:
    static std::string readDisplayNumber(int fd) {
        std::string number;
        pollfd ready{fd, POLLIN, 0};
        char ch;
        while (poll(&ready, 1, 30000) > 0 && read(fd, &ch, 1) == 1 && ch != '\n') number += ch;
        return number.empty() ? std::string() : ":" + number;
    }
    ProcessOutput xdotool(std::vector<std::string> args) const {
        args.insert(args.begin(), {"DISPLAY=" + name_, "/usr/bin/xdotool"});
        return RunProcess("/usr/bin/env", args);
    }

    pid_t pid_ = -1;
    std::string name_;
};

TEST_F(SessionEndWithABoxTest, TimeoutDuringReadBox) {
    VirtualDisplay display;
    if (display.name().empty()) GTEST_SKIP() << "needs Xvfb and xdotool to press the button";
    SimProcess sim({"--silent"});
    WriteFileBytes(settingsPath(), "[com]\ncomID=" + sim.portPath() + "\n[Language]\nLanguage=0\n");
    SettingsFileEvents settingsFile(config_.path(), settingsName());
    const std::string errors = config_.file("stderr.txt");
    ProgramProcess program(config_.path(), {"xcb", display.name(), errors});
    ASSERT_TRUE(program.waitUntilHolding(sim.portPath(), std::chrono::seconds(30)));
    ASSERT_TRUE(display.waitForWindow("TravikP Readout", std::chrono::seconds(30)));
    // "readout Alarm Buffer" (168, 8, 217 x 49 under the menu bar, resources/TSTestForm.ui).
    display.click(display.windows("TravikP Readout").front(), 276, 50);
    // Message boxes are titled with the program's file name.
    ASSERT_TRUE(display.waitForWindow("Travikpreadout", std::chrono::seconds(30)))
        << "no \"timeout during Read\" box";
    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);

    EXPECT_EQ(program.waitForExit(kPromptly), 0)
        << "the box kept the program; its standard error:\n"
        << ReadFileBytes(errors);
    EXPECT_EQ(settingsFile.writes(), 1);
    EXPECT_NE(ReadFileBytes(settingsPath()).find("comID=" + sim.portPath()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEndTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const auto& instance) {
                             return std::string(instance.param == SIGTERM ? "SIGTERM" : "SIGHUP");
                         });

// The close routine is one: the session's end after a close, or a close after
// it, writes nothing and closes nothing again. The window is wired to the
// session's end as the program wires it, and the end comes as a real SIGTERM.
class CloseRoutineTest : public WindowTest {
protected:
    void watch(travik::TSTestForm& form) {
        QObject::connect(&watcher_, &travik::SessionEndWatcher::sessionEnding, &form,
                         &travik::TSTestForm::endSession);
        QObject::connect(&watcher_, &travik::SessionEndWatcher::sessionEnding, &watcher_,
                         [this] { reported_ = true; });
    }
    // Delivers the signal's report and what the window left queued.
    void deliverTheEnd() {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!reported_ && Clock::now() < deadline)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        QApplication::processEvents();
    }

private:
    travik::SessionEndWatcher watcher_;
    bool reported_ = false;
};

TEST_F(CloseRoutineTest, SessionEndAfterACloseWritesAndClosesNothingAgain) {
    PtyDevice device;
    writeSettings("[com]\ncomID=" + device.portPath() + "\n");
    auto form = startForm();
    watch(*form);
    ASSERT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->state().ComHandle.isOpen());
    EXPECT_NE(ReadFileBytes(settingsPath()).find("comID=" + device.portPath()), std::string::npos);

    fs::remove(settingsPath());
    raise(SIGTERM);
    deliverTheEnd();
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(fs::exists(settingsPath()));
    EXPECT_TRUE(dialogs().errors.empty());
}

TEST_F(CloseRoutineTest, SessionEndClosesTheWindowAndWritesTheSettings) {
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    watch(*form);
    ASSERT_TRUE(form->isVisible());
    fs::remove(settingsPath());
    raise(SIGTERM);
    deliverTheEnd();
    EXPECT_FALSE(form->isVisible());
    EXPECT_NE(ReadFileBytes(settingsPath()).find("Language=1"), std::string::npos);
}

TEST_F(CloseRoutineTest, SessionEndDuringAReadoutStopsItThenCloses) {
    SimProcess sim({});  // paced at 19200 baud: a full readout takes 7.5 s
    writeSettings("[com]\ncomID=" + sim.portPath() + "\n");
    auto form = startForm();
    watch(*form);
    // Taken by the event loop the readout keeps running.
    QTimer::singleShot(0, form.get(), [] { raise(SIGTERM); });
    fs::remove(settingsPath());
    Control<QPushButton>(*form, "Button1")->click();

    EXPECT_LT(form->state().terminal.bytes().size(), static_cast<std::size_t>(travik::kAlarmLimit));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->state().ComHandle.isOpen());
    EXPECT_NE(ReadFileBytes(settingsPath()).find("comID=" + sim.portPath()), std::string::npos);
    EXPECT_TRUE(dialogs().messages.empty()) << dialogs().messages.front();
}

}  // namespace
