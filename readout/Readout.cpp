#include "Readout.h"

#include <cmath>

namespace travik {
namespace {

constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kLf = 0x0A;
// The header rule only looks at the first bytes of a reply.
constexpr std::int32_t kHeaderBytes = 100;

bool isEnglish(int languageIndex) {
    return languageIndex == 0;
}

// An outcome's text, with the warning given before the transfer beside it.
std::string besideWarning(const std::string& text, const std::string& warning) {
    return warning.empty() ? text : text + " \u2013 " + warning;
}

}  // namespace

std::uint8_t CommandByte(ReadoutKind kind) {
    return kind == ReadoutKind::AlarmBuffer ? 'h' : 'd';
}

std::int32_t ReadoutLimit(ReadoutKind kind) {
    return kind == ReadoutKind::AlarmBuffer ? kAlarmLimit : kDataLimit;
}

std::string ReadoutFileName(ReadoutKind kind, int languageIndex) {
    if (kind == ReadoutKind::AlarmBuffer) return "Alarm.csv";
    return isEnglish(languageIndex) ? "Data.csv" : "Daten.csv";
}

int ProgressPosition(std::int32_t count, std::int32_t limit) {
    if (limit <= 0) return 0;
    return static_cast<int>(std::lround(static_cast<double>(count) * 100.0 / limit));
}

std::string TransmissionReadyText(int languageIndex) {
    return isEnglish(languageIndex) ? "Transmission ready" : "Datenübertragung fertig";
}

std::string TimeoutText(int languageIndex) {
    return isEnglish(languageIndex) ? "timeout during Read" : "timeout beim Lesen";
}

std::string ConnectionLostText(int languageIndex) {
    return isEnglish(languageIndex) ? "connection lost during Read"
                                    : "Verbindung beim Lesen unterbrochen";
}

std::string PortWarningStatusText(const std::string& port, const OpenStatus& opened,
                                  int languageIndex) {
    std::string warning = PortWarningText(opened, languageIndex);
    if (warning.empty() || port.empty()) return warning;
    return port + ": " + warning;
}

bool ReadoutRules::take(std::uint8_t ch, std::int32_t count) {
    if (ch == 0) return false;
    if (ch == kLf) return true;
    const bool headerByte =
        count < kHeaderBytes && prev_ == kTab && (ch == 't' || (ch == 'I' && firstI_));
    if (headerByte) {
        if (alarm_) terminal_.appendInsertedTab();
        if (ch == 'I') firstI_ = false;
    }
    terminal_.append(static_cast<char>(ch));
    prev_ = ch;
    return true;
}

ReadoutResult Button1Click(ReadoutKind kind, ReadoutState& state, ReadoutWindow& window) {
    ReadoutResult result;
    window.showTerminalPage();
    window.setStatusText(std::string());
    state.AlarmMode = false;
    state.terminal.clear();
    window.terminalChanged();
    window.setSaveEnabled(false);

    state.ComHandle.close();
    result.open = OpenComPort(state.ComHandle, state.ComPortName, kDeviceBaud, kQueueSize,
                              [&](const std::string& text) { window.showMessage(text); });
    const std::string warning =
        PortWarningStatusText(state.ComPortName, result.open, window.languageIndex());
    if (!warning.empty()) window.showPortWarning(warning);

    const std::int32_t limit = ReadoutLimit(kind);
    state.CsvFileName = ReadoutFileName(kind, window.languageIndex());
    if (kind == ReadoutKind::AlarmBuffer) state.AlarmMode = true;
    state.ComHandle.WriteComByte(CommandByte(kind));

    ReadoutRules rules(state.terminal, state.AlarmMode);
    std::int32_t count = 0;
    bool more = true;
    while (more) {
        const std::uint8_t ch = state.ComHandle.ReadComByte();
        more = rules.take(ch, count);
        ++count;
        if (ch != kLf) window.terminalChanged();
        window.setProgress(ProgressPosition(count, limit));
        if (count >= limit) more = false;
        if (more && window.stopRequested()) {
            result.end = ReadoutEnd::Stopped;
            break;
        }
    }
    result.count = count;

    const int language = window.languageIndex();
    if (count >= 2) window.setSaveEnabled(true);
    if (result.end == ReadoutEnd::Stopped) return result;
    if (state.ComHandle.lost()) {
        result.end = ReadoutEnd::ConnectionLost;
        window.showMessage(ConnectionLostText(language));
        window.setStatusText(besideWarning(ConnectionLostText(language), warning));
        return result;
    }
    if (count < 2) {
        result.end = ReadoutEnd::Timeout;
        window.showMessage(TimeoutText(language));
    } else {
        result.end = ReadoutEnd::Complete;
    }
    window.setStatusText(besideWarning(TransmissionReadyText(language), warning));
    return result;
}

}  // namespace travik
