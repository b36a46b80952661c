// Signals that ask a running readout to stop (SIGINT, SIGTERM and, on POSIX,
// SIGHUP). The handler only notes the signal; the readout asks for it between
// bytes and ends through its normal path, so the port is closed as always.
#pragma once

#include <string>

namespace travik {

// Installs the handler for the stop signals.
void CatchStopSignals();

// The number of the first stop signal caught since CatchStopSignals, or 0.
int CaughtStopSignal();

// A short description of a signal ("Terminated").
std::string StopSignalText(int signalNumber);

}  // namespace travik
