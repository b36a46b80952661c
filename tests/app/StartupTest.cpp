// Start-up, port selection and shutdown of the real window on the offscreen platform.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <filesystem>
#include <optional>

#include "AppTestSupport.h"
#include "PtyDevice.h"
#include "Settings.h"

namespace {

using travik::TSTestForm;

const std::vector<QString> kEnglishCaptions = {"Files",
                                               "save CSV-file",
                                               "serial Ports",
                                               "readout Alarm Buffer",
                                               "readout Data Buffer",
                                               "CSV Separator",
                                               "Language",
                                               "Tabulator",
                                               "Comma",
                                               "English",
                                               "German",
                                               "French",
                                               "Spanish",
                                               "Terminal Window",
                                               "Parameters",
                                               "Table",
                                               "Chart"};

bool ReadButtonsEnabled(TSTestForm& form) {
    return Control<QPushButton>(form, "Button1")->isEnabled() &&
           Control<QPushButton>(form, "Button2")->isEnabled();
}

bool ReadButtonsDisabled(TSTestForm& form) {
    return !Control<QPushButton>(form, "Button1")->isEnabled() &&
           !Control<QPushButton>(form, "Button2")->isEnabled();
}

using StartupTest = WindowTest;

TEST_F(StartupTest, FirstRunWithoutSettingsFile) {
    auto form = startForm();
    EXPECT_EQ(ShownCaptions(*form), kEnglishCaptions);
    EXPECT_EQ(form->LanguageIndex(), 0);
    EXPECT_EQ(form->SeparatorIndex(), 0);
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_TRUE(form->state().ComHandle.isNone());
    EXPECT_TRUE(form->state().PortReady);
    EXPECT_TRUE(ReadButtonsEnabled(*form));
    auto* selector = Control<QComboBox>(*form, "ComboBox1");
    EXPECT_EQ(selector->currentText(), "ComboBox1");
    EXPECT_EQ(selector->currentIndex(), -1);
    EXPECT_FALSE(Control<QAction>(*form, "CSVDateiabspeichern1")->isEnabled());
    auto* pages = Control<QTabWidget>(*form, "PageControl1");
    EXPECT_EQ(pages->currentWidget(), Control<QWidget>(*form, "TabSheet1"));
    EXPECT_EQ(form->windowTitle(), "TravikP Readout");
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(StartupTest, StoredPortThatOpensIsOpenedAndShown) {
    PtyDevice device;
    writeSettings("[com]\ncomID=" + device.portPath() + "\n");
    auto form = startForm();
    EXPECT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_EQ(form->state().ComPortName, device.portPath());
    EXPECT_EQ(Control<QComboBox>(*form, "ComboBox1")->currentText().toStdString(),
              device.portPath());
    EXPECT_TRUE(ReadButtonsEnabled(*form));
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(StartupTest, StoredPortThatIsGoneGivesBothMessagesInOrder) {
    writeSettings("[com]\ncomID=/dev/travik-no-such-port\n");
    auto form = startForm();
    const std::vector<std::string> expected = {
        "invalid handle", "The last used serial port could not be initialized."};
    EXPECT_EQ(dialogs().messages, expected);
    EXPECT_TRUE(form->state().ComHandle.isNone());
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_FALSE(form->state().PortReady);
    EXPECT_TRUE(ReadButtonsDisabled(*form));
    EXPECT_EQ(Control<QComboBox>(*form, "ComboBox1")->currentIndex(), -1);

    writeSettings("[com]\ncomID=/dev/travik-no-such-port\n[Language]\nLanguage=2\n");
    auto french = startForm();
    EXPECT_EQ(dialogs().messages.back(),
              "Die zuletzt verwendete Schnittstelle kann nicht initialisiert werden.");
}

TEST_F(StartupTest, StoredIndexesOutOfRange) {
    writeSettings("[sep]\nseparator=9\n[Language]\nLanguage=7\n");
    auto last = startForm();
    EXPECT_EQ(last->LanguageIndex(), 3);
    EXPECT_EQ(last->SeparatorIndex(), 1);
    EXPECT_EQ(Control<QPushButton>(*last, "Button1")->text(), "leer memoria de alarmas");
    EXPECT_EQ(Control<QRadioButton>(*last, "RadioGroup1Item1")->text(), "Coma");

    writeSettings("[sep]\nseparator=-2\n[Language]\nLanguage=-1\n");
    auto none = startForm();
    EXPECT_EQ(none->LanguageIndex(), -1);
    EXPECT_EQ(none->SeparatorIndex(), -1);
    for (const char* item : {"RadioGroup2Item0", "RadioGroup2Item1", "RadioGroup1Item0"})
        EXPECT_FALSE(Control<QRadioButton>(*none, item)->isChecked()) << item;
    // The German design texts stay.
    EXPECT_EQ(Control<QPushButton>(*none, "Button1")->text(), "Alarmspeicher auslesen");
    EXPECT_EQ(Control<QGroupBox>(*none, "GroupBox1")->title(), "serielle Schnittstelle");
    EXPECT_EQ(Control<QAction>(*none, "CSVDateiabspeichern1")->text(), "CSV-Datei abspeichern");
}

TEST_F(StartupTest, TypedPathIsTakenOnEnterOnly) {
    PtyDevice device;
    auto form = startForm();
    auto* selector = Control<QComboBox>(*form, "ComboBox1");
    const QString path = QString::fromStdString(device.portPath());
    selector->lineEdit()->setText(path);
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_EQ(selector->currentIndex(), -1);

    PressEnter(selector->lineEdit());
    EXPECT_EQ(selector->currentText(), path);
    EXPECT_EQ(selector->itemText(selector->currentIndex()), path);
    EXPECT_EQ(form->state().ComPortName, device.portPath());
    EXPECT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_TRUE(ReadButtonsEnabled(*form));

    // Opening the list looks for new ports and keeps the choice.
    const int listed = selector->count();
    selector->showPopup();
    selector->hidePopup();
    EXPECT_EQ(selector->count(), listed);
    EXPECT_EQ(selector->currentText(), path);
    EXPECT_EQ(form->state().ComPortName, device.portPath());

    selector->lineEdit()->setText(QStringLiteral("/dev/travik-no-such-port"));
    PressEnter(selector->lineEdit());
    const std::vector<std::string> expected = {
        "invalid handle", "The last used serial port could not be initialized"};
    EXPECT_EQ(dialogs().messages, expected);
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_EQ(selector->currentIndex(), -1);
    EXPECT_TRUE(ReadButtonsDisabled(*form));

    // Typing a listed name and leaving the field selects nothing either.
    selector->lineEdit()->setText(path);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(selector->lineEdit(), &focusOut);
    EXPECT_EQ(selector->currentIndex(), -1);
    EXPECT_TRUE(form->state().ComPortName.empty());
}

TEST_F(StartupTest, SettingsWrittenAtCloseAndReadBackKeepingTheRest) {
    writeSettings("; kept comment\n[other]\nkey=value\n[com]\ncomID=\n");
    PtyDevice device;
    {
        auto form = startForm();
        auto* selector = Control<QComboBox>(*form, "ComboBox1");
        selector->lineEdit()->setText(QString::fromStdString(device.portPath()));
        PressEnter(selector->lineEdit());
        Control<QRadioButton>(*form, "RadioGroup1Item1")->click();
        Control<QRadioButton>(*form, "RadioGroup2Item2")->click();
        EXPECT_TRUE(form->close());
        EXPECT_TRUE(form->state().ComHandle.isNone());
        EXPECT_TRUE(dialogs().errors.empty());
    }
    const std::string file = ReadFileBytes(settingsPath());
    EXPECT_NE(file.find("; kept comment"), std::string::npos) << file;
    EXPECT_NE(file.find("[other]"), std::string::npos) << file;
    EXPECT_NE(file.find("key=value"), std::string::npos) << file;
    const travik::StoredSettings stored = travik::ReadSettings(settingsPath());
    EXPECT_EQ(stored.comID, device.portPath());
    EXPECT_EQ(stored.separator, 1);
    EXPECT_EQ(stored.language, 2);

    auto next = startForm();
    EXPECT_EQ(next->LanguageIndex(), 2);
    EXPECT_EQ(next->SeparatorIndex(), 1);
    EXPECT_TRUE(next->state().ComHandle.isOpen());
    EXPECT_EQ(Control<QPushButton>(*next, "Button1")->text(), "Lire la mémoire des alarmes ");
}

TEST_F(StartupTest, AStoredPortNotPluggedInYetIsStillRememberedAtClose) {
    const std::string absent = "/dev/travik-not-plugged-in";
    const auto closeTyping = [&](const std::optional<std::string>& typed) {
        auto form = startForm();
        EXPECT_TRUE(form->state().ComPortName.empty()) << "the running state stays as it was";
        if (typed) {
            auto* selector = Control<QComboBox>(*form, "ComboBox1");
            selector->lineEdit()->setText(QString::fromStdString(*typed));
            PressEnter(selector->lineEdit());
        }
        EXPECT_TRUE(form->close());
        return travik::ReadSettings(settingsPath()).comID;
    };
    writeSettings("[com]\ncomID=" + absent + "\n");
    EXPECT_EQ(closeTyping(std::nullopt), absent);
    EXPECT_EQ(closeTyping(absent), absent) << "the same name picked again is no other port";

    PtyDevice device;
    writeSettings("[com]\ncomID=" + absent + "\n");
    EXPECT_EQ(closeTyping(device.portPath()), device.portPath());
    writeSettings("[com]\ncomID=" + absent + "\n");
    EXPECT_EQ(closeTyping("/dev/travik-other-port"), "") << "another port, which failed";
}

TEST_F(StartupTest, ClosingTwiceWritesTheSettingsOnce) {
    auto form = startForm();
    EXPECT_TRUE(form->close());
    writeSettings("[com]\ncomID=written-after-the-close\n");
    QCloseEvent again;
    QApplication::sendEvent(form.get(), &again);
    EXPECT_TRUE(again.isAccepted());
    EXPECT_EQ(travik::ReadSettings(settingsPath()).comID, "written-after-the-close");
}

TEST_F(StartupTest, UnwritableSettingsFolderGivesErrorBoxAndStillCloses) {
#ifdef _WIN32
    GTEST_SKIP() << "the per-user folder cannot be redirected; see the session-end tests";
#else
    WriteFileBytes(config_.file("not-a-folder"), "x");
    setenv("XDG_CONFIG_HOME", config_.file("not-a-folder").c_str(), 1);
    auto form = startForm();
    const std::string path = travik::SettingsFilePath();
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    const std::vector<std::string> expected = {"Unable to write to " + path + "."};
    EXPECT_EQ(dialogs().errors, expected);
#endif
}

}  // namespace

namespace {

using SessionEndTest = WindowTest;

TEST_F(SessionEndTest, WritesTheSettingsAndClosesThePortOnceThenTheWindow) {
    PtyDevice device;
    writeSettings("[com]\ncomID=" + device.portPath() + "\n");
    auto form = startForm();
    ASSERT_TRUE(form->state().ComHandle.isOpen());
    Control<QRadioButton>(*form, "RadioGroup2Item2")->click();

    EndSessionBySignal(*form);
    EXPECT_TRUE(form->state().ComHandle.isNone());
    EXPECT_FALSE(form->isVisible());
    const travik::StoredSettings stored = travik::ReadSettings(settingsPath());
    EXPECT_EQ(stored.comID, device.portPath());
    EXPECT_EQ(stored.language, 2);

    // A close after it, or the session's end again, writes nothing again.
    writeSettings("[other]\nkey=1\n");
    EXPECT_TRUE(form->close());
    EndSessionBySignal(*form);
    EXPECT_EQ(ReadFileBytes(settingsPath()), "[other]\nkey=1\n");
    EXPECT_TRUE(dialogs().errors.empty());
}

TEST_F(SessionEndTest, SettingsThatCannotBeWrittenShowNoDialog) {
    std::filesystem::create_directories(std::filesystem::u8path(settingsPath()));
    auto ending = startForm();
    EndSessionBySignal(*ending);
    EXPECT_FALSE(ending->isVisible());
    EXPECT_TRUE(dialogs().errors.empty());

    // An ordinary close says so, once.
    auto closing = startForm();
    EXPECT_TRUE(closing->close());
    EXPECT_TRUE(closing->close());
    EXPECT_EQ(dialogs().errors.size(), 1u);
}

}  // namespace
