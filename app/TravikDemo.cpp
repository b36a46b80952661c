// Drives the program's own window without a display (Qt's offscreen platform):
// reads both records from the port named in the settings file, saves both as
// CSV files and a picture of the window into the folder given.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "TravikTestUnit.h"

namespace {

// Messages go to the terminal; the save dialog answers with the output folder.
class DemoDialogs : public travik::Dialogs {
public:
    explicit DemoDialogs(std::string folder) : folder_(std::move(folder)) {}
    void showMessage(const std::string& text) override {
        std::printf("message: %s\n", text.c_str());
    }
    std::optional<std::string> askSaveFileName(const std::string& proposed) override {
        return folder_ + "/" + proposed;
    }
    int errors() const { return errors_; }

protected:
    void showErrorBox(const std::string& textWithStop) override {
        std::fprintf(stderr, "error: %s\n", textWithStop.c_str());
        ++errors_;
    }

private:
    std::string folder_;
    int errors_ = 0;
};

// One readout by the button's click, then the save command; the saved file's path.
std::string readAndSave(travik::TSTestForm& form, const char* button, const DemoDialogs& dialogs) {
    const int errorsBefore = dialogs.errors();
    form.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    auto* save = form.findChild<QAction*>(QStringLiteral("CSVDateiabspeichern1"));
    if (!save->isEnabled()) return std::string();
    const std::string proposed = form.state().CsvFileName;
    save->trigger();
    return dialogs.errors() == errorsBefore ? proposed : std::string();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: travik-demo OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    auto owned = std::make_unique<DemoDialogs>(folder.toStdString());
    const DemoDialogs& dialogs = *owned;
    travik::TSTestForm form(std::move(owned));
    form.InitForm();
    form.show();
    if (!form.state().ComHandle.isOpen()) {
        std::fprintf(stderr, "the port in the settings file did not open\n");
        return 1;
    }

    const std::string alarm = readAndSave(form, "Button1", dialogs);
    const std::string data = readAndSave(form, "Button2", dialogs);
    const QString picture = folder + QStringLiteral("/window.png");
    const bool pictureSaved = form.grab().save(picture, "PNG");
    form.close();

    std::printf("Alarm buffer: %s\n",
                alarm.empty() ? "not saved" : (folder.toStdString() + "/" + alarm).c_str());
    std::printf("Data logger:  %s\n",
                data.empty() ? "not saved" : (folder.toStdString() + "/" + data).c_str());
    std::printf("Window:       %s\n", pictureSaved ? qPrintable(picture) : "not saved");
    return alarm.empty() || data.empty() || !pictureSaved ? 1 : 0;
}
