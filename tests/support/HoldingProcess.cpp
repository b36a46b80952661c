#include "HoldingProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const char* const kSleep = "/bin/sleep";

// The program to run: `sleep` itself, or a link to it named `programName`,
// since the system names a process after the file it was started from.
std::string programFile(const std::string& programName, const TempDir& folder) {
    if (programName == "sleep") return kSleep;
    const std::string link = folder.file(programName);
    if (symlink(kSleep, link.c_str()) != 0) return {};
    return link;
}

std::string linkTarget(const std::string& link) {
    char target[256] = {};
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// The text of a file of /proc, empty when it cannot be read (the process has
// gone: libstdc++'s streams throw on such a read).
std::string procText(const std::filesystem::path& file) {
    try {
        return ReadFileBytes(file.string());
    } catch (const std::exception&) {
        return std::string();
    }
}

// A process that has ended and waits for its parent (another test's holder
// just killed), or has gone.
bool hasEnded(const std::filesystem::path& process) {
    const std::string stat = procText(process / "stat");
    const std::size_t nameEnd = stat.rfind(") ");
    return nameEnd == std::string::npos || nameEnd + 2 >= stat.size() || stat[nameEnd + 2] == 'Z' ||
           stat[nameEnd + 2] == 'X';
}

}  // namespace

HoldingProcess::HoldingProcess(const std::string& path, const std::string& programName)
    : path_(path), name_(programName) {
    const std::string program = programFile(programName, linkFolder_);
    if (program.empty()) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDONLY | O_NOCTTY, 0);
    std::string seconds = "60";
    char* argv[] = {name_.data(), seconds.data(), nullptr};
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) pid_ = -1;
}

HoldingProcess::~HoldingProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

bool HoldingProcess::waitUntilHolding() const {
    if (pid_ <= 0) return false;
    const std::string fd0 = "/proc/" + std::to_string(pid_) + "/fd/0";
    const std::string comm = "/proc/" + std::to_string(pid_) + "/comm";
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (linkTarget(fd0) == path_ && ReadFileBytes(comm) == name_ + "\n") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

namespace {

// The length of "PID 812 (ModemManager)" at `at`; 0 when none starts there.
std::size_t takerAt(const std::string& text, std::size_t at) {
    if (text.compare(at, 4, "PID ") != 0) return 0;
    std::size_t pos = at + 4;
    const std::size_t digits = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    if (pos == digits || text.compare(pos, 2, " (") != 0) return 0;
    const std::size_t close = text.find(')', pos + 2);
    return close == std::string::npos ? 0 : close + 1 - at;
}

}  // namespace

std::string WithOnlyTaker(const std::string& text, const std::string& own) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t first = takerAt(text, at);
        if (first == 0) {
            out += text[at++];
            continue;
        }
        // A list: takers joined by ", ".
        std::vector<std::string> takers{text.substr(at, first)};
        std::size_t end = at + first;
        while (text.compare(end, 2, ", ") == 0) {
            const std::size_t next = takerAt(text, end + 2);
            if (next == 0) break;
            takers.push_back(text.substr(end + 2, next));
            end += 2 + next;
        }
        if (std::find(takers.begin(), takers.end(), own) != takers.end()) {
            out += own;
        } else {
            out.append(text, at, end - at);
        }
        at = end;
    }
    return out;
}

bool HoldingProcess::namesakeRuns() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(pid_))
            continue;
        if (procText(entry.path() / "comm") != name_ + "\n" || hasEnded(entry.path())) continue;
        // Another test's holder of the same name, run beside this one, is no
        // real service: it is `sleep` under that name.
        std::error_code unreadable;
        const std::filesystem::path program =
            std::filesystem::read_symlink(entry.path() / "exe", unreadable);
        // A process on its way out has no program any more: a holder just killed.
        if (unreadable == std::errc::no_such_file_or_directory) continue;
        if (!unreadable && std::filesystem::equivalent(program, kSleep, unreadable)) continue;
        return true;
    }
    return false;
}
