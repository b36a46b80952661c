// On Windows the tests cannot make pseudo-terminals or start the simulator: under
// Wine, scripts/windows-test.sh starts simulators on ptys mapped to COM ports and
// names them in environment variables (a fast one, a paced one, a silent one,
// and one answering with a file the tests write). These stand in for SimProcess
// and PtyDevice with those ports.
#include <cstdlib>
#include <fstream>
#include <iterator>
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

// The simulator on TRAVIK_TEST_REPLY_SIM_PORT reads the file named by
// TRAVIK_TEST_REPLY_FILE again at each command: the test's reply goes there.
void handReplyToTheScriptsSimulator(const std::string& replyFile) {
    std::ifstream in(replyFile, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::ofstream out(portFromEnvironment("TRAVIK_TEST_REPLY_FILE"),
                      std::ios::binary | std::ios::trunc);
    if (!in || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
        throw std::runtime_error("cannot hand " + replyFile + " to the reply simulator");
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> args, std::string) {
    using Args = std::vector<std::string>;
    if (args == Args{"--fast"}) {
        portPath_ = portFromEnvironment("TRAVIK_TEST_SIM_PORT");
    } else if (args.empty()) {
        portPath_ = portFromEnvironment("TRAVIK_TEST_PACED_SIM_PORT");
    } else if (args == Args{"--silent"}) {
        portPath_ = portFromEnvironment("TRAVIK_TEST_SILENT_SIM_PORT");
    } else if (args.size() == 3 && args[0] == "--fast" && args[1] == "--reply-file") {
        handReplyToTheScriptsSimulator(args[2]);
        portPath_ = portFromEnvironment("TRAVIK_TEST_REPLY_SIM_PORT");
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
