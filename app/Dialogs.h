// The window's modal dialogs, behind one small interface so that tests can
// answer them without a person. Texts and paths are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace travik {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The program's own messages: one OK button, no icon.
    virtual void showMessage(const std::string& text) = 0;
    // Errors raised while working (file errors): error icon, a full stop appended.
    void showError(const std::string& text) { showErrorBox(text + "."); }
    // The save dialog proposing `proposed`; nothing when the user cancels.
    virtual std::optional<std::string> askSaveFileName(const std::string& proposed) = 0;
    // The open dialog for a saved readout; nothing when the user cancels.
    virtual std::optional<std::string> askOpenFileName() { return std::nullopt; }
    // The save dialog for a PDF report proposing `proposed`; nothing when cancelled.
    virtual std::optional<std::string> askReportFileName(const std::string& proposed) {
        return askSaveFileName(proposed);
    }
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& text) {
        static_cast<void>(text);
        return false;
    }
    // Runs one of the window's own dialogs (the limits) until it is answered;
    // true when accepted. Tests answer it through its controls instead.
    virtual bool runDialog(QDialog& dialog) {
        static_cast<void>(dialog);
        return false;
    }
    // The window's language (0..3), for the dialogs' own texts.
    virtual void setLanguage(int languageIndex) { static_cast<void>(languageIndex); }
    // Closes every dialog still waiting for the user as if cancelled: each call
    // that shows one returns. Dialogs that never wait have nothing to close.
    virtual void closeWaitingDialogs() {}

protected:
    virtual void showErrorBox(const std::string& textWithStop) = 0;
};

// The dialogs on screen, titled with the program's title.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* dialogParent) : parent_(dialogParent) {}
    void showMessage(const std::string& text) override;
    std::optional<std::string> askSaveFileName(const std::string& proposed) override;
    std::optional<std::string> askOpenFileName() override;
    std::optional<std::string> askReportFileName(const std::string& proposed) override;
    bool askYesNo(const std::string& text) override;
    bool runDialog(QDialog& dialog) override;
    void setLanguage(int languageIndex) override { language_ = languageIndex; }
    void closeWaitingDialogs() override;

protected:
    void showErrorBox(const std::string& textWithStop) override;

private:
    int execWaiting(QDialog& dialog);
    std::optional<std::string> runFileDialog(QDialog& dialog);

    QWidget* parent_;  // the file dialog's parent; message boxes are centred on the screen
    std::vector<QDialog*> waiting_;  // shown and not yet answered, the newest last
    int language_ = 0;
};

// The title of the program's message boxes, from the running program's file name.
std::string RunningProgramTitle();

}  // namespace travik
