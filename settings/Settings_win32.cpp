#include <windows.h>

#include <string>
#include <vector>

#include "SettingsFormat.h"

namespace travik {

namespace {

// A value longer than this is cut; no setting of ours comes near it.
constexpr DWORD kMaxValueBytes = 64 * 1024;

std::string ReadProfileString(const SettingKey& setting, const std::string& path) {
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetPrivateProfileStringA(setting.section, setting.key, "",
                                                      buffer.data(), size, path.c_str());
        // A full buffer (size - 1 characters) means the value may be cut.
        if (length + 1 < size || size >= kMaxValueBytes) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

Status WriteProfileString(const SettingKey& setting, const std::string& value,
                          const std::string& path) {
    const std::string encoded = EncodeIniValue(value);
    if (WritePrivateProfileStringA(setting.section, setting.key, encoded.c_str(), path.c_str())) {
        return {};
    }
    const DWORD error = GetLastError();
    return Status::SystemFailure(std::string("write ") + setting.key,
                                 error != 0 ? static_cast<int>(error) : ERROR_WRITE_FAULT);
}

}  // namespace

// A bare name: the private-profile functions keep it in the Windows folder.
std::string SettingsFilePath() {
    return kSettingsFileName;
}

StoredSettings ReadSettings(const std::string& path) {
    StoredSettings settings;
    settings.comID = ReadProfileString(kComSetting, path);
    settings.separator = ParseSettingInteger(ReadProfileString(kSeparatorSetting, path));
    settings.language = ParseSettingInteger(ReadProfileString(kLanguageSetting, path));
    return settings;
}

Status WriteSettings(const std::string& path, const StoredSettings& settings) {
    if (!IsStorableSetting(settings)) {
        return Status::Failure("store", ERROR_INVALID_PARAMETER,
                               "a value cannot be stored in the file");
    }
    const SettingTexts texts = FormatSettings(settings);
    if (Status written = WriteProfileString(kComSetting, texts.comID, path); !written.ok())
        return written;
    if (Status written = WriteProfileString(kSeparatorSetting, texts.separator, path);
        !written.ok())
        return written;
    return WriteProfileString(kLanguageSetting, texts.language, path);
}

}  // namespace travik
