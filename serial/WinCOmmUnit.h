// The one serial port the program talks through: opening it with the device's
// line settings, and the one-byte read and write the readout is built on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Status.h"

namespace travik {

// Shows one of the opening routine's messages ("invalid handle", "Buffer", ...).
using MessageFn = std::function<void(const std::string& text)>;

// Timeouts set on the port, in milliseconds.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout;
    std::uint32_t ReadTotalTimeoutMultiplier;
    std::uint32_t ReadTotalTimeoutConstant;
    std::uint32_t WriteTotalTimeoutMultiplier;
    std::uint32_t WriteTotalTimeoutConstant;
};

// A one-byte read returns as soon as one byte is there, or empty after 200 ms.
inline constexpr CommTimeouts ComReadTimeouts{1, 0, 200, 0, 0};

inline constexpr std::int32_t kDeviceBaud = 19200;
inline constexpr std::int32_t kQueueSize = 50000;

// The platform's native handle value: a file descriptor on POSIX, a HANDLE on Windows.
using NativePort = std::intptr_t;
inline constexpr NativePort kNoPort = 0;
inline constexpr NativePort kInvalidPort = -1;  // all bits set

// How OpenComPort ended: Ok, or the step that failed. A failed open step
// tells what the system said kept the port from opening; each of those shows
// the message "invalid handle".
enum class OpenResult {
    Ok,
    NoSuchPort,        // open: the system knows no such device
    PermissionDenied,  // open: this user may not use the device
    InUse,             // open: another program holds the port
    NotSerialPort,     // open: a file, a folder or one of the system's own terminals
    InvalidHandle,     // open: any other reason
    Buffer,
    DCB,
    Config,
    State,
    Timeout,
};

// The message shown for a failed step ("invalid handle", "Buffer", ...); empty for Ok.
const char* OpenResultMessage(OpenResult result);

// True when the open step itself failed: the handle is invalid.
bool OpenStepFailed(OpenResult result);

// Another process, by its id and its program's name as the system keeps it.
struct OtherProcess {
    long pid = 0;
    std::string name;
};

// The outcome of OpenComPort. `result` alone tells whether and how it failed;
// `system` keeps what the system said (its code and its own words), for logs.
// The user's text is PortFailureReason's.
struct OpenStatus {
    OpenResult result = OpenResult::Ok;
    Status system;           // the failed step's message, the system's code and text
    std::string group;       // PermissionDenied: the group that owns the device node
    long holderPid = 0;      // InUse: the process that has the port open, when known
    std::string holderName;  // and its name
    // Opened or not: programs known to take serial ports whose open files this
    // user may not look at, so whether they hold the port is unknown.
    std::vector<OtherProcess> unseenPortTakers;

    bool ok() const { return result == OpenResult::Ok; }
};

inline bool operator==(const OpenStatus& status, OpenResult result) {
    return status.result == result;
}
inline bool operator!=(const OpenStatus& status, OpenResult result) {
    return status.result != result;
}

// A failed step with the system's error code and the system's text for it.
OpenStatus OpenFailure(OpenResult result, int systemCode);

// Why the port did not open, for the user: English for language 0, German for
// every other index. Empty when it opened.
std::string PortFailureReason(const OpenStatus& status, int languageIndex);

// A warning for a port that opened: the programs known to take serial ports
// that could not be checked and may take part of the reply. English for
// language 0, German for every other index; empty when there are none.
std::string PortWarningText(const OpenStatus& status, int languageIndex);

// Outcome of one ReadComByte.
enum class ReadStatus { Byte, Timeout, Lost };

// The port handle: none (no port), invalid (a failed open) or open. Owns the
// platform handle and closes it when replaced or destroyed.
class SerialHandle {
public:
    SerialHandle() = default;
    ~SerialHandle();
    SerialHandle(const SerialHandle&) = delete;
    SerialHandle& operator=(const SerialHandle&) = delete;

    bool isNone() const { return native_ == kNoPort; }
    bool isInvalid() const { return native_ == kInvalidPort; }
    bool isOpen() const { return !isNone() && !isInvalid(); }
    NativePort native() const { return native_; }

    // Closes an open port; the handle becomes none in every case.
    void close();
    // Forgets an invalid value (invalid → none); an open port is closed.
    void setNone() { close(); }

    // Takes over a platform handle (or kInvalidPort); any previous one is closed.
    void reset(NativePort native);

    // Reads the next byte. Returns it, or 0 when no byte came within about
    // 200 ms, the read failed, or the connection was lost; `lastStatus()` tells
    // which. Reads from the system in blocks, hands them out one by one.
    std::uint8_t ReadComByte();
    ReadStatus lastStatus() const { return lastStatus_; }
    // True once a read found the other end gone (device unplugged, hang-up).
    bool lost() const { return lost_; }

    // Writes one byte; the outcome is returned for those who care.
    bool WriteComByte(std::uint8_t byte);

private:
    NativePort native_ = kNoPort;
    ReadStatus lastStatus_ = ReadStatus::Timeout;
    bool lost_ = false;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t bufferLen_ = 0;
    std::size_t bufferPos_ = 0;
};

// Opens `portName` and puts it into the device's line settings ("baud=<baud>
// parity=n data=8 stop=1", no flow control, queues of `queueSize`, the read
// timeouts of ComReadTimeouts). The caller closes any previous handle first.
// A failing step shows its message through `showMessage` and ends the routine;
// after a failure past the open step the handle stays open. The result keeps
// the system's reason.
OpenStatus OpenComPort(SerialHandle& handle, const std::string& portName, std::int32_t baud,
                       std::int32_t queueSize, const MessageFn& showMessage);

// The line definition string for a baud rate: "baud=19200 parity=n data=8 stop=1".
std::string DefinitionString(std::int32_t baud);

}  // namespace travik
