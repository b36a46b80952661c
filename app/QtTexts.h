// Qt's own texts (the buttons of message boxes and the save dialog) in the
// window's language, from the translation files installed with Qt. English is
// built in; a missing file leaves Qt's texts in English.
#pragma once

#include <QString>
#include <QTranslator>

namespace travik {

class QtTexts {
public:
    // `folder` holds the qtbase_*.qm files; Qt's own translations folder when empty.
    explicit QtTexts(QString folder = QString());
    ~QtTexts();
    QtTexts(const QtTexts&) = delete;
    QtTexts& operator=(const QtTexts&) = delete;

    // Puts Qt's texts of language `languageIndex` (0 English, 1 German,
    // 2 French, 3 Spanish) on the application; English for any other index.
    // False when the language's file could not be loaded (Qt then speaks English).
    bool use(int languageIndex);

private:
    QString folder_;
    QTranslator translator_;
    bool installed_ = false;
};

}  // namespace travik
