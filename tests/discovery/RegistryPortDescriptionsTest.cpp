// Port descriptions and adapter identities from the device tree under
// ...\Enum, on an in-memory registry laid out as Windows lays it out.
#include <gtest/gtest.h>

#include <string>

#include "CommPortList.h"
#include "MemoryRegistry.h"

using travik::FoundPort;
using travik::FoundPorts;
using travik::PortList;

namespace {

const std::string kEnum = "\\SYSTEM\\CurrentControlSet\\Enum\\";

// A port device's instance key with its values, and its port name.
MemoryRegistry::Key& AddPortDevice(MemoryRegistry& registry, const std::string& instance,
                                   const std::string& port) {
    registry.AddKey(kEnum + instance + "\\Device Parameters").SetString("PortName", port);
    return registry.AddKey(kEnum + instance).SetString("Class", "Ports");
}

// What a machine with the usual adapters holds: FTDI's own driver, Prolific
// and CH340 adapters without serial numbers, a USB CDC device and a built-in port.
void AddUsualAdapters(MemoryRegistry& registry) {
    registry.AddKey(kEnum + "USB\\VID_0403&PID_6001\\A50285BI")
        .SetString("DeviceDesc", "USB Serial Converter")
        .SetString("Mfg", "FTDI");
    AddPortDevice(registry, "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "COM9")
        .SetString("DeviceDesc", "@oem23.inf,%ftdibus.portdesc%;USB Serial Port")
        .SetString("Mfg", "@oem23.inf,%ftdi%;FTDI")
        .SetString("FriendlyName", "USB Serial Port (COM9)");
    AddPortDevice(registry, "USB\\VID_067B&PID_2303\\5&2a3b4c5d&0&2", "COM4")
        .SetString("DeviceDesc", "@oem12.inf,%pl2303.devicedesc%;Prolific USB-to-Serial Comm Port")
        .SetString("Mfg", "@oem12.inf,%prolific%;Prolific")
        .SetString("FriendlyName", "Prolific USB-to-Serial Comm Port (COM4)")
        .SetString("LocationInformation", "Port_#0002.Hub_#0001");
    AddPortDevice(registry, "USB\\VID_1A86&PID_7523\\5&1f2e3d4c&0&1", "COM5")
        .SetString("DeviceDesc", "USB-SERIAL CH340")
        .SetString("Mfg", "wch.cn")
        .SetString("FriendlyName", "USB-SERIAL CH340 (COM5)");
    AddPortDevice(registry, "USB\\VID_2341&PID_0043\\75735323030351D0F0A1", "COM7")
        .SetString("DeviceDesc", "@usbser.inf,%usbser.devicedesc%;USB Serial Device")
        .SetString("Mfg", "@usbser.inf,%msft%;Microsoft")
        .SetString("FriendlyName", "USB Serial Device (COM7)");
    AddPortDevice(registry, "ACPI\\PNP0501\\1", "COM1")
        .SetString("DeviceDesc", "@msports.inf,%*pnp0501.devicedesc%;Communications Port")
        .SetString("Mfg", "@msports.inf,%std%;(Standard port types)")
        .SetString("FriendlyName", "Communications Port (COM1)");
}

}  // namespace

TEST(RegistryPortDescriptions, TheUsualAdaptersAreDescribedAsOnLinux) {
    MemoryRegistry registry;
    AddUsualAdapters(registry);
    const FoundPorts found =
        travik::DescribeRegistryPorts({"COM1", "COM4", "COM5", "COM7", "COM9", "COM12"}, registry);
    const FoundPorts expected{
        {"COM1", "Communications Port (COM1)", ""},
        {"COM4", "Prolific USB-to-Serial Comm Port (067b:2303)", "usb-at:Port_%230002.Hub_%230001"},
        {"COM5", "wch.cn USB-SERIAL CH340 (1a86:7523)", "usb-at:5%261f2e3d4c%260%261"},
        {"COM7", "Microsoft USB Serial Device (2341:0043, serial 75735323030351D0F0A1)",
         "usb:2341:0043:75735323030351D0F0A1"},
        {"COM9", "FTDI USB Serial Port (0403:6001, serial A50285BI)", "usb:0403:6001:A50285BI"},
        {"COM12", "", ""},  // the tree does not describe it: its bare name
    };
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].name, expected[i].name);
        EXPECT_EQ(found[i].description, expected[i].description) << found[i].name;
        EXPECT_EQ(found[i].identity, expected[i].identity) << found[i].name;
    }
}

TEST(RegistryPortDescriptions, NamesCompareWithoutRegardToCaseAndKeepTheirOrder) {
    MemoryRegistry registry;
    AddUsualAdapters(registry);
    const FoundPorts found = travik::DescribeRegistryPorts({"com9", "Com1"}, registry);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "com9");
    EXPECT_EQ(found[0].identity, "usb:0403:6001:A50285BI");
    EXPECT_EQ(found[1].description, "Communications Port (COM1)");
    EXPECT_TRUE(travik::DescribeRegistryPorts({}, registry).empty());
}

TEST(RegistryPortDescriptions, AMissingOrUnreadableTreeLeavesBareNames) {
    MemoryRegistry empty;
    EXPECT_EQ(travik::DescribeRegistryPorts({"COM1"}, empty), (FoundPorts{{"COM1", "", ""}}));

    MemoryRegistry denied;
    AddUsualAdapters(denied);
    denied.AddKey(kEnum + "FTDIBUS").DenyAccess();
    denied.AddKey(kEnum + "USB\\VID_067B&PID_2303\\5&2a3b4c5d&0&2\\Device Parameters").DenyAccess();
    const FoundPorts found = travik::DescribeRegistryPorts({"COM9", "COM4", "COM5"}, denied);
    EXPECT_EQ(found[0].description, "");
    EXPECT_EQ(found[1].description, "");
    EXPECT_EQ(found[2].identity, "usb-at:5%261f2e3d4c%260%261");
}

// Values are the drivers' own texts: whatever they hold, the selector gets a
// short line of printable text and no made-up identity.
TEST(RegistryPortDescriptions, HostileValuesGiveShortPrintableTexts) {
    MemoryRegistry registry;
    AddPortDevice(registry, "USB\\VID_0403&PID_6001\\A1 B\x1b[2J", "COM3")
        .SetString("DeviceDesc", std::string(5000, 'D') + "\x01\x7f\xe4")
        .SetString("Mfg", "\r\nEvil\t");
    registry.AddKey(kEnum + "USB\\VID_XYZ&PID_6001\\1\\Device Parameters")
        .SetString("PortName", "COM6");
    registry.AddKey(kEnum + "ROOT\\PORTS\\0000\\Device Parameters").SetDWord("PortName", 8);
    registry.AddKey(kEnum + "ACPI\\PNP0501\\2\\Device Parameters")
        .SetExpandString("PortName", "COM8");
    const FoundPorts found = travik::DescribeRegistryPorts({"COM3", "COM6", "COM8"}, registry);
    EXPECT_EQ(found[0].description,
              "Evil " + std::string(64, 'D') + "... (0403:6001, serial A1 B[2J)");
    EXPECT_EQ(found[0].identity, "usb:0403:6001:A1%20B%1B%5B2J");
    EXPECT_EQ(found[1], (FoundPort{"COM6", "", ""})) << "a vendor id that is no id";
    EXPECT_EQ(found[2], (FoundPort{"COM8", "", ""})) << "port names are plain strings";
}

TEST(RegistryPortDescriptions, AnInterfaceOfACompositeDeviceIsKnownByItsPlace) {
    MemoryRegistry registry;
    AddPortDevice(registry, "USB\\VID_2341&PID_8036&MI_00\\6&3a1b2c3d&0&0000", "COM11")
        .SetString("DeviceDesc", "Arduino Leonardo")
        .SetString("LocationInformation", "0000.0014.0000.001.000.000.000.000.000");
    const FoundPorts found = travik::DescribeRegistryPorts({"COM11"}, registry);
    EXPECT_EQ(found[0].description, "Arduino Leonardo (2341:8036)");
    EXPECT_EQ(found[0].identity, "usb-at:0000.0014.0000.001.000.000.000.000.000");
}
