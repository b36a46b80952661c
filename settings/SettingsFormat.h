// Where the three settings live inside "TravikReadout.ini", shared by the
// platform implementations.
#pragma once

#include <optional>
#include <string>

#include "IniFile.h"
#include "Settings.h"

namespace travik {

inline constexpr char kSettingsFileName[] = "TravikReadout.ini";

struct SettingKey {
    const char* section;
    const char* key;
};

inline constexpr SettingKey kComSetting{"com", "comID"};
inline constexpr SettingKey kComAdapterSetting{"com", "adapter"};
inline constexpr SettingKey kSeparatorSetting{"sep", "separator"};
inline constexpr SettingKey kLanguageSetting{"Language", "Language"};
inline constexpr SettingKey kHistoryOnSetting{"history", "store"};
inline constexpr SettingKey kHistoryFileSetting{"history", "file"};
inline constexpr SettingKey kActivationEnergySetting{"limits", "activationEnergy"};

// "0" turns the history off, any other value on; blank says nothing.
inline std::optional<bool> HistoryOnFromText(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
    return text.find_first_not_of(" \t0") != std::string::npos;
}

// The text to write for [history] store, or nothing when the file's text
// (`current`) already says `on`, or `on` says nothing.
inline std::optional<std::string> HistoryOnToWrite(std::optional<bool> on,
                                                   const std::string& current) {
    if (!on || HistoryOnFromText(current) == on) return std::nullopt;
    return std::string(*on ? "1" : "0");
}

// The values as written, in the file's order: com (the port, its adapter), sep, Language.
struct SettingTexts {
    std::string comID;
    std::string comAdapter;
    std::string separator;
    std::string language;
};
SettingTexts FormatSettings(const StoredSettings& settings);

// Whether the port name and its adapter can each be kept on one line of the file.
bool IsStorableSetting(const StoredSettings& settings);

StoredSettings SettingsFromIni(const IniFile& ini);

// Stores the settings in the order com, sep, Language; false (with
// nothing changed) when a value cannot be stored.
bool StoreSettingsInIni(IniFile& ini, const StoredSettings& settings);

}  // namespace travik
