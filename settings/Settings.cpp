#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "SettingsFormat.h"

namespace travik {

namespace {

constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();

std::optional<int> DigitValue(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9') {
        digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
    }
    if (digit < 0) return std::nullopt;
    return digit;
}

// The magnitude of a run of digits, or nothing when a character is no digit
// or the number grows beyond `limit`.
std::optional<std::int64_t> ParseMagnitude(std::string_view digits, int base, std::int64_t limit) {
    if (digits.empty()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : digits) {
        const std::optional<int> digit = DigitValue(c, base);
        if (!digit) return std::nullopt;
        magnitude = magnitude * base + *digit;
        if (magnitude > limit) return std::nullopt;
    }
    return magnitude;
}

std::optional<int> ParseHexadecimal(std::string_view text) {
    std::string_view digits;
    if (!text.empty() && text[0] == '$') {
        digits = text.substr(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        digits = text.substr(2);
    } else {
        return std::nullopt;
    }
    const std::optional<std::int64_t> magnitude = ParseMagnitude(digits, 16, kIntMax);
    if (!magnitude) return 0;
    return static_cast<int>(*magnitude);
}

int ParseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::optional<std::int64_t> magnitude =
        ParseMagnitude(text, 10, negative ? -kIntMin : kIntMax);
    if (!magnitude) return 0;
    return static_cast<int>(negative ? -*magnitude : *magnitude);
}

bool storeHistoryOn(IniFile& ini, std::optional<bool> on) {
    const std::optional<std::string> text = HistoryOnToWrite(
        on, ini.value(kHistoryOnSetting.section, kHistoryOnSetting.key).value_or(""));
    return !text || ini.setValue(kHistoryOnSetting.section, kHistoryOnSetting.key, *text);
}

}  // namespace

int ParseSettingInteger(const std::string& text) {
    if (const std::optional<int> hexadecimal = ParseHexadecimal(text)) return *hexadecimal;
    return ParseDecimal(text);
}

SettingTexts FormatSettings(const StoredSettings& settings) {
    return {settings.comID, settings.comAdapter, std::to_string(settings.separator),
            std::to_string(settings.language)};
}

bool IsStorableSetting(const StoredSettings& settings) {
    return IsStorableIniValue(settings.comID) && IsStorableIniValue(settings.comAdapter);
}

StoredSettings SettingsFromIni(const IniFile& ini) {
    StoredSettings settings;
    settings.comID = ini.value(kComSetting.section, kComSetting.key).value_or("");
    settings.comAdapter =
        ini.value(kComAdapterSetting.section, kComAdapterSetting.key).value_or("");
    settings.separator = ParseSettingInteger(
        ini.value(kSeparatorSetting.section, kSeparatorSetting.key).value_or(""));
    settings.language =
        ParseSettingInteger(ini.value(kLanguageSetting.section, kLanguageSetting.key).value_or(""));
    settings.historyOn =
        HistoryOnFromText(ini.value(kHistoryOnSetting.section, kHistoryOnSetting.key).value_or(""));
    settings.historyFile =
        ini.value(kHistoryFileSetting.section, kHistoryFileSetting.key).value_or("");
    settings.activationEnergy =
        ini.value(kActivationEnergySetting.section, kActivationEnergySetting.key).value_or("");
    return settings;
}

bool StoreSettingsInIni(IniFile& ini, const StoredSettings& settings) {
    if (!IsStorableSetting(settings)) return false;
    const SettingTexts texts = FormatSettings(settings);
    // No adapter (none known, or the file's was no identity): no key for it.
    if (texts.comAdapter.empty()) ini.removeKey(kComAdapterSetting.section, kComAdapterSetting.key);
    return ini.setValue(kComSetting.section, kComSetting.key, texts.comID) &&
           (texts.comAdapter.empty() ||
            ini.setValue(kComAdapterSetting.section, kComAdapterSetting.key, texts.comAdapter)) &&
           ini.setValue(kSeparatorSetting.section, kSeparatorSetting.key, texts.separator) &&
           ini.setValue(kLanguageSetting.section, kLanguageSetting.key, texts.language) &&
           storeHistoryOn(ini, settings.historyOn);
}

}  // namespace travik
