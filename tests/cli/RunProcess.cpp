#include "RunProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

void applyLimits(const ProcessLimits& limits) {
    if (limits.fileSizeLimit < 0) return;
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(limits.fileSizeLimit),
                       static_cast<rlim_t>(limits.fileSizeLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
}

[[noreturn]] void execChild(const std::string& program, const std::vector<std::string>& args,
                            const ProcessLimits& limits, int outFd, int errFd) {
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    applyLimits(limits);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

void drain(int outFd, int errFd, ProcessOutput& output) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&output.out, &output.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, 60000) <= 0) break;  // a test's own timeout catches a hang
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

ProcessOutput RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessLimits& limits) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) execChild(program, args, limits, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    ProcessOutput output;
    drain(outPipe[0], errPipe[0], output);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    output.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return output;
}
