// The registry (advapi32) and the version query of the running Windows system.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommPortList.h"
#include "Registry.h"

namespace travik {

namespace {

// The longest key and value names the registry allows, with the closing NUL.
constexpr DWORD kMaxKeyNameChars = 255 + 1;
constexpr DWORD kMaxValueNameChars = 16383 + 1;

// A value that changes size between the size query and the read is read again.
constexpr int kReadAttempts = 3;

// Owns an open registry key.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() { reset(); }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    void reset(HKEY key = nullptr) {
        if (key_ != nullptr) RegCloseKey(key_);
        key_ = key;
    }
    HKEY get() const { return key_; }
    bool isOpen() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

struct ValueData {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

RegDataType ToDataType(DWORD type) {
    switch (type) {
        case REG_SZ:
            return RegDataType::String;
        case REG_EXPAND_SZ:
            return RegDataType::ExpandString;
        case REG_BINARY:
            return RegDataType::Binary;
        case REG_DWORD:
            return RegDataType::DWord;
        default:
            return RegDataType::Other;
    }
}

// Paths start with a backslash; the system wants them relative to the root key.
std::string SubKeyOf(const std::string& path) {
    return (!path.empty() && path[0] == '\\') ? path.substr(1) : path;
}

class MachineRegistry : public Registry {
public:
    bool OpenKeyReadOnly(const std::string& path) override {
        key_.reset();
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SubKeyOf(path).c_str(), 0, KEY_READ, &opened) !=
            ERROR_SUCCESS) {
            return false;
        }
        key_.reset(opened);
        return true;
    }

    std::vector<std::string> GetValueNames() override {
        return EnumerateNames(kMaxValueNameChars, [this](DWORD index, char* name, DWORD* length) {
            return RegEnumValueA(key_.get(), index, name, length, nullptr, nullptr, nullptr,
                                 nullptr);
        });
    }

    std::vector<std::string> GetKeyNames() override {
        return EnumerateNames(kMaxKeyNameChars, [this](DWORD index, char* name, DWORD* length) {
            return RegEnumKeyExA(key_.get(), index, name, length, nullptr, nullptr, nullptr,
                                 nullptr);
        });
    }

    RegDataType GetDataType(const std::string& name) override {
        DWORD type = REG_NONE;
        if (!key_.isOpen() || RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr,
                                               nullptr) != ERROR_SUCCESS) {
            return RegDataType::None;
        }
        return ToDataType(type);
    }

    std::optional<std::string> ReadString(const std::string& name) override {
        const auto value = ReadValue(name);
        if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
        const auto end = std::find(value->bytes.begin(), value->bytes.end(), BYTE{0});
        return std::string(value->bytes.begin(), end);
    }

    std::optional<std::vector<std::uint8_t>> ReadBinaryData(const std::string& name) override {
        const auto value = ReadValue(name);
        if (!value || value->type != REG_BINARY) return std::nullopt;
        return std::vector<std::uint8_t>(value->bytes.begin(), value->bytes.end());
    }

    bool HasSubKeys() override {
        DWORD subKeys = 0;
        return key_.isOpen() &&
               RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
               subKeys > 0;
    }

private:
    // Calls `enumerate(index, buffer, &length)` for index 0, 1, ... until the list ends.
    template <typename Enumerate>
    std::vector<std::string> EnumerateNames(DWORD maxChars, Enumerate enumerate) {
        std::vector<std::string> names;
        if (!key_.isOpen()) return names;
        std::vector<char> buffer(maxChars);
        for (DWORD index = 0;; ++index) {
            DWORD length = maxChars;
            const LONG result = enumerate(index, buffer.data(), &length);
            if (result == ERROR_MORE_DATA) continue;  // a name too long in this code page
            if (result != ERROR_SUCCESS) break;
            names.emplace_back(buffer.data(), std::min(length, maxChars));
        }
        return names;
    }

    std::optional<ValueData> ReadValue(const std::string& name) {
        if (!key_.isOpen()) return std::nullopt;
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            ValueData value;
            DWORD size = 0;
            if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
                ERROR_SUCCESS) {
                return std::nullopt;
            }
            value.bytes.resize(std::max<DWORD>(size, 1));
            DWORD read = size;
            const LONG result = RegQueryValueExA(key_.get(), name.c_str(), nullptr, &value.type,
                                                 value.bytes.data(), &read);
            if (result == ERROR_MORE_DATA) continue;
            if (result != ERROR_SUCCESS) return std::nullopt;
            value.bytes.resize(std::min(read, size));
            return value;
        }
        return std::nullopt;
    }

    KeyHandle key_;
};

class MachineVersion : public VersionSource {
public:
    bool Query(OsVersionInfo& info) override {
        static_assert(sizeof(OSVERSIONINFOA) == kOsVersionInfoSize,
                      "the version record has the size the query expects");
        OSVERSIONINFOA record{};
        record.dwOSVersionInfoSize = info.size;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // deprecated, yet still what tells the platform id
#endif
        if (!GetVersionExA(&record)) return false;
        info.majorVersion = record.dwMajorVersion;
        info.minorVersion = record.dwMinorVersion;
        info.buildNumber = record.dwBuildNumber;
        info.platformId = record.dwPlatformId;
        return true;
    }
};

}  // namespace

std::unique_ptr<Registry> OpenMachineRegistry() {
    return std::make_unique<MachineRegistry>();
}

std::unique_ptr<VersionSource> MachineVersionSource() {
    return std::make_unique<MachineVersion>();
}

FoundPorts FindSerialPorts() {
    PortList names;
    GetSerialPorts(names);
    MachineRegistry registry;
    return DescribeRegistryPorts(names, registry);
}

void GetSerialPorts(PortList& list) {
    MachineRegistry registry;
    MachineVersion versions;
    GetSerialPorts(list, registry, versions);
}

}  // namespace travik
