#include <csignal>

#include "StopSignals.h"

namespace travik {
namespace {

volatile std::sig_atomic_t caught = 0;

void noteSignal(int signalNumber) {
    if (caught == 0) caught = signalNumber;
    std::signal(signalNumber, noteSignal);  // the runtime resets the handler each time
}

}  // namespace

void CatchStopSignals() {
    std::signal(SIGINT, noteSignal);
    std::signal(SIGTERM, noteSignal);
}

int CaughtStopSignal() {
    return caught;
}

std::string StopSignalText(int signalNumber) {
    if (signalNumber == SIGINT) return "Interrupt";
    if (signalNumber == SIGTERM) return "Terminated";
    return "signal " + std::to_string(signalNumber);
}

}  // namespace travik
