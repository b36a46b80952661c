// On Windows the tests cannot make pseudo-terminals or start the simulator: under
// Wine, scripts/windows-test.sh starts simulators on ptys mapped to COM ports and
// names them in environment variables. These stand in for SimProcess and
// PtyDevice with those ports.
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "PtyDevice.h"
#include "SimProcess.h"

namespace {

std::string portFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') {
        throw std::runtime_error(std::string(variable) +
                                 " is not set: run the tests through scripts/windows-test.sh");
    }
    return value;
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> args, std::string) {
    if (args == std::vector<std::string>{"--fast"}) {
        portPath_ = portFromEnvironment("TRAVIK_TEST_SIM_PORT");
    } else if (args.empty()) {
        portPath_ = portFromEnvironment("TRAVIK_TEST_PACED_SIM_PORT");
    } else {
        throw std::runtime_error("no simulator with these options under Wine");
    }
}

SimProcess::~SimProcess() = default;

void SimProcess::stop() {}

bool SimProcess::running() {
    return true;
}

int SimProcess::exitStatus(int) {
    return -1;
}

// Only the port is there: the fast simulator's, which opens like any device.
PtyDevice::PtyDevice() : portPath_(portFromEnvironment("TRAVIK_TEST_SIM_PORT")) {}

PtyDevice::~PtyDevice() = default;

void PtyDevice::send(const std::string&) {
    throw std::logic_error("PtyDevice::send: no device side on Windows");
}

int PtyDevice::receiveByte(int) {
    throw std::logic_error("PtyDevice::receiveByte: no device side on Windows");
}

void PtyDevice::hangUp() {
    throw std::logic_error("PtyDevice::hangUp: no device side on Windows");
}
