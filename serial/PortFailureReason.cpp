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

// A service known to open serial ports by itself: what it does and what to
// do about it, as the holder's name ("ModemManager") names it.
struct KnownTaker {
    const char* program;
    const char* english;
    const char* german;
};

const KnownTaker kKnownTakers[] = {
    {"ModemManager", "it probes new serial ports; stop it or tell it to leave this adapter alone",
     "er pr\u00fcft neue serielle Schnittstellen; ihn beenden oder ihm sagen, diesen Adapter "
     "in Ruhe zu lassen"},
    {"brltty",
     "the braille display service takes some USB serial adapters as they are plugged in; stop "
     "it, or remove it where no braille display is used",
     "der Braillezeilen-Dienst nimmt manche USB-Seriell-Adapter beim Einstecken; ihn beenden "
     "oder, wo keine Braillezeile benutzt wird, entfernen"},
    {"gpsd",
     "the GPS service reads the serial ports it is given; stop it or tell it to leave this "
     "adapter alone",
     "der GPS-Dienst liest die seriellen Schnittstellen, die ihm genannt werden; ihn beenden "
     "oder ihm sagen, diesen Adapter in Ruhe zu lassen"},
};

const KnownTaker* knownTaker(const std::string& program) {
    for (const KnownTaker& taker : kKnownTakers) {
        if (program == taker.program) return &taker;
    }
    return nullptr;
}

// "in use by ModemManager (PID 812): it probes new serial ports; ..."
std::string inUseByKnownTaker(const KnownTaker& taker, long pid, int languageIndex) {
    const std::string holder = std::string(taker.program) + " (PID " + std::to_string(pid) + "): ";
    return english(languageIndex) ? "in use by " + holder + taker.english
                                  : "belegt von " + holder + taker.german;
}

std::string inUse(const OpenStatus& status, int languageIndex) {
    if (status.holderPid > 0) {
        if (const KnownTaker* taker = knownTaker(status.holderName))
            return inUseByKnownTaker(*taker, status.holderPid, languageIndex);
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
