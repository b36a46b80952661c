// Who else holds a port, as far as this user may look: a holder this user
// cannot look into is listed as unseen, never taken for nobody, and a known
// taker of serial ports among the unseen is named in a warning.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

dev_t deviceOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return 0;
    return st.st_rdev;
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
std::string scanAsOrdinaryUser(dev_t device, const std::string& procRoot = "/proc") {
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

    std::string found = scanAsOrdinaryUser(deviceOf(device.portPath()), proc.path());
    // The order of a folder's entries is the file system's.
    for (const char* order : {"unseen 100 200 ", "unseen 200 100 "}) {
        const std::size_t at = found.find(order);
        if (at != std::string::npos) found.replace(at, 15, "unseen (100 200) ");
    }
    EXPECT_EQ(found, "looked unseen (100 200)  takers 100 ModemManager;");

    // A process that holds the port is the holder, as before.
    addProcess(proc, "500", "minicom", true);
    ASSERT_EQ(symlink(device.portPath().c_str(), proc.file("500/fd/3").c_str()), 0);
    found = scanAsOrdinaryUser(deviceOf(device.portPath()), proc.path());
    EXPECT_NE(found.find("looked holder 500 "), std::string::npos) << found;

    EXPECT_EQ(scanAsOrdinaryUser(deviceOf(device.portPath()), proc.file("none")),
              "not looked unseen  takers ");
}

// Root's holder is seen by root and named; an ordinary user may not look into
// it and is told so, not that nobody is there.
TEST(PortHolders, ARootHolderIsUnseenByAnOrdinaryUserNotAbsent) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the port as another user";
    PtyDevice device;
    const HoldingProcess holder(device.portPath());
    ASSERT_TRUE(holder.waitUntilHolding());
    const dev_t port = deviceOf(device.portPath());

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
        if (!opened.ok() || !handle.isOpen()) return "not opened: " + opened.status.describe();
        return PortWarningText(opened, 0) + "\n" + PortWarningText(opened, 1);
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
    EXPECT_EQ(asRoot.fault, PortFault::InUse);
    EXPECT_EQ(PortFailureReason(asRoot, 0), "in use by PID " + pid + " (ModemManager)");
    EXPECT_TRUE(asRoot.unseenPortTakers.empty());
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
