// The serial link on POSIX systems: termios for the line, poll for the read
// bound, TIOCEXCL and flock for exclusive use.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "LineDefinition.h"
#include "PortHolders.h"
#include "SerialBackend.h"

namespace travik::backend {
namespace {

std::string devicePath(const std::string& portName) {
    if (portName.find('/') != std::string::npos) return portName;
    return "/dev/" + portName;
}

// Descriptors 0 to 2 are standard input, output and error even when the
// program was started with them closed: the port never takes one of them, or
// the received text and messages would go to the device. 0 would also read
// as "no port".
int aboveStandardStreams(int fd) {
    if (fd > 2) return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

OpenResult resultOfOpenError(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenResult::NoSuchPort;
        case EACCES:
        case EPERM:
            return OpenResult::PermissionDenied;
        case EBUSY:
            return OpenResult::InUse;
        default:
            return OpenResult::InvalidHandle;
    }
}

std::string groupOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    const group* owner = getgrgid(st.st_gid);
    return owner && owner->gr_name ? owner->gr_name : std::to_string(st.st_gid);
}

OpenStatus openFailure(int error, const std::string& path) {
    OpenStatus failure = OpenFailure(resultOfOpenError(error), error);
    if (failure.result == OpenResult::PermissionDenied) failure.group = groupOf(path);
    return failure;
}

// The program's own finding; the system's words for ENOTTY stay in the status.
OpenStatus notSerialPort() {
    return OpenFailure(OpenResult::NotSerialPort, ENOTTY);
}

OpenStatus inUse(int error, const std::optional<PortHolder>& holder) {
    OpenStatus failure = OpenFailure(OpenResult::InUse, error);
    if (!holder) return failure;
    failure.holderPid = holder->pid;
    failure.holderName = holder->name;
    return failure;
}

// Taken: no other holder was seen, but programs known to take serial ports
// that could not be looked at are kept for a warning.
OpenStatus takenDespite(HolderScan scan) {
    OpenStatus taken;
    taken.unseenPortTakers = std::move(scan.unseenPortTakers);
    return taken;
}

bool isSystemTerminal(const struct stat& st) {
    return S_ISCHR(st.st_mode) && IsSystemTerminal(st.st_rdev);
}

// The lock stops every later opener of ours, root included; only once it is
// ours does TIOCEXCL keep other programs out (root is exempt), so a refused
// open never leaves the flag on a port someone else holds. A program that
// opened the port before us takes neither: it is looked for among the
// processes we may see, and those we may not see are told apart.
OpenStatus takeExclusively(int fd, const struct stat& st) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        return inUse(error, ScanPortHolders(st).holder);
    }
    HolderScan scan = ScanPortHolders(st);
    if (scan.holder) {
        flock(fd, LOCK_UN);
        return inUse(EBUSY, scan.holder);
    }
    ioctl(fd, TIOCEXCL);
    return takenDespite(std::move(scan));
}

bool speedFor(long baud, speed_t& speed) {
    struct Entry {
        long baud;
        speed_t speed;
    };
    static const Entry table[] = {
        {50, B50},       {75, B75},         {110, B110},       {134, B134},     {150, B150},
        {200, B200},     {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
        {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const Entry& e : table) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

bool applyDefinition(const LineDefinition& def, termios& tio) {
    speed_t speed{};
    if (!speedFor(def.baud, speed)) return false;
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[def.dataBits - 5];
    if (def.parity == 'e' || def.parity == 'o') tio.c_cflag |= PARENB;
    if (def.parity == 'o') tio.c_cflag |= PARODD;
    if (def.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_cflag |= CREAD | CLOCAL;
    return cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0;
}

}  // namespace

NativePort openPort(const std::string& portName, OpenStatus& outcome) {
    if (portName.empty()) {
        outcome = openFailure(ENOENT, portName);
        return kInvalidPort;
    }
    const std::string path = devicePath(portName);
    // Looked at before the open: opening the console could already disturb it.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && isSystemTerminal(st)) {
        outcome = notSerialPort();
        return kInvalidPort;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        outcome = openFailure(errno, path);
        return kInvalidPort;
    }
    fd = aboveStandardStreams(fd);
    if (fd < 0) {
        outcome = openFailure(errno, path);
        return kInvalidPort;
    }
    // Checked again on what was opened, in case the name changed meanwhile.
    if (fstat(fd, &st) != 0 || !isatty(fd) || isSystemTerminal(st)) {
        ::close(fd);
        outcome = notSerialPort();
        return kInvalidPort;
    }
    outcome = takeExclusively(fd, st);
    if (!outcome.ok()) {
        ::close(fd);
        return kInvalidPort;
    }
    // A fresh open starts with empty queues, as on Windows: whatever the device
    // sent while no readout ran (the rest of an over-long reply) is dropped.
    tcflush(fd, TCIOFLUSH);
    return fd;
}

OpenStatus configurePort(NativePort port, const std::string& definition, std::int32_t queueSize,
                         const CommTimeouts& timeouts) {
    const int fd = static_cast<int>(port);
    // The system sizes its own queues.
    if (queueSize <= 0) return OpenFailure(OpenResult::Buffer, EINVAL);
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return OpenFailure(OpenResult::DCB, errno);
    const auto def = ParseLineDefinition(definition);
    if (!def || !applyDefinition(*def, tio)) return OpenFailure(OpenResult::Config, EINVAL);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return OpenFailure(OpenResult::State, errno);
    // Reads are bounded with poll (see readSome); the line itself returns at once.
    if (timeouts.ReadTotalTimeoutConstant == 0 && timeouts.ReadIntervalTimeout == 0)
        return OpenFailure(OpenResult::Timeout, EINVAL);
    return {};
}

long readSome(NativePort port, std::uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    const int fd = static_cast<int>(port);
    pollfd pfd{fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&pfd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return kLost;
    if (ready == 0) return 0;
    if (pfd.revents & POLLNVAL) return kLost;
    ssize_t got;
    do {
        got = ::read(fd, buffer, capacity);
    } while (got < 0 && errno == EINTR);
    if (got > 0) return static_cast<long>(got);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    // Readable but nothing to read, or an error: the other end is gone.
    return kLost;
}

bool writeByte(NativePort port, std::uint8_t byte) {
    const int fd = static_cast<int>(port);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const ssize_t put = ::write(fd, &byte, 1);
        if (put == 1) return true;
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{fd, POLLOUT, 0};
            poll(&pfd, 1, 10);
            continue;
        }
        return false;
    }
    return false;
}

void closePort(NativePort port) {
    const int fd = static_cast<int>(port);
    // The flag outlives this descriptor while anyone else keeps the port open,
    // and would then refuse the next open of every user but root.
    ioctl(fd, TIOCNXCL);
    flock(fd, LOCK_UN);
    ::close(fd);
}

}  // namespace travik::backend
