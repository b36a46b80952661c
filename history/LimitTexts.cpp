#include "LimitTexts.h"

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

}  // namespace

std::string LimitProblemText(LimitProblem problem, const std::string& field, int languageIndex) {
    const int language = languageIndex >= 0 && languageIndex < 4 ? languageIndex : 0;
    const auto index = static_cast<std::size_t>(problem);
    std::string text = kLimitWords[language][index < 7 ? index : 6];
    if (!field.empty()) text += ": \"" + field + "\"";
    return text;
}

}  // namespace travik::history
