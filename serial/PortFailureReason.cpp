// The user's explanation of a port that would not open, with the usual fix.
#include <string>
#include <vector>

#include "WinCOmmUnit.h"

namespace travik {
namespace {

bool english(int languageIndex) {
    return languageIndex == 0;
}

std::string noSuchPort(int languageIndex) {
    return english(languageIndex) ? "no such device (unplugged?)"
                                  : "Ger\u00e4t nicht vorhanden (ausgesteckt?)";
}

// Joining the group that owns the device node is the fix, unless that group is
// root's or unknown: then no advice would be safe.
std::string permissionDenied(const std::string& group, int languageIndex) {
    const bool adviseGroup = !group.empty() && group != "root";
    if (english(languageIndex)) {
        if (!adviseGroup) return "permission denied";
        return "permission denied: add your user to the " + group + " group: sudo adduser $USER " +
               group + ", then log in again";
    }
    if (!adviseGroup) return "Zugriff verweigert";
    return "Zugriff verweigert: Benutzer zur Gruppe " + group +
           " hinzuf\u00fcgen: sudo adduser $USER " + group + ", dann neu anmelden";
}

std::string processText(long pid, const std::string& name) {
    return "PID " + std::to_string(pid) + " (" + name + ")";
}

std::string inUse(const OpenStatus& status, int languageIndex) {
    if (status.holderPid > 0) {
        const std::string holder = processText(status.holderPid, status.holderName);
        return english(languageIndex) ? "in use by " + holder : "belegt von " + holder;
    }
    return english(languageIndex) ? "in use by another program"
                                  : "von einem anderen Programm belegt";
}

std::string notSerialPort(int languageIndex) {
    return english(languageIndex) ? "not a serial port" : "keine serielle Schnittstelle";
}

std::string processList(const std::vector<OtherProcess>& processes) {
    std::string list;
    for (const OtherProcess& process : processes) {
        if (!list.empty()) list += ", ";
        list += processText(process.pid, process.name);
    }
    return list;
}

}  // namespace

std::string PortWarningText(const OpenStatus& status, int languageIndex) {
    if (status.unseenPortTakers.empty()) return {};
    const std::string takers = processList(status.unseenPortTakers);
    if (english(languageIndex))
        return takers + " could not be checked and may hold the port: the reply may be incomplete";
    const bool one = status.unseenPortTakers.size() == 1;
    return takers + (one ? " konnte" : " konnten") + " nicht gepr\u00fcft werden und " +
           (one ? "belegt" : "belegen") +
           " die Schnittstelle vielleicht: die Antwort kann unvollst\u00e4ndig sein";
}

std::string PortFailureReason(const OpenStatus& status, int languageIndex) {
    switch (status.result) {
        case OpenResult::Ok:
            return {};
        case OpenResult::NoSuchPort:
            return noSuchPort(languageIndex);
        case OpenResult::PermissionDenied:
            return permissionDenied(status.group, languageIndex);
        case OpenResult::InUse:
            return inUse(status, languageIndex);
        case OpenResult::NotSerialPort:
            return notSerialPort(languageIndex);
        case OpenResult::InvalidHandle:
        case OpenResult::Buffer:
        case OpenResult::DCB:
        case OpenResult::Config:
        case OpenResult::State:
        case OpenResult::Timeout:
            break;
    }
    // The system's own words, in the system's language.
    return status.system.reason();
}

}  // namespace travik
