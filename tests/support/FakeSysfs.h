// A fake sysfs tree laid out as the kernel lays out /sys/class/tty: each entry
// links to its folder under sys/devices, and a real device's folder has a
// `device` link to its parent. Device nodes go into a fake dev folder.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CommPortList.h"
#include "TempDir.h"

class FakeSysfs {
public:
    FakeSysfs();

    std::string sysDir() const { return dir_.file("sys"); }
    std::string classDir() const { return dir_.file("sys/class/tty"); }
    std::string devDir() const { return dir_.file("dev"); }
    std::string node(const std::string& name) const { return devDir() + "/" + name; }

    // A tty with a device at sys/devices/<parent> behind it, and its node in dev.
    // `type` is the serial-core port type file, when there is one.
    std::filesystem::path AddTty(const std::string& name, const std::string& parent,
                                 const char* type = nullptr);

    // A tty with nothing behind it: virtual consoles, console, ptmx.
    void AddVirtualTty(const std::string& name);

    // A folder under sys/devices, made if missing.
    std::filesystem::path DeviceFolder(const std::string& path) const;

    // The USB device at sys/devices/<path> with these attributes (none for empty text).
    void SetUsbDevice(const std::string& path, const std::string& vendor,
                      const std::string& product, const std::string& manufacturer,
                      const std::string& productName, const std::string& serial) const;

    // The device at sys/devices/<path> is bound to driver `driver`.
    void SetDriver(const std::string& path, const std::string& driver) const;

    std::string Describe(const std::string& name) const;

    // Inside RunWithFakeSysfs, the node dev/<name> is `target` (a pty, say),
    // bound over it before the fake dev folder becomes /dev.
    void BindNode(const std::string& name, const std::string& target);
    const std::vector<std::pair<std::string, std::string>>& boundNodes() const { return binds_; }

    travik::PortList List(travik::PortList list = {}) const;

private:
    std::filesystem::path AddTtyFolder(const std::string& name,
                                       const std::filesystem::path& parent);

    TempDir dir_;
    std::vector<std::pair<std::string, std::string>> binds_;  // node path, target
};

// Runs `action` in a child process that sees `sys`'s tree as /sys and its dev
// folder as /dev (a private mount namespace). Returns the action's result
// (0..253), or kNoMountNamespace when the machine allows no such namespace.
int RunWithFakeSysfs(const FakeSysfs& sys, const std::function<int()>& action);
inline constexpr int kNoMountNamespace = 254;
