#include "ConsoleWindow.h"

#include <algorithm>
#include <cerrno>

#include "StopSignals.h"

namespace travik::cli {

ConsoleWindow::ConsoleWindow(const TerminalText& terminal, std::FILE* out, std::FILE* err,
                             bool echoTerminal, bool showProgress)
    : terminal_(terminal), out_(out), err_(err), echo_(echoTerminal), progress_(showProgress) {}

void ConsoleWindow::terminalChanged() {
    if (terminal_.size() < written_) written_ = 0;  // cleared for a new readout
    if (!echo_) {
        written_ = terminal_.size();
        return;
    }
    const std::string& bytes = terminal_.bytes();
    bool lineEnded = false;
    for (; written_ < bytes.size(); ++written_) {
        const char c = bytes[written_];
        lineEnded = c == '\r';
        noteOutputResult(std::fputc(lineEnded ? '\n' : c, out_));
    }
    if (lineEnded) noteOutputResult(std::fflush(out_));
}

void ConsoleWindow::noteOutputResult(int result) {
    if (result == EOF && outputError_ == 0) outputError_ = errno != 0 ? errno : EIO;
}

void ConsoleWindow::setProgress(int position) {
    if (!progress_ || position == shownPosition_) return;
    shownPosition_ = position;
    const std::size_t width = 40;
    const std::size_t filled = static_cast<std::size_t>(std::clamp(position, 0, 100)) * width / 100;
    std::fprintf(err_, "\r[%s%s] %6zu bytes %3d%%", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), terminal_.size(), position);
    std::fflush(err_);
    progressLineOpen_ = true;
}

void ConsoleWindow::clearProgressLine() {
    if (!progressLineOpen_) return;
    std::fputc('\n', err_);
    progressLineOpen_ = false;
}

void ConsoleWindow::showMessage(const std::string& text) {
    clearProgressLine();
    std::fprintf(err_, "%s\n", text.c_str());
    std::fflush(err_);
}

void ConsoleWindow::showPortWarning(const std::string& text) {
    showMessage(text);
}

bool ConsoleWindow::stopRequested() {
    return CaughtStopSignal() != 0;
}

void ConsoleWindow::finish() {
    clearProgressLine();
    noteOutputResult(std::fflush(out_));
}

}  // namespace travik::cli
