#include "LimitTexts.h"

#include <cstdio>

#include "DeviceLimits.h"
#include "HistoryTexts.h"

namespace travik::history {
namespace {

// In the order of LimitProblem, None first.
const char* const kLimitWords[4][7] = {
    {"", "Give a lower limit, an upper limit or both",
     "The lower limit is above the upper one; nothing was changed",
     "The delay cannot be negative; nothing was changed",
     "The deadband cannot be negative; nothing was changed",
     "The deadband is wider than the range between the limits; nothing was changed",
     "Not a number; nothing was changed"},
    {"", "Einen unteren Grenzwert, einen oberen oder beide angeben",
     "Der untere Grenzwert liegt über dem oberen; nichts wurde geändert",
     "Die Verzögerung kann nicht negativ sein; nichts wurde geändert",
     "Die Hysterese kann nicht negativ sein; nichts wurde geändert",
     "Die Hysterese ist breiter als der Bereich zwischen den Grenzwerten; nichts wurde geändert",
     "Keine Zahl; nichts wurde geändert"},
    {"", "Indiquez une limite basse, une limite haute ou les deux",
     "La limite basse est au-dessus de la limite haute ; rien n'a été modifié",
     "Le délai ne peut pas être négatif ; rien n'a été modifié",
     "L'hystérésis ne peut pas être négative ; rien n'a été modifié",
     "L'hystérésis est plus large que l'écart entre les limites ; rien n'a été modifié",
     "Ce n'est pas un nombre ; rien n'a été modifié"},
    {"", "Indique un límite inferior, uno superior o ambos",
     "El límite inferior está por encima del superior; no se ha cambiado nada",
     "El retardo no puede ser negativo; no se ha cambiado nada",
     "La histéresis no puede ser negativa; no se ha cambiado nada",
     "La histéresis es más ancha que el intervalo entre los límites; no se ha cambiado nada",
     "No es un número; no se ha cambiado nada"},
};

const LimitDialogWords kDialogWords[4] = {
    {"Limits of %s", "Lower limit", "Upper limit", "Delay",
     "points (3) or a time (15 min, 1 h, 00:15)", "Deadband", "Holds from",
     "dd.mm.yyyy [hh:mm]; empty: the first limit for all data, a change from now",
     "The start is no date (dd.mm.yyyy [hh:mm]); nothing was changed"},
    {"Grenzwerte von %s", "Unterer Grenzwert", "Oberer Grenzwert", "Verzögerung",
     "Punkte (3) oder eine Zeit (15 min, 1 h, 00:15)", "Hysterese", "Gilt ab",
     "tt.mm.jjjj [hh:mm]; leer: der erste Grenzwert für alle Daten, eine Änderung ab jetzt",
     "Der Beginn ist kein Datum (tt.mm.jjjj [hh:mm]); nichts wurde geändert"},
    {"Limites de %s", "Limite basse", "Limite haute", "Délai",
     "points (3) ou une durée (15 min, 1 h, 00:15)", "Hystérésis", "Valable dès",
     "jj.mm.aaaa [hh:mm] ; vide : la première limite pour toutes les données, un changement "
     "dès maintenant",
     "Le début n'est pas une date (jj.mm.aaaa [hh:mm]) ; rien n'a été modifié"},
    {"Límites de %s", "Límite inferior", "Límite superior", "Retardo",
     "puntos (3) o un tiempo (15 min, 1 h, 00:15)", "Histéresis", "Válido desde",
     "dd.mm.aaaa [hh:mm]; vacío: el primer límite para todos los datos, un cambio desde ahora",
     "El inicio no es una fecha (dd.mm.aaaa [hh:mm]); no se ha cambiado nada"},
};

struct DescriptionWords {
    const char* limit;
    const char* none;
    const char* below;  // only a lower limit: "at least %s"
    const char* above;  // only an upper limit: "at most %s"
    const char* range;  // "%s to %s"
    const char* points;
    const char* delay;
    const char* deadband;
    const char* since;
    const char* allData;
};

const DescriptionWords kDescriptionWords[4] = {
    {"Limit", "none", "at least %s", "at most %s", "%s to %s", "points", "delay", "deadband",
     "since", "for all data"},
    {"Grenzwert", "keiner", "mindestens %s", "höchstens %s", "%s bis %s", "Punkte", "Verzögerung",
     "Hysterese", "seit", "für alle Daten"},
    {"Limite", "aucune", "au moins %s", "au plus %s", "%s à %s", "points", "délai", "hystérésis",
     "depuis", "pour toutes les données"},
    {"Límite", "ninguno", "al menos %s", "como mucho %s", "%s a %s", "puntos", "retardo",
     "histéresis", "desde", "para todos los datos"},
};

const ExcursionFigureWords kFigureWords[4] = {
    {"Excursions", "Time outside", "Longest excursion", "First excursion", "Time without data",
     "Mean kinetic temperature"},
    {"Grenzwertverletzungen", "Zeit außerhalb", "Längste Verletzung", "Erste Verletzung",
     "Zeit ohne Daten", "Mittlere kinetische Temperatur"},
    {"Dépassements", "Temps hors limites", "Plus long dépassement", "Premier dépassement",
     "Temps sans données", "Température cinétique moyenne"},
    {"Excursiones", "Tiempo fuera", "Excursión más larga", "Primera excursión", "Tiempo sin datos",
     "Temperatura cinética media"},
};

int language(int index) {
    return index >= 0 && index < 4 ? index : 0;
}

std::string numberText(double value, char decimalSeparator) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    std::string shown = text;
    for (char& c : shown)
        if (c == '.') c = decimalSeparator;
    return shown;
}

std::string replaced(std::string pattern, const std::string& first,
                     const std::string& second = "") {
    const std::size_t at = pattern.find("%s");
    if (at != std::string::npos) pattern.replace(at, 2, first);
    const std::size_t next = pattern.find("%s");
    if (next != std::string::npos) pattern.replace(next, 2, second);
    return pattern;
}

}  // namespace

std::string LimitDescription(const ColumnLimit& limit, char decimalSeparator, int languageIndex) {
    const DescriptionWords& words = kDescriptionWords[language(languageIndex)];
    std::string text = std::string(words.limit) + ": ";
    if (!limit.any()) {
        text += words.none;
    } else if (limit.lower && limit.upper) {
        text += replaced(words.range, numberText(*limit.lower, decimalSeparator),
                         numberText(*limit.upper, decimalSeparator));
    } else if (limit.lower) {
        text += replaced(words.below, numberText(*limit.lower, decimalSeparator));
    } else {
        text += replaced(words.above, numberText(*limit.upper, decimalSeparator));
    }
    std::string details;
    if (limit.delayPoints > 0)
        details +=
            std::string(words.delay) + " " + std::to_string(limit.delayPoints) + " " + words.points;
    if (limit.delaySeconds > 0)
        details += std::string(words.delay) + " " + DurationText(limit.delaySeconds);
    if (limit.deadband > 0)
        details += std::string(details.empty() ? "" : ", ") + words.deadband + " " +
                   numberText(limit.deadband, decimalSeparator);
    if (!details.empty()) text += " (" + details + ")";
    if (limit.from != kSinceEver)
        text += ", " + std::string(words.since) + " " + DeviceTimeText(limit.from);
    return text;
}

std::string LimitInForceText(const ColumnLimit& limit, char decimalSeparator, int languageIndex) {
    std::string text = LimitDescription(limit, decimalSeparator, languageIndex);
    if (limit.from == kSinceEver && limit.any())
        text += std::string(", ") + kDescriptionWords[language(languageIndex)].allData;
    return text;
}

const ExcursionFigureWords& ExcursionFigureWordsFor(int languageIndex) {
    return kFigureWords[language(languageIndex)];
}

const LimitDialogWords& LimitDialogWordsFor(int languageIndex) {
    return kDialogWords[languageIndex >= 0 && languageIndex < 4 ? languageIndex : 0];
}

std::string LimitProblemText(LimitProblem problem, const std::string& field, int languageIndex) {
    const int language = languageIndex >= 0 && languageIndex < 4 ? languageIndex : 0;
    const auto index = static_cast<std::size_t>(problem);
    std::string text = kLimitWords[language][index < 7 ? index : 6];
    if (!field.empty()) text += ": \"" + field + "\"";
    return text;
}

}  // namespace travik::history
