// A readout window that shows nothing: the readout runs as it would in the
// window, and its messages are only collected.
#pragma once

#include <string>
#include <vector>

#include "Readout.h"

class QuietReadoutWindow : public travik::ReadoutWindow {
public:
    void showTerminalPage() override {}
    void terminalChanged() override {}
    void setProgress(int) override {}
    void setStatusText(const std::string&) override {}
    void setSaveEnabled(bool) override {}
    int languageIndex() const override { return 0; }
    void showMessage(const std::string& text) override { messages.push_back(text); }

    std::vector<std::string> messages;
};
