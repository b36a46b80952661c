// The window program started with its standard output and error closed: the
// port it reopens at start-up must not take their place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "PtyDevice.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string DescriptorTarget(pid_t pid, int fd) {
    std::error_code error;
    const fs::path target =
        fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), error);
    return error ? "(closed)" : target.string();
}

// Polls the descriptors of `pid` until one refers to `path`; -1 when none
// does within `timeoutMs`.
int WaitForDescriptorOf(pid_t pid, const std::string& path, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const int fd = std::stoi(entry.path().filename().string());
            if (DescriptorTarget(pid, fd) == path) return fd;
        }
        if (error) return -1;  // the program ended
        // A poll of the condition; the pause only spares the machine.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

}  // namespace

TEST(WindowStandardStreams, ClosedOutputAndErrorBecomeTheNullDeviceNotThePort) {
    PtyDevice device;
    TempDir config;
    WriteFileBytes(config.file("TravikReadout.ini"), "[com]\ncomID=" + device.portPath() + "\n");

    // Closes by itself when the child execs: then the child is the program.
    int execDone[2];
    ASSERT_EQ(pipe2(execDone, O_CLOEXEC), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        close(STDOUT_FILENO);
        close(STDERR_FILENO);
        execl(TRAVIK_PREADOUT_PATH, TRAVIK_PREADOUT_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(execDone[1]);
    char none = 0;
    while (read(execDone[0], &none, 1) < 0 && errno == EINTR) {
    }
    close(execDone[0]);
    const int portFd = WaitForDescriptorOf(pid, device.portPath(), 30000);
    const std::string out = DescriptorTarget(pid, 1);
    const std::string err = DescriptorTarget(pid, 2);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);

    ASSERT_NE(portFd, -1) << "the stored port was not opened at start-up";
    EXPECT_GE(portFd, 3);
    EXPECT_EQ(out, "/dev/null");
    EXPECT_EQ(err, "/dev/null");
}
