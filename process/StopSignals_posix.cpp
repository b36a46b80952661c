#include <signal.h>

#include <cstring>

#include "StopSignals.h"

namespace travik {
namespace {

volatile sig_atomic_t caught = 0;

void noteSignal(int signalNumber) {
    if (caught == 0) caught = signalNumber;
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write blocked on a stalled pipe ends too.
    action.sa_flags = 0;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

int CaughtStopSignal() {
    return caught;
}

std::string StopSignalText(int signalNumber) {
    const char* text = strsignal(signalNumber);
    return text ? text : "signal " + std::to_string(signalNumber);
}

}  // namespace travik
