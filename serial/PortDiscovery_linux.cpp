// Serial port discovery from sysfs. Ports are listed, never opened: opening
// would hide the ports a user has no permission for.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "AdapterIdentity.h"
#include "CommPortList.h"

namespace travik {

namespace fs = std::filesystem;

namespace {

const char kSysfsTtyRoot[] = "/sys/class/tty";
const char kDevRoot[] = "/dev";

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

std::size_t DigitRunEnd(const std::string& text, std::size_t from) {
    while (from < text.size() && IsDigit(text[from])) ++from;
    return from;
}

// Compares the digit runs [a, aEnd) and [b, bEnd) by value, however long they are.
int CompareNumbers(const std::string& a, std::size_t i, std::size_t aEnd, const std::string& b,
                   std::size_t j, std::size_t bEnd) {
    while (i + 1 < aEnd && a[i] == '0') ++i;
    while (j + 1 < bEnd && b[j] == '0') ++j;
    if (aEnd - i != bEnd - j) return aEnd - i < bEnd - j ? -1 : 1;
    return a.compare(i, aEnd - i, b, j, bEnd - j);
}

// ttyS2 before ttyS10: runs of digits compare by their value.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t aEnd = DigitRunEnd(a, i);
            const std::size_t bEnd = DigitRunEnd(b, j);
            if (const int order = CompareNumbers(a, i, aEnd, b, j, bEnd)) return order < 0;
            i = aEnd;
            j = bEnd;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i == a.size();
    return a < b;  // equal values written differently (ttyS02, ttyS2): keep a strict order
}

bool PointsIntoVirtualDevice(const fs::path& resolved) {
    bool afterDevices = false;
    for (const fs::path& part : resolved) {
        if (afterDevices && part == "virtual") return true;
        afterDevices = part == "devices";
    }
    return false;
}

// A real device stands behind the tty: its `device` link resolves, and not
// into the virtual devices (consoles, ptmx and the like have no link at all).
bool HasRealDevice(const fs::path& ttyDir) {
    std::error_code error;
    const fs::path link = ttyDir / "device";
    if (!fs::is_symlink(fs::symlink_status(link, error))) return false;
    const fs::path resolved = fs::canonical(link, error);
    if (error) return false;
    return !PointsIntoVirtualDevice(resolved);
}

// A serial-core port of type 0 is a placeholder with no UART behind it (the
// legacy ttyS ports). Ports without a type file, such as USB ones, are kept.
bool IsPlaceholderUart(const fs::path& ttyDir) {
    std::error_code error;
    const fs::path typeFile = ttyDir / "type";
    if (!fs::is_regular_file(fs::status(typeFile, error))) return false;
    // sysfs attributes are short; a few bytes are enough to tell a 0.
    std::ifstream in(typeFile, std::ios::binary);
    std::string type(16, '\0');
    in.read(type.data(), static_cast<std::streamsize>(type.size()));
    type.resize(static_cast<std::size_t>(in.gcount()));
    type.erase(std::remove_if(type.begin(), type.end(),
                              [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
               type.end());
    return type == "0";
}

bool IsSerialPortEntry(const fs::directory_entry& entry) {
    std::error_code error;
    if (!entry.is_directory(error)) return false;
    return HasRealDevice(entry.path()) && !IsPlaceholderUart(entry.path());
}

std::vector<std::string> SerialTtyNames(const std::string& sysfsRoot) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(sysfsRoot, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (IsSerialPortEntry(*it)) names.push_back(it->path().filename().string());
    }
    return names;
}

// sysfs attributes are a line at most; what a USB device reports is its own
// choice, so it is cut short and kept to printable characters.
constexpr std::size_t kAttributeBytes = 128;
constexpr std::size_t kShownChars = 64;

// The largest length up to `limit` that does not end inside a UTF-8 sequence.
std::size_t Utf8CutPoint(const std::string& text, std::size_t limit) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t lead = limit;
    while (lead > 0 && (byte(lead - 1) & 0xc0) == 0x80) --lead;
    if (lead == 0 || byte(lead - 1) < 0xc0) return limit;  // ends on a whole character
    const unsigned char first = byte(lead - 1);
    const std::size_t length = first >= 0xf0 ? 4 : first >= 0xe0 ? 3 : 2;
    return limit - (lead - 1) >= length ? limit : lead - 1;
}

// The first line of `raw` without control characters and outer spaces, cut
// to kShownChars (never inside a UTF-8 sequence).
std::string Printable(const std::string& raw) {
    std::string text;
    for (const char c : raw) {
        if (c == '\n' || c == '\0') break;
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) text += c;
    }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (text.size() <= kShownChars) return text;
    text.resize(Utf8CutPoint(text, kShownChars));
    return text + "...";
}

std::string ReadAttribute(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(fs::status(file, error))) return std::string();
    std::ifstream in(file, std::ios::binary);
    std::string raw(kAttributeBytes, '\0');
    in.read(raw.data(), static_cast<std::streamsize>(raw.size()));
    raw.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return Printable(raw);
}

// The USB device a tty belongs to: the first folder with an idVendor file on
// the way up from the tty's device (the interface) towards the bus.
std::optional<fs::path> UsbDeviceOf(const fs::path& device) {
    constexpr int kMaxLevels = 8;
    fs::path folder = device;
    for (int level = 0; level < kMaxLevels && folder.has_relative_path(); ++level) {
        std::error_code error;
        if (fs::is_regular_file(fs::status(folder / "idVendor", error))) return folder;
        if (folder.filename() == "devices") break;
        folder = folder.parent_path();
    }
    return std::nullopt;
}

std::string JoinNonEmpty(const std::vector<std::string>& parts, const std::string& separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        if (!joined.empty()) joined += separator;
        joined += part;
    }
    return joined;
}

// "FTDI FT232R USB UART (0403:6001, serial A50285BI)"
std::string DescribeUsbDevice(const fs::path& usb) {
    const std::string vendor = ReadAttribute(usb / "idVendor");
    const std::string product = ReadAttribute(usb / "idProduct");
    const std::string serial = ReadAttribute(usb / "serial");
    const std::string name =
        JoinNonEmpty({ReadAttribute(usb / "manufacturer"), ReadAttribute(usb / "product")}, " ");
    const std::string id = vendor.empty() ? std::string() : vendor + ":" + product;
    const std::string details = JoinNonEmpty({id, serial.empty() ? "" : "serial " + serial}, ", ");
    if (name.empty()) return details.empty() ? "USB" : "USB (" + details + ")";
    return details.empty() ? name : name + " (" + details + ")";
}

// The first line of an attribute, whole, without outer spaces: what the
// device reports, for its identity (AdapterIdentity escapes the odd bytes).
std::string ReadRawAttribute(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(fs::status(file, error))) return std::string();
    std::ifstream in(file, std::ios::binary);
    std::string raw(kAttributeBytes, '\0');
    in.read(raw.data(), static_cast<std::streamsize>(raw.size()));
    raw.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    raw = raw.substr(0, raw.find_first_of(std::string("\n\0", 2)));
    const std::size_t first = raw.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return raw.substr(first, raw.find_last_not_of(' ') - first + 1);
}

// usb:VID:PID:SERIAL, or without a serial number the USB device's folder
// name, which is its place on the bus (bus 1, hub port 1, port 2: "1-1.2").
std::string IdentifyUsbDevice(const fs::path& usb) {
    const std::string identity =
        UsbSerialIdentity(ReadRawAttribute(usb / "idVendor"), ReadRawAttribute(usb / "idProduct"),
                          ReadRawAttribute(usb / "serial"));
    return identity.empty() ? UsbPlaceIdentity(usb.filename().string()) : identity;
}

std::string DriverOf(const fs::path& device) {
    std::error_code error;
    const fs::path driver = fs::read_symlink(device / "driver", error);
    return error ? std::string() : Printable(driver.filename().string());
}

bool DeviceNodeExists(const fs::path& node) {
    std::error_code error;
    const fs::file_status status = fs::status(node, error);
    return fs::exists(status) && !fs::is_directory(status);
}

}  // namespace

void ListSysfsSerialPorts(PortList& list, const std::string& sysfsRoot,
                          const std::string& devRoot) {
    std::vector<std::string> names = SerialTtyNames(sysfsRoot);
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const std::string& name : names) {
        const fs::path node = fs::path(devRoot) / name;
        if (DeviceNodeExists(node)) AppendPortName(list, node.string());
    }
}

std::string DescribeSysfsPort(const std::string& sysfsRoot, const std::string& name) {
    std::error_code error;
    const fs::path device = fs::canonical(fs::path(sysfsRoot) / name / "device", error);
    if (error) return std::string();
    if (const auto usb = UsbDeviceOf(device)) return DescribeUsbDevice(*usb);
    const std::string driver = DriverOf(device);
    return driver.empty() ? std::string() : "driver " + driver;
}

std::string IdentifySysfsPort(const std::string& sysfsRoot, const std::string& name) {
    std::error_code error;
    const fs::path device = fs::canonical(fs::path(sysfsRoot) / name / "device", error);
    if (error) return std::string();
    const auto usb = UsbDeviceOf(device);
    return usb ? IdentifyUsbDevice(*usb) : std::string();
}

FoundPorts ListSysfsSerialPorts(const std::string& sysfsRoot, const std::string& devRoot) {
    PortList names;
    ListSysfsSerialPorts(names, sysfsRoot, devRoot);
    FoundPorts found;
    for (const std::string& node : names) {
        const std::string name = fs::path(node).filename().string();
        found.push_back(
            {node, DescribeSysfsPort(sysfsRoot, name), IdentifySysfsPort(sysfsRoot, name)});
    }
    return found;
}

void GetSerialPorts(PortList& list) {
    ListSysfsSerialPorts(list, kSysfsTtyRoot, kDevRoot);
}

FoundPorts FindSerialPorts() {
    return ListSysfsSerialPorts(kSysfsTtyRoot, kDevRoot);
}

}  // namespace travik
