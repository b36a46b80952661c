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

bool isLanguage(int index) {
    return index >= 0 && index < kLanguageCount;
}

}  // namespace

const Captions* CaptionsFor(int index) {
    return isLanguage(index) ? &kCaptions[index] : nullptr;
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

std::string AdapterNowText(const std::string& port, int languageIndex) {
    return (languageIndex == 0 ? "The adapter is now " : "Der Adapter ist jetzt ") +
           PrintableName(port);
}

std::string AdapterNotPluggedInText(int languageIndex) {
    return languageIndex == 0 ? "The remembered adapter is not plugged in"
                              : "Der gemerkte Adapter ist nicht eingesteckt";
}

std::string AdapterOnSeveralPortsText(const std::vector<std::string>& ports, int languageIndex) {
    std::string names;
    for (const std::string& port : ports) {
        if (!names.empty()) names += ", ";
        names += PrintableName(port);
    }
    return languageIndex == 0
               ? "The remembered adapter is on more than one port: " + names + "; choose one"
               : "Der gemerkte Adapter ist an mehr als einer Schnittstelle: " + names +
                     "; bitte eine w\u00e4hlen";
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

std::string PagesNotShownText(int languageIndex) {
    return languageIndex == 0
               ? "The table could not be shown; the readout can still be saved"
               : "Die Tabelle konnte nicht angezeigt werden; die Ausgabe kann trotzdem "
                 "gespeichert werden";
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
