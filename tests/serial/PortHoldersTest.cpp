// Who else holds a port, as far as this user may look: a holder this user
// cannot look into is listed as unseen, never taken for nobody, and a known
// taker of serial ports among the unseen is named in a warning.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "HoldingProcess.h"
#include "PortHolders.h"
#include "PtyDevice.h"
#include "TempDir.h"
#include "WinCOmmUnit.h"

using namespace travik;

namespace {

struct stat nodeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}

std::string pidList(const std::vector<long>& pids) {
    std::string list;
    for (const long pid : pids) list += std::to_string(pid) + " ";
    return list;
}

std::string takerList(const std::vector<OtherProcess>& takers) {
    std::string list;
    for (const OtherProcess& taker : takers)
        list += std::to_string(taker.pid) + " " + taker.name + ";";
    return list;
}

// What an ordinary user's look for holders of `device` finds in `procRoot`, as text.
std::string scanAsOrdinaryUser(const struct stat& device, const std::string& procRoot = "/proc") {
    return TextWithoutRootOverride([&] {
        const backend::HolderScan scan = backend::ScanPortHolders(device, procRoot);
        std::string text = scan.looked ? "looked" : "not looked";
        if (scan.holder) text += " holder " + std::to_string(scan.holder->pid);
        text += " unseen " + pidList(scan.unseen);
        text += " takers " + takerList(scan.unseenPortTakers);
        return text;
    });
}

bool listsUnseen(const std::string& scanText, pid_t pid) {
    const std::string unseen = scanText.substr(scanText.find(" unseen "));
    return unseen.find(" " + std::to_string(pid) + " ") != std::string::npos;
}

// A process folder of a made-up /proc: its name, and `fd` readable or not.
void addProcess(const TempDir& proc, const std::string& pid, const std::string& name,
                bool fdReadable) {
    const std::string folder = proc.file(pid);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    WriteFileBytes(folder + "/comm", name + "\n");
    ASSERT_EQ(mkdir((folder + "/fd").c_str(), fdReadable ? 0755 : 0700), 0);
}

// A process in a mount namespace of its own, as in a container, with its own
// devpts instance on /dev/pts, holding the pty slave numbered `index` there
// (not its master, which a second process of the namespace holds).
class NamespacedPtyHolder {
public:
    explicit NamespacedPtyHolder(long index) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            holdInNamespace(index, fds[1]);
        }
        close(fds[1]);
        if (pid_ < 0 || read(fds[0], &report_, sizeof report_) != sizeof report_)
            report_ = Report{-1, "no report", 0, 0};
        close(fds[0]);
    }
    ~NamespacedPtyHolder() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);  // the master's holder dies with it
        waitpid(pid_, nullptr, 0);
    }
    NamespacedPtyHolder(const NamespacedPtyHolder&) = delete;
    NamespacedPtyHolder& operator=(const NamespacedPtyHolder&) = delete;

    pid_t pid() const { return pid_; }
    bool holding() const { return report_.error == 0; }
    bool refused() const { return report_.error == EPERM || report_.error == EACCES; }
    std::string failure() const {
        return std::string(report_.step) + ": " + std::strerror(report_.error);
    }
    dev_t device() const { return report_.device; }
    dev_t fileSystem() const { return report_.fileSystem; }

private:
    struct Report {
        int error;
        char step[32];
        dev_t device;
        dev_t fileSystem;
    };

    // In the child: system calls only, and never a return.
    [[noreturn]] static void holdInNamespace(long index, int out) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The test's own pty end is no part of the container.
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != out) close(fd);
        }
        Report report{0, "", 0, 0};
        const auto fail = [&](const char* step) {
            report.error = errno;
            std::snprintf(report.step, sizeof report.step, "%s", step);
            (void)!write(out, &report, sizeof report);
            _exit(1);
        };
        if (unshare(CLONE_NEWNS) != 0) fail("unshare");
        // Nothing mounted here may reach the host. In a chroot "/" is no mount
        // point (EINVAL): /dev, which holds the new devpts, is one.
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 &&
            mount(nullptr, "/dev", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            fail("private");
        if (mount("devpts", "/dev/pts", "devpts", 0, "newinstance,ptmxmode=0666") != 0)
            fail("mount devpts");
        int master = -1;
        for (long opened = 0; opened <= index && master < 0; ++opened) {
            const int fd = open("/dev/pts/ptmx", O_RDWR | O_NOCTTY);
            unsigned number = 0;
            if (fd < 0 || ioctl(fd, TIOCGPTN, &number) != 0) fail("open ptmx");
            if (number == static_cast<unsigned long>(index)) master = fd;
        }
        int unlock = 0;
        if (master < 0 || ioctl(master, TIOCSPTLCK, &unlock) != 0) fail("pty number");
        char slavePath[32];
        std::snprintf(slavePath, sizeof slavePath, "/dev/pts/%ld", index);
        const int slave = open(slavePath, O_RDWR | O_NOCTTY);
        struct stat st {};
        if (slave < 0 || fstat(slave, &st) != 0) fail("open slave");
        const pid_t holder = getpid();
        const pid_t masterHolder = fork();
        if (masterHolder < 0) fail("fork");
        if (masterHolder == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // Ended before the line above (a loaded machine): it would hold the
            // master, and ctest's output pipe, for good.
            if (getppid() != holder) _exit(0);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            close(out);
            close(slave);
            for (;;) pause();
        }
        close(master);
        report.device = st.st_rdev;
        report.fileSystem = st.st_dev;
        (void)!write(out, &report, sizeof report);
        close(out);
        for (;;) pause();
    }

    pid_t pid_ = -1;
    Report report_{};
};

}  // namespace

TEST(PortHolders, ServicesThatTakeSerialPortsAreKnownByName) {
    for (const char* name : {"ModemManager", "brltty", "gpsd"})
        EXPECT_TRUE(backend::IsKnownPortTaker(name)) << name;
    for (const char* name : {"", "sleep", "modemmanager", "ModemManager2", "agetty"})
        EXPECT_FALSE(backend::IsKnownPortTaker(name)) << name;
}

// A made-up /proc: what may not be read is listed, a known taker among it named;
// what is gone or readable and innocent is not listed, nor are other entries.
TEST(PortHolders, ProcessesWhoseDescriptorsCannotBeReadAreListed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make folders an ordinary user cannot read";
    PtyDevice device;
    TempDir proc;
    ASSERT_EQ(chmod(proc.path().c_str(), 0755), 0);
    addProcess(proc, "100", "ModemManager", false);
    addProcess(proc, "200", "sleep", false);
    addProcess(proc, "300", "minicom", true);             // readable, holding nothing
    ASSERT_EQ(mkdir(proc.file("400").c_str(), 0755), 0);  // gone: no fd folder left
    ASSERT_EQ(mkdir(proc.file("sys").c_str(), 0700), 0);
    ASSERT_EQ(symlink("100", proc.file("self").c_str()), 0);

    std::string found = scanAsOrdinaryUser(nodeOf(device.portPath()), proc.path());
    // The order of a folder's entries is the file system's.
    for (const char* order : {"unseen 100 200 ", "unseen 200 100 "}) {
        const std::size_t at = found.find(order);
        if (at != std::string::npos) found.replace(at, 15, "unseen (100 200) ");
    }
    EXPECT_EQ(found, "looked unseen (100 200)  takers 100 ModemManager;");

    // A process that holds the port is the holder, as before.
    addProcess(proc, "500", "minicom", true);
    ASSERT_EQ(symlink(device.portPath().c_str(), proc.file("500/fd/3").c_str()), 0);
    found = scanAsOrdinaryUser(nodeOf(device.portPath()), proc.path());
    EXPECT_NE(found.find("looked holder 500 "), std::string::npos) << found;

    EXPECT_EQ(scanAsOrdinaryUser(nodeOf(device.portPath()), proc.file("none")),
              "not looked unseen  takers ");
}

// A descriptor folder that lists its entries but refuses to read their links
// (as another user namespace's process does, even to root) hides whether the
// process holds the port: it is unseen, not absent.
TEST(PortHolders, DescriptorsListedButNotReadableAreUnseen) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make folders an ordinary user cannot search";
    PtyDevice device;
    TempDir proc;
    ASSERT_EQ(chmod(proc.path().c_str(), 0755), 0);
    addProcess(proc, "600", "ModemManager", true);
    for (const char* fd : {"0", "1", "3"})
        ASSERT_EQ(
            symlink(device.portPath().c_str(), proc.file(std::string("600/fd/") + fd).c_str()), 0);
    ASSERT_EQ(chmod(proc.file("600/fd").c_str(), 0444), 0);  // listed, not searched
    EXPECT_EQ(scanAsOrdinaryUser(nodeOf(device.portPath()), proc.path()),
              "looked unseen 600  takers 600 ModemManager;");
}

// Root's holder is seen by root and named; an ordinary user may not look into
// it and is told so, not that nobody is there.
TEST(PortHolders, ARootHolderIsUnseenByAnOrdinaryUserNotAbsent) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the port as another user";
    PtyDevice device;
    const HoldingProcess holder(device.portPath());
    ASSERT_TRUE(holder.waitUntilHolding());
    const struct stat port = nodeOf(device.portPath());

    const backend::HolderScan asRoot = backend::ScanPortHolders(port);
    ASSERT_TRUE(asRoot.holder);
    EXPECT_EQ(asRoot.holder->pid, holder.pid());
    EXPECT_EQ(asRoot.holder->name, "sleep");

    const std::string found = scanAsOrdinaryUser(port);
    EXPECT_EQ(found.rfind("looked unseen ", 0), 0u) << found;
    EXPECT_TRUE(listsUnseen(found, holder.pid())) << found;
    EXPECT_EQ(found.find(" " + std::to_string(holder.pid()) + " sleep;"), std::string::npos)
        << "sleep is no known taker: " << found;
}

// The case a user met: root's modem manager holds the port, an ordinary user
// opens it. The port opens (whether the manager holds it is not known), and
// the manager is named in a warning.
TEST(PortHolders, AnUncheckedKnownTakerIsNamedInAWarning) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the port as another user";
    PtyDevice device;
    ASSERT_EQ(chown(device.portPath().c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    const HoldingProcess holder(device.portPath(), "ModemManager");
    ASSERT_TRUE(holder.waitUntilHolding());
    if (holder.namesakeRuns())
        GTEST_SKIP() << "a real ModemManager runs here: it would be named too";
    const std::string pid = std::to_string(holder.pid());

    const std::string asUser = TextWithoutRootOverride([&] {
        SerialHandle handle;
        const OpenStatus opened =
            OpenComPort(handle, device.portPath(), kDeviceBaud, kQueueSize, nullptr);
        if (!opened.ok() || !handle.isOpen()) return "not opened: " + opened.system.describe();
        // Holders of tests run beside this one are named too: only its own counts here.
        OpenStatus own = opened;
        own.unseenPortTakers.erase(
            std::remove_if(own.unseenPortTakers.begin(), own.unseenPortTakers.end(),
                           [&](const OtherProcess& taker) { return taker.pid != holder.pid(); }),
            own.unseenPortTakers.end());
        return PortWarningText(own, 0) + "\n" + PortWarningText(own, 1);
    });
    EXPECT_EQ(asUser, "PID " + pid +
                          " (ModemManager) could not be checked and may hold the port: the reply "
                          "may be incomplete\nPID " +
                          pid +
                          " (ModemManager) konnte nicht gepr\u00fcft werden und belegt die "
                          "Schnittstelle vielleicht: die Antwort kann unvollst\u00e4ndig sein");

    // Root sees it: refused and named, as for any holder.
    SerialHandle handle;
    const OpenStatus asRoot =
        OpenComPort(handle, device.portPath(), kDeviceBaud, kQueueSize, nullptr);
    EXPECT_EQ(asRoot.result, OpenResult::InUse);
    EXPECT_EQ(PortFailureReason(asRoot, 0),
              "in use by ModemManager (PID " + pid +
                  "): it probes new serial ports; stop it or tell it to leave this adapter alone");
    EXPECT_TRUE(asRoot.unseenPortTakers.empty());
}

// The braille display service takes some USB serial adapters as they are
// plugged in: a holder of its name is refused with what to do about it, in
// the window's language.
TEST(PortHolders, ABrailleServiceHoldingThePortIsNamedWithWhatToDo) {
    PtyDevice device;
    const HoldingProcess holder(device.portPath(), "brltty");
    ASSERT_TRUE(holder.waitUntilHolding());
    if (holder.namesakeRuns()) GTEST_SKIP() << "a real brltty runs here: it would be named too";
    SerialHandle handle;
    const OpenStatus opened =
        OpenComPort(handle, device.portPath(), kDeviceBaud, kQueueSize, nullptr);
    ASSERT_EQ(opened.result, OpenResult::InUse);
    const std::string pid = std::to_string(holder.pid());
    EXPECT_EQ(PortFailureReason(opened, 0),
              "in use by brltty (PID " + pid +
                  "): the braille display service takes some USB serial adapters as they are "
                  "plugged in; stop it, or remove it where no braille display is used");
    EXPECT_EQ(PortFailureReason(opened, 1),
              "belegt von brltty (PID " + pid +
                  "): der Braillezeilen-Dienst nimmt manche USB-Seriell-Adapter beim "
                  "Einstecken; ihn beenden oder, wo keine Braillezeile benutzt wird, entfernen");
}

TEST(PortHolders, EachKnownTakerHasItsAdviceAndOthersOnlyTheirName) {
    OpenStatus opened = OpenFailure(OpenResult::InUse, EBUSY);
    opened.holderPid = 812;
    opened.holderName = "ModemManager";
    EXPECT_EQ(PortFailureReason(opened, 3),
              "belegt von ModemManager (PID 812): er pr\u00fcft neue serielle Schnittstellen; "
              "ihn beenden oder ihm sagen, diesen Adapter in Ruhe zu lassen");
    opened.holderName = "gpsd";
    EXPECT_EQ(PortFailureReason(opened, 0),
              "in use by gpsd (PID 812): the GPS service reads the serial ports it is given; "
              "stop it or tell it to leave this adapter alone");
    // Names are compared whole: a look-alike gets no advice meant for another program.
    opened.holderName = "gpsd2";
    EXPECT_EQ(PortFailureReason(opened, 0), "in use by PID 812 (gpsd2)");
    opened.holderName = "modemmanager";
    EXPECT_EQ(PortFailureReason(opened, 1), "belegt von PID 812 (modemmanager)");
}

TEST(PortHolders, SeveralUncheckedTakersAreNamedTogether) {
    OpenStatus opened;
    EXPECT_EQ(PortWarningText(opened, 0), "");
    opened.unseenPortTakers = {{812, "ModemManager"}, {640, "brltty"}};
    EXPECT_EQ(PortWarningText(opened, 0),
              "PID 812 (ModemManager), PID 640 (brltty) could not be checked and may hold the "
              "port: the reply may be incomplete");
    EXPECT_EQ(PortWarningText(opened, 2),
              "PID 812 (ModemManager), PID 640 (brltty) konnten nicht gepr\u00fcft werden und "
              "belegen die Schnittstelle vielleicht: die Antwort kann unvollst\u00e4ndig sein");
}

// A container's own /dev/pts/N is another pty than the host's /dev/pts/N,
// though both have the same device number: its holder does not hold the port.
TEST(PortHolders, APtyOfTheSameNumberInAContainerIsAnotherPort) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a mount namespace";
    PtyDevice device;
    const std::string prefix = "/dev/pts/";
    ASSERT_EQ(device.portPath().rfind(prefix, 0), 0u) << device.portPath();
    const long index = std::atol(device.portPath().c_str() + prefix.size());
    const struct stat port = nodeOf(device.portPath());

    const NamespacedPtyHolder other(index);
    if (other.refused())
        GTEST_SKIP() << "a mount namespace with its own devpts is not permitted here: "
                     << other.failure();
    ASSERT_TRUE(other.holding()) << other.failure();
    ASSERT_EQ(other.device(), port.st_rdev) << "the container's pty has another number";
    ASSERT_NE(other.fileSystem(), port.st_dev) << "the container's pty is the host's";

    const backend::HolderScan scan = backend::ScanPortHolders(port);
    EXPECT_FALSE(scan.holder) << "named PID " << scan.holder->pid << " (" << scan.holder->name
                              << "), the container's holder is PID " << other.pid();

    SerialHandle handle;
    const OpenStatus opened =
        OpenComPort(handle, device.portPath(), kDeviceBaud, kQueueSize, nullptr);
    EXPECT_TRUE(opened.ok()) << PortFailureReason(opened, 0);
    EXPECT_TRUE(handle.isOpen());
}
