// The four languages on the real window.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>

#include "AppTestSupport.h"

namespace {

const std::vector<QString> kFrenchCaptions = {"Fichier",
                                              "Enregistrer dans un fichier CSV",
                                              "Interfaces série",
                                              "Lire la mémoire des alarmes ",
                                              "Lire la mémoire tampon ",
                                              "Séparateurs CSV",
                                              "Langue",
                                              "Tabulateur",
                                              "Point-virgule",
                                              "Anglais",
                                              "Allemand",
                                              "Français",
                                              "Espagnol",
                                              "Fenêtre du terminal",
                                              "Paramètres",
                                              "Tableau",
                                              "Graphique"};

const std::vector<QString> kGermanCaptions = {"Datei",
                                              "in CSV-Datei abspeichern",
                                              "serielle Schnittstellen",
                                              "Alarmpuffer auslesen",
                                              "Datenpuffer auslesen",
                                              "CSV Trennzeichen",
                                              "Language/Sprache",
                                              "Tabulator",
                                              "Semikolon",
                                              "Englisch",
                                              "Deutsch",
                                              "Französisch",
                                              "Spanisch",
                                              "Terminalfenster",
                                              "Parameter",
                                              "Tabelle",
                                              "Diagramm"};

using LanguageTest = WindowTest;

TEST_F(LanguageTest, FrenchThenEnglishRestoresEveryCaption) {
    auto form = startForm();
    const std::vector<QString> english = ShownCaptions(*form);
    Control<QRadioButton>(*form, "RadioGroup2Item2")->click();
    EXPECT_EQ(form->LanguageIndex(), 2);
    EXPECT_EQ(ShownCaptions(*form), kFrenchCaptions);
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    EXPECT_EQ(ShownCaptions(*form), kGermanCaptions);
    Control<QRadioButton>(*form, "RadioGroup2Item0")->click();
    EXPECT_EQ(ShownCaptions(*form), english);
    EXPECT_EQ(english.at(3), "readout Alarm Buffer");
}

TEST_F(LanguageTest, IndexOutsideTheTableChangesNothing) {
    auto form = startForm();
    const std::vector<QString> before = ShownCaptions(*form);
    form->ApplyLanguage(4);
    form->ApplyLanguage(-1);
    EXPECT_EQ(ShownCaptions(*form), before);
}

TEST_F(LanguageTest, SwitchKeepsSeparatorTerminalAndProgressAndClearsStatus) {
    auto form = startForm();
    Control<QRadioButton>(*form, "RadioGroup1Item1")->click();
    for (const char byte : std::string("Nr\tZeit\rA\x80\xE9\r"))
        form->state().terminal.append(byte);
    form->terminalChanged();
    form->setProgress(37);
    form->setStatusText("Transmission ready");
    form->state().CsvFileName = "Data.csv";
    const QString shown = Control<QPlainTextEdit>(*form, "RichEdit1")->toPlainText();
    EXPECT_EQ(shown, QString::fromUtf8("Nr\tZeit\nA€é\n"));

    Control<QRadioButton>(*form, "RadioGroup2Item3")->click();
    EXPECT_EQ(form->SeparatorIndex(), 1);
    EXPECT_EQ(Control<QRadioButton>(*form, "RadioGroup1Item1")->text(), "Coma");
    EXPECT_EQ(Control<QPlainTextEdit>(*form, "RichEdit1")->toPlainText(), shown);
    EXPECT_EQ(Control<QLabel>(*form, "Label1")->text(), "");
    EXPECT_EQ(Control<QProgressBar>(*form, "ProgressBar1")->value(), 37);
    EXPECT_EQ(form->state().CsvFileName, "Data.csv");
}

// The file dialogs' filters come in the window's language (see PartsTest).
TEST_F(LanguageTest, TheDialogsAreToldTheWindowsLanguage) {
    writeSettings("[Language]\nLanguage=2\n");
    auto form = startForm();
    EXPECT_EQ(dialogs().language, 2);
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    EXPECT_EQ(dialogs().language, 1);
}

}  // namespace
