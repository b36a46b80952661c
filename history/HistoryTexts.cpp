#include "HistoryTexts.h"

#include <cstdio>

#include "CellValues.h"

namespace travik::history {
namespace {

struct OutcomeWords {
    const char* oneNew;  // "%zu" is the count
    const char* manyNew;
    const char* held;       // "%zu", then the device's name
    const char* loss;       // from, to
    const char* clock;      // the offset, the count
    const char* clockStep;  // the offset: set while logging, no record found again
    const char* conflicts;  // the count
    const char* cutRow;
    const char* notMerged;
};

const OutcomeWords kOutcomeWords[] = {
    {"%zu new record", "%zu new records", ", %zu already in the history of %s",
     "; possible loss from %s to %s", "; device clock set by %s (%zu records found again)",
     "; device clock set by %s",
     "; %zu records conflict with held ones and are kept as second versions",
     "; the last row was cut short and is not a record",
     "Nothing kept in the history: the readout ended before its first line"},
    {"%zu neuer Datensatz", "%zu neue Datensätze", ", %zu schon im Verlauf von %s",
     "; möglicher Verlust von %s bis %s",
     "; Geräteuhr um %s verstellt (%zu Datensätze wiedererkannt)", "; Geräteuhr um %s verstellt",
     "; %zu Datensätze widersprechen gespeicherten und bleiben als zweite Fassung erhalten",
     "; die letzte Zeile ist abgeschnitten und kein Datensatz",
     "Nichts im Verlauf gespeichert: das Auslesen endete vor der ersten Zeile"},
    {"%zu nouvel enregistrement", "%zu nouveaux enregistrements",
     ", %zu déjà dans l'historique de %s", " ; perte possible du %s au %s",
     " ; horloge de l'appareil décalée de %s (%zu enregistrements reconnus)",
     " ; horloge de l'appareil décalée de %s",
     " ; %zu enregistrements contredisent ceux de l'historique et sont gardés comme seconde "
     "version",
     " ; la dernière ligne est tronquée et n'est pas un enregistrement",
     "Rien n'a été gardé dans l'historique : la lecture s'est arrêtée avant sa première ligne"},
    {"%zu registro nuevo", "%zu registros nuevos", ", %zu ya en el historial de %s",
     "; posible pérdida del %s al %s",
     "; reloj del equipo cambiado en %s (%zu registros reconocidos)",
     "; reloj del equipo cambiado en %s",
     "; %zu registros contradicen los guardados y se conservan como segunda versión",
     "; la última fila está cortada y no es un registro",
     "No se guardó nada en el historial: la lectura terminó antes de su primera línea"},
};

const char* const kProblemWords[][8] = {
    {"", "The history file is damaged and was left unchanged",
     "The history is in use by another program; try again later",
     "The history file cannot be written", "The disk holding the history is full",
     "The history file was made by a newer version of this program and was left unchanged",
     "The history file cannot be opened", "The history could not be written"},
    {"", "Die Verlaufsdatei ist beschädigt und blieb unverändert",
     "Der Verlauf wird von einem anderen Programm benutzt; später erneut versuchen",
     "Die Verlaufsdatei lässt sich nicht schreiben", "Der Datenträger des Verlaufs ist voll",
     "Die Verlaufsdatei stammt von einer neueren Version dieses Programms und blieb unverändert",
     "Die Verlaufsdatei lässt sich nicht öffnen", "Der Verlauf konnte nicht geschrieben werden"},
    {"", "Le fichier d'historique est endommagé et n'a pas été modifié",
     "L'historique est utilisé par un autre programme ; réessayez plus tard",
     "Le fichier d'historique ne peut pas être écrit", "Le disque de l'historique est plein",
     ("Le fichier d'historique vient d'une version plus récente de ce programme et n'a pas été "
      "modifié"),
     "Le fichier d'historique ne peut pas être ouvert", "L'historique n'a pas pu être écrit"},
    {"", "El archivo del historial está dañado y no se ha modificado",
     "Otro programa está usando el historial; inténtelo más tarde",
     "No se puede escribir en el archivo del historial", "El disco del historial está lleno",
     ("El archivo del historial es de una versión más reciente de este programa y no se ha "
      "modificado"),
     "No se puede abrir el archivo del historial", "No se pudo escribir el historial"},
};

int language(int index) {
    return index >= 0 && index < 4 ? index : 0;
}

}  // namespace

std::string DeviceTimeText(long long seconds) {
    long long days = seconds / 86400;
    long long second = seconds % 86400;
    if (second < 0) {
        second += 86400;
        --days;
    }
    const CivilDate date = CivilFromDays(days);
    return FormattedText("%02d.%02d.%04lld %02lld:%02lld:%02lld", date.day, date.month, date.year,
                         second / 3600, second / 60 % 60, second % 60);
}

std::string OffsetText(long long seconds) {
    const char sign = seconds < 0 ? '-' : '+';
    unsigned long long left = seconds < 0 ? 0ULL - static_cast<unsigned long long>(seconds)
                                          : static_cast<unsigned long long>(seconds);
    const unsigned long long days = left / 86400;
    left %= 86400;
    if (days > 0)
        return FormattedText("%c%llud %llu:%02llu:%02llu", sign, days, left / 3600, left / 60 % 60,
                             left % 60);
    return FormattedText("%c%llu:%02llu:%02llu", sign, left / 3600, left / 60 % 60, left % 60);
}

std::string OutcomeText(const MergeOutcome& outcome, int languageIndex) {
    const OutcomeWords& words = kOutcomeWords[language(languageIndex)];
    if (!outcome.merged) return words.notMerged;
    std::string text =
        FormattedText(outcome.newRecords == 1 ? words.oneNew : words.manyNew, outcome.newRecords);
    text += FormattedText(words.held, outcome.heldRecords, outcome.deviceName.c_str());
    for (const TimeRange& gap : outcome.gaps)
        text += FormattedText(words.loss, DeviceTimeText(gap.from).c_str(),
                              DeviceTimeText(gap.to).c_str());
    if (outcome.clockOffset != 0 && outcome.shifted == 0)
        text += FormattedText(words.clockStep, OffsetText(outcome.clockOffset).c_str());
    else if (outcome.clockOffset != 0)
        text +=
            FormattedText(words.clock, OffsetText(outcome.clockOffset).c_str(), outcome.shifted);
    if (outcome.conflicts > 0) text += FormattedText(words.conflicts, outcome.conflicts);
    if (outcome.lastRowCut) text += words.cutRow;
    return text;
}

std::string ProblemText(Problem problem, const std::string& detail, int languageIndex) {
    const auto index = static_cast<std::size_t>(problem);
    const char* words = kProblemWords[language(languageIndex)][index < 8 ? index : 7];
    return detail.empty() ? std::string(words) : std::string(words) + ": " + detail;
}

}  // namespace travik::history
