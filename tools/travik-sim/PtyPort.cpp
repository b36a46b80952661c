#include "PtyPort.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "PrintableName.h"

#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace travik::sim {
namespace {

[[noreturn]] void throwSystemError(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void makeRaw(int fd, const char* side) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) throwSystemError(std::string("tcgetattr on the ") + side);
    cfmakeraw(&tio);
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        throwSystemError(std::string("tcsetattr on the ") + side);
}

// Watches the port's device node for closes (inotify): a close tells that the
// client's receiver went away.
int watchForCloses(const std::string& path) {
#ifdef __linux__
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return -1;
    if (inotify_add_watch(fd, path.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        close(fd);
        return -1;
    }
    return fd;
#else
    (void)path;
    return -1;
#endif
}

void closeIfOpen(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

PtyPort::PtyPort() {
    try {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0) throwSystemError("posix_openpt");
        if (grantpt(master_) != 0) throwSystemError("grantpt");
        if (unlockpt(master_) != 0) throwSystemError("unlockpt");
        const char* name = ptsname(master_);
        if (name == nullptr) throwSystemError("ptsname");
        path_ = name;
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        if (fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK) != 0)
            throwSystemError("fcntl on the master");
        portKeep_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (portKeep_ < 0) throwSystemError("open " + path_);
        // A new pty echoes and edits lines: both sides raw before any traffic.
        makeRaw(portKeep_, "port side");
        makeRaw(master_, "master side");
        watch_ = watchForCloses(path_);
    } catch (...) {
        closeIfOpen(watch_);
        closeIfOpen(portKeep_);
        closeIfOpen(master_);
        throw;
    }
}

PtyPort::~PtyPort() {
    closeIfOpen(watch_);
    hangUp();
}

bool PtyPort::clientClosed() {
#ifdef __linux__
    if (watch_ < 0) return false;
    bool closed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = read(watch_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        // Only closes are watched, and a lost event (queue overflow) may hide one.
        closed = true;
    }
    return closed;
#else
    return false;
#endif
}

void PtyPort::discardUnread() {
    if (portKeep_ >= 0) tcflush(portKeep_, TCIFLUSH);
}

int PtyPort::unread() const {
    int count = 0;
    if (portKeep_ < 0 || ioctl(portKeep_, FIONREAD, &count) != 0) return 0;
    return count;
}

void PtyPort::hangUp() {
    closeIfOpen(portKeep_);
    closeIfOpen(master_);
}

PortLink::PortLink(std::string linkPath, std::string target)
    : linkPath_(std::move(linkPath)), target_(std::move(target)) {
    struct stat st {};
    if (lstat(linkPath_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw std::runtime_error(PrintableName(linkPath_) + " exists and is not a symbolic link");
    // Made under a temporary name and renamed over the old link in one step.
    const std::string temporary = linkPath_ + ".tmp" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target_.c_str(), temporary.c_str()) != 0)
        throwSystemError("symlink " + PrintableName(temporary));
    if (rename(temporary.c_str(), linkPath_.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        errno = error;
        throwSystemError("rename to " + PrintableName(linkPath_));
    }
}

PortLink::~PortLink() {
    std::vector<char> buffer(target_.size() + 2);
    const ssize_t got = readlink(linkPath_.c_str(), buffer.data(), buffer.size());
    if (got >= 0 && std::string(buffer.data(), static_cast<std::size_t>(got)) == target_)
        unlink(linkPath_.c_str());
}

}  // namespace travik::sim
