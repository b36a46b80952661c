// What each platform provides to the serial link. One implementation per
// platform: SerialBackend_posix.cpp, SerialBackend_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "WinCOmmUnit.h"

namespace travik::backend {

// Opens the named port exclusively for reading and writing. On failure returns
// kInvalidPort with `outcome` telling why; when the port opened, `outcome` is Ok
// and lists what is worth a warning (unseenPortTakers).
NativePort openPort(const std::string& portName, OpenStatus& outcome);

// Runs the opening steps after the open, in order (queues, read the line
// settings, apply the definition string, write them back, timeouts), stopping
// at the first that fails.
OpenStatus configurePort(NativePort port, const std::string& definition, std::int32_t queueSize,
                         const CommTimeouts& timeouts);

// Result of one read: bytes > 0 read, 0 on timeout, kLost when the other end is
// gone or the read failed.
inline constexpr long kLost = -1;

// Reads up to `capacity` bytes, waiting at most `timeoutMs` for the first one.
long readSome(NativePort port, std::uint8_t* buffer, std::size_t capacity, int timeoutMs);

bool writeByte(NativePort port, std::uint8_t byte);

void closePort(NativePort port);

}  // namespace travik::backend
