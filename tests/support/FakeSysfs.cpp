#include "FakeSysfs.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

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
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(sysDir.c_str(), "/sys", nullptr, MS_BIND, nullptr) != 0 ||
            mount(devDir.c_str(), "/dev", nullptr, MS_BIND, nullptr) != 0) {
            _exit(kNoMountNamespace);
        }
    };
    return RunInChild(enterFakeTree, action);
}
