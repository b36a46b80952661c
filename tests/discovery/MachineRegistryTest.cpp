// The Windows registry and version query behind port discovery, read on the
// running system (Windows, or Wine).
#include <gtest/gtest.h>

#include "CommPortList.h"
#include "Registry.h"

TEST(MachineRegistry, OpensExistingKeysOnly) {
    const auto registry = travik::OpenMachineRegistry();
    ASSERT_TRUE(registry->OpenKeyReadOnly("\\SOFTWARE"));
    EXPECT_TRUE(registry->HasSubKeys());
    EXPECT_FALSE(registry->GetKeyNames().empty());

    EXPECT_FALSE(registry->OpenKeyReadOnly("\\SOFTWARE\\travik no such key"));
    EXPECT_TRUE(registry->GetKeyNames().empty());
    EXPECT_TRUE(registry->GetValueNames().empty());
    EXPECT_FALSE(registry->HasSubKeys());
    EXPECT_EQ(registry->GetDataType("anything"), travik::RegDataType::None);
}

TEST(MachineRegistry, ReadsTheSerialDeviceMapAsStrings) {
    const auto registry = travik::OpenMachineRegistry();
    if (!registry->OpenKeyReadOnly("\\hardware\\devicemap\\serialcomm")) {
        GTEST_SKIP() << "no serial device map on this system";
    }
    for (const std::string& name : registry->GetValueNames()) {
        if (registry->GetDataType(name) != travik::RegDataType::String) continue;
        const auto port = registry->ReadString(name);
        ASSERT_TRUE(port) << name;
        EXPECT_FALSE(registry->ReadBinaryData(name)) << name;
    }
}

TEST(MachineVersion, ReportsAWindowsNtPlatform) {
    const auto versions = travik::MachineVersionSource();
    travik::OsVersionInfo info;
    EXPECT_EQ(travik::GetPlatformVersion(info, *versions), 2);  // the NT platform id
    EXPECT_GE(info.majorVersion, 5u);
}
