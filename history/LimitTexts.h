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

// A limit as the table's tooltip and the report show it, numbers with the
// column's decimal separator: "Limit: 2,5 to 8 (delay 3 points, deadband
// 0,5), since 01.03.2024 00:00:00". "Limit: none" for a limit taken away.
std::string LimitDescription(const ColumnLimit& limit, char decimalSeparator, int languageIndex);
// The same saying since when it holds also for a limit on all data
// ("Limit: 2 to 8, for all data"), as a report's list of limits in force does.
std::string LimitInForceText(const ColumnLimit& limit, char decimalSeparator, int languageIndex);

// The names of the excursion figures (figures grid, report).
struct ExcursionFigureWords {
    const char* excursions;   // how many
    const char* timeOutside;  // in all
    const char* longest;      // the longest excursion's time outside
    const char* firstStart;   // of the first excursion
    const char* unknownTime;  // time without data
    const char* kineticMean;  // the mean kinetic temperature
};
const ExcursionFigureWords& ExcursionFigureWordsFor(int languageIndex);

}  // namespace travik::history
