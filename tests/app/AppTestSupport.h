// Shared by the window tests: the application object, dialogs that record
// instead of waiting for a person, and a fixture with its own settings folder.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "TempDir.h"
#include "TravikTestUnit.h"

// Records every message and error; the save dialog gives the queued answers
// (nothing, that is "cancelled", when none is queued).
class RecordingDialogs : public travik::Dialogs {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> askSaveFileName(const std::string& proposed) override;
    // The open dialog gives the queued answers (nothing when none is queued).
    std::optional<std::string> askOpenFileName() override;
    // Questions are recorded and answered from the queue (No when none is queued).
    bool askYesNo(const std::string& text) override;
    void setLanguage(int languageIndex) override { language = languageIndex; }
    // The window's own dialogs are answered by the queued functions, which
    // work the dialog's controls and say whether it was accepted (cancelled
    // when none is queued).
    bool runDialog(QDialog& dialog) override;

    std::vector<std::string> messages;
    std::vector<std::string> errors;  // as shown: with the full stop
    std::vector<std::string> proposals;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<std::string> questions;
    std::deque<bool> questionAnswers;
    std::deque<std::function<bool(QDialog&)>> dialogAnswers;
    int language = -1;  // as the window last set it

protected:
    void showErrorBox(const std::string& textWithStop) override { errors.push_back(textWithStop); }
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // The window's settings file: in config_ (POSIX), or the per-user file of the
    // Wine prefix (Windows), removed before and after each test.
    std::string settingsPath() const;
    void writeSettings(const std::string& text) const;
    // A new window with recording dialogs (see dialogs()); not yet started.
    std::unique_ptr<travik::TSTestForm> makeForm();
    // A new window, started (InitForm) and shown.
    std::unique_ptr<travik::TSTestForm> startForm();
    RecordingDialogs& dialogs() { return *dialogs_; }

    TempDir config_;

private:
    RecordingDialogs* dialogs_ = nullptr;
};

// A control of the window by its object name; fails the test when missing.
template <class T>
T* Control(QWidget& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// The session ends the window as it ends the program: through the session-end
// watcher's signal, connected as the program connects it; then the events it
// left queued are delivered.
void EndSessionBySignal(travik::TSTestForm& form);

// Presses and releases Enter on `widget`.
void PressEnter(QWidget* widget);

// The seventeen captions of the language table as the window shows them, in the table's order.
std::vector<QString> ShownCaptions(QWidget& form);

// The terminal text as the view should show it: Windows-1252 decoded, a CR a line break,
// lines longer than the view takes broken.
QString ExpectedView(const std::string& terminalBytes);
