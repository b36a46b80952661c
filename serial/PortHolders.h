// What the system tells of a terminal device beyond what an open shows: which
// other processes have it open, and whether it is one of the system's own
// terminals rather than a serial port.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace travik::backend {

struct PortHolder {
    long pid = 0;
    std::string name;  // the program's name, as the system keeps it
};

// Another process that has the character device `device` open, if one can be
// seen. A process that also holds the master side of the same pseudo-terminal
// is the device's own end, not a competitor, and is not reported.
std::optional<PortHolder> FindOtherHolder(dev_t device);

// The console, /dev/tty, the kernel's virtual consoles, the pseudo-terminal
// multiplexer and this process's controlling terminal.
bool IsSystemTerminal(dev_t device);

}  // namespace travik::backend
