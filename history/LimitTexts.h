// What is wrong with a limit, in the window's four languages (the same index
// as app/Languages: 0 English, 1 German, 2 French, 3 Spanish; English
// outside). UTF-8. Nothing was changed by a limit that gets one of these.
#pragma once

#include <string>

#include "Excursions.h"

namespace travik::history {

// `field`: the text that did not read, quoted after the reason when given.
std::string LimitProblemText(LimitProblem problem, const std::string& field, int languageIndex);

// The words of the window's limits dialog.
struct LimitDialogWords {
    const char* title;  // "%s": the column
    const char* lower;
    const char* upper;
    const char* delay;
    const char* delayHint;
    const char* deadband;
    const char* from;
    const char* fromHint;
    const char* badFrom;  // a start that is no date
};
const LimitDialogWords& LimitDialogWordsFor(int languageIndex);

}  // namespace travik::history
