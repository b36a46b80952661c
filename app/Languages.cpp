#include "Languages.h"

#include <cctype>

#include "PrintableName.h"
#include "Readout.h"

namespace travik {
namespace {

// Some captions end in a space: they are shown exactly so.
const Captions kCaptions[kLanguageCount] = {
    {"Files",
     "save CSV-file",
     "serial Ports",
     "readout Alarm Buffer",
     "readout Data Buffer",
     "CSV Separator",
     "Language",
     {"Tabulator", "Comma"},
     {"English", "German", "French", "Spanish"},
     "Terminal Window",
     "Parameters",
     "Table",
     "Chart"},
    {"Datei",
     "in CSV-Datei abspeichern",
     "serielle Schnittstellen",
     "Alarmpuffer auslesen",
     "Datenpuffer auslesen",
     "CSV Trennzeichen",
     "Language/Sprache",
     {"Tabulator", "Semikolon"},
     {"Englisch", "Deutsch", "Französisch", "Spanisch"},
     "Terminalfenster",
     "Parameter",
     "Tabelle",
     "Diagramm"},
    {"Fichier",
     "Enregistrer dans un fichier CSV",
     "Interfaces série",
     "Lire la mémoire des alarmes ",
     "Lire la mémoire tampon ",
     "Séparateurs CSV",
     "Langue",
     {"Tabulateur", "Point-virgule"},
     {"Anglais", "Allemand", "Français", "Espagnol"},
     "Fenêtre du terminal",
     "Paramètres",
     "Tableau",
     "Graphique"},
    {"Archivo",
     "archivar en fichero CSV",
     "puerto serie",
     "leer memoria de alarmas",
     "leer memoria de datos",
     "símbolo de separación CSV",
     "Idioma",
     {"Tabulador", "Coma"},
     {"Ingles", "Alemán", "Francés", "Español"},
     "Ventana final",
     "Parámetros",
     "Tabla",
     "Gráfico"},
};

const char* const kPortSelectionFailed[kLanguageCount] = {
    "The last used serial port could not be initialized",
    "Die ausgewählte Schnittstelle kann nicht initialisert werden",
    "La dernière interface utilisée ne peut pas être initialisée",
    "El ultimo puerto utilizado no se puede inicializar",
};

const FigureTexts kFigureTexts[kLanguageCount] = {
    {"Column", "Values", "Minimum", "Maximum", "Time", "Row", "Mean", "From %1 to %2, span %3",
     "d"},
    {"Spalte", "Werte", "Minimum", "Maximum", "Zeit", "Zeile", "Mittelwert",
     "Von %1 bis %2, Dauer %3", "T"},
    {"Colonne", "Valeurs", "Minimum", "Maximum", "Heure", "Ligne", "Moyenne",
     "Du %1 au %2, durée %3", "j"},
    {"Columna", "Valores", "Mínimo", "Máximo", "Hora", "Fila", "Media", "Del %1 al %2, duración %3",
     "d"},
};

bool isLanguage(int index) {
    return index >= 0 && index < kLanguageCount;
}

}  // namespace

const Captions* CaptionsFor(int index) {
    return isLanguage(index) ? &kCaptions[index] : nullptr;
}

const FigureTexts& FigureTextsFor(int languageIndex) {
    return kFigureTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

std::string StartupPortFailedText(int languageIndex) {
    return languageIndex == 0
               ? "The last used serial port could not be initialized."
               : "Die zuletzt verwendete Schnittstelle kann nicht initialisiert werden.";
}

std::string PortFailureStatusText(const std::string& port, const OpenStatus& opened,
                                  int languageIndex) {
    const std::string reason = PortFailureReason(opened, languageIndex);
    if (port.empty()) return reason;
    const std::string shownPort = PrintableName(port);
    return reason.empty() ? shownPort : shownPort + ": " + reason;
}

std::string ReadoutPortFailureText(const std::string& port, const OpenStatus& opened,
                                   int languageIndex) {
    return TransmissionReadyText(languageIndex) + " \u2013 " +
           PortFailureStatusText(port, opened, languageIndex);
}

std::string PortSelectionFailedText(int languageIndex) {
    return isLanguage(languageIndex) ? kPortSelectionFailed[languageIndex] : std::string();
}

std::string NoNumericColumnText(int languageIndex) {
    return languageIndex == 0 ? "No numeric column to chart" : "Keine Zahlenspalte zum Darstellen";
}

std::string ChartsLeftOutText(int languageIndex) {
    return languageIndex == 0 ? "This build of the program draws no charts"
                              : "Diese Ausgabe des Programms zeichnet keine Diagramme";
}

std::string SavePictureText(int languageIndex, const char* format) {
    return languageIndex == 0 ? std::string("Save as ") + format + "..."
                              : std::string("Als ") + format + " speichern...";
}

std::string PictureNotSavedText(int languageIndex, const std::string& path) {
    return (languageIndex == 0 ? "The picture could not be saved: "
                               : "Das Bild konnte nicht gespeichert werden: ") +
           PrintableName(path);
}

std::string UnableToWriteText(const std::string& path) {
    return "Unable to write to " + PrintableName(path);
}

int SelectionForStoredIndex(int stored, int itemCount) {
    if (stored < 0) return -1;
    return stored >= itemCount ? itemCount - 1 : stored;
}

std::string ProgramTitle(const std::string& programPath) {
    const std::size_t slash = programPath.find_last_of("/\\");
    std::string title = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    title = title.substr(0, title.find('.'));
    for (std::size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(title[i])));
    return title;
}

}  // namespace travik
