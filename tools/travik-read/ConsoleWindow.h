// The readout's window for the command line: the terminal text streams to
// standard output, messages and the progress bar go to standard error.
#pragma once

#include <cstdio>
#include <string>

#include "Readout.h"

namespace travik::cli {

class ConsoleWindow : public ReadoutWindow {
public:
    // `echoTerminal`: write the terminal text to `out` as it arrives (each CR as
    // a newline). `showProgress`: draw a progress bar on `err`.
    ConsoleWindow(const TerminalText& terminal, std::FILE* out, std::FILE* err, bool echoTerminal,
                  bool showProgress);

    void showTerminalPage() override {}
    void terminalChanged() override;
    void setProgress(int position) override;
    void setStatusText(const std::string&) override {}
    void setSaveEnabled(bool) override {}
    int languageIndex() const override { return 0; }
    void showMessage(const std::string& text) override;
    // Before the readout, on standard error.
    void showPortWarning(const std::string& text) override;
    // A stop signal (SIGINT, SIGTERM, SIGHUP) ends the transfer.
    bool stopRequested() override;

    // Ends the progress line and flushes the terminal output.
    void finish();
    // The error code of the first failed write of the terminal output, or 0.
    int outputError() const { return outputError_; }

private:
    void clearProgressLine();
    void noteOutputResult(int result);

    const TerminalText& terminal_;
    std::FILE* out_;
    std::FILE* err_;
    bool echo_;
    bool progress_;
    std::size_t written_ = 0;
    int shownPosition_ = -1;
    bool progressLineOpen_ = false;
    int outputError_ = 0;
};

}  // namespace travik::cli
