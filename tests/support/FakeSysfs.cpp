#include "FakeSysfs.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <utility>

#include "ChildProcess.h"

namespace fs = std::filesystem;

FakeSysfs::FakeSysfs() {
    fs::create_directories(classDir());
    fs::create_directories(devDir());
}

fs::path FakeSysfs::AddTty(const std::string& name, const std::string& parent, const char* type) {
    const fs::path folder = AddTtyFolder(name, fs::path("sys/devices") / parent);
    fs::create_symlink("../..", folder / "device");
    if (type) WriteFileBytes((folder / "type").string(), type);
    return folder;
}

void FakeSysfs::AddVirtualTty(const std::string& name) {
    AddTtyFolder(name, "sys/devices/virtual");
}

fs::path FakeSysfs::DeviceFolder(const std::string& path) const {
    const fs::path folder = fs::path(dir_.path()) / "sys/devices" / path;
    fs::create_directories(folder);
    return folder;
}

void FakeSysfs::SetUsbDevice(const std::string& path, const std::string& vendor,
                             const std::string& product, const std::string& manufacturer,
                             const std::string& productName, const std::string& serial) const {
    const fs::path folder = DeviceFolder(path);
    const std::pair<const char*, const std::string*> attributes[] = {
        {"idVendor", &vendor},
        {"idProduct", &product},
        {"manufacturer", &manufacturer},
        {"product", &productName},
        {"serial", &serial}};
    for (const auto& [name, text] : attributes) {
        if (!text->empty()) WriteFileBytes((folder / name).string(), *text);
    }
}

void FakeSysfs::SetDriver(const std::string& path, const std::string& driver) const {
    const fs::path drivers = fs::path(dir_.path()) / "sys/bus/platform/drivers" / driver;
    fs::create_directories(drivers);
    fs::create_symlink(drivers, DeviceFolder(path) / "driver");
}

std::string FakeSysfs::Describe(const std::string& name) const {
    return travik::DescribeSysfsPort(classDir(), name);
}

void FakeSysfs::BindNode(const std::string& name, const std::string& target) {
    binds_.emplace_back(node(name), target);
}

travik::PortList FakeSysfs::List(travik::PortList list) const {
    travik::ListSysfsSerialPorts(list, classDir(), devDir());
    return list;
}

fs::path FakeSysfs::AddTtyFolder(const std::string& name, const fs::path& parent) {
    const fs::path folder = fs::path(dir_.path()) / parent / "tty" / name;
    fs::create_directories(folder);
    fs::create_symlink(fs::relative(folder, classDir()), fs::path(classDir()) / name);
    WriteFileBytes(node(name), "");
    return folder;
}

int RunWithFakeSysfs(const FakeSysfs& sys, const std::function<int()>& action) {
    const std::string sysDir = sys.sysDir();
    const std::string devDir = sys.devDir();
    const auto enterFakeTree = [&] {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            _exit(kNoMountNamespace);
        }
        for (const auto& [node, target] : sys.boundNodes()) {
            if (mount(target.c_str(), node.c_str(), nullptr, MS_BIND, nullptr) != 0)
                _exit(kNoMountNamespace);
        }
        if (mount(sysDir.c_str(), "/sys", nullptr, MS_BIND, nullptr) != 0 ||
            mount(devDir.c_str(), "/dev", nullptr, MS_BIND | MS_REC, nullptr) != 0) {
            _exit(kNoMountNamespace);
        }
    };
    return RunInChild(enterFakeTree, action);
}
