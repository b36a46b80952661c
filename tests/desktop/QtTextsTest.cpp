// Qt's own texts follow the window's language: the standard buttons of
// message boxes and of the save dialog.
#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "AppTestSupport.h"
#include "QtTexts.h"

namespace {

QString QtTranslationFile(const char* code) {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_") +
           QString::fromLatin1(code) + QStringLiteral(".qm");
}

QString CancelText() {
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    // Platforms differ in whether they show an accelerator here.
    return box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
}

#define SKIP_WITHOUT(code)                                               \
    if (!std::filesystem::exists(QtTranslationFile(code).toStdString())) \
    GTEST_SKIP() << QtTranslationFile(code).toStdString()                \
                 << " is not installed (Debian package qt6-translations-l10n)"

using QtTextsTest = WindowTest;

TEST_F(QtTextsTest, ButtonsFollowTheLanguageClicked) {
    SKIP_WITHOUT("de");
    SKIP_WITHOUT("fr");
    SKIP_WITHOUT("es");
    auto form = startForm();
    EXPECT_EQ(CancelText(), "Cancel");
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    EXPECT_EQ(CancelText(), "Abbrechen");
    Control<QRadioButton>(*form, "RadioGroup2Item2")->click();
    EXPECT_EQ(CancelText(), "Annuler");
    Control<QRadioButton>(*form, "RadioGroup2Item3")->click();
    EXPECT_EQ(CancelText(), "Cancelar");
    Control<QRadioButton>(*form, "RadioGroup2Item0")->click();
    EXPECT_EQ(CancelText(), "Cancel");
}

TEST_F(QtTextsTest, StoredLanguageAppliesAtStartUp) {
    SKIP_WITHOUT("de");
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    EXPECT_EQ(CancelText(), "Abbrechen");
    form.reset();  // the window's translator leaves with it
    EXPECT_EQ(CancelText(), "Cancel");
}

TEST(QtTexts, MissingFilesFailNothing) {
    TempDir empty;
    travik::QtTexts texts(QString::fromStdString(empty.path()));
    EXPECT_FALSE(texts.use(1));
    EXPECT_EQ(CancelText(), "Cancel");
    EXPECT_TRUE(texts.use(0));
    EXPECT_TRUE(texts.use(-1));
    EXPECT_TRUE(texts.use(7));
}

TEST(QtTexts, AnEmptyOrForeignFileIsRefused) {
    TempDir folder;
    WriteFileBytes(folder.file("qtbase_de.qm"), "");
    WriteFileBytes(folder.file("qtbase_fr.qm"), std::string(4096, '\xff'));
    travik::QtTexts texts(QString::fromStdString(folder.path()));
    EXPECT_FALSE(texts.use(1));
    EXPECT_FALSE(texts.use(2));
    EXPECT_EQ(CancelText(), "Cancel");
}

}  // namespace
