#include "LimitsSource.h"

#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <optional>

#include "HistoryPath.h"
#include "HistoryTexts.h"
#include "Languages.h"
#include "Settings.h"
#include "SqliteStore.h"

namespace travik {
namespace {

using history::StoredLimit;

bool historyFileExists(const std::string& path) {
    return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

// The history only read: a missing file is not made by looking for limits.
history::SqliteOptions readingOnly() {
    history::SqliteOptions options;
    options.mustExist = true;
    options.readOnly = true;
    return options;
}

std::string keepInSettings(const LimitsFiles& files, const std::string& firstLine,
                           const StoredLimit& limit) {
    const std::string key = LimitsSettingKey(firstLine);
    std::vector<StoredLimit> held =
        history::LimitsFromSettingText(ReadSettingValue(files.settingsPath, kLimitsSection, key));
    held.erase(std::remove_if(held.begin(), held.end(),
                              [&limit](const StoredLimit& old) {
                                  return old.column == limit.column &&
                                         old.limit.from == limit.limit.from;
                              }),
               held.end());
    held.push_back(limit);
    std::stable_sort(held.begin(), held.end(), [](const StoredLimit& a, const StoredLimit& b) {
        return a.column != b.column ? a.column < b.column : a.limit.from < b.limit.from;
    });
    const Status written = WriteSettingValue(files.settingsPath, kLimitsSection, key,
                                             history::LimitsSettingText(held));
    return written.ok() ? std::string() : UnableToWriteText(files.settingsPath);
}

}  // namespace

LimitsHome HistoryDeviceHome(history::DeviceId device) {
    LimitsHome home;
    home.place = LimitsHome::Place::History;
    home.device = device;
    return home;
}

FoundLimits FindLimits(const LimitsFiles& files, const std::string& firstLine) {
    FoundLimits found;
    if (firstLine.empty()) return found;
    found.home.firstLine = firstLine;
    found.home.place = LimitsHome::Place::Settings;
    if (files.historyOn && historyFileExists(files.historyPath)) {
        try {
            history::SqliteStore store(files.historyPath, readingOnly());
            if (const std::optional<history::DeviceId> device = store.deviceOfLine(firstLine)) {
                found.home.place = LimitsHome::Place::History;
                found.home.device = *device;
                found.limits = store.limits(*device);
                return found;
            }
        } catch (const history::HistoryError&) {
            // A history that cannot be read holds nothing for the device: the settings keep it.
        }
    }
    found.limits = LoadLimits(files, found.home);
    return found;
}

std::vector<StoredLimit> LoadLimits(const LimitsFiles& files, const LimitsHome& home) {
    switch (home.place) {
        case LimitsHome::Place::None:
            return {};
        case LimitsHome::Place::Settings:
            return history::LimitsFromSettingText(ReadSettingValue(
                files.settingsPath, kLimitsSection, LimitsSettingKey(home.firstLine)));
        case LimitsHome::Place::History:
            if (!historyFileExists(files.historyPath)) return {};
            try {
                history::SqliteStore store(files.historyPath, readingOnly());
                return store.limits(home.device);
            } catch (const history::HistoryError&) {
                return {};
            }
    }
    return {};
}

std::string KeepLimit(const LimitsFiles& files, const LimitsHome& home, const StoredLimit& limit,
                      int languageIndex) {
    if (home.place == LimitsHome::Place::Settings)
        return keepInSettings(files, home.firstLine, limit);
    if (home.place == LimitsHome::Place::None)
        return history::ProblemText(history::Problem::CannotOpen, std::string(), languageIndex);
    try {
        history::SqliteStore store(files.historyPath);
        history::Transaction setting(store);
        store.setLimit(home.device, limit);
        setting.commit();
        return std::string();
    } catch (const history::HistoryError& error) {
        return history::ProblemText(error.problem(), files.historyPath + ": " + error.what(),
                                    languageIndex);
    }
}

std::string MoveLimitsIntoHistory(const LimitsFiles& files, const std::string& firstLine,
                                  int languageIndex) {
    if (firstLine.empty()) return std::string();
    const std::string key = LimitsSettingKey(firstLine);
    const std::vector<StoredLimit> kept =
        history::LimitsFromSettingText(ReadSettingValue(files.settingsPath, kLimitsSection, key));
    if (kept.empty() || !files.historyOn || !historyFileExists(files.historyPath))
        return std::string();
    try {
        history::SqliteStore store(files.historyPath);
        const std::optional<history::DeviceId> device = store.deviceOfLine(firstLine);
        if (!device) return std::string();
        const std::vector<StoredLimit> held = store.limits(*device);
        history::Transaction moving(store);
        for (const StoredLimit& limit : kept) {
            const bool heldAlready =
                std::any_of(held.begin(), held.end(), [&limit](const StoredLimit& old) {
                    return old.column == limit.column && old.limit.from == limit.limit.from;
                });
            if (!heldAlready) store.setLimit(*device, limit);
        }
        moving.commit();
    } catch (const history::HistoryError& error) {
        return history::ProblemText(error.problem(), files.historyPath + ": " + error.what(),
                                    languageIndex);
    }
    const Status removed = WriteSettingValue(files.settingsPath, kLimitsSection, key, "");
    return removed.ok() ? std::string() : UnableToWriteText(files.settingsPath);
}

std::string LimitsSettingKey(const std::string& firstLine) {
    static const char kDigits[] = "0123456789abcdef";
    std::string key = "device-";
    for (const char c : firstLine) {
        const auto byte = static_cast<unsigned char>(c);
        key += kDigits[byte >> 4];
        key += kDigits[byte & 15];
    }
    return key;
}

}  // namespace travik
