// Read-only access to the machine registry and the operating system version,
// as port discovery uses them. The Windows build implements both on the system;
// tests fill an in-memory registry of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace travik {

// The type of a registry value. None: no such value, or no key open.
enum class RegDataType { None, String, ExpandString, Binary, DWord, Other };

// One key of the HKEY_LOCAL_MACHINE branch open at a time, read-only. Every
// operation after the open reads that key. Names compare without regard to case.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens `path` (starting with a backslash, absolute under HKEY_LOCAL_MACHINE)
    // as the open key. When it cannot be opened: false, and no key is open.
    virtual bool OpenKeyReadOnly(const std::string& path) = 0;

    // The value names and the subkey names, in the order the registry lists them.
    virtual std::vector<std::string> GetValueNames() = 0;
    virtual std::vector<std::string> GetKeyNames() = 0;

    virtual RegDataType GetDataType(const std::string& name) = 0;

    // The text of a string or expandable-string value, up to its first NUL.
    virtual std::optional<std::string> ReadString(const std::string& name) = 0;

    // All bytes of a binary value; nothing for a missing value or another type.
    virtual std::optional<std::vector<std::uint8_t>> ReadBinaryData(const std::string& name) = 0;

    virtual bool HasSubKeys() = 0;
};

// The system's version record holds 148 bytes; its size field is set before the query.
inline constexpr std::uint32_t kOsVersionInfoSize = 148;

struct OsVersionInfo {
    std::uint32_t size = kOsVersionInfoSize;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
};

// Answers the operating system version query.
class VersionSource {
public:
    virtual ~VersionSource() = default;
    // Fills `info` (its size field already set); false when the query fails.
    virtual bool Query(OsVersionInfo& info) = 0;
};

#ifdef _WIN32
// The registry and version query of the running Windows system.
std::unique_ptr<Registry> OpenMachineRegistry();
std::unique_ptr<VersionSource> MachineVersionSource();
#endif

}  // namespace travik
