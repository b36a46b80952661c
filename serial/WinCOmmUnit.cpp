#include "WinCOmmUnit.h"

#include <utility>

#include "SerialBackend.h"

namespace travik {
namespace {

// Bytes taken from the system per read; the transfer still sees them one by one.
constexpr std::size_t kReadBlock = 4096;

// A read never waits longer than this, whatever the port's own settings.
constexpr int kReadBoundMs = static_cast<int>(ComReadTimeouts.ReadTotalTimeoutConstant);

}  // namespace

const char* OpenResultMessage(OpenResult result) {
    switch (result) {
        case OpenResult::Ok:
            return "";
        case OpenResult::NoSuchPort:
        case OpenResult::PermissionDenied:
        case OpenResult::InUse:
        case OpenResult::NotSerialPort:
        case OpenResult::InvalidHandle:
            return "invalid handle";
        case OpenResult::Buffer:
            return "Buffer";
        case OpenResult::DCB:
            return "DCB";
        case OpenResult::Config:
            return "config";
        case OpenResult::State:
            return "State";
        case OpenResult::Timeout:
            return "timeout";
    }
    return "";
}

bool OpenStepFailed(OpenResult result) {
    switch (result) {
        case OpenResult::NoSuchPort:
        case OpenResult::PermissionDenied:
        case OpenResult::InUse:
        case OpenResult::NotSerialPort:
        case OpenResult::InvalidHandle:
            return true;
        default:
            return false;
    }
}

OpenStatus OpenFailure(OpenResult result, int systemCode) {
    OpenStatus failed;
    failed.result = result;
    failed.system = systemCode != 0 ? Status::SystemFailure(OpenResultMessage(result), systemCode)
                                    : Status::Failure(OpenResultMessage(result), 0, "");
    return failed;
}

std::string DefinitionString(std::int32_t baud) {
    return "baud=" + std::to_string(baud) + " parity=n data=8 stop=1";
}

SerialHandle::~SerialHandle() {
    close();
}

void SerialHandle::close() {
    if (isOpen()) backend::closePort(native_);
    native_ = kNoPort;
    lost_ = false;
    bufferLen_ = bufferPos_ = 0;
}

void SerialHandle::reset(NativePort native) {
    close();
    native_ = native;
}

std::uint8_t SerialHandle::ReadComByte() {
    if (bufferPos_ < bufferLen_) {
        lastStatus_ = ReadStatus::Byte;
        return buffer_[bufferPos_++];
    }
    if (!isOpen() || lost_) {
        lastStatus_ = isOpen() ? ReadStatus::Lost : ReadStatus::Timeout;
        return 0;
    }
    if (!buffer_) buffer_ = std::make_unique<std::uint8_t[]>(kReadBlock);
    const long got = backend::readSome(native_, buffer_.get(), kReadBlock, kReadBoundMs);
    if (got == backend::kLost) {
        lost_ = true;
        lastStatus_ = ReadStatus::Lost;
        return 0;
    }
    if (got <= 0) {
        lastStatus_ = ReadStatus::Timeout;
        return 0;
    }
    bufferLen_ = static_cast<std::size_t>(got);
    bufferPos_ = 1;
    lastStatus_ = ReadStatus::Byte;
    return buffer_[0];
}

bool SerialHandle::WriteComByte(std::uint8_t byte) {
    if (!isOpen()) return false;
    return backend::writeByte(native_, byte);
}

OpenStatus OpenComPort(SerialHandle& handle, const std::string& portName, std::int32_t baud,
                       std::int32_t queueSize, const MessageFn& showMessage) {
    const auto report = [&](OpenStatus status) {
        if (showMessage) showMessage(OpenResultMessage(status.result));
        return status;
    };
    OpenStatus opening;
    handle.reset(backend::openPort(portName, opening));
    if (!handle.isOpen()) {
        handle.reset(kInvalidPort);
        if (opening.ok()) opening = OpenFailure(OpenResult::InvalidHandle, 0);
        return report(opening);
    }
    OpenStatus configured =
        backend::configurePort(handle.native(), DefinitionString(baud), queueSize, ComReadTimeouts);
    configured.unseenPortTakers = std::move(opening.unseenPortTakers);
    if (!configured.ok()) return report(configured);
    return configured;
}

}  // namespace travik
