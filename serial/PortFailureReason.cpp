// The user's explanation of a port that would not open, with the usual fix.
#include <string>

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

std::string inUse(const OpenStatus& status, int languageIndex) {
    if (status.holderPid > 0) {
        const std::string holder =
            "PID " + std::to_string(status.holderPid) + " (" + status.holderName + ")";
        return english(languageIndex) ? "in use by " + holder : "belegt von " + holder;
    }
    return english(languageIndex) ? "in use by another program"
                                  : "von einem anderen Programm belegt";
}

std::string notSerialPort(int languageIndex) {
    return english(languageIndex) ? "not a serial port" : "keine serielle Schnittstelle";
}

}  // namespace

std::string PortFailureReason(const OpenStatus& status, int languageIndex) {
    switch (status.fault) {
        case PortFault::None:
            return {};
        case PortFault::NoSuchPort:
            return noSuchPort(languageIndex);
        case PortFault::PermissionDenied:
            return permissionDenied(status.group, languageIndex);
        case PortFault::InUse:
            return inUse(status, languageIndex);
        case PortFault::NotSerialPort:
            return notSerialPort(languageIndex);
        case PortFault::Other:
            break;
    }
    // The system's own words, in the system's language.
    return status.status.reason();
}

}  // namespace travik
