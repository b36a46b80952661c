#include "Languages.h"

#include <cctype>
#include <string>

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

const TimelineTexts kTimelineTexts[kLanguageCount] = {
    {"Alarm timeline", "Alarm"},
    {"Alarm-Zeitleiste", "Alarm"},
    {"Chronologie des alarmes", "Alarme"},
    {"Cronología de alarmas", "Alarma"},
};

const FileMenuTexts kFileMenuTexts[kLanguageCount] = {
    {"Open readout…", "Save report…", "Readout kind", "Alarm buffer", "Data logger"},
    {"Auslesung öffnen…", "Bericht speichern…", "Art der Auslesung", "Alarmpuffer", "Datenlogger"},
    {"Ouvrir une lecture…", "Enregistrer le rapport…", "Type de lecture", "Mémoire des alarmes",
     "Enregistreur de données"},
    {"Abrir lectura…", "Guardar informe…", "Tipo de lectura", "Memoria de alarmas",
     "Registrador de datos"},
};

const HistoryViewTexts kHistoryViewTexts[kLanguageCount] = {
    {"History",
     "Device",
     "Kind",
     "Range",
     {"Since the last visit", "Last 30 days", "Everything", "From – to"},
     "From",
     "To",
     "Show",
     "Add to history",
     "The history holds no readout yet",
     "The history holds no readout of this kind from this device",
     "Readouts merged",
     "Possible losses and clock changes",
     "Keep each readout from the device in the history"},
    {"Verlauf",
     "Gerät",
     "Art",
     "Zeitraum",
     {"Seit dem letzten Besuch", "Letzte 30 Tage", "Alles", "Von – bis"},
     "Von",
     "Bis",
     "Anzeigen",
     "Zum Verlauf hinzufügen",
     "Der Verlauf enthält noch keine Auslesung",
     "Der Verlauf enthält keine Auslesung dieser Art von diesem Gerät",
     "Zusammengeführte Auslesungen",
     "Mögliche Verluste und Uhrverstellungen",
     "Jede Auslesung des Geräts im Verlauf aufbewahren"},
    {"Historique",
     "Appareil",
     "Type",
     "Période",
     {"Depuis la dernière visite", "30 derniers jours", "Tout", "Du – au"},
     "Du",
     "Au",
     "Afficher",
     "Ajouter à l'historique",
     "L'historique ne contient encore aucune lecture",
     "L'historique ne contient aucune lecture de ce type de cet appareil",
     "Lectures fusionnées",
     "Pertes possibles et changements d'horloge",
     "Conserver chaque lecture de l'appareil dans l'historique"},
    {"Historial",
     "Equipo",
     "Tipo",
     "Periodo",
     {"Desde la última visita", "Últimos 30 días", "Todo", "Desde – hasta"},
     "Desde",
     "Hasta",
     "Mostrar",
     "Añadir al historial",
     "El historial aún no contiene ninguna lectura",
     "El historial no contiene lecturas de este tipo de este equipo",
     "Lecturas fusionadas",
     "Posibles pérdidas y cambios de reloj",
     "Guardar cada lectura del equipo en el historial"},
};

const FileDialogTexts kFileDialogTexts[kLanguageCount] = {
    {"comma separated files (*.csv)", "Readouts (*.csv *.txt)", "All files (*)",
     "PDF files (*.pdf)"},
    {"CSV-Dateien (*.csv)", "Auslesungen (*.csv *.txt)", "Alle Dateien (*)", "PDF-Dateien (*.pdf)"},
    {"Fichiers CSV (*.csv)", "Lectures (*.csv *.txt)", "Tous les fichiers (*)",
     "Fichiers PDF (*.pdf)"},
    {"Ficheros CSV (*.csv)", "Lecturas (*.csv *.txt)", "Todos los ficheros (*)",
     "Ficheros PDF (*.pdf)"},
};

const ReportTexts kReportTexts[kLanguageCount] = {
    {"Readout report", "Source", "port %1", "file %1", "Report date", "Figures", "Alarms", "Text",
     "Count", "First", "Last", "Table", "Page %1", "Columns %1–%2 of %3",
     "The report will have about %1 pages. Write it all the same?", "Writing the report…",
     "Cancel"},
    {"Auslesebericht", "Quelle", "Schnittstelle %1", "Datei %1", "Berichtsdatum", "Kennzahlen",
     "Alarme", "Text", "Anzahl", "Erstes", "Letztes", "Tabelle", "Seite %1", "Spalten %1–%2 von %3",
     "Der Bericht wird etwa %1 Seiten lang. Trotzdem schreiben?", "Der Bericht wird geschrieben…",
     "Abbrechen"},
    {"Rapport de lecture", "Source", "interface %1", "fichier %1", "Date du rapport",
     "Statistiques", "Alarmes", "Texte", "Nombre", "Premier", "Dernier", "Tableau", "Page %1",
     "Colonnes %1 à %2 sur %3", "Le rapport aura environ %1 pages. L’écrire quand même ?",
     "Écriture du rapport…", "Annuler"},
    {"Informe de lectura", "Origen", "puerto %1", "fichero %1", "Fecha del informe", "Estadísticas",
     "Alarmas", "Texto", "Cantidad", "Primera", "Última", "Tabla", "Página %1",
     "Columnas %1–%2 de %3", "El informe tendrá unas %1 páginas. ¿Escribirlo de todos modos?",
     "Escribiendo el informe…", "Cancelar"},
};

const LimitReportTexts kLimitReportTexts[kLanguageCount] = {
    {"Limits", "Limits in force", "Column", "Start", "End", "Duration", "Extreme value",
     "still outside", "Time outside per day", "Day", "Outside", "Without data", "No excursion",
     "%1: time without data %2", "SHA-256 of the file %1: %2",
     "SHA-256 of the readout as saved to CSV: %1"},
    {"Grenzwerte", "Geltende Grenzwerte", "Spalte", "Beginn", "Ende", "Dauer", "Extremwert",
     "noch außerhalb", "Zeit außerhalb je Tag", "Tag", "Außerhalb", "Ohne Daten",
     "Keine Verletzung", "%1: Zeit ohne Daten %2", "SHA-256 der Datei %1: %2",
     "SHA-256 der Auslesung als gespeicherte CSV-Datei: %1"},
    {"Limites", "Limites en vigueur", "Colonne", "Début", "Fin", "Durée", "Valeur extrême",
     "encore hors limites", "Temps hors limites par jour", "Jour", "Hors limites",
     "Sans données", "Aucun dépassement", "%1 : temps sans données %2",
     "SHA-256 du fichier %1 : %2", "SHA-256 de la lecture enregistrée en CSV : %1"},
    {"Límites", "Límites vigentes", "Columna", "Inicio", "Fin", "Duración", "Valor extremo",
     "aún fuera", "Tiempo fuera por día", "Día", "Fuera", "Sin datos", "Ninguna excursión",
     "%1: tiempo sin datos %2", "SHA-256 del fichero %1: %2",
     "SHA-256 de la lectura guardada como CSV: %1"},
};

// "%1" the file, "%2" the system's reason.
struct OpenTexts {
    const char* empty;
    const char* notAReadout;
    const char* tooLarge;
    const char* unreadable;
    const char* folder;
    const char* gone;
    const char* discardUnsaved;
    const char* tabbedCsv;
    const char* commaCsv;
    const char* semicolonCsv;
    const char* textOutput;
    const char* alarmBuffer;
    const char* dataLogger;
    const char* assumed;
    // A file whose separators made no sense: "%1" the line, "%2" one of the five below.
    const char* unseparated;
    const char* quoteNotClosed;
    const char* quoteInsideField;
    const char* noTitleLine;
    const char* titleFields;  // "%1" the titles' count
    const char* rowFields;    // "%1" the row's count, "%2" the titles'
    const char* replaced;     // "%1" how many characters
};

const OpenTexts kOpenTexts[kLanguageCount] = {
    {"The file %1 is empty",
     "The file %1 is not a readout",
     "The file %1 is larger than 1 MiB and cannot be a readout",
     "The file %1 cannot be read: %2",
     "%1 is a folder, not a file",
     "The file %1 is no longer there",
     "The readout has not been saved. Open %1 and discard it?",
     "tab-separated CSV",
     "CSV with commas",
     "CSV with semicolons",
     "travik-read text",
     "alarm buffer",
     "data logger",
     "assumed, see the Readout kind menu",
     "separators not understood, line %1: %2",
     "quote not closed",
     "quote inside a field",
     "no title line",
     "%1 titles, neither 5 nor 3",
     "%1 fields, the titles have %2",
     "characters outside Windows-1252 shown as ?: %1"},
    {"Die Datei %1 ist leer",
     "Die Datei %1 ist keine Auslesung",
     "Die Datei %1 ist größer als 1 MiB und kann keine Auslesung sein",
     "Die Datei %1 kann nicht gelesen werden: %2",
     "%1 ist ein Ordner, keine Datei",
     "Die Datei %1 ist nicht mehr vorhanden",
     "Die Auslesung wurde nicht gespeichert. %1 öffnen und sie verwerfen?",
     "CSV mit Tabulatoren",
     "CSV mit Kommas",
     "CSV mit Semikolons",
     "travik-read-Text",
     "Alarmpuffer",
     "Datenlogger",
     "angenommen, siehe Menü Art der Auslesung",
     "Trennzeichen nicht verstanden, Zeile %1: %2",
     "Anführungszeichen nicht geschlossen",
     "Anführungszeichen in einem Feld",
     "keine Titelzeile",
     "%1 Titel, weder 5 noch 3",
     "%1 Felder, die Titel haben %2",
     "Zeichen außerhalb von Windows-1252 als ? gezeigt: %1"},
    {"Le fichier %1 est vide",
     "Le fichier %1 n'est pas une lecture",
     "Le fichier %1 dépasse 1 Mio et ne peut pas être une lecture",
     "Le fichier %1 ne peut pas être lu : %2",
     "%1 est un dossier, pas un fichier",
     "Le fichier %1 n'existe plus",
     "La lecture n'a pas été enregistrée. Ouvrir %1 et l'abandonner ?",
     "CSV à tabulations",
     "CSV à virgules",
     "CSV à points-virgules",
     "texte de travik-read",
     "mémoire des alarmes",
     "enregistreur de données",
     "supposé, voir le menu Type de lecture",
     "séparateurs non compris, ligne %1 : %2",
     "guillemet non fermé",
     "guillemet dans un champ",
     "pas de ligne de titres",
     "%1 titres, ni 5 ni 3",
     "%1 champs, les titres en ont %2",
     "caractères hors de Windows-1252 affichés comme ? : %1"},
    {"El fichero %1 está vacío",
     "El fichero %1 no es una lectura",
     "El fichero %1 supera 1 MiB y no puede ser una lectura",
     "El fichero %1 no se puede leer: %2",
     "%1 es una carpeta, no un fichero",
     "El fichero %1 ya no existe",
     "La lectura no se ha guardado. ¿Abrir %1 y descartarla?",
     "CSV con tabuladores",
     "CSV con comas",
     "CSV con punto y coma",
     "texto de travik-read",
     "memoria de alarmas",
     "registrador de datos",
     "supuesto, ver el menú Tipo de lectura",
     "separadores no entendidos, línea %1: %2",
     "comillas sin cerrar",
     "comillas dentro de un campo",
     "sin línea de títulos",
     "%1 títulos, ni 5 ni 3",
     "%1 campos, los títulos tienen %2",
     "caracteres fuera de Windows-1252 mostrados como ?: %1"},
};

// "%1" the selection's megabytes, "%2" the limit's.
const char* const kCopyTooLarge[kLanguageCount] = {
    "The selection holds %1 MB of text, more than the %2 MB that can be copied at once, "
    "so nothing was copied. Select fewer rows or columns, or save the readout as a CSV file.",
    "Die Auswahl enth\u00e4lt %1 MB Text, mehr als die %2 MB, die auf einmal kopiert werden "
    "k\u00f6nnen; es wurde nichts kopiert. Bitte weniger Zeilen oder Spalten ausw\u00e4hlen oder "
    "die Auslesung als CSV-Datei speichern.",
    "La s\u00e9lection contient %1 Mo de texte, plus que les %2 Mo qui peuvent \u00eatre "
    "copi\u00e9s en une fois ; rien n'a \u00e9t\u00e9 copi\u00e9. S\u00e9lectionnez moins de "
    "lignes ou de colonnes, ou enregistrez la lecture dans un fichier CSV.",
    "La selecci\u00f3n contiene %1 MB de texto, m\u00e1s de los %2 MB que se pueden copiar de "
    "una vez; no se ha copiado nada. Seleccione menos filas o columnas, o guarde la lectura en "
    "un fichero CSV.",
};

const OpenTexts& openTextsFor(int languageIndex) {
    return kOpenTexts[languageIndex >= 0 && languageIndex < kLanguageCount ? languageIndex : 0];
}

// `pattern` with "%1" replaced by `first` and "%2" by `second`.
std::string filledIn(const char* pattern, const std::string& first,
                     const std::string& second = std::string()) {
    std::string out;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            out += p[1] == '1' ? first : second;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// What was not understood in a file's separators, and where.
std::string troubleText(const SeparatorTrouble& trouble, const OpenTexts& texts) {
    using What = SeparatorTrouble::What;
    std::string what;
    switch (trouble.what) {
        case What::QuoteNotClosed:
            what = texts.quoteNotClosed;
            break;
        case What::QuoteInsideField:
            what = texts.quoteInsideField;
            break;
        case What::NoTitleLine:
            what = texts.noTitleLine;
            break;
        case What::TitleFields:
            what = filledIn(texts.titleFields, std::to_string(trouble.fields));
            break;
        case What::RowFields:
            what = filledIn(texts.rowFields, std::to_string(trouble.fields),
                            std::to_string(trouble.titleFields));
            break;
    }
    return filledIn(texts.unseparated, std::to_string(trouble.line), what);
}

const char* separatedKindText(char separator, const OpenTexts& texts) {
    switch (separator) {
        case ',':
            return texts.commaCsv;
        case ';':
            return texts.semicolonCsv;
        default:
            return texts.tabbedCsv;
    }
}

std::string fileKindText(const SavedReadout& readout, const OpenTexts& texts) {
    switch (readout.fileKind) {
        case SavedFileKind::TextOutput:
            return texts.textOutput;
        case SavedFileKind::SeparatedCsv:
            return separatedKindText(readout.separator, texts);
        case SavedFileKind::Unseparated:
            return troubleText(readout.trouble, texts);
        case SavedFileKind::TabbedCsv:
            break;
    }
    return texts.tabbedCsv;
}

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

const TimelineTexts& TimelineTextsFor(int languageIndex) {
    return kTimelineTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

const FileMenuTexts& FileMenuTextsFor(int languageIndex) {
    return kFileMenuTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

const HistoryViewTexts& HistoryViewTextsFor(int languageIndex) {
    return kHistoryViewTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

const FileDialogTexts& FileDialogTextsFor(int languageIndex) {
    return kFileDialogTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

const ReportTexts& ReportTextsFor(int languageIndex) {
    return kReportTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

const LimitReportTexts& LimitReportTextsFor(int languageIndex) {
    return kLimitReportTexts[isLanguage(languageIndex) ? languageIndex : 0];
}

std::string RefusedFileText(FileRefusal refusal, const std::string& path, const std::string& reason,
                            int languageIndex) {
    const OpenTexts& texts = openTextsFor(languageIndex);
    const std::string name = PrintableName(path);
    switch (refusal) {
        case FileRefusal::Empty:
            return filledIn(texts.empty, name);
        case FileRefusal::TooLarge:
            return filledIn(texts.tooLarge, name);
        case FileRefusal::Unreadable:
            return filledIn(texts.unreadable, name, reason);
        case FileRefusal::Folder:
            return filledIn(texts.folder, name);
        case FileRefusal::Gone:
            return filledIn(texts.gone, name);
        case FileRefusal::NotAReadout:
        case FileRefusal::None:
            break;
    }
    return filledIn(texts.notAReadout, name);
}

std::string CopyTooLargeText(std::size_t bytes, std::size_t limitBytes, int languageIndex) {
    // Whole megabytes, the selection's rounded up so that it never reads as the limit.
    constexpr std::size_t kMegabyte = 1000 * 1000;
    return filledIn(kCopyTooLarge[isLanguage(languageIndex) ? languageIndex : 0],
                    std::to_string((bytes + kMegabyte - 1) / kMegabyte),
                    std::to_string(limitBytes / kMegabyte));
}

std::string DiscardUnsavedText(const std::string& path, int languageIndex) {
    return filledIn(openTextsFor(languageIndex).discardUnsaved, PrintableName(path));
}

std::string OpenedFileStatusText(const std::string& path, const SavedReadout& readout,
                                 ReadoutKind kind, int languageIndex) {
    const OpenTexts& texts = openTextsFor(languageIndex);
    std::string text = PrintableName(path) + ": " + fileKindText(readout, texts);
    if (readout.encoding == TextEncoding::Utf8) text += ", UTF-8";
    if (readout.encoding == TextEncoding::Utf16) text += ", UTF-16";
    text += std::string(", ") +
            (kind == ReadoutKind::AlarmBuffer ? texts.alarmBuffer : texts.dataLogger);
    if (!readout.kind) text += std::string(" (") + texts.assumed + ")";
    if (readout.replaced > 0)
        text += "; " + filledIn(texts.replaced, std::to_string(readout.replaced));
    return text;
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
    return TransmissionReadyText(languageIndex) + " – " +
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

const LimitsWindowTexts& LimitsWindowTextsFor(int languageIndex) {
    static const LimitsWindowTexts texts[kLanguageCount] = {
        {"Column", "Take the limit away from then on", "Limits\u2026", "above the upper limit %1",
         "below the lower limit %1", "The limit could not be kept: %1"},
        {"Spalte", "Grenzwert ab dann aufheben", "Grenzwerte\u2026", "über dem oberen Grenzwert %1",
         "unter dem unteren Grenzwert %1", "Der Grenzwert konnte nicht gespeichert werden: %1"},
        {"Colonne", "Retirer la limite à partir de cette date", "Limites\u2026",
         "au-dessus de la limite haute %1", "en dessous de la limite basse %1",
         "La limite n'a pas pu être enregistrée : %1"},
        {"Columna", "Quitar el límite desde entonces", "Límites\u2026",
         "por encima del límite superior %1", "por debajo del límite inferior %1",
         "No se ha podido guardar el límite: %1"},
    };
    return texts[languageIndex >= 0 && languageIndex < kLanguageCount ? languageIndex : 0];
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
