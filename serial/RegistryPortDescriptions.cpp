// What the device tree under ...\Enum tells about the ports the serial device
// map names: an instance key's path holds the vendor and product id and, when
// the device has one, its serial number; its values hold the description, the
// manufacturer and the friendly name; its "Device Parameters" the port name.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "AdapterIdentity.h"
#include "CommPortList.h"
#include "Registry.h"

namespace travik {
namespace {

const char kDeviceTree[] = "\\SYSTEM\\CurrentControlSet\\Enum";

// Shown texts are cut here, as on Linux.
constexpr std::size_t kShownChars = 64;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// A registry text for the selector: the display part of an indirect string
// ("@oem3.inf,%desc%;USB Serial Port"), printable ASCII only (the system's
// code page is not the selector's), cut to kShownChars.
std::string Shown(std::string text) {
    if (!text.empty() && text[0] == '@') {
        const std::size_t semicolon = text.rfind(';');
        text = semicolon == std::string::npos ? std::string() : text.substr(semicolon + 1);
    }
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) shown += c;
        if (byte >= 0x80) shown += '?';
    }
    const std::size_t first = shown.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    shown = shown.substr(first, shown.find_last_not_of(' ') - first + 1);
    if (shown.size() > kShownChars) shown = shown.substr(0, kShownChars) + "...";
    return shown;
}

std::optional<std::string> ReadPlainString(Registry& registry, const std::string& name) {
    if (registry.GetDataType(name) != RegDataType::String) return std::nullopt;
    return registry.ReadString(name);
}

std::string ReadShown(Registry& registry, const std::string& name) {
    return Shown(ReadPlainString(registry, name).value_or(""));
}

// The value after "VID_" or "PID_" in a device id, four hex digits, lower case.
std::string IdAfter(const std::string& deviceId, const std::string& tag) {
    for (std::size_t at = 0; at + tag.size() + 4 <= deviceId.size(); ++at) {
        if (!StartsWithIgnoringCase(deviceId.substr(at), tag)) continue;
        std::string id = deviceId.substr(at + tag.size(), 4);
        for (char& c : id) c = LowerAscii(c);
        return id;
    }
    return {};
}

bool IsHexId(const std::string& id) {
    if (id.size() != 4) return false;
    for (const char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// One device instance: Enum\<enumerator>\<device id>\<instance id>.
struct Instance {
    std::string enumerator;
    std::string deviceId;
    std::string instanceId;
    std::string path;
};

struct UsbIds {
    std::string vendor;
    std::string product;
    std::string serial;  // empty when the device has none
};

// FTDI's own driver: FTDIBUS\VID_0403+PID_6001+A50285BIA, the serial number
// followed by the port's letter. The USB driver: USB\VID_067B&PID_2303\<instance>,
// where an instance id with '&' is made up by the system (no serial number).
std::optional<UsbIds> UsbIdsOf(const Instance& instance) {
    UsbIds ids{IdAfter(instance.deviceId, "VID_"), IdAfter(instance.deviceId, "PID_"), {}};
    if (!IsHexId(ids.vendor) || !IsHexId(ids.product)) return std::nullopt;
    if (EqualsIgnoringCase(instance.enumerator, "FTDIBUS")) {
        const std::size_t plus = instance.deviceId.rfind('+');
        const std::string serial =
            plus == std::string::npos ? std::string() : instance.deviceId.substr(plus + 1);
        if (serial.size() > 1 && serial.find("PID_") == std::string::npos)
            ids.serial = serial.substr(0, serial.size() - 1);
        return ids;
    }
    if (!EqualsIgnoringCase(instance.enumerator, "USB")) return std::nullopt;
    // An interface of a composite device: the serial number is its parent's.
    std::string lowerId = instance.deviceId;
    for (char& c : lowerId) c = LowerAscii(c);
    const bool interfaceOfComposite = lowerId.find("&mi_") != std::string::npos;
    if (!interfaceOfComposite && instance.instanceId.find('&') == std::string::npos)
        ids.serial = instance.instanceId;
    return ids;
}

// "FTDI USB Serial Port (0403:6001, serial A50285BI)", or for a port of no USB
// device its friendly name ("Communications Port (COM1)").
std::string Describe(Registry& registry, const std::optional<UsbIds>& usb) {
    const std::string manufacturer = ReadShown(registry, "Mfg");
    const std::string description = ReadShown(registry, "DeviceDesc");
    const std::string friendly = ReadShown(registry, "FriendlyName");
    if (!usb) return friendly.empty() ? description : friendly;
    // "Prolific" and "Prolific USB-to-Serial Comm Port": the maker once.
    std::string name = StartsWithIgnoringCase(description, manufacturer) ? "" : manufacturer;
    if (!description.empty()) name += (name.empty() ? "" : " ") + description;
    if (name.empty()) name = friendly.empty() ? "USB" : friendly;
    std::string details = usb->vendor + ":" + usb->product;
    if (!usb->serial.empty()) details += ", serial " + Shown(usb->serial);
    return name + " (" + details + ")";
}

std::string Identify(Registry& registry, const Instance& instance,
                     const std::optional<UsbIds>& usb) {
    if (!usb) return {};
    if (!usb->serial.empty()) {
        std::string identity = UsbSerialIdentity(usb->vendor, usb->product, usb->serial);
        if (!identity.empty()) return identity;
    }
    // The hub port it is plugged into; else the instance id the system made
    // from the parent and that port.
    const std::string place = ReadPlainString(registry, "LocationInformation").value_or("");
    return UsbPlaceIdentity(place.empty() ? instance.instanceId : place);
}

std::string ChildPath(const std::string& path, const std::string& name) {
    std::string child = path;
    child += '\\';
    child += name;
    return child;
}

std::vector<std::string> SubKeys(Registry& registry, const std::string& path) {
    if (!registry.OpenKeyReadOnly(path) || !registry.HasSubKeys()) return {};
    return registry.GetKeyNames();
}

// The port this instance serves, from its "Device Parameters"; empty for none.
std::string PortNameOf(Registry& registry, const Instance& instance) {
    if (!registry.OpenKeyReadOnly(instance.path + "\\Device Parameters")) return {};
    return ReadPlainString(registry, "PortName").value_or("");
}

FoundPort* FindPort(FoundPorts& ports, const std::string& name) {
    for (FoundPort& port : ports) {
        if (EqualsIgnoringCase(port.name, name)) return &port;
    }
    return nullptr;
}

void DescribeInstance(Registry& registry, const Instance& instance, FoundPorts& ports) {
    FoundPort* port = FindPort(ports, PortNameOf(registry, instance));
    if (!port || !port->description.empty()) return;  // the first instance wins
    if (!registry.OpenKeyReadOnly(instance.path)) return;
    const std::optional<UsbIds> usb = UsbIdsOf(instance);
    port->description = Describe(registry, usb);
    port->identity = Identify(registry, instance, usb);
}

}  // namespace

FoundPorts DescribeRegistryPorts(const PortList& names, Registry& registry) {
    FoundPorts ports;
    for (const std::string& name : names) ports.push_back({name, {}, {}});
    if (ports.empty()) return ports;
    const std::string root = kDeviceTree;
    for (const std::string& enumerator : SubKeys(registry, root)) {
        const std::string enumeratorPath = ChildPath(root, enumerator);
        for (const std::string& deviceId : SubKeys(registry, enumeratorPath)) {
            const std::string devicePath = ChildPath(enumeratorPath, deviceId);
            for (const std::string& instanceId : SubKeys(registry, devicePath)) {
                DescribeInstance(
                    registry, {enumerator, deviceId, instanceId, ChildPath(devicePath, instanceId)},
                    ports);
            }
        }
    }
    return ports;
}

}  // namespace travik
