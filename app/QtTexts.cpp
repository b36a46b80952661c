#include "QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <utility>

namespace travik {
namespace {

// The file name's language code for each language index; English needs none.
QString qtLanguageCode(int languageIndex) {
    switch (languageIndex) {
        case 1:
            return QStringLiteral("de");
        case 2:
            return QStringLiteral("fr");
        case 3:
            return QStringLiteral("es");
        default:
            return QString();
    }
}

}  // namespace

QtTexts::QtTexts(QString folder) : folder_(std::move(folder)) {
    if (folder_.isEmpty()) folder_ = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QtTexts::~QtTexts() {
    if (installed_) QCoreApplication::removeTranslator(&translator_);
}

bool QtTexts::use(int languageIndex) {
    if (installed_) {
        QCoreApplication::removeTranslator(&translator_);
        installed_ = false;
    }
    const QString code = qtLanguageCode(languageIndex);
    if (code.isEmpty()) return true;
    if (!translator_.load(QStringLiteral("qtbase_") + code, folder_)) return false;
    installed_ = QCoreApplication::installTranslator(&translator_);
    return installed_;
}

}  // namespace travik
