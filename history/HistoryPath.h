// Where the history file is by default, and what the system says of it. One
// file per platform: HistoryPath_posix.cpp, HistoryPath_win32.cpp.
#pragma once

#include <optional>
#include <string>

#include "HistoryStore.h"

namespace travik::history {

// $XDG_DATA_HOME/TravikReadout/history.sqlite (else ~/.local/share/...), or
// %LOCALAPPDATA%\TravikReadout\history.sqlite on Windows. Empty when neither
// the variables nor a home folder tell where.
std::string DefaultHistoryPath();

// Makes the folders above `path` that are missing; false when that fails.
bool MakeParentFolders(const std::string& path);

// The problem a system error code (errno, or GetLastError on Windows) stands
// for, when it is one of the history's own: a full disk, a write refused.
Problem SystemProblem(int systemCode);

struct ClockReading {
    long long utc = 0;               // seconds since 1970 UTC
    std::optional<long long> local;  // the same moment on the local clock, as a device writes it
};

ClockReading ComputerClockNow();

}  // namespace travik::history
