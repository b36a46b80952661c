// The serial link against real pseudo-terminals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "PtyDevice.h"
#include "TempDir.h"
#include "WinCOmmUnit.h"

using namespace travik;
using Clock = std::chrono::steady_clock;

namespace {

struct Opened {
    std::vector<std::string> messages;
    OpenStatus result;
};

Opened openPort(SerialHandle& handle, const std::string& name) {
    Opened opened;
    opened.result = OpenComPort(handle, name, kDeviceBaud, kQueueSize,
                                [&](const std::string& text) { opened.messages.push_back(text); });
    return opened;
}

long millisSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace

TEST(OpenComPort, NamesThatCannotBeOpenedGiveInvalidHandle) {
    TempDir dir;
    WriteFileBytes(dir.file("plain.txt"), "not a terminal");
    for (const std::string& name : {std::string("ttyTravikDoesNotExist"), std::string(""),
                                    dir.file("missing"), dir.file("plain.txt"), dir.path()}) {
        SerialHandle handle;
        const Opened opened = openPort(handle, name);
        EXPECT_TRUE(OpenStepFailed(opened.result.result)) << name;
        EXPECT_TRUE(handle.isInvalid()) << name;
        EXPECT_EQ(opened.messages, std::vector<std::string>{"invalid handle"}) << name;
    }
}

TEST(OpenComPort, APortHeldByAnotherOpenerIsRefused) {
    PtyDevice device;
    SerialHandle first;
    ASSERT_EQ(openPort(first, device.portPath()).result, OpenResult::Ok);
    SerialHandle second;
    const Opened opened = openPort(second, device.portPath());
    EXPECT_EQ(opened.result, OpenResult::InUse);
    EXPECT_TRUE(second.isInvalid());
    EXPECT_EQ(opened.messages, std::vector<std::string>{"invalid handle"});

    first.close();
    SerialHandle third;
    EXPECT_EQ(openPort(third, device.portPath()).result, OpenResult::Ok)
        << "closing must give the port back";
}

namespace {

// Whether the port is in exclusive mode (TIOCEXCL), seen through another descriptor.
bool ExclusiveFlag(int fd) {
    int exclusive = -1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    return exclusive != 0;
}

}  // namespace

// The exclusive mode belongs to the tty, not to a descriptor: while another
// program keeps the port open it would refuse every later open but root's.
TEST(OpenComPort, ExclusiveModeLastsOnlyWhileThePortIsOurs) {
    PtyDevice device;
    const int other = open(device.portPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);

    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    EXPECT_TRUE(ExclusiveFlag(other));
    handle.close();
    EXPECT_FALSE(ExclusiveFlag(other)) << "a closed port must take any user's next open";

    // Refused because another program holds the lock: its port is left as it was.
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(openPort(handle, device.portPath()).result, OpenResult::InUse);
    EXPECT_FALSE(ExclusiveFlag(other));
    close(other);
}

TEST(OpenComPort, PutsTheLineInto19200RawNoFlowControl) {
    PtyDevice device;
    SerialHandle handle;
    const Opened opened = openPort(handle, device.portPath());
    ASSERT_EQ(opened.result, OpenResult::Ok);
    EXPECT_TRUE(opened.messages.empty());
    ASSERT_TRUE(handle.isOpen());

    termios tio{};
    ASSERT_EQ(tcgetattr(static_cast<int>(handle.native()), &tio), 0);
    EXPECT_EQ(cfgetispeed(&tio), B19200);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP));
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_EQ(fcntl(static_cast<int>(handle.native()), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
}

TEST(ReadComByte, ReturnsBytesAsSentIncludingZeroAndHighBytes) {
    PtyDevice device;
    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    std::string sent;
    for (int b = 1; b < 256; ++b) sent.push_back(static_cast<char>(b));
    sent.push_back('\0');
    device.send(sent);
    for (int b = 1; b < 256; ++b) {
        ASSERT_EQ(handle.ReadComByte(), b);
        ASSERT_EQ(handle.lastStatus(), ReadStatus::Byte);
    }
    EXPECT_EQ(handle.ReadComByte(), 0);
    EXPECT_EQ(handle.lastStatus(), ReadStatus::Byte) << "a 0 byte is a byte, not a timeout";
}

TEST(ReadComByte, NoDataTimesOutAfterAbout200ms) {
    PtyDevice device;
    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    const auto start = Clock::now();
    EXPECT_EQ(handle.ReadComByte(), 0);
    const long waited = millisSince(start);
    EXPECT_EQ(handle.lastStatus(), ReadStatus::Timeout);
    EXPECT_FALSE(handle.lost());
    EXPECT_GE(waited, 150);
    EXPECT_LT(waited, 2000);
}

TEST(ReadComByte, AHangUpEndsTheReadAtOnceAndIsReportedAsLost) {
    PtyDevice device;
    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    device.send("ab");
    EXPECT_EQ(handle.ReadComByte(), 'a');
    EXPECT_EQ(handle.ReadComByte(), 'b');
    device.hangUp();
    const auto start = Clock::now();
    EXPECT_EQ(handle.ReadComByte(), 0);
    EXPECT_EQ(handle.lastStatus(), ReadStatus::Lost);
    EXPECT_TRUE(handle.lost());
    EXPECT_LT(millisSince(start), 150) << "a lost port must not wait for the timeout";
    EXPECT_EQ(handle.ReadComByte(), 0);  // stays lost
    EXPECT_TRUE(handle.lost());
}

TEST(ReadComByte, InvalidAndNoneHandlesReadZeroAndWriteNothing) {
    SerialHandle none;
    EXPECT_EQ(none.ReadComByte(), 0);
    EXPECT_FALSE(none.WriteComByte('h'));
    SerialHandle invalid;
    openPort(invalid, "ttyTravikDoesNotExist");
    ASSERT_TRUE(invalid.isInvalid());
    EXPECT_EQ(invalid.ReadComByte(), 0);
    EXPECT_FALSE(invalid.WriteComByte('h'));
    invalid.setNone();
    EXPECT_TRUE(invalid.isNone());
}

TEST(WriteComByte, TheDeviceReceivesTheCommandByte) {
    PtyDevice device;
    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    EXPECT_TRUE(handle.WriteComByte('h'));
    EXPECT_EQ(device.receiveByte(1000), 'h');
}

TEST(SerialHandle, CloseMakesItNoneAndFreesTheDescriptor) {
    PtyDevice device;
    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    const int fd = static_cast<int>(handle.native());
    handle.close();
    EXPECT_TRUE(handle.isNone());
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

TEST(SerialHandle, ReopeningReplacesTheHandleAndDropsUnreadInput) {
    PtyDevice device;
    SerialHandle handle;
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    device.send("xyz");
    EXPECT_EQ(handle.ReadComByte(), 'x');  // "yz" now sits in the handle's block buffer
    handle.close();
    ASSERT_EQ(openPort(handle, device.portPath()).result, OpenResult::Ok);
    device.send("q");
    EXPECT_EQ(handle.ReadComByte(), 'q');
}
