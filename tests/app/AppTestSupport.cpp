#include "AppTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>

#include "SessionEnd.h"
#include "Settings.h"
#include "TempDir.h"
#include "Windows1252.h"

namespace {

// One QApplication for the whole test program, on the offscreen platform.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "app_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::optional<std::string> RecordingDialogs::askSaveFileName(const std::string& proposed) {
    proposals.push_back(proposed);
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

std::optional<std::string> RecordingDialogs::askOpenFileName() {
    if (openAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

bool RecordingDialogs::runDialog(QDialog& dialog) {
    if (dialogAnswers.empty()) return false;
    const std::function<bool(QDialog&)> answer = std::move(dialogAnswers.front());
    dialogAnswers.pop_front();
    return answer(dialog);
}

bool RecordingDialogs::askYesNo(const std::string& text) {
    questions.push_back(text);
    if (questionAnswers.empty()) return false;
    const bool answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
}

#ifdef _WIN32
WindowTest::WindowTest() {
    std::filesystem::remove(std::filesystem::u8path(settingsPath()));
}

WindowTest::~WindowTest() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(settingsPath()), ignored);
}

std::string WindowTest::settingsPath() const {
    return travik::SettingsFilePath();
}
#else
WindowTest::WindowTest() {
    setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
}

WindowTest::~WindowTest() {
    unsetenv("XDG_CONFIG_HOME");
}

std::string WindowTest::settingsPath() const {
    return config_.file("TravikReadout.ini");
}
#endif

void WindowTest::writeSettings(const std::string& text) const {
    WriteFileBytes(settingsPath(), text);
}

std::unique_ptr<travik::TSTestForm> WindowTest::makeForm() {
    auto dialogs = std::make_unique<RecordingDialogs>();
    dialogs_ = dialogs.get();
    auto form = std::make_unique<travik::TSTestForm>(std::move(dialogs));
    // Only the history's own tests put readouts into one ([history] store=1).
    form->setHistoryByDefault(false);
    return form;
}

std::unique_ptr<travik::TSTestForm> WindowTest::startForm() {
    auto form = makeForm();
    form->InitForm();
    form->show();
    return form;
}

void EndSessionBySignal(travik::TSTestForm& form) {
    travik::SessionEndWatcher watcher;
    QObject::connect(&watcher, &travik::SessionEndWatcher::sessionEnding, &form,
                     &travik::TSTestForm::endSession);
    emit watcher.sessionEnding();
    QApplication::processEvents();
}

void PressEnter(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

std::vector<QString> ShownCaptions(QWidget& form) {
    auto* pages = Control<QTabWidget>(form, "PageControl1");
    return {
        Control<QMenu>(form, "Datei1")->title(),
        Control<QAction>(form, "CSVDateiabspeichern1")->text(),
        Control<QGroupBox>(form, "GroupBox1")->title(),
        Control<QPushButton>(form, "Button1")->text(),
        Control<QPushButton>(form, "Button2")->text(),
        Control<QGroupBox>(form, "RadioGroup1")->title(),
        Control<QGroupBox>(form, "RadioGroup2")->title(),
        Control<QRadioButton>(form, "RadioGroup1Item0")->text(),
        Control<QRadioButton>(form, "RadioGroup1Item1")->text(),
        Control<QRadioButton>(form, "RadioGroup2Item0")->text(),
        Control<QRadioButton>(form, "RadioGroup2Item1")->text(),
        Control<QRadioButton>(form, "RadioGroup2Item2")->text(),
        Control<QRadioButton>(form, "RadioGroup2Item3")->text(),
        pages->tabText(pages->indexOf(Control<QWidget>(form, "TabSheet1"))),
        pages->tabText(pages->indexOf(Control<QWidget>(form, "TabSheet2"))),
        pages->tabText(pages->indexOf(Control<QWidget>(form, "TabSheet3"))),
        pages->tabText(pages->indexOf(Control<QWidget>(form, "TabSheet4"))),
    };
}

QString ExpectedView(const std::string& terminalBytes) {
    const QString text = QString::fromStdU16String(travik::DecodeWindows1252(terminalBytes));
    // Each line, and each piece of kViewLineLength characters of a longer one, on a line.
    const auto piece = static_cast<qsizetype>(travik::kViewLineLength);
    QStringList lines;
    for (const QString& line : text.split(QChar(u'\r'))) {
        for (qsizetype at = piece; at < line.size(); at += piece)
            lines << line.mid(at - piece, piece);
        lines << line.mid(line.isEmpty() ? 0 : (line.size() - 1) / piece * piece);
    }
    return lines.join(QChar(u'\n'));
}
