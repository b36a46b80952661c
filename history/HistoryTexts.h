// What the history says to people, in the window's four languages (the same
// index as app/Languages: 0 English, 1 German, 2 French, 3 Spanish; English
// outside). UTF-8.
#pragma once

#include <cstdio>
#include <string>

#include "HistoryStore.h"
#include "Merge.h"

namespace travik::history {

// "37 new records, 185 already in the history of DL 7 S/N 4711", then any
// possible loss, clock change, conflict or cut last row, each as a clause.
std::string OutcomeText(const MergeOutcome& outcome, int languageIndex);

// Why the history could not be used, with `detail` (the file and the
// library's words) after a colon. The readout itself is not lost by it.
std::string ProblemText(Problem problem, const std::string& detail, int languageIndex);

// A device time as the device writes it: "dd.mm.yyyy hh:mm:ss".
std::string DeviceTimeText(long long seconds);

// A clock offset as "+1:00:00" or "-0:15:00", with days when longer: "+3d 2:00:00".
std::string OffsetText(long long seconds);

// printf-style text of any length (the formats are the texts' own, never input).
template <class... Args>
std::string FormattedText(const char* format, Args... args) {
    const int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) return std::string();
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(size));
    return text;
}

}  // namespace travik::history
