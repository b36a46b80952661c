// Why a port did not open, each cause produced for real: a missing node, a
// file, a node without permission, a port another program holds, the system's
// own terminals.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "ChildProcess.h"
#include "HoldingProcess.h"
#include "PortHolders.h"
#include "PtyDevice.h"
#include "TempDir.h"
#include "WinCOmmUnit.h"

using namespace travik;

namespace {

OpenStatus tryOpen(SerialHandle& handle, const std::string& name) {
    return OpenComPort(handle, name, kDeviceBaud, kQueueSize, nullptr);
}

OpenStatus tryOpen(const std::string& name) {
    SerialHandle handle;
    return tryOpen(handle, name);
}

}  // namespace

TEST(PortFailure, AMissingNodeIsNoSuchDevice) {
    TempDir dir;
    for (const std::string& name : {dir.file("ttyUSB9"), std::string()}) {
        const OpenStatus opened = tryOpen(name);
        EXPECT_EQ(opened.result, OpenResult::NoSuchPort) << name;
        EXPECT_EQ(OpenResultMessage(opened.result), std::string("invalid handle"));
        EXPECT_EQ(opened.system.code(), ENOENT) << name;
        EXPECT_EQ(opened.system.reason(), SystemErrorText(ENOENT)) << name;
        EXPECT_EQ(PortFailureReason(opened, 0), "no such device (unplugged?)");
        EXPECT_EQ(PortFailureReason(opened, 2), "Ger\u00e4t nicht vorhanden (ausgesteckt?)");
    }
}

TEST(PortFailure, AFileOrFolderIsNotASerialPort) {
    TempDir dir;
    WriteFileBytes(dir.file("plain.txt"), "not a terminal");
    for (const std::string& name : {dir.file("plain.txt"), dir.path()}) {
        const OpenStatus opened = tryOpen(name);
        EXPECT_EQ(opened.result,
                  name == dir.path() ? OpenResult::InvalidHandle : OpenResult::NotSerialPort)
            << name;
    }
    EXPECT_EQ(PortFailureReason(tryOpen(dir.file("plain.txt")), 0), "not a serial port");
    // A folder: the system's own words (EISDIR), as it says them.
    EXPECT_EQ(PortFailureReason(tryOpen(dir.path()), 0), SystemErrorText(EISDIR));
    EXPECT_EQ(PortFailureReason(tryOpen(dir.file("plain.txt")), 1), "keine serielle Schnittstelle");
}

TEST(PortFailure, ANodeWithoutPermissionNamesTheGroupToJoin) {
    PtyDevice device;
    const group* dialout = getgrnam("dialout");
    if (geteuid() != 0 || dialout == nullptr) GTEST_SKIP() << "needs root and a dialout group";
    ASSERT_EQ(chown(device.portPath().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(device.portPath().c_str(), 0660), 0);
    OpenStatus opened;
    {
        const OrdinaryUserScope asUser;
        opened = tryOpen(device.portPath());
    }
    EXPECT_EQ(opened.result, OpenResult::PermissionDenied);
    EXPECT_EQ(opened.system.code(), EACCES);
    EXPECT_EQ(opened.group, "dialout");
    EXPECT_EQ(PortFailureReason(opened, 0),
              "permission denied: add your user to the dialout group: sudo adduser $USER "
              "dialout, then log in again");
    EXPECT_EQ(PortFailureReason(opened, 1),
              "Zugriff verweigert: Benutzer zur Gruppe dialout hinzuf\u00fcgen: sudo adduser "
              "$USER dialout, dann neu anmelden");

    // A node only root's group may use gets no advice to join that group.
    ASSERT_EQ(chown(device.portPath().c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(device.portPath().c_str(), 0600), 0);
    {
        const OrdinaryUserScope asUser;
        opened = tryOpen(device.portPath());
    }
    EXPECT_EQ(PortFailureReason(opened, 0), "permission denied");
}

TEST(PortFailure, APortWeHoldAlreadyIsInUse) {
    PtyDevice device;
    SerialHandle first;
    ASSERT_TRUE(tryOpen(first, device.portPath()).ok());
    const OpenStatus second = tryOpen(device.portPath());
    EXPECT_EQ(second.result, OpenResult::InUse);
    EXPECT_EQ(second.system.code(), EBUSY);
    EXPECT_EQ(PortFailureReason(second, 0), "in use by another program");
    EXPECT_EQ(PortFailureReason(second, 3), "von einem anderen Programm belegt");
}

// A program that opened the port before us, without any lock, would take part
// of the reply: it is found and named, and the port is left to it.
TEST(PortFailure, AProgramThatOpenedThePortFirstIsNamed) {
    PtyDevice device;
    {
        const HoldingProcess other(device.portPath());
        ASSERT_TRUE(other.waitUntilHolding());
        SerialHandle handle;
        const OpenStatus opened = tryOpen(handle, device.portPath());
        EXPECT_EQ(opened.result, OpenResult::InUse);
        EXPECT_TRUE(handle.isInvalid());
        EXPECT_EQ(opened.holderPid, other.pid());
        EXPECT_EQ(opened.holderName, "sleep");
        EXPECT_EQ(PortFailureReason(opened, 0),
                  "in use by PID " + std::to_string(other.pid()) + " (sleep)");
        // The status keeps the system's words; the user's text is worked out from it.
        EXPECT_EQ(opened.system.reason(), SystemErrorText(EBUSY));
    }
    // The device's own end (the master side) is no competitor.
    EXPECT_TRUE(tryOpen(device.portPath()).ok());
}

TEST(PortFailure, TheSystemsOwnTerminalsAreRefusedUnopened) {
    EXPECT_EQ(tryOpen("/dev/tty").result, OpenResult::NotSerialPort);
    // Nodes of our own with the console's and the virtual consoles' numbers.
    TempDir dir;
    struct Node {
        const char* name;
        unsigned major, minor;
    };
    for (const Node& node :
         {Node{"console", 5, 1}, Node{"tty0", 4, 0}, Node{"tty63", 4, 63}, Node{"ptmx", 5, 2}}) {
        const std::string path = dir.file(node.name);
        if (mknod(path.c_str(), S_IFCHR | 0600, makedev(node.major, node.minor)) != 0)
            GTEST_SKIP() << "cannot make device nodes here";
        const OpenStatus opened = tryOpen(path);
        EXPECT_EQ(opened.result, OpenResult::NotSerialPort) << node.name;
        EXPECT_EQ(PortFailureReason(opened, 0), "not a serial port") << node.name;
        EXPECT_EQ(PortFailureReason(opened, 1), "keine serielle Schnittstelle") << node.name;
    }
    // UARTs share the virtual consoles' major number from minor 64 on.
    EXPECT_FALSE(backend::IsSystemTerminal(makedev(4, 64)));
    EXPECT_FALSE(backend::IsSystemTerminal(makedev(188, 0)));  // ttyUSB0
}

TEST(PortFailure, TheControllingTerminalIsRefused) {
    PtyDevice device;
    const std::string path = device.portPath();
    const int result = RunInChild(
        [&] {
            setsid();
            const int fd = open(path.c_str(), O_RDWR);  // becomes the controlling terminal
            if (fd >= 0) ioctl(fd, TIOCSCTTY, 0);
        },
        [&] { return tryOpen(path).result == OpenResult::NotSerialPort ? 0 : 1; });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(tryOpen(path).ok()) << "another process's terminal is a port like any other";
}

// Started with standard input, output and error closed, the program must not
// let the port take their numbers: what it prints would go to the device.
TEST(PortFailure, ThePortNeverTakesAStandardStream) {
    PtyDevice device;
    const std::string path = device.portPath();
    const int result = RunInChild(
        [] {
            close(0);
            close(1);
            close(2);
        },
        [&] {
            SerialHandle handle;
            if (!tryOpen(handle, path).ok()) return 1;
            return handle.native() > 2 ? 0 : 2;
        });
    EXPECT_EQ(result, 0);
}
