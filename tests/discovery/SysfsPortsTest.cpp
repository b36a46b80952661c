// Port discovery from sysfs, on a fake sysfs tree (see FakeSysfs.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "CommPortList.h"
#include "FakeSysfs.h"
#include "PtyDevice.h"
#include "TempDir.h"
#include "WinCOmmUnit.h"

using travik::PortList;
namespace fs = std::filesystem;

namespace {

const char kUsbPort[] = "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0";
const char kAcmPort[] = "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
const char kPnpUart[] = "pnp0/00:05";
const char kPlatformUart[] = "platform/serial8250";
const char kUsbDevice[] = "pci0000:00/0000:00:14.0/usb1/1-1";
const char kAcmDevice[] = "pci0000:00/0000:00:14.0/usb1/1-2";

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

TEST(SysfsPorts, ListsUsbAcmAndPlatformUartsAsDevicePaths) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.AddTty("ttyACM0", kAcmPort);
    sys.AddTty("ttyAMA0", "platform/fe201000.serial", "32\n");
    sys.AddTty("ttyS0", kPnpUart, "4\n");
    EXPECT_EQ(sys.List(), (PortList{sys.node("ttyACM0"), sys.node("ttyAMA0"), sys.node("ttyS0"),
                                    sys.node("ttyUSB0")}));
}

TEST(SysfsPorts, LeavesOutUartPlaceholdersOfTypeZero) {
    FakeSysfs sys;
    sys.AddTty("ttyS0", kPnpUart, "4\n");
    sys.AddTty("ttyS1", kPlatformUart, "0\n");
    sys.AddTty("ttyS2", kPlatformUart, "0");
    sys.AddTty("ttyS3", kPlatformUart, " 0 \n");
    sys.AddTty("ttyS31", kPlatformUart, "0\n");
    sys.AddTty("ttyS4", kPlatformUart, "10\n");
    EXPECT_EQ(sys.List(), (PortList{sys.node("ttyS0"), sys.node("ttyS4")}));
}

TEST(SysfsPorts, LeavesOutTtysWithoutARealDevice) {
    FakeSysfs sys;
    for (const char* name : {"tty0", "tty1", "tty63", "console", "ptmx", "tty"}) {
        sys.AddVirtualTty(name);
    }
    sys.AddTty("ttyprintk", "virtual/misc/printk");  // a link into a virtual device
    const fs::path dangling = sys.AddTty("ttyX0", "pnp0/00:07");
    fs::remove(dangling / "device");
    fs::create_symlink("../../gone", dangling / "device");
    const fs::path plainFolder = sys.AddTty("ttyY0", kPnpUart);  // `device` not a link
    fs::remove(plainFolder / "device");
    fs::create_directory(plainFolder / "device");
    WriteFileBytes(sys.classDir() + "/ttyZ0", "");  // not a folder
    WriteFileBytes(sys.node("ttyZ0"), "");
    sys.AddTty("ttyUSB0", kUsbPort);

    EXPECT_EQ(sys.List(), (PortList{sys.node("ttyUSB0")}));
}

TEST(SysfsPorts, SortsNaturally) {
    FakeSysfs sys;
    for (const char* name : {"ttyS10", "ttyS2", "ttyS1", "ttyS100", "ttyS09"}) {
        sys.AddTty(name, kPnpUart, "4\n");
    }
    for (const char* name : {"ttyUSB10", "ttyUSB1", "ttyUSB0"}) {
        sys.AddTty(name, std::string(kAcmPort) + "/" + name);
    }
    EXPECT_EQ(sys.List(), (PortList{sys.node("ttyS1"), sys.node("ttyS2"), sys.node("ttyS09"),
                                    sys.node("ttyS10"), sys.node("ttyS100"), sys.node("ttyUSB0"),
                                    sys.node("ttyUSB1"), sys.node("ttyUSB10")}));
}

TEST(SysfsPorts, KeepsWhatTheListAlreadyHolds) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.AddTty("ttyACM0", kAcmPort);
    const PortList before{"COM1", Upper(sys.node("ttyUSB0"))};
    EXPECT_EQ(sys.List(before),
              (PortList{"COM1", Upper(sys.node("ttyUSB0")), sys.node("ttyACM0")}));
}

TEST(SysfsPorts, ListsOnlyPortsWithANodeInTheDeviceFolder) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.AddTty("ttyACM0", kAcmPort);
    fs::remove(sys.node("ttyUSB0"));
    EXPECT_EQ(sys.List(), (PortList{sys.node("ttyACM0")}));

    PortList list;
    travik::ListSysfsSerialPorts(list, sys.classDir(), sys.devDir() + "/");
    EXPECT_EQ(list, (PortList{sys.node("ttyACM0")}));
}

TEST(SysfsPorts, AddsNothingWhenTheFoldersAreMissing) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    PortList list{"COM1"};
    travik::ListSysfsSerialPorts(list, sys.classDir() + "/missing", sys.devDir());
    travik::ListSysfsSerialPorts(list, sys.classDir(), sys.devDir() + "/missing");
    travik::ListSysfsSerialPorts(list, "", "");
    EXPECT_EQ(list, (PortList{"COM1"}));
}

TEST(SysfsPorts, AListedPathOpensAsASerialPort) {
    FakeSysfs sys;
    PtyDevice device;
    sys.AddTty("ttyUSB3", kUsbPort);
    fs::remove(sys.node("ttyUSB3"));
    fs::create_symlink(device.portPath(), sys.node("ttyUSB3"));

    const PortList list = sys.List();
    ASSERT_EQ(list, (PortList{sys.node("ttyUSB3")}));
    travik::SerialHandle handle;
    std::string message;
    EXPECT_EQ(travik::OpenComPort(handle, list[0], travik::kDeviceBaud, travik::kQueueSize,
                                  [&](const std::string& text) { message = text; }),
              travik::OpenResult::Ok)
        << message;
    EXPECT_TRUE(handle.isOpen());
}

// ---- What the selector shows beside each port ----

TEST(SysfsPortDescriptions, UsbAdapterGivesManufacturerProductIdAndSerial) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.SetUsbDevice(kUsbDevice, "0403\n", "6001\n", "FTDI\n", "FT232R USB UART\n", "A50285BI\n");
    sys.SetUsbDevice("pci0000:00/0000:00:14.0/usb1", "1d6b\n", "0002\n", "Linux Foundation\n",
                     "xHCI Host Controller\n", "0000:00:14.0\n");  // the hub above
    EXPECT_EQ(sys.Describe("ttyUSB0"), "FTDI FT232R USB UART (0403:6001, serial A50285BI)");
}

TEST(SysfsPortDescriptions, AcmDeviceAndDevicesThatTellLess) {
    FakeSysfs sys;
    sys.AddTty("ttyACM0", kAcmPort);
    sys.SetUsbDevice(kAcmDevice, "2341\n", "0043\n", "Arduino (www.arduino.cc)\n", "", "");
    EXPECT_EQ(sys.Describe("ttyACM0"), "Arduino (www.arduino.cc) (2341:0043)");

    sys.AddTty("ttyUSB0", kUsbPort);
    sys.SetUsbDevice(kUsbDevice, "10c4\n", "ea60\n", "", "", "");
    EXPECT_EQ(sys.Describe("ttyUSB0"), "USB (10c4:ea60)");
}

TEST(SysfsPortDescriptions, OnBoardPortGivesItsDriver) {
    FakeSysfs sys;
    sys.AddTty("ttyS0", kPnpUart, "4\n");
    sys.SetDriver(kPnpUart, "serial");
    sys.AddTty("ttyAMA0", "platform/fe201000.serial", "32\n");
    sys.SetDriver("platform/fe201000.serial", "uart-pl011");
    EXPECT_EQ(sys.Describe("ttyS0"), "driver serial");
    EXPECT_EQ(sys.Describe("ttyAMA0"), "driver uart-pl011");
}

TEST(SysfsPortDescriptions, NothingKnownOrNoSuchPortGivesEmpty) {
    FakeSysfs sys;
    sys.AddTty("ttyS4", kPlatformUart, "10\n");
    EXPECT_EQ(sys.Describe("ttyS4"), "");
    EXPECT_EQ(sys.Describe("ttyS99"), "");
    EXPECT_EQ(sys.Describe("../../.."), "");
    EXPECT_EQ(travik::DescribeSysfsPort("", ""), "");
}

TEST(SysfsPortDescriptions, HostileDeviceStringsAreCutAndPrintable) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    const std::string longName(5000, 'M');
    std::string umlauts = "x";  // then 40 two-byte "ä": a cut at 64 bytes falls inside one
    for (int i = 0; i < 40; ++i) umlauts += "\xc3\xa4";
    sys.SetUsbDevice(kUsbDevice, "04\x1b[2J03\n", "6001\nsecond line", longName,
                     "  Bad\tTab\x7f\x01 \n", umlauts);
    const std::string text = sys.Describe("ttyUSB0");
    EXPECT_EQ(text, std::string(64, 'M') + "... BadTab (04[2J03:6001, serial " +
                        umlauts.substr(0, 63) + "...)");
    for (const char c : text) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << text;
}

TEST(SysfsPortDescriptions, UnreadableAttributesAreLeftOut) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.SetUsbDevice(kUsbDevice, "0403\n", "6001\n", "", "", "");
    fs::create_directory(sys.DeviceFolder(kUsbDevice) / "product");  // a folder, not a file
    fs::create_symlink("/nonexistent", sys.DeviceFolder(kUsbDevice) / "manufacturer");
    EXPECT_EQ(sys.Describe("ttyUSB0"), "USB (0403:6001)");
}

TEST(SysfsPortDescriptions, FoundPortsCarryTheirDescriptionsInListOrder) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.SetUsbDevice(kUsbDevice, "0403\n", "6001\n", "FTDI\n", "FT232R USB UART\n", "");
    sys.AddTty("ttyS0", kPnpUart, "4\n");
    sys.SetDriver(kPnpUart, "serial");
    sys.AddTty("ttyS1", kPlatformUart, "0\n");
    const travik::FoundPorts found = travik::ListSysfsSerialPorts(sys.classDir(), sys.devDir());
    EXPECT_EQ(found, (travik::FoundPorts{
                         {sys.node("ttyS0"), "driver serial", ""},
                         {sys.node("ttyUSB0"), "FTDI FT232R USB UART (0403:6001)", "usb-at:1-1"}}));
}

TEST(SysfsPortIdentities, AUsbAdapterIsItsIdsAndSerialNumber) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", kUsbPort);
    sys.SetUsbDevice(kUsbDevice, "0403\n", "6001\n", "FTDI\n", "FT232R USB UART\n", "A50285BI\n");
    sys.AddTty("ttyACM0", kAcmPort);
    sys.SetUsbDevice(kAcmDevice, "2341\n", "0043\n", "Arduino\n", "", "75735323030351D0F0A1\n");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyUSB0"), "usb:0403:6001:A50285BI");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyACM0"),
              "usb:2341:0043:75735323030351D0F0A1");
}

// Cheap adapters report no serial number: their place on the bus tells them apart.
TEST(SysfsPortIdentities, AnAdapterWithoutSerialNumberIsItsPlaceOnTheBus) {
    FakeSysfs sys;
    const std::string hubPort = "pci0000:00/0000:00:14.0/usb1/1-1/1-1.4";
    sys.AddTty("ttyUSB0", hubPort + "/1-1.4:1.0/ttyUSB0");
    sys.SetUsbDevice(hubPort, "067b\n", "2303\n", "Prolific Technology Inc.\n",
                     "USB-Serial Controller\n", "");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyUSB0"), "usb-at:1-1.4");
}

TEST(SysfsPortIdentities, OnBoardPortsAndHostileAttributesGiveNoFalseIdentity) {
    FakeSysfs sys;
    sys.AddTty("ttyS0", kPnpUart, "4\n");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyS0"), "");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyS99"), "");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "../../.."), "");

    sys.AddTty("ttyUSB0", kUsbPort);
    sys.SetUsbDevice(kUsbDevice, "04\x1b[2J03\n", "6001\n", "", "", "A1\n");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyUSB0"), "usb-at:1-1")
        << "a vendor id that is no id: the place, not a made-up identity";
    sys.SetUsbDevice(kUsbDevice, "0403\n", "6001\n", "", "", " A 1\x1b[2J\nsecond line");
    EXPECT_EQ(travik::IdentifySysfsPort(sys.classDir(), "ttyUSB0"), "usb:0403:6001:A%201%1B%5B2J");
}
