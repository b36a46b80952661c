// The settings remembered between runs, kept in "TravikReadout.ini".
#pragma once

#include <optional>
#include <string>

#include "Status.h"

namespace travik {

struct StoredSettings {
    std::string comID;  // [com] comID: the last used port, empty when missing
    int separator = 0;  // [sep] separator
    int language = 0;   // [Language] Language
    // [com] adapter: what identifies the adapter behind comID, empty when
    // missing or unknown. Read as the file has it: its user checks it.
    std::string comAdapter;
    // [history] store: 0 keeps the device's readouts out of the history, any
    // other value puts each in; nothing when the key is missing or empty.
    // Written only when it differs from the file's (as "0" or "1"), so that the
    // user's own spelling of an unchanged value stays.
    std::optional<bool> historyOn;
    // [history] file: the history file, empty for the default place.
    std::string historyFile;
    // [limits] activationEnergy: the mean kinetic temperature's activation
    // energy in kJ/mol as the file has it (read only; the window checks it).
    std::string activationEnergy;
};

// Where the settings file lives on this platform.
std::string SettingsFilePath();

// Reads the settings; a missing or unreadable file, missing keys and
// values that are not whole numbers give the defaults. Never fails. On Windows
// a file that does not exist yet is read from the Windows folder's instead.
StoredSettings ReadSettings(const std::string& path);

// Writes the settings (com, sep, Language, and history store when it has a
// value that the file does not say already), keeping every other section, key
// and comment of the file; the history's file is never written. A failure names its step and the
// system's error.
Status WriteSettings(const std::string& path, const StoredSettings& settings);

// One value of the file by section and key (plain ASCII names), for settings
// the window keeps beside the three: empty when missing or unreadable. Never fails.
std::string ReadSettingValue(const std::string& path, const char* section, const std::string& key);
// Writes one value, keeping everything else of the file; an empty value takes
// the key away. A failure names its step and the system's error.
Status WriteSettingValue(const std::string& path, const char* section, const std::string& key,
                         const std::string& value);

// A stored integer: decimal, or hexadecimal with a leading 0x or $; anything
// else (and anything out of the 32-bit range) gives 0.
int ParseSettingInteger(const std::string& text);

}  // namespace travik
