#include "Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <memory>

#include "Languages.h"

namespace travik {
namespace {

// A box titled with the program's title, with one OK button.
std::unique_ptr<QMessageBox> makeBox(QMessageBox::Icon icon, const std::string& text) {
    auto box = std::make_unique<QMessageBox>(icon, QString::fromStdString(RunningProgramTitle()),
                                             QString::fromStdString(text), QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    return box;
}

}  // namespace

std::string RunningProgramTitle() {
    return ProgramTitle(QCoreApplication::applicationFilePath().toStdString());
}

// Runs `dialog` until it is answered, or closed by closeWaitingDialogs().
int QtDialogs::execWaiting(QDialog& dialog) {
    waiting_.push_back(&dialog);
    const int result = dialog.exec();
    waiting_.pop_back();
    return result;
}

void QtDialogs::closeWaitingDialogs() {
    for (QDialog* dialog : waiting_) dialog->reject();
}

void QtDialogs::showMessage(const std::string& text) {
    execWaiting(*makeBox(QMessageBox::NoIcon, text));
}

void QtDialogs::showErrorBox(const std::string& textWithStop) {
    execWaiting(*makeBox(QMessageBox::Critical, textWithStop));
}

std::optional<std::string> QtDialogs::askSaveFileName(const std::string& proposed) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("comma separated files (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    dialog.selectFile(QString::fromStdString(proposed));
    if (execWaiting(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // UTF-8, as the file calls take paths on every platform (not the ANSI code
    // page that QFile::encodeName gives on Windows).
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace travik
