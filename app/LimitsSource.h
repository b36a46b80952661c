// Where the limits of the readout shown are kept and loaded from: the history
// for a device it holds, else the settings file under the device's first line.
#pragma once

#include <string>
#include <vector>

#include "DeviceLimits.h"
#include "HistoryStore.h"

namespace travik {

// The files looked in.
struct LimitsFiles {
    std::string historyPath;
    bool historyOn = true;  // off: the history is neither read nor written for limits
    std::string settingsPath;
};

// Where one device's limits live.
struct LimitsHome {
    enum class Place { None, History, Settings };
    Place place = Place::None;
    history::DeviceId device = 0;  // in the history
    std::string firstLine;         // in the settings: the device's first line, as it writes it
};

// A device of the history (a range of it is shown).
LimitsHome HistoryDeviceHome(history::DeviceId device);
// The device's limits; none when its file cannot be read or holds none that read.
std::vector<history::StoredLimit> LoadLimits(const LimitsFiles& files, const LimitsHome& home);

// A readout from the device or a file, by its first line: its limits' home is
// the history's device with that line, else the settings; nowhere for an empty
// line. Its limits are loaded with it (the history opened once).
struct FoundLimits {
    LimitsHome home;
    std::vector<history::StoredLimit> limits;
};
FoundLimits FindLimits(const LimitsFiles& files, const std::string& firstLine);

// Keeps `limit` (one per column and start: one at a start already held is
// replaced). The reason in the window's language when it could not be kept,
// else empty.
std::string KeepLimit(const LimitsFiles& files, const LimitsHome& home,
                      const history::StoredLimit& limit, int languageIndex);

// Once the history holds a device (a readout of it merged), the limits the
// settings kept under its first line move into the history (one it holds
// already for the same column and start stays) and leave the settings. The
// reason in the window's language when they could not, else empty.
std::string MoveLimitsIntoHistory(const LimitsFiles& files, const std::string& firstLine,
                                  int languageIndex);

// The settings' section for limits and the key of a device in it: its first
// line's bytes in hexadecimal, so that any byte of the line is kept.
inline constexpr char kLimitsSection[] = "limits";
std::string LimitsSettingKey(const std::string& firstLine);

}  // namespace travik
