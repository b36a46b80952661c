#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "SettingsFormat.h"

namespace travik {

namespace {

std::string NonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = NonEmptyEnvironment("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

std::string JoinPath(std::string folder, const std::string& name) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

// $XDG_CONFIG_HOME counts only when it is an absolute path; otherwise ~/.config.
std::string SettingsFilePath() {
    const std::string configHome = NonEmptyEnvironment("XDG_CONFIG_HOME");
    if (!configHome.empty() && configHome.front() == '/') {
        return JoinPath(configHome, kSettingsFileName);
    }
    return JoinPath(JoinPath(HomeFolder(), ".config"), kSettingsFileName);
}

}  // namespace travik
