#include "CommPortList.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Registry.h"

namespace travik {

namespace {

const char kSerialCommKey[] = "\\hardware\\devicemap\\serialcomm";
const char kEnumRoot[] = "\\enum";
const char kDriverClassRoot[] = "\\System\\CurrentControlSet\\Services\\Class\\";

// The registry nests keys at most this deep; deeper paths come only from links.
constexpr int kMaxKeyDepth = 512;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return LowerAscii(c); });
    return text;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool HoldsName(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& held) { return EqualsIgnoringCase(held, name); });
}

// The value `name` of the open key, if `names` lists it and it is a plain string.
std::optional<std::string> ReadPlainString(Registry& registry,
                                           const std::vector<std::string>& names,
                                           const std::string& name) {
    if (!HoldsName(names, name) || registry.GetDataType(name) != RegDataType::String) {
        return std::nullopt;
    }
    return registry.ReadString(name);
}

// A port name worth offering: empty data names no port.
void AppendFoundPort(PortList& list, const std::optional<std::string>& name) {
    if (name && !name->empty()) AppendPortName(list, *name);
}

bool IsPortClass(const std::string& deviceClass) {
    const std::string lower = LowerAscii(deviceClass);
    return lower == "ports" || lower == "modem";
}

// The driver's class key marks a serial port with a one-byte binary
// "PortSubClass" of 1 or 2. Anything else (missing, another type, another
// length or value) does not.
bool DriverIsSerialPort(Registry& registry, const std::string& driver) {
    if (!registry.OpenKeyReadOnly(kDriverClassRoot + driver)) return false;
    if (registry.GetDataType("PortSubClass") != RegDataType::Binary) return false;
    const auto subClass = registry.ReadBinaryData("PortSubClass");
    return subClass && subClass->size() == 1 && ((*subClass)[0] == 1 || (*subClass)[0] == 2);
}

// Appends the port of the open device key, if it is a serial port or modem.
// May leave another key open.
void AppendPortOfDeviceKey(PortList& list, Registry& registry) {
    const std::vector<std::string> names = registry.GetValueNames();
    const auto deviceClass = ReadPlainString(registry, names, "class");
    if (!deviceClass || !IsPortClass(*deviceClass)) return;

    const auto driver = ReadPlainString(registry, names, "driver");
    const auto portName = ReadPlainString(registry, names, "portname");
    if (!driver || !portName) return;
    if (DriverIsSerialPort(registry, *driver)) AppendFoundPort(list, portName);
}

void ScanEnumKeyAtDepth(const std::string& path, PortList& list, Registry& registry, int depth) {
    if (depth > kMaxKeyDepth || !registry.OpenKeyReadOnly(path)) return;
    AppendPortOfDeviceKey(list, registry);

    // The driver lookup may have opened another key on the shared registry.
    if (!registry.OpenKeyReadOnly(path) || !registry.HasSubKeys()) return;
    for (const std::string& name : registry.GetKeyNames()) {
        std::string child = path;
        child += '\\';
        child += name;
        ScanEnumKeyAtDepth(child, list, registry, depth + 1);
    }
}

int KeyDepth(const std::string& path) {
    return static_cast<int>(std::count(path.begin(), path.end(), '\\'));
}

}  // namespace

void AppendPortName(PortList& list, const std::string& name) {
    if (!HoldsName(list, name)) list.push_back(name);
}

std::int32_t GetPlatformVersion(OsVersionInfo& info, VersionSource& versions) {
    info = OsVersionInfo{};
    info.size = kOsVersionInfoSize;
    if (!versions.Query(info)) return -1;
    return static_cast<std::int32_t>(info.platformId);
}

void ListSerialCommKey(PortList& list, Registry& registry) {
    if (!registry.OpenKeyReadOnly(kSerialCommKey)) return;
    for (const std::string& name : registry.GetValueNames()) {
        if (registry.GetDataType(name) == RegDataType::String) {
            AppendFoundPort(list, registry.ReadString(name));
        }
    }
}

void ScanEnumKey(const std::string& path, PortList& list, Registry& registry) {
    ScanEnumKeyAtDepth(path, list, registry, KeyDepth(path));
}

void GetSerialPorts(PortList& list, Registry& registry, VersionSource& versions) {
    OsVersionInfo info;
    if (GetPlatformVersion(info, versions) <= 0) return;
    if (info.majorVersion < 4) return;
    if (info.majorVersion == 4 && info.minorVersion > 0) {
        ScanEnumKey(kEnumRoot, list, registry);
    } else {
        ListSerialCommKey(list, registry);
    }
}

}  // namespace travik
