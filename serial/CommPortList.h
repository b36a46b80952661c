// Finds the names of the serial ports present on the machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace travik {

using PortList = std::vector<std::string>;

// A port found on the machine and what the system tells about it, for people
// choosing among several ports; the name is what is opened and stored.
struct FoundPort {
    std::string name;
    std::string description;  // empty when the system tells nothing
    std::string identity;     // the adapter behind it (AdapterIdentity.h); empty when unknown

    bool operator==(const FoundPort& other) const {
        return name == other.name && description == other.description && identity == other.identity;
    }
};
using FoundPorts = std::vector<FoundPort>;

class Registry;
class VersionSource;
struct OsVersionInfo;

// Appends the serial port names found on this machine to `list`, in the order
// found, skipping names the list already holds (compared without regard to
// case). Never sorts or clears the list; an empty result is valid.
// Windows: names such as COM1 from the registry. Linux: device paths such as
// /dev/ttyUSB0 from sysfs.
void GetSerialPorts(PortList& list);

// The ports on this machine now, in GetSerialPorts' order, with their
// descriptions (a USB adapter's manufacturer, product, vendor:product id and
// serial number; on Linux an on-board port's driver, on Windows its friendly
// name) and the identity of a USB adapter.
FoundPorts FindSerialPorts();

// Appends `name` unless `list` already holds it, compared without regard to case.
void AppendPortName(PortList& list, const std::string& name);

// The registry search behind GetSerialPorts on Windows, on any registry.
// Chooses the source by the system version: the serial device map from
// version 5 on and for 4.0, the enumeration walk for 4.x above 4.0, nothing below 4.
void GetSerialPorts(PortList& list, Registry& registry, VersionSource& versions);

// Fills `info` and returns its platform id, or -1 when the query fails.
std::int32_t GetPlatformVersion(OsVersionInfo& info, VersionSource& versions);

// Appends the string values of the serial device map.
void ListSerialCommKey(PortList& list, Registry& registry);

// The ports `names` (as the serial device map lists them) with what the
// device tree under \SYSTEM\CurrentControlSet\Enum tells about each: for a
// USB adapter its manufacturer, description, vendor:product id, serial number
// and identity; for another port its friendly name. A name the tree does not
// describe keeps an empty description.
FoundPorts DescribeRegistryPorts(const PortList& names, Registry& registry);

// Walks the enumeration tree below `path`, appending the port names of devices
// of class "ports" or "modem" whose driver class marks a serial port.
void ScanEnumKey(const std::string& path, PortList& list, Registry& registry);

#ifndef _WIN32
// Appends the device paths (devRoot/NAME) of the tty devices listed under
// `sysfsRoot` (normally /sys/class/tty) that have a real serial port behind
// them, in natural order (ttyS2 before ttyS10).
void ListSysfsSerialPorts(PortList& list, const std::string& sysfsRoot, const std::string& devRoot);

// The same ports, with what sysfs tells about each (see FindSerialPorts).
FoundPorts ListSysfsSerialPorts(const std::string& sysfsRoot, const std::string& devRoot);

// What sysfs tells about the tty `name` under `sysfsRoot`; empty when nothing.
std::string DescribeSysfsPort(const std::string& sysfsRoot, const std::string& name);

// The identity of the USB adapter behind the tty `name`; empty for other ports.
std::string IdentifySysfsPort(const std::string& sysfsRoot, const std::string& name);
#endif

}  // namespace travik
