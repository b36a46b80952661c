// Port discovery from the registry: the serial device map, the enumeration
// walk and the choice between them by system version.
#include <gtest/gtest.h>

#include <functional>

#include "CommPortList.h"
#include "MemoryRegistry.h"

using travik::PortList;

namespace {

const char kDeviceMap[] = "\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char kEnum[] = "\\Enum";
const char kClassRoot[] = "\\System\\CurrentControlSet\\Services\\Class\\";

using Bytes = std::vector<std::uint8_t>;

// A device key below \Enum as the system writes one for a port or modem.
MemoryRegistry::Key& AddDevice(MemoryRegistry& registry, const std::string& path,
                               const std::string& deviceClass, const std::string& driver,
                               const std::string& portName) {
    return registry.AddKey(std::string(kEnum) + "\\" + path)
        .SetString("Class", deviceClass)
        .SetString("Driver", driver)
        .SetString("PortName", portName);
}

MemoryRegistry::Key& AddDriver(MemoryRegistry& registry, const std::string& driver,
                               const Bytes& portSubClass) {
    return registry.AddKey(kClassRoot + driver).SetBinary("PortSubClass", portSubClass);
}

PortList Walk(MemoryRegistry& registry, PortList list = {}) {
    travik::ScanEnumKey("\\enum", list, registry);
    return list;
}

PortList DeviceMap(MemoryRegistry& registry, PortList list = {}) {
    travik::ListSerialCommKey(list, registry);
    return list;
}

}  // namespace

TEST(AppendPortName, AddsANameOnceWithoutRegardToCase) {
    PortList list{"COM1"};
    travik::AppendPortName(list, "com1");
    travik::AppendPortName(list, "Com2");
    travik::AppendPortName(list, "COM2");
    travik::AppendPortName(list, "COM10");
    EXPECT_EQ(list, (PortList{"COM1", "Com2", "COM10"}));
}

TEST(SerialDeviceMap, ListsThePortsInTheRegistryOrderWithoutDuplicates) {
    MemoryRegistry registry;
    registry.AddKey(kDeviceMap)
        .SetString("\\Device\\Serial2", "COM3")
        .SetString("\\Device\\Serial0", "COM1")
        .SetString("\\Device\\VSerial0", "com1")
        .SetString("\\Device\\Serial1", "COM2");
    EXPECT_EQ(DeviceMap(registry), (PortList{"COM3", "COM1", "COM2"}));
}

TEST(SerialDeviceMap, TakesPlainStringsOnly) {
    MemoryRegistry registry;
    registry.AddKey(kDeviceMap)
        .SetExpandString("\\Device\\Serial0", "COM1")
        .SetDWord("\\Device\\Serial1", 2)
        .SetBinary("\\Device\\Serial2", Bytes{'C', 'O', 'M', '3'})
        .SetString("\\Device\\Serial3", "COM4")
        .SetString("\\Device\\Serial4", "");  // names no port
    EXPECT_EQ(DeviceMap(registry), (PortList{"COM4"}));
}

TEST(SerialDeviceMap, KeepsWhatTheListAlreadyHolds) {
    MemoryRegistry registry;
    registry.AddKey(kDeviceMap)
        .SetString("\\Device\\Serial0", "COM2")
        .SetString("\\Device\\Serial1", "COM1")
        .SetString("\\Device\\Serial2", "COM9");
    EXPECT_EQ(DeviceMap(registry, {"COM9", "com2"}), (PortList{"COM9", "com2", "COM1"}));
}

TEST(SerialDeviceMap, AddsNothingWhenTheKeyIsMissingOrLocked) {
    MemoryRegistry missing;
    missing.AddKey("\\HARDWARE\\DEVICEMAP").SetString("Serial0", "COM1");
    EXPECT_EQ(DeviceMap(missing, {"COM5"}), (PortList{"COM5"}));

    MemoryRegistry locked;
    locked.AddKey(kDeviceMap).SetString("\\Device\\Serial0", "COM1").DenyAccess();
    EXPECT_EQ(DeviceMap(locked), PortList{});
}

TEST(EnumerationWalk, FindsPortsAndModemsInAnyLetterCaseInWalkOrder) {
    MemoryRegistry registry;
    AddDevice(registry, "Root\\Ports\\0000", "Ports", "Ports\\0000", "COM2");
    AddDevice(registry, "Root\\Modem\\0000", "MODEM", "Modem\\0000", "COM4");
    AddDevice(registry, "BIOS\\*PNP0501\\0D", "pOrTs", "Ports\\0001", "COM1");
    AddDevice(registry, "Serenum\\Modem\\0001", "Modem", "Modem\\0001", "COM3");
    AddDevice(registry, "Root\\Mouse\\0000", "Mouse", "Mouse\\0000", "COM7");
    AddDevice(registry, "Root\\Printer\\0000", "ports2", "Ports\\0000", "COM8");
    for (const char* driver : {"Ports\\0000", "Ports\\0001", "Mouse\\0000"}) {
        AddDriver(registry, driver, {1});
    }
    for (const char* driver : {"Modem\\0000", "Modem\\0001"}) AddDriver(registry, driver, {2});

    EXPECT_EQ(Walk(registry), (PortList{"COM2", "COM4", "COM1", "COM3"}));
}

TEST(EnumerationWalk, PortSubClassOfOneOrTwoMarksAPort) {
    struct Case {
        const char* what;
        std::function<void(MemoryRegistry::Key&)> fill;
        bool listed;
    };
    const Case cases[] = {
        {"missing", [](MemoryRegistry::Key&) {}, false},
        {"empty", [](MemoryRegistry::Key& k) { k.SetBinary("PortSubClass", {}); }, false},
        {"0", [](MemoryRegistry::Key& k) { k.SetBinary("PortSubClass", {0}); }, false},
        {"1", [](MemoryRegistry::Key& k) { k.SetBinary("PortSubClass", {1}); }, true},
        {"2", [](MemoryRegistry::Key& k) { k.SetBinary("PortSubClass", {2}); }, true},
        {"3", [](MemoryRegistry::Key& k) { k.SetBinary("PortSubClass", {3}); }, false},
        {"255", [](MemoryRegistry::Key& k) { k.SetBinary("PortSubClass", {255}); }, false},
        {"two bytes",
         [](MemoryRegistry::Key& k) {
             k.SetBinary("PortSubClass", {1, 0});
         },
         false},
        {"dword 1", [](MemoryRegistry::Key& k) { k.SetDWord("PortSubClass", 1); }, false},
        {"string", [](MemoryRegistry::Key& k) { k.SetString("PortSubClass", "\x01"); }, false},
        {"other name", [](MemoryRegistry::Key& k) { k.SetBinary("PortClass", {1}); }, false},
        {"any case", [](MemoryRegistry::Key& k) { k.SetBinary("portsubclass", {2}); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        AddDevice(registry, "Root\\Ports\\0000", "Ports", "Ports\\0000", "COM1");
        c.fill(registry.AddKey(std::string(kClassRoot) + "Ports\\0000"));
        EXPECT_EQ(Walk(registry), c.listed ? PortList{"COM1"} : PortList{});
    }
}

TEST(EnumerationWalk, NeedsClassDriverAndPortNameAsPlainStrings) {
    MemoryRegistry registry;
    AddDriver(registry, "Ports\\0000", {1});
    registry.AddKey("\\Enum\\A").SetString("Class", "Ports").SetString("PortName", "COM1");
    registry.AddKey("\\Enum\\B").SetString("Class", "Ports").SetString("Driver", "Ports\\0000");
    AddDevice(registry, "C", "Ports", "Ports\\0000", "x").SetExpandString("PortName", "COM3");
    AddDevice(registry, "D", "Ports", "Ports\\0000", "COM4").SetDWord("Driver", 0);
    AddDevice(registry, "E", "x", "Ports\\0000", "COM5").SetExpandString("Class", "Ports");
    AddDevice(registry, "F", "Ports", "Ports\\0000", "COM6");
    AddDevice(registry, "G", "Ports", "Ports\\0000", "");
    EXPECT_EQ(Walk(registry), (PortList{"COM6"}));
}

TEST(EnumerationWalk, AnUnopenableDriverKeyAddsNothingAndTheWalkGoesOn) {
    MemoryRegistry registry;
    AddDevice(registry, "A", "Ports", "Ports\\0007", "COM1");  // no such driver key
    AddDevice(registry, "A\\Child", "Ports", "Ports\\0001", "COM2");
    AddDevice(registry, "B", "Ports", "Ports\\0002", "COM3");
    AddDriver(registry, "Ports\\0002", {1}).DenyAccess();
    AddDevice(registry, "C", "Ports", "Ports\\0001", "COM4");
    AddDriver(registry, "Ports\\0001", {1});
    EXPECT_EQ(Walk(registry), (PortList{"COM2", "COM4"}));
}

TEST(EnumerationWalk, SkipsAKeyThatCannotBeOpenedWithItsSubtree) {
    MemoryRegistry registry;
    AddDriver(registry, "Ports\\0000", {1});
    AddDevice(registry, "Locked", "Ports", "Ports\\0000", "COM1").DenyAccess();
    AddDevice(registry, "Locked\\Inner", "Ports", "Ports\\0000", "COM2");
    AddDevice(registry, "Open", "Ports", "Ports\\0000", "COM3");
    EXPECT_EQ(Walk(registry), (PortList{"COM3"}));
    for (const std::string& path : registry.openedPaths()) {
        EXPECT_EQ(path.find("\\Locked\\"), std::string::npos) << path;
    }
}

TEST(EnumerationWalk, DescendsBelowAPortDeviceAfterItsDriverLookup) {
    MemoryRegistry registry;
    AddDevice(registry, "ACPI\\PNP0501", "Ports", "Ports\\0000", "COM1");
    AddDevice(registry, "ACPI\\PNP0501\\Child", "Modem", "Modem\\0000", "COM2");
    AddDriver(registry, "Ports\\0000", {1});
    AddDriver(registry, "Modem\\0000", {2});
    // The driver key has subkeys of its own, which the walk must not mistake for the device's.
    registry.AddKey(std::string(kClassRoot) + "Ports\\0000\\Settings");
    EXPECT_EQ(Walk(registry), (PortList{"COM1", "COM2"}));
}

TEST(EnumerationWalk, KeepsWhatTheListAlreadyHolds) {
    MemoryRegistry registry;
    AddDriver(registry, "Ports\\0000", {1});
    AddDevice(registry, "A", "Ports", "Ports\\0000", "COM1");
    AddDevice(registry, "B", "Ports", "Ports\\0000", "COM2");
    AddDevice(registry, "C", "Ports", "Ports\\0000", "com2");
    EXPECT_EQ(Walk(registry, {"Z", "com1"}), (PortList{"Z", "com1", "COM2"}));
}

TEST(EnumerationWalk, AddsNothingWithoutAnEnumerationTree) {
    MemoryRegistry registry;
    registry.AddKey(kDeviceMap).SetString("Serial0", "COM1");
    EXPECT_EQ(Walk(registry), PortList{});
}

TEST(EnumerationWalk, StopsAtTheRegistryNestingLimit) {
    MemoryRegistry registry;
    AddDriver(registry, "Ports\\0000", {1});
    std::string path = "Deep";
    for (int level = 2; level <= 600; ++level) {
        path += "\\K";
        if (level == 100) AddDevice(registry, path, "Ports", "Ports\\0000", "COM100");
    }
    AddDevice(registry, path, "Ports", "Ports\\0000", "COM600");
    EXPECT_EQ(Walk(registry), (PortList{"COM100"}));
}

// A registry with COM1 in the device map and COM7 only in the enumeration tree.
class VersionDispatch : public ::testing::Test {
protected:
    VersionDispatch() {
        registry.AddKey(kDeviceMap).SetString("\\Device\\Serial0", "COM1");
        AddDevice(registry, "Root\\Ports\\0000", "Ports", "Ports\\0000", "COM7");
        AddDriver(registry, "Ports\\0000", {1});
    }

    PortList PortsFor(FixedVersion version) {
        PortList list;
        travik::GetSerialPorts(list, registry, version);
        return list;
    }

    MemoryRegistry registry;
};

TEST_F(VersionDispatch, NothingWhenTheQueryFailsOrThePlatformIdIsNotPositive) {
    EXPECT_EQ(PortsFor(FixedVersion::Failing()), PortList{});
    EXPECT_EQ(PortsFor(FixedVersion(0, 10, 0)), PortList{});
    EXPECT_EQ(PortsFor(FixedVersion(0x80000000u, 10, 0)), PortList{});
    EXPECT_TRUE(registry.openedPaths().empty());
}

TEST_F(VersionDispatch, NothingBelowVersionFour) {
    EXPECT_EQ(PortsFor(FixedVersion(2, 3, 51)), PortList{});
    EXPECT_EQ(PortsFor(FixedVersion(1, 0, 0)), PortList{});
}

TEST_F(VersionDispatch, DeviceMapFromVersionFiveOnAndForFourZero) {
    EXPECT_EQ(PortsFor(FixedVersion(2, 4, 0)), (PortList{"COM1"}));
    EXPECT_EQ(PortsFor(FixedVersion(2, 5, 0)), (PortList{"COM1"}));
    EXPECT_EQ(PortsFor(FixedVersion(2, 5, 1)), (PortList{"COM1"}));
    EXPECT_EQ(PortsFor(FixedVersion(2, 10, 0)), (PortList{"COM1"}));
}

TEST_F(VersionDispatch, EnumerationWalkForFourAboveZero) {
    EXPECT_EQ(PortsFor(FixedVersion(1, 4, 10)), (PortList{"COM7"}));
    EXPECT_EQ(PortsFor(FixedVersion(1, 4, 90)), (PortList{"COM7"}));
    EXPECT_EQ(PortsFor(FixedVersion(2, 4, 1)), (PortList{"COM7"}));
}

TEST(PlatformVersion, ReturnsThePlatformIdOfARecordOf148Bytes) {
    FixedVersion version(2, 6, 2);
    travik::OsVersionInfo info;
    info.size = 0;
    EXPECT_EQ(travik::GetPlatformVersion(info, version), 2);
    EXPECT_EQ(version.sizeSeen(), 148u);
    EXPECT_EQ(info.majorVersion, 6u);
    EXPECT_EQ(info.minorVersion, 2u);

    FixedVersion failing = FixedVersion::Failing();
    EXPECT_EQ(travik::GetPlatformVersion(info, failing), -1);
    EXPECT_EQ(failing.sizeSeen(), 148u);
}
