#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "HistoryPath.h"

namespace travik::history {

std::string DefaultHistoryPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string folder;
    if (data && data[0] == '/') {
        folder = data;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] == '\0') return std::string();
        folder = std::string(home) + "/.local/share";
    }
    return folder + "/TravikReadout/history.sqlite";
}

bool MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

Problem SystemProblem(int systemCode) {
    switch (systemCode) {
        case ENOSPC:
        case EDQUOT:
            return Problem::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return Problem::ReadOnly;
        default:
            return Problem::None;
    }
}

ClockReading ComputerClockNow() {
    ClockReading reading;
    const std::time_t now = std::time(nullptr);
    reading.utc = static_cast<long long>(now);
    struct tm local {};
    if (localtime_r(&now, &local)) reading.local = reading.utc + local.tm_gmtoff;
    return reading;
}

}  // namespace travik::history
