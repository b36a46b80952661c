// What is wrong with a limit, in the window's four languages (the same index
// as app/Languages: 0 English, 1 German, 2 French, 3 Spanish; English
// outside). UTF-8. Nothing was changed by a limit that gets one of these.
#pragma once

#include <string>

#include "Excursions.h"

namespace travik::history {

// `field`: the text that did not read, quoted after the reason when given.
std::string LimitProblemText(LimitProblem problem, const std::string& field, int languageIndex);

}  // namespace travik::history
