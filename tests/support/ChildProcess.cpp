#include "ChildProcess.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <stdexcept>

int RunInChild(const std::function<void()>& prepare, const std::function<int()>& action) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        prepare();
        const int result = action();
        _exit(result >= 0 && result < 254 ? result : 255);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int RunWithoutRootOverride(const std::function<int()>& action) {
    const auto becomeOrdinaryUser = [] {
        if (geteuid() != 0) return;
        if (setgroups(0, nullptr) != 0 || setgid(kOrdinaryUser) != 0 ||
            setuid(kOrdinaryUser) != 0) {
            _exit(254);
        }
    };
    return RunInChild(becomeOrdinaryUser, action);
}

std::string TextWithoutRootOverride(const std::function<std::string()>& action) {
    int channel[2];
    if (pipe(channel) != 0) return "(no pipe)";
    const int result = RunWithoutRootOverride([&] {
        close(channel[0]);
        const std::string text = action();
        std::size_t sent = 0;
        while (sent < text.size()) {
            const ssize_t put = write(channel[1], text.data() + sent, text.size() - sent);
            if (put <= 0) return 1;
            sent += static_cast<std::size_t>(put);
        }
        return 0;
    });
    close(channel[1]);
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    if (result != 0) text += "(the child ended with " + std::to_string(result) + ")";
    return text;
}

OrdinaryUserScope::OrdinaryUserScope() {
    if (geteuid() != 0) return;
    if (seteuid(kOrdinaryUser) != 0) throw std::runtime_error("seteuid failed");
    switched_ = true;
}

OrdinaryUserScope::~OrdinaryUserScope() {
    if (switched_ && seteuid(0) != 0) std::terminate();  // later tests would run unprivileged
}
