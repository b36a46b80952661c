#include "Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "Languages.h"

namespace travik {
namespace {

void showBox(QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, QString::fromStdString(RunningProgramTitle()),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

std::string RunningProgramTitle() {
    return ProgramTitle(QCoreApplication::applicationFilePath().toStdString());
}

void QtDialogs::showMessage(const std::string& text) {
    showBox(QMessageBox::NoIcon, text);
}

void QtDialogs::showErrorBox(const std::string& textWithStop) {
    showBox(QMessageBox::Critical, textWithStop);
}

std::optional<std::string> QtDialogs::askSaveFileName(const std::string& proposed) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("comma separated files (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    dialog.selectFile(QString::fromStdString(proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // UTF-8, as the file calls take paths on every platform (not the ANSI code
    // page that QFile::encodeName gives on Windows).
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace travik
