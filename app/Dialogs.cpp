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

bool QtDialogs::runDialog(QDialog& dialog) {
    return execWaiting(dialog) == QDialog::Accepted;
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

std::optional<std::string> QtDialogs::runFileDialog(QDialog& dialog) {
    auto& files = static_cast<QFileDialog&>(dialog);
    if (execWaiting(dialog) != QDialog::Accepted || files.selectedFiles().isEmpty())
        return std::nullopt;
    // UTF-8, as the file calls take paths on every platform (not the ANSI code
    // page that QFile::encodeName gives on Windows).
    return QDir::toNativeSeparators(files.selectedFiles().constFirst()).toStdString();
}

std::optional<std::string> QtDialogs::askSaveFileName(const std::string& proposed) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(FileDialogTextsFor(language_).csvFiles));
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    dialog.selectFile(QString::fromStdString(proposed));
    return runFileDialog(dialog);
}

std::optional<std::string> QtDialogs::askOpenFileName() {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const FileDialogTexts& texts = FileDialogTextsFor(language_);
    dialog.setNameFilters({QString::fromUtf8(texts.readouts), QString::fromUtf8(texts.allFiles)});
    return runFileDialog(dialog);
}

std::optional<std::string> QtDialogs::askReportFileName(const std::string& proposed) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(FileDialogTextsFor(language_).pdfFiles));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(QString::fromStdString(proposed));
    return runFileDialog(dialog);
}

bool QtDialogs::askYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(RunningProgramTitle()),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return execWaiting(box) == QMessageBox::Yes;
}

}  // namespace travik
