#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> args, std::string program) {
    if (program.empty()) throw std::runtime_error("SimProcess: no simulator program given");
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("SimProcess: pipe2 failed");
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);

    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The child's stdout is the pipe (dup2 clears close-on-exec on the copy);
    // every other descriptor of ours that is close-on-exec stays behind.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("SimProcess: cannot start " + program + ": " +
                                 std::strerror(spawned));
    }
    writeEnd.reset();  // so that the child's end of output reads as end of file
    try {
        readPortPath(readEnd.get());
    } catch (...) {
        stop();
        throw;
    }
}

SimProcess::~SimProcess() {
    stop();
}

void SimProcess::readPortPath(int fd) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    std::string line;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) throw std::runtime_error("SimProcess: no port path within 10 s");
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0)
            throw std::runtime_error("SimProcess: simulator ended before printing its port");
        if (c == '\n') break;
        line += c;
    }
    if (line.empty()) throw std::runtime_error("SimProcess: empty port path");
    portPath_ = line;
}

bool SimProcess::reap(bool wait) {
    if (pid_ < 0) return true;
    int status = 0;
    pid_t done;
    do {
        done = waitpid(pid_, &status, wait ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0) return false;
    if (done == pid_) status_ = decodeStatus(status);
    pid_ = -1;  // also when waitpid failed: there is nothing left to wait for
    return true;
}

bool SimProcess::running() {
    return !reap(false);
}

int SimProcess::exitStatus(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reap(false)) {
        if (Clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return status_;
}

void SimProcess::stop() {
    if (pid_ < 0) return;
    kill(pid_, SIGTERM);
    if (exitStatus(kStopTimeoutMs) >= 0 || pid_ < 0) return;
    kill(pid_, SIGKILL);
    reap(true);
}
