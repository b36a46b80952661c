// Port discovery on the machine the tests run on: whatever it finds, the
// result keeps the list's entries and names each port once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "CommPortList.h"
#ifndef _WIN32
#include "PtyDevice.h"
#endif

using travik::PortList;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

TEST(SystemPorts, KeepsTheListAndNamesEachPortOnce) {
    PortList list{"Existing"};
    travik::GetSerialPorts(list);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), "Existing");
    for (std::size_t i = 1; i < list.size(); ++i) {
        EXPECT_FALSE(list[i].empty());
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(Lower(list[i]), Lower(list[j]));
    }

    PortList again = list;
    travik::GetSerialPorts(again);
    EXPECT_EQ(again, list);
}

#ifndef _WIN32
TEST(SystemPorts, ListsExistingDevicesButNoPseudoTerminal) {
    PtyDevice pty;
    PortList list;
    travik::GetSerialPorts(list);
    for (const std::string& port : list) {
        EXPECT_EQ(port.rfind("/dev/", 0), 0u) << port;
        EXPECT_TRUE(std::filesystem::exists(port)) << port;
        EXPECT_NE(port, pty.portPath());
        EXPECT_EQ(port.find("/dev/pts/"), std::string::npos) << port;
    }
}
#endif
