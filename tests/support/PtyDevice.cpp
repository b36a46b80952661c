#include "PtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

PtyDevice::PtyDevice() {
    char name[256] = {};
    if (openpty(&master_, &slaveKeep_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    termios tio{};
    tcgetattr(slaveKeep_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slaveKeep_, TCSANOW, &tio);
    tcgetattr(master_, &tio);
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slaveKeep_, F_SETFD, FD_CLOEXEC);
    portPath_ = name;
}

PtyDevice::~PtyDevice() {
    if (master_ >= 0) close(master_);
    if (slaveKeep_ >= 0) close(slaveKeep_);
}

void PtyDevice::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(master_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw std::runtime_error("pty write failed");
        done += static_cast<std::size_t>(put);
    }
}

int PtyDevice::receiveByte(int timeoutMs) {
    pollfd pfd{master_, POLLIN, 0};
    if (poll(&pfd, 1, timeoutMs) <= 0) return -1;
    unsigned char byte = 0;
    if (read(master_, &byte, 1) != 1) return -1;
    return byte;
}

void PtyDevice::hangUp() {
    if (slaveKeep_ >= 0) {
        close(slaveKeep_);
        slaveKeep_ = -1;
    }
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}
