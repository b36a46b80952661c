// The serial link on Windows: the communications functions of kernel32 on a
// plain (non-overlapped) handle. Reads are bounded by the timeouts set on the
// port when it is opened.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "SerialBackend.h"

namespace travik::backend {
namespace {

// "\\.\COM12": without the device prefix only COM1 to COM9 open.
const std::string kDevicePrefix = "\\\\.\\";

std::string deviceName(const std::string& portName) {
    if (portName.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0) return portName;
    return kDevicePrefix + portName;
}

HANDLE toHandle(NativePort port) {
    return reinterpret_cast<HANDLE>(port);
}

NativePort fromHandle(HANDLE handle) {
    return reinterpret_cast<NativePort>(handle);
}

COMMTIMEOUTS toCommTimeouts(const CommTimeouts& t) {
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = t.ReadIntervalTimeout;
    ct.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    ct.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    ct.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    ct.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    return ct;
}

}  // namespace

namespace {

// A port is opened with no sharing: access denied means another program has it.
OpenResult resultOfOpenError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return OpenResult::NoSuchPort;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenResult::InUse;
        default:
            return OpenResult::InvalidHandle;
    }
}

OpenStatus openFailure(DWORD error) {
    return OpenFailure(resultOfOpenError(error), static_cast<int>(error));
}

OpenStatus stepFailure(OpenResult step) {
    return OpenFailure(step, static_cast<int>(GetLastError()));
}

}  // namespace

NativePort openPort(const std::string& portName, OpenStatus& failure) {
    if (portName.empty()) {
        failure = openFailure(ERROR_FILE_NOT_FOUND);
        return kInvalidPort;
    }
    const HANDLE handle = CreateFileA(deviceName(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // INVALID_HANDLE_VALUE has all bits set, as kInvalidPort; a null handle is never a port.
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        failure = openFailure(GetLastError());
        return kInvalidPort;
    }
    return fromHandle(handle);
}

namespace {

// The queue and line steps of the opening, stopping at the first that fails.
OpenStatus applyLineSettings(HANDLE handle, const std::string& definition, std::int32_t queueSize) {
    if (queueSize <= 0) return OpenFailure(OpenResult::Buffer, ERROR_INVALID_PARAMETER);
    const DWORD queue = static_cast<DWORD>(queueSize);
    if (!SetupComm(handle, queue, queue)) return stepFailure(OpenResult::Buffer);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(handle, &dcb)) return stepFailure(OpenResult::DCB);
    // Also switches XON/XOFF and hardware flow control off.
    if (!BuildCommDCBA(definition.c_str(), &dcb)) return stepFailure(OpenResult::Config);
    if (!SetCommState(handle, &dcb)) return stepFailure(OpenResult::State);
    return {};
}

}  // namespace

OpenStatus configurePort(NativePort port, const std::string& definition, std::int32_t queueSize,
                         const CommTimeouts& timeouts) {
    const HANDLE handle = toHandle(port);
    const OpenStatus lineSettings = applyLineSettings(handle, definition, queueSize);
    // The timeouts are set also after a failed step (its message is the one
    // shown): otherwise the port keeps whatever timeouts it had, and a read
    // could wait for ever.
    COMMTIMEOUTS commTimeouts = toCommTimeouts(timeouts);
    const bool bounded = SetCommTimeouts(handle, &commTimeouts) != 0;
    if (!lineSettings.ok()) return lineSettings;
    return bounded ? OpenStatus{} : stepFailure(OpenResult::Timeout);
}

// The port's own timeouts bound the read: empty after the total timeout when
// nothing comes, and soon after the first bytes once the line pauses for the
// interval timeout.
long readSome(NativePort port, std::uint8_t* buffer, std::size_t capacity, int /*timeoutMs*/) {
    if (capacity == 0) return 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 0x7fffffff));
    DWORD got = 0;
    // A failed read is how Windows reports a removed device (access denied, bad
    // command, operation aborted, device not connected, ...).
    if (!ReadFile(toHandle(port), buffer, wanted, &got, nullptr)) return kLost;
    return static_cast<long>(std::min<DWORD>(got, wanted));
}

bool writeByte(NativePort port, std::uint8_t byte) {
    DWORD written = 0;
    return WriteFile(toHandle(port), &byte, 1, &written, nullptr) && written == 1;
}

void closePort(NativePort port) {
    CloseHandle(toHandle(port));
}

}  // namespace travik::backend
