// Serial port discovery from sysfs. Ports are listed, never opened: opening
// would hide the ports a user has no permission for.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "CommPortList.h"

namespace travik {

namespace fs = std::filesystem;

namespace {

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

void GetSerialPorts(PortList& list) {
    ListSysfsSerialPorts(list, "/sys/class/tty", "/dev");
}

}  // namespace travik
