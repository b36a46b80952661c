// The readout: send the command byte, receive the device's reply into the
// terminal text byte by byte, with its limits, header rule and messages.
#pragma once

#include <cstdint>
#include <string>

#include "TerminalText.h"
#include "WinCOmmUnit.h"

namespace travik {

enum class ReadoutKind { AlarmBuffer, DataLogger };

inline constexpr std::int32_t kAlarmLimit = 14490;
inline constexpr std::int32_t kDataLimit = 8770;

// The program's run state, shared by the window's handlers and the readout.
struct ReadoutState {
    SerialHandle ComHandle;
    std::string ComPortName;
    bool PortReady = false;
    bool AlarmMode = false;
    std::string CsvFileName;
    TerminalText terminal;
};

// What the readout needs of the window. Texts are UTF-8.
class ReadoutWindow {
public:
    virtual ~ReadoutWindow() = default;
    virtual void showTerminalPage() = 0;
    // The terminal text was cleared, or bytes were appended to it.
    virtual void terminalChanged() = 0;
    virtual void setProgress(int position) = 0;  // 0..100
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setSaveEnabled(bool enabled) = 0;
    virtual int languageIndex() const = 0;
    virtual void showMessage(const std::string& text) = 0;
    // Before the transfer: the port opened, but a program that may take part
    // of the reply could not be checked. The window puts it into its status line.
    virtual void showPortWarning(const std::string& text) { setStatusText(text); }
    // Asked after every byte: true ends the transfer at once (the window is closing).
    virtual bool stopRequested() { return false; }
};

enum class ReadoutEnd { Complete, Timeout, ConnectionLost, Stopped };

struct ReadoutResult {
    ReadoutEnd end = ReadoutEnd::Timeout;
    OpenStatus open;         // the reopen of the port, with the reason when it failed
    std::int32_t count = 0;  // bytes read, LF and the final 0 included
};

std::uint8_t CommandByte(ReadoutKind kind);
std::int32_t ReadoutLimit(ReadoutKind kind);
std::string ReadoutFileName(ReadoutKind kind, int languageIndex);

// Progress position after `count` of `limit` bytes, rounded to the nearest integer.
int ProgressPosition(std::int32_t count, std::int32_t limit);

// The texts of the readout's outcome in the window's language (English for 0,
// German for every other index).
std::string TransmissionReadyText(int languageIndex);
std::string TimeoutText(int languageIndex);
std::string ConnectionLostText(int languageIndex);

// The warning for a port that opened with programs that may hold it (see
// PortWarningText), after the port's name; empty when there is nothing to warn of.
std::string PortWarningStatusText(const std::string& port, const OpenStatus& opened,
                                  int languageIndex);

// Applies the byte rules to one received byte. Kept apart from the port so the
// rules can be driven byte by byte.
class ReadoutRules {
public:
    ReadoutRules(TerminalText& terminal, bool alarmMode) : terminal_(terminal), alarm_(alarmMode) {}
    // Returns false when the byte ends the transfer (a 0 byte); `count` is the
    // number of bytes read before this one.
    bool take(std::uint8_t byte, std::int32_t count);

private:
    TerminalText& terminal_;
    bool alarm_;
    std::uint8_t prev_ = 0;
    bool firstI_ = true;
};

// Runs one complete readout of `kind` (the read buttons' handler).
ReadoutResult Button1Click(ReadoutKind kind, ReadoutState& state, ReadoutWindow& window);

}  // namespace travik
