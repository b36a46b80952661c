// Port discovery through its entry for the program, GetSerialPorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "CommPortList.h"
#ifndef _WIN32
#include "FakeSysfs.h"
#endif

using travik::PortList;

#ifdef _WIN32
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

// The machine's registry (under Wine COM1 is always there).
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
#else
// A machine with a USB adapter, a real UART, a placeholder UART and virtual
// consoles, seen as /sys and /dev by a child process.
TEST(SystemPorts, ListsTheSerialPortsOfSysClassTtyAsDevPaths) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0");
    sys.AddTty("ttyS4", "pnp0/00:05", "4\n");
    sys.AddTty("ttyS1", "platform/serial8250", "0\n");
    sys.AddTty("ttyACM0", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0");
    for (const char* name : {"tty0", "tty1", "console", "ptmx"}) sys.AddVirtualTty(name);

    const int result = RunWithFakeSysfs(sys, [] {
        PortList list{"Existing", "/DEV/TTYACM0"};
        travik::GetSerialPorts(list);
        travik::GetSerialPorts(list);  // a second pass adds nothing
        const PortList expected{"Existing", "/DEV/TTYACM0", "/dev/ttyS4", "/dev/ttyUSB0"};
        if (list == expected) return 0;
        for (const std::string& port : list) std::fprintf(stderr, "listed: %s\n", port.c_str());
        return 1;
    });
    if (result == kNoMountNamespace) GTEST_SKIP() << "no private mount namespace on this machine";
    EXPECT_EQ(result, 0);
}
#endif
