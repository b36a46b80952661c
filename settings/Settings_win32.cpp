#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "SettingsFormat.h"
#include "WideText_win32.h"

namespace travik {

namespace {

// A value longer than this is cut; no setting of ours comes near it.
constexpr DWORD kMaxValueChars = 64 * 1024;

std::wstring widenKey(const char* ascii) {
    return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii));
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Where earlier versions kept the settings: the Windows folder's file.
std::wstring windowsFolderFile() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return widenKey(kSettingsFileName);
    return std::wstring(folder, length) + L"\\" + widenKey(kSettingsFileName);
}

// Values are 8-bit text (port names) in the ANSI code page, as the file holds them.
std::string ReadProfileString(const SettingKey& setting, const std::wstring& file) {
    const std::wstring section = widenKey(setting.section);
    const std::wstring key = widenKey(setting.key);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"",
                                                      buffer.data(), size, file.c_str());
        // A full buffer (size - 1 characters) means the value may be cut.
        if (length + 1 < size || size >= kMaxValueChars)
            return NarrowToAnsi(std::wstring(buffer.data(), length));
        buffer.resize(buffer.size() * 4);
    }
}

Status WriteProfileString(const SettingKey& setting, const std::string& value,
                          const std::wstring& file) {
    const std::wstring encoded = WidenAnsi(EncodeIniValue(value));
    if (WritePrivateProfileStringW(widenKey(setting.section).c_str(), widenKey(setting.key).c_str(),
                                   encoded.c_str(), file.c_str())) {
        return {};
    }
    const DWORD error = GetLastError();
    return Status::SystemFailure(std::string("write ") + setting.key,
                                 error != 0 ? static_cast<int>(error) : ERROR_WRITE_FAULT);
}

// No adapter known: no key for it (a file that never knew one stays as it was).
Status WriteAdapter(const std::string& identity, const std::wstring& file) {
    if (!identity.empty()) return WriteProfileString(kComAdapterSetting, identity, file);
    WritePrivateProfileStringW(widenKey(kComAdapterSetting.section).c_str(),
                               widenKey(kComAdapterSetting.key).c_str(), nullptr, file.c_str());
    return {};
}

}  // namespace

// The per-user application-data folder, which a standard user may write; the
// bare name (the Windows folder) only when the system names no such folder.
std::string SettingsFilePath() {
    PWSTR folder = nullptr;
    std::string path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &folder)))
        path = NarrowToUtf8(folder) + "\\" + kSettingsFileName;
    CoTaskMemFree(folder);
    return path.empty() ? std::string(kSettingsFileName) : path;
}

// A file that does not exist yet is read from the Windows folder, so that the
// values kept there by earlier versions carry over; the next write makes it.
StoredSettings ReadSettings(const std::string& path) {
    StoredSettings settings;
    const std::optional<std::wstring> widePath = WidenUtf8(path);
    if (!widePath) return settings;
    const std::wstring file = fileExists(*widePath) ? *widePath : windowsFolderFile();
    settings.comID = ReadProfileString(kComSetting, file);
    settings.comAdapter = ReadProfileString(kComAdapterSetting, file);
    settings.separator = ParseSettingInteger(ReadProfileString(kSeparatorSetting, file));
    settings.language = ParseSettingInteger(ReadProfileString(kLanguageSetting, file));
    settings.historyOn = HistoryOnFromText(ReadProfileString(kHistoryOnSetting, file));
    settings.historyFile = ReadProfileString(kHistoryFileSetting, file);
    settings.activationEnergy = ReadProfileString(kActivationEnergySetting, file);
    return settings;
}

Status WriteSettings(const std::string& path, const StoredSettings& settings) {
    if (!IsStorableSetting(settings)) {
        return Status::Failure("store", ERROR_INVALID_PARAMETER,
                               "a value cannot be stored in the file");
    }
    const std::optional<std::wstring> file = WidenUtf8(path);
    if (!file || file->empty()) return Status::SystemFailure("open", ERROR_INVALID_NAME);
    const SettingTexts texts = FormatSettings(settings);
    if (Status written = WriteProfileString(kComSetting, texts.comID, *file); !written.ok())
        return written;
    if (Status written = WriteAdapter(texts.comAdapter, *file); !written.ok()) return written;
    if (Status written = WriteProfileString(kSeparatorSetting, texts.separator, *file);
        !written.ok())
        return written;
    if (Status written = WriteProfileString(kLanguageSetting, texts.language, *file); !written.ok())
        return written;
    const std::optional<std::string> historyOn =
        HistoryOnToWrite(settings.historyOn, ReadProfileString(kHistoryOnSetting, *file));
    if (!historyOn) return {};
    return WriteProfileString(kHistoryOnSetting, *historyOn, *file);
}

std::string ReadSettingValue(const std::string& path, const char* section, const std::string& key) {
    const std::optional<std::wstring> file = WidenUtf8(path);
    if (!file || !fileExists(*file)) return std::string();
    return ReadProfileString(SettingKey{section, key.c_str()}, *file);
}

Status WriteSettingValue(const std::string& path, const char* section, const std::string& key,
                         const std::string& value) {
    const std::optional<std::wstring> file = WidenUtf8(path);
    if (!file || file->empty()) return Status::SystemFailure("open", ERROR_INVALID_NAME);
    if (!IsStorableIniValue(value))
        return Status::Failure("store", ERROR_INVALID_PARAMETER,
                               "a value cannot be stored in the file");
    if (value.empty()) {
        WritePrivateProfileStringW(widenKey(section).c_str(), widenKey(key.c_str()).c_str(),
                                   nullptr, file->c_str());
        return {};
    }
    return WriteProfileString(SettingKey{section, key.c_str()}, value, *file);
}

}  // namespace travik
