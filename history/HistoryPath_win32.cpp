#include <windows.h>

#include <ctime>

#include "HistoryPath.h"
#include "WideText_win32.h"

namespace travik::history {

std::string DefaultHistoryPath() {
    const DWORD needed = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (needed == 0) return std::string();
    std::wstring folder(needed, L'\0');
    const DWORD got = GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), needed);
    if (got == 0 || got >= needed) return std::string();
    folder.resize(got);
    return travik::NarrowToUtf8(folder) + "\\TravikReadout\\history.sqlite";
}

bool MakeParentFolders(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    if (last == std::string::npos) return true;
    for (std::size_t slash = path.find_first_of("\\/", 3);
         slash != std::string::npos && slash <= last;
         slash = path.find_first_of("\\/", slash + 1)) {
        const std::optional<std::wstring> folder = travik::WidenUtf8(path.substr(0, slash));
        if (!folder) return false;
        if (!CreateDirectoryW(folder->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

Problem SystemProblem(int systemCode) {
    switch (static_cast<DWORD>(systemCode)) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return Problem::DiskFull;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return Problem::ReadOnly;
        default:
            return Problem::None;
    }
}

ClockReading ComputerClockNow() {
    ClockReading reading;
    const std::time_t now = std::time(nullptr);
    reading.utc = static_cast<long long>(now);
    TIME_ZONE_INFORMATION zone;
    const DWORD which = GetTimeZoneInformation(&zone);
    if (which != TIME_ZONE_ID_INVALID) {
        long bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
        reading.local = reading.utc - static_cast<long long>(bias) * 60;
    }
    return reading;
}

}  // namespace travik::history
