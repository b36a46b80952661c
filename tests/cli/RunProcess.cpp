#include "RunProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "ChildProcess.h"

namespace {

// Without root's override the program sees what an ordinary user sees.
void becomeOrdinaryUser(const ProcessLimits& limits) {
    if (!limits.asOrdinaryUser || geteuid() != 0) return;
    if (setgroups(0, nullptr) != 0 || setgid(kOrdinaryUser) != 0 || setuid(kOrdinaryUser) != 0)
        _exit(126);
}

void applyLimits(const ProcessLimits& limits) {
    if (limits.fileSizeLimit < 0) return;
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(limits.fileSizeLimit),
                       static_cast<rlim_t>(limits.fileSizeLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
}

[[noreturn]] void execChild(const std::string& program, const std::vector<std::string>& args,
                            const ProcessLimits& limits, int outFd, int errFd) {
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    // The pipes are close-on-exec: a closed descriptor stays closed in the program.
    if (limits.closeStdout) {
        close(STDOUT_FILENO);
    } else {
        dup2(outFd, STDOUT_FILENO);
    }
    if (limits.closeStderr) {
        close(STDERR_FILENO);
    } else if (!limits.stderrPath.empty()) {
        const int err = open(limits.stderrPath.c_str(), O_RDWR | O_NOCTTY);
        if (err >= 0) dup2(err, STDERR_FILENO);
    } else {
        dup2(errFd, STDERR_FILENO);
    }
    if (devNull > STDERR_FILENO) close(devNull);
    applyLimits(limits);
    becomeOrdinaryUser(limits);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

// Reads what one pipe has; closes it at its end.
void readPipe(int& fd, std::string& sink) {
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        sink.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
    }
}

}  // namespace

RunningProcess::RunningProcess(const std::string& program, const std::vector<std::string>& args,
                               const ProcessLimits& limits) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) execChild(program, args, limits, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

RunningProcess::~RunningProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        finish();
    }
}

bool RunningProcess::drainOnce(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0) return false;
    if (poll(fds, 2, timeoutMs) <= 0) return false;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) readPipe(outFd_, output_.out);
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) readPipe(errFd_, output_.err);
    return true;
}

bool RunningProcess::waitForOutput(std::size_t bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (output_.out.size() < bytes && outFd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        drainOnce(static_cast<int>(left.count()));
    }
    return output_.out.size() >= bytes;
}

void RunningProcess::sendSignal(int signalNumber) {
    if (pid_ > 0) kill(pid_, signalNumber);
}

ProcessOutput RunningProcess::finish() {
    // A test's own timeout catches a hang.
    while (drainOnce(60000)) {
    }
    if (outFd_ >= 0) close(outFd_);
    if (errFd_ >= 0) close(errFd_);
    outFd_ = errFd_ = -1;
    int status = 0;
    while (pid_ > 0 && waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    output_.signalled = WIFSIGNALED(status);
    output_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return output_;
}

ProcessOutput RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessLimits& limits) {
    RunningProcess process(program, args, limits);
    return process.finish();
}
