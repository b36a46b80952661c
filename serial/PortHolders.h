// What the system tells of a terminal device beyond what an open shows: which
// other processes have it open, and whether it is one of the system's own
// terminals rather than a serial port.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "WinCOmmUnit.h"

namespace travik::backend {

using PortHolder = OtherProcess;

// What a look through the processes found for one device. A process whose
// open files this user may not read (another user's, root's daemons) is not
// known to leave the device alone: it is listed, never taken as "not there".
struct HolderScan {
    bool looked = false;               // false: the process list could not be read at all
    std::optional<PortHolder> holder;  // another process seen holding the device
    std::vector<long> unseen;          // processes whose open files could not be read
    // Those of `unseen` whose program is known to take serial ports.
    std::vector<PortHolder> unseenPortTakers;
};

// Looks for another process that has the character device `node` (the port's
// node as stat gives it) open: a pty slave of the same devpts instance, any
// other device by its number. A process that also holds the master side of
// the same pseudo-terminal is the device's own end, not a competitor, and is
// not reported. The look ends at
// the first holder found; `unseen` is complete only when there is none.
// `procRoot` is where the system's process folders are ("/proc").
HolderScan ScanPortHolders(const struct stat& node, const std::string& procRoot = "/proc");

// Program names (as the system keeps them, 15 bytes at most) of services that
// open serial ports by themselves: modem managers probing new ports, braille
// display and GPS daemons.
bool IsKnownPortTaker(const std::string& programName);

// The console, /dev/tty, the kernel's virtual consoles, the pseudo-terminal
// multiplexer and this process's controlling terminal.
bool IsSystemTerminal(dev_t device);

}  // namespace travik::backend
