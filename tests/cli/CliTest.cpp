// travik-read run as a process against the device simulator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "CsvExport.h"
#include "FakeSysfs.h"
#include "HoldingProcess.h"
#include "QuietReadoutWindow.h"
#include "Readout.h"
#include "RunProcess.h"
#include "SimProcess.h"
#include "StatusCode.h"
#include "TempDir.h"

using namespace travik;

namespace {

const std::string kProgram = TRAVIK_READ_PATH;

// The same readout done in this process, as the window does it.
TerminalText readInProcess(ReadoutKind kind, const std::string& port) {
    ReadoutState state;
    state.ComPortName = port;
    QuietReadoutWindow window;
    Button1Click(kind, state, window);
    return state.terminal;
}

std::string asPrinted(const TerminalText& text) {
    std::string printed = text.bytes();
    for (char& c : printed)
        if (c == '\r') c = '\n';
    return printed;
}

ProcessOutput readout(const std::vector<std::string>& args, const ProcessLimits& limits = {}) {
    return RunProcess(kProgram, args, limits);
}

}  // namespace

TEST(TravikRead, PrintsBothKindsAsTheWindowShowsThem) {
    SimProcess sim({"--fast"});
    for (const auto& [word, kind] : {std::pair{"alarm", ReadoutKind::AlarmBuffer},
                                     std::pair{"data", ReadoutKind::DataLogger}}) {
        const ProcessOutput run = readout({word, "--port", sim.portPath()});
        EXPECT_EQ(run.status, 0) << word << ": " << run.err;
        EXPECT_EQ(run.err, "") << "no progress bar when standard error is not a terminal";
        const TerminalText expected = readInProcess(kind, sim.portPath());
        ASSERT_GT(expected.size(), 1000u);
        EXPECT_EQ(run.out, asPrinted(expected)) << word;
    }
}

TEST(TravikRead, WritesEachCsvFormatLikeTheWindow) {
    SimProcess sim({"--fast"});
    TempDir dir;
    const TerminalText alarm = readInProcess(ReadoutKind::AlarmBuffer, sim.portPath());
    const std::string tabbed = dir.file("window-tab.csv");
    ASSERT_EQ(CodeOf(SaveCsvTabbed(tabbed, alarm, true)), 0);
    const std::string comma = dir.file("window-comma.csv");
    ASSERT_EQ(CodeOf(SaveCsvSeparated(comma, alarm, true, ',')), 0);
    const std::string semicolon = dir.file("window-semicolon.csv");
    ASSERT_EQ(CodeOf(SaveCsvSeparated(semicolon, alarm, true, ';')), 0);

    const std::vector<std::pair<std::string, std::string>> formats = {
        {"tab", tabbed}, {"comma", comma}, {"semicolon", semicolon}};
    for (const auto& [separator, windowFile] : formats) {
        const std::string target = dir.file("cli-" + separator + ".csv");
        const ProcessOutput run =
            readout({"alarm", "--port", sim.portPath(), "--csv", target, "--separator", separator});
        EXPECT_EQ(run.status, 0) << separator << ": " << run.err;
        EXPECT_EQ(run.out, "") << "nothing goes to standard output with --csv";
        EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(windowFile)) << separator;
    }
    const ProcessOutput byDefault =
        readout({"alarm", "--port", sim.portPath(), "--csv", dir.file("default.csv")});
    EXPECT_EQ(byDefault.status, 0);
    EXPECT_EQ(ReadFileBytes(dir.file("default.csv")), ReadFileBytes(tabbed));
}

TEST(TravikRead, ASilentDeviceGivesStatus1AndNoFile) {
    SimProcess sim({"--silent"});
    TempDir dir;
    const ProcessOutput run =
        readout({"data", "--port", sim.portPath(), "--csv", dir.file("none.csv")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "timeout during Read\n");
    struct stat info {};
    EXPECT_NE(stat(dir.file("none.csv").c_str(), &info), 0);
}

TEST(TravikRead, AnUnknownPortGivesStatus2) {
    const ProcessOutput run = readout({"alarm", "--port", "/dev/ttyTravikDoesNotExist"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("invalid handle\n", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("\n/dev/ttyTravikDoesNotExist: no such device (unplugged?)\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(TravikRead, AnUnwritableTargetGivesStatus3AndKeepsTheExistingFile) {
    SimProcess sim({"--fast"});
    TempDir dir;
    const std::string target = dir.file("keep.csv");
    WriteFileBytes(target, "precious\r\n");
    ProcessLimits limits;
    limits.fileSizeLimit = 4096;  // the readout is far larger: the write is cut short
    const ProcessOutput run = readout({"alarm", "--port", sim.portPath(), "--csv", target}, limits);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "I/O error 27.\n" + target + ": write: File too large\n");
    EXPECT_EQ(ReadFileBytes(target), "precious\r\n");

    const ProcessOutput missingFolder =
        readout({"alarm", "--port", sim.portPath(), "--csv", dir.file("no/such/folder.csv")});
    EXPECT_EQ(missingFolder.status, 3);
    EXPECT_EQ(missingFolder.err, "File not found.\n" + dir.file("no/such/folder.csv") +
                                     ": create: No such file or directory\n");
}

TEST(TravikRead, AnotherUsersLinkInASharedFolderGivesStatus3AndWritesNothing) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give the link to another user";
    SimProcess sim({"--fast"});
    TempDir dir;
    const std::string victim = dir.file("root-owned.csv");
    WriteFileBytes(victim, "precious\r\n");
    ASSERT_EQ(mkdir(dir.file("shared").c_str(), 0777), 0);
    ASSERT_EQ(chmod(dir.file("shared").c_str(), 01777), 0);
    const std::string link = dir.file("shared/Alarm.csv");
    ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
    ASSERT_EQ(lchown(link.c_str(), kOrdinaryUser, static_cast<gid_t>(-1)), 0);

    const ProcessOutput run = readout({"alarm", "--port", sim.portPath(), "--csv", link});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "File access denied.\n" + link + ": follow link: Permission denied\n");
    EXPECT_EQ(ReadFileBytes(victim), "precious\r\n");
}

TEST(TravikRead, AHangUpHalfWayGivesStatus4AndKeepsThePartialText) {
    TempDir dir;
    std::string reply;
    for (int row = 0; row < 40; ++row) reply += "row " + std::to_string(row) + "\t3,5\r\n";
    WriteFileBytes(dir.file("reply.bin"), reply);
    const std::size_t cut = 200;
    std::string expected = reply.substr(0, cut);
    std::string printed;
    for (char c : expected)
        if (c != '\n') printed.push_back(c == '\r' ? '\n' : c);

    SimProcess toStdout(
        {"--fast", "--reply-file", dir.file("reply.bin"), "--hangup-after", std::to_string(cut)});
    const ProcessOutput run = readout({"data", "--port", toStdout.portPath()});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "connection lost during Read\n");
    EXPECT_EQ(run.out, printed);

    SimProcess toFile(
        {"--fast", "--reply-file", dir.file("reply.bin"), "--hangup-after", std::to_string(cut)});
    const ProcessOutput saved =
        readout({"data", "--port", toFile.portPath(), "--csv", dir.file("partial.csv")});
    EXPECT_EQ(saved.status, 4);
    std::string crlf;
    for (char c : printed) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    crlf += "\r\n";  // the cut-off last line is ended like every other
    EXPECT_EQ(ReadFileBytes(dir.file("partial.csv")), crlf);
}

TEST(TravikRead, UsageErrorsGiveStatus64WithTheUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{},
          {"alarm"},
          {"fetch", "--port", "x"},
          {"--bogus"},
          {"data", "--port", "x", "--separator", "pipe", "--csv", "f"}}) {
        const ProcessOutput run = readout(args);
        EXPECT_EQ(run.status, 64);
        EXPECT_NE(run.err.find("usage: travik-read"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    const ProcessOutput help = readout({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: travik-read"), std::string::npos);
    const ProcessOutput version = readout({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("travik-read ", 0), 0u);
}

TEST(TravikRead, ControlCharactersInNamesAreShownEscapedOnOneLine) {
    SimProcess sim({"--fast"});
    TempDir dir;
    const std::string target = dir.file("no such\nfolder/Alarm\t\x1b[2J.csv");
    const ProcessOutput file = readout({"alarm", "--port", sim.portPath(), "--csv", target});
    EXPECT_EQ(file.status, 3);
    EXPECT_EQ(file.err, "File not found.\n" + dir.file("no such\\nfolder/Alarm\\t\\x1b[2J.csv") +
                            ": create: No such file or directory\n");

    const ProcessOutput port = readout({"alarm", "--port", "/dev/ttyTravik\nGone"});
    EXPECT_EQ(port.status, 2);
    EXPECT_NE(port.err.find("\n/dev/ttyTravik\\nGone: no such device (unplugged?)\n"),
              std::string::npos)
        << port.err;

    const ProcessOutput usage = readout({"alarm", "--port", "x", "extra\r\nname"});
    EXPECT_EQ(usage.status, 64);
    EXPECT_EQ(usage.err.rfind("travik-read: unexpected argument 'extra\\r\\nname'\n", 0), 0u)
        << usage.err;
}

TEST(TravikRead, ListsThePortsOfTheMachineOnePerLine) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0");
    sys.AddTty("ttyS10", "pnp0/00:05", "4\n");
    sys.AddTty("ttyS2", "pnp0/00:06", "4\n");
    sys.AddTty("ttyS1", "platform/serial8250", "0\n");
    sys.AddVirtualTty("tty0");
    TempDir dir;
    const std::string listing = dir.file("ports.txt");
    // travik-read itself, with the fake tree as /sys and /dev.
    const int status = RunWithFakeSysfs(sys, [&] {
        const int out = open(listing.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0) return 253;
        execl(kProgram.c_str(), kProgram.c_str(), "--list-ports", static_cast<char*>(nullptr));
        return 252;
    });
    if (status == kNoMountNamespace) GTEST_SKIP() << "no private mount namespace on this machine";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(listing), "/dev/ttyS2\t-\n/dev/ttyS10\t-\n/dev/ttyUSB0\t-\n");
}

namespace {

const char kFtdiUsb[] = "pci0000:00/0000:00:14.0/usb1/1-2";
const char kFtdiIdentity[] = "usb:0403:6001:A50285BI";

// A machine where the FTDI adapter's port is now ttyUSB1 (the simulator's pty
// bound there), behind a CH340 on ttyUSB0.
void plugInAdapters(FakeSysfs& sys, const std::string& ftdiPort) {
    sys.AddTty("ttyUSB0", "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0");
    sys.SetUsbDevice("pci0000:00/0000:00:14.0/usb1/1-1", "1a86", "7523", "", "USB Serial", "");
    sys.AddTty("ttyUSB1", std::string(kFtdiUsb) + "/1-2:1.0/ttyUSB1");
    sys.SetUsbDevice(kFtdiUsb, "0403\n", "6001\n", "FTDI\n", "FT232R USB UART\n", "A50285BI\n");
    if (!ftdiPort.empty()) sys.BindNode("ttyUSB1", ftdiPort);
}

// Runs travik-read in the fake tree; its output is checked there and told by the status.
int readoutInTree(const FakeSysfs& sys, const std::vector<std::string>& args,
                  const std::function<bool(const ProcessOutput&)>& expected) {
    return RunWithFakeSysfs(sys, [&] {
        const ProcessOutput run = readout(args);
        if (expected(run)) return 0;
        std::fprintf(stderr, "status %d\nout: %s\nerr: %s\n", run.status, run.out.c_str(),
                     run.err.c_str());
        return 1;
    });
}

}  // namespace

TEST(TravikRead, ListsEachPortsAdapterIdentityAndDescription) {
    FakeSysfs sys;
    plugInAdapters(sys, "");
    const int status = readoutInTree(sys, {"--list-ports"}, [](const ProcessOutput& run) {
        return run.status == 0 &&
               run.out ==
                   "/dev/ttyUSB0\tusb-at:1-1\tUSB Serial (1a86:7523)\n"
                   "/dev/ttyUSB1\tusb:0403:6001:A50285BI\tFTDI FT232R USB UART (0403:6001, "
                   "serial A50285BI)\n";
    });
    if (status == kNoMountNamespace) GTEST_SKIP() << "no private mount namespace on this machine";
    EXPECT_EQ(status, 0);
}

// A device names itself as it likes: bytes that are no UTF-8 are written %XX,
// as in the identities, so that the listing stays text.
TEST(TravikRead, ListedDescriptionsEscapeBytesThatAreNoUtf8) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0");
    sys.SetUsbDevice("pci0000:00/0000:00:14.0/usb1/1-1", "1a86", "7523", "Caf\xe9\xff",
                     "100% S\xc3\xa9rie", "");
    const int status = readoutInTree(sys, {"--list-ports"}, [](const ProcessOutput& run) {
        return run.status == 0 &&
               run.out == "/dev/ttyUSB0\tusb-at:1-1\tCaf%E9%FF 100%25 S\xc3\xa9rie (1a86:7523)\n";
    });
    if (status == kNoMountNamespace) GTEST_SKIP() << "no private mount namespace on this machine";
    EXPECT_EQ(status, 0);
}

// A cron job names the adapter, not its port: it survives a renumbering.
TEST(TravikRead, APortGivenByItsAdapterIdentityIsReadUnderItsNameOfToday) {
    SimProcess sim({"--fast", "--rows", "5"});
    const std::string expected = asPrinted(readInProcess(ReadoutKind::DataLogger, sim.portPath()));
    ASSERT_GT(expected.size(), 10u);
    FakeSysfs sys;
    plugInAdapters(sys, sim.portPath());
    const int status = readoutInTree(
        sys, {"data", "--port", kFtdiIdentity},
        [&](const ProcessOutput& run) { return run.status == 0 && run.out == expected; });
    if (status == kNoMountNamespace) GTEST_SKIP() << "no private mount namespace on this machine";
    EXPECT_EQ(status, 0);
}

TEST(TravikRead, AnAdapterIdentityOfNoneOrTwoPortsReadsNothing) {
    FakeSysfs sys;
    plugInAdapters(sys, "");
    int status =
        readoutInTree(sys, {"data", "--port", "usb:0403:6001:OTHER"}, [](const ProcessOutput& run) {
            return run.status == 2 &&
                   run.err == "usb:0403:6001:OTHER: no such adapter plugged in\n";
        });
    if (status == kNoMountNamespace) GTEST_SKIP() << "no private mount namespace on this machine";
    EXPECT_EQ(status, 0);

    // A second adapter of the same kind without a serial number, at the same
    // place seen twice: both ports are that identity.
    sys.AddTty("ttyUSB2", "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.1/ttyUSB2");
    status = readoutInTree(sys, {"data", "--port", "usb-at:1-1"}, [](const ProcessOutput& run) {
        return run.status == 2 &&
               run.err == "usb-at:1-1: 2 ports are this adapter; give one by its name\n";
    });
    EXPECT_EQ(status, 0);
}

// Faults: a device that comes back after hanging up, a port someone else holds.

TEST(TravikRead, AfterAHangUpTheNextReadoutOfTheSamePathWorks) {
    TempDir dir;
    const std::string link = dir.file("ttyTravik");
    {
        SimProcess first({"--fast", "--rows", "20", "--hangup-after", "500", "--link", link});
        const ProcessOutput cut = readout({"alarm", "--port", link});
        ASSERT_EQ(cut.status, 4) << cut.err;
        ASSERT_EQ(first.exitStatus(), 0);
    }
    SimProcess second({"--fast", "--rows", "20", "--link", link});
    const ProcessOutput run = readout({"alarm", "--port", link});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const TerminalText expected = readInProcess(ReadoutKind::AlarmBuffer, link);
    ASSERT_GT(expected.size(), 500u);
    EXPECT_EQ(run.out, asPrinted(expected));
}

// A busy port is worth trying again later: its own status, apart from a port
// that cannot be opened at all.
TEST(TravikRead, APortHeldByAnotherOpenerGivesStatus5) {
    SimProcess sim({"--fast", "--rows", "5"});
    SerialHandle holder;
    ASSERT_EQ(
        OpenComPort(holder, sim.portPath(), kDeviceBaud, kQueueSize, [](const std::string&) {}),
        OpenResult::Ok);
    const ProcessOutput refused = readout({"data", "--port", sim.portPath()});
    EXPECT_EQ(refused.status, 5);
    EXPECT_EQ(refused.err.rfind("invalid handle\n", 0), 0u) << refused.err;
    // The holder is this test program, which the system names.
    EXPECT_NE(
        refused.err.find(sim.portPath() + ": in use by PID " + std::to_string(getpid()) + " ("),
        std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out, "");

    holder.close();
    EXPECT_EQ(readout({"data", "--port", sim.portPath()}).status, 0);
}

TEST(TravikRead, AnUnwritableStandardOutputIsAFailedWrite) {
    SimProcess sim({"--fast"});
    const ProcessOutput run = RunProcess(
        "/bin/sh", {"-c", "exec \"$0\" alarm --port \"$1\" >/dev/full", kProgram, sim.portPath()});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "I/O error 28.\nstandard output: write: No space left on device\n");
}

TEST(TravikRead, AConnectionLostBeforeAnyByteWritesNoFile) {
    SimProcess sim({"--fast", "--hangup-after", "0"});
    TempDir dir;
    const ProcessOutput run =
        readout({"alarm", "--port", sim.portPath(), "--csv", dir.file("empty.csv")});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "connection lost during Read\n");
    struct stat info {};
    EXPECT_NE(stat(dir.file("empty.csv").c_str(), &info), 0);
}

namespace {

// A copy of the program that an ordinary user may run wherever the build tree
// is (Debian 13 keeps /root closed to other users).
std::string ProgramForEveryone(const TempDir& dir) {
    const std::string copy = dir.file("travik-read");
    WriteFileBytes(copy, ReadFileBytes(kProgram));
    if (chmod(dir.path().c_str(), 0755) != 0 || chmod(copy.c_str(), 0755) != 0) return {};
    return copy;
}

}  // namespace

// Root's modem manager holds the port, an ordinary user reads it: whether the
// manager takes part of the reply cannot be checked, and standard error says
// so, naming it, before the readout; root is refused as before.
TEST(TravikRead, AnUncheckedPortTakerIsNamedBeforeTheReadout) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the port as another user";
    SimProcess sim({"--fast", "--rows", "5"});
    const TerminalText expected = readInProcess(ReadoutKind::AlarmBuffer, sim.portPath());
    ASSERT_GT(expected.size(), 100u);
    ASSERT_EQ(chown(sim.portPath().c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    const HoldingProcess holder(sim.portPath(), "ModemManager");
    ASSERT_TRUE(holder.waitUntilHolding());
    if (holder.namesakeRuns())
        GTEST_SKIP() << "a real ModemManager runs here: it would be named too";
    const std::string holderText = "PID " + std::to_string(holder.pid()) + " (ModemManager)";

    // Standard error into the same pipe as the readout, to see what came first.
    ProcessLimits asUser;
    asUser.asOrdinaryUser = true;
    const TempDir programDir;
    const std::string program = ProgramForEveryone(programDir);
    ASSERT_FALSE(program.empty());
    const ProcessOutput run = RunProcess(
        "/bin/sh", {"-c", "exec \"$0\" alarm --port \"$1\" 2>&1", program, sim.portPath()}, asUser);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(WithOnlyTaker(run.out, holderText),
              sim.portPath() + ": " + holderText +
                  " could not be checked and may hold the port: the reply may be "
                  "incomplete\n" +
                  asPrinted(expected));

    const ProcessOutput asRoot = readout({"alarm", "--port", sim.portPath()});
    EXPECT_EQ(asRoot.status, 5);
    EXPECT_NE(asRoot.err.find("\n" + sim.portPath() + ": in use by ModemManager (PID " +
                              std::to_string(holder.pid()) +
                              "): it probes new serial ports; stop it or tell it to leave "
                              "this adapter alone\n"),
              std::string::npos)
        << asRoot.err;
}
