// Who holds a port, from Linux's /proc: each process's open descriptors, the
// pty index in a master descriptor's fdinfo, and Linux's device numbers.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "PortHolders.h"

namespace travik::backend {
namespace {

constexpr unsigned kTtyMajor = 4;  // virtual consoles 0..63, then 8250 UARTs
constexpr unsigned kLastVirtualConsole = 63;
constexpr unsigned kTtyAuxMajor = 5;  // /dev/tty, /dev/console, /dev/ptmx
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool isNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

std::string programName(const std::string& pidPath) {
    std::ifstream comm(pidPath + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

bool isPtySlave(dev_t device) {
    const unsigned deviceMajor = major(device);
    return deviceMajor >= kPtySlaveMajorFirst && deviceMajor <= kPtySlaveMajorLast;
}

// The pseudo-terminal index a master descriptor serves, from its fdinfo.
long ptyIndexOfMaster(const std::string& fdinfoPath) {
    static constexpr char kIndexPrefix[] = "tty-index:";
    static constexpr std::size_t kIndexPrefixLength = sizeof kIndexPrefix - 1;
    std::ifstream info(fdinfoPath);
    std::string line;
    while (std::getline(info, line)) {
        if (line.compare(0, kIndexPrefixLength, kIndexPrefix) == 0)
            return std::atol(line.c_str() + kIndexPrefixLength);
    }
    return -1;
}

// The pseudo-terminal index of a pty slave, as its master's fdinfo gives it;
// -1 for any other device. A master descriptor's link names only /dev/ptmx,
// so this index is what ties a master to its slave. The kernel gives the
// slaves one run of device numbers from 136:0 (pty N is 136:N); the majors
// up to 143 are reserved for that run, where 8-bit minors went on counting.
long ptyIndexOf(dev_t device) {
    if (!isPtySlave(device)) return -1;
    constexpr long kMinorsPerMajor = 256;
    return static_cast<long>(minor(device)) +
           static_cast<long>(major(device) - kPtySlaveMajorFirst) * kMinorsPerMajor;
}

// What one process's descriptors tell of the device.
enum class Holding {
    No,          // not open there, or the process is gone
    Yes,         // open there
    OwnEnd,      // the process also holds the master side: it is the device
    Unreadable,  // this user may not read the process's descriptors
};

bool isMaster(const std::string& target) {
    return target == "/dev/ptmx" || target == "/dev/pts/ptmx";
}

// Whether `st`, what a process's descriptor names, is the port `node`. A pty
// slave's number tells the pty only within its devpts instance: a container's
// own instance has a /dev/pts/0 of its own, so the file system must match too.
// Any other device's number is the device, whichever /dev its node lies in.
bool isPort(const struct stat& st, const struct stat& node) {
    if (!S_ISCHR(st.st_mode) || st.st_rdev != node.st_rdev) return false;
    return !isPtySlave(node.st_rdev) || st.st_dev == node.st_dev;
}

// The link a descriptor entry names, read relative to its open folder: a
// path from /proc down would be walked again for every descriptor. Nothing
// (and errno) when it cannot be read.
std::optional<std::string> readLinkAt(int folder, const char* name) {
    char target[256];
    const ssize_t length = readlinkat(folder, name, target, sizeof target);
    if (length < 0) return std::nullopt;
    return std::string(target, static_cast<std::size_t>(length));
}

bool isRefusal(int error) {
    return error == EACCES || error == EPERM;
}

Holding holdingOf(const std::string& pidPath, const struct stat& node, long ptyIndex) {
    const Dir fds(opendir((pidPath + "/fd").c_str()));
    if (!fds) return isRefusal(errno) ? Holding::Unreadable : Holding::No;
    const int folder = dirfd(fds.get());
    bool holds = false;
    while (const dirent* entry = readdir(fds.get())) {
        if (!isNumber(entry->d_name)) continue;
        const std::optional<std::string> read = readLinkAt(folder, entry->d_name);
        // A folder that lists its descriptors but refuses their links (another
        // user's namespace, a folder without search permission) refuses them
        // all: the process is unseen, not holding nothing, and its other
        // links need not be tried.
        if (!read) {
            if (isRefusal(errno)) return Holding::Unreadable;
            continue;  // closed meanwhile
        }
        const std::string& target = *read;
        // Only device nodes are worth a stat: sockets and pipes read "socket:[..]".
        if (target.rfind("/dev/", 0) != 0) continue;
        if (isMaster(target)) {
            if (ptyIndex >= 0 &&
                ptyIndexOfMaster(pidPath + "/fdinfo/" + entry->d_name) == ptyIndex) {
                return Holding::OwnEnd;
            }
            continue;
        }
        struct stat st {};
        if (fstatat(folder, entry->d_name, &st, 0) == 0 && isPort(st, node)) holds = true;
    }
    return holds ? Holding::Yes : Holding::No;
}

// This process's controlling terminal, from field 7 of /proc/self/stat.
std::optional<dev_t> controllingTerminal() {
    std::ifstream statFile("/proc/self/stat");
    std::string content((std::istreambuf_iterator<char>(statFile)),
                        std::istreambuf_iterator<char>());
    // The program name in field 2 may hold spaces and parentheses: skip past its last ')'.
    const std::size_t nameEnd = content.rfind(')');
    if (nameEnd == std::string::npos) return std::nullopt;
    std::istringstream fields(content.substr(nameEnd + 1));
    std::string state;
    long parent = 0, group = 0, session = 0;
    unsigned long ttyNumber = 0;
    if (!(fields >> state >> parent >> group >> session >> ttyNumber) || ttyNumber == 0)
        return std::nullopt;
    // The kernel's encoding: minor in bits 0-7 and 20-31, major in bits 8-19.
    const unsigned ttyMajor = static_cast<unsigned>((ttyNumber >> 8) & 0xfff);
    const unsigned ttyMinor =
        static_cast<unsigned>((ttyNumber & 0xff) | ((ttyNumber >> 12) & 0xfff00));
    return makedev(ttyMajor, ttyMinor);
}

// A process this user may not look into: its name is read only to tell
// whether it is a known taker of serial ports.
void noteUnseen(HolderScan& scan, long pid, const std::string& pidPath) {
    scan.unseen.push_back(pid);
    std::string name = programName(pidPath);
    if (IsKnownPortTaker(name)) scan.unseenPortTakers.push_back(PortHolder{pid, std::move(name)});
}

}  // namespace

HolderScan ScanPortHolders(const struct stat& node, const std::string& procRoot) {
    HolderScan scan;
    const Dir proc(opendir(procRoot.c_str()));
    if (!proc) return scan;
    scan.looked = true;
    const std::string self = std::to_string(getpid());
    const long ptyIndex = ptyIndexOf(node.st_rdev);
    while (const dirent* entry = readdir(proc.get())) {
        if (!isNumber(entry->d_name) || self == entry->d_name) continue;
        const std::string pidPath = procRoot + "/" + entry->d_name;
        const long pid = std::atol(entry->d_name);
        switch (holdingOf(pidPath, node, ptyIndex)) {
            case Holding::Yes:
                scan.holder = PortHolder{pid, programName(pidPath)};
                return scan;
            case Holding::Unreadable:
                noteUnseen(scan, pid, pidPath);
                break;
            case Holding::No:
            case Holding::OwnEnd:
                break;
        }
    }
    return scan;
}

bool IsKnownPortTaker(const std::string& programName) {
    static const char* const kKnownTakers[] = {"ModemManager", "brltty", "gpsd"};
    for (const char* taker : kKnownTakers) {
        if (programName == taker) return true;
    }
    return false;
}

bool IsSystemTerminal(dev_t device) {
    const unsigned deviceMajor = major(device);
    const unsigned deviceMinor = minor(device);
    if (deviceMajor == kTtyMajor && deviceMinor <= kLastVirtualConsole) return true;
    if (deviceMajor == kTtyAuxMajor) return true;
    const std::optional<dev_t> own = controllingTerminal();
    return own && *own == device;
}

}  // namespace travik::backend
