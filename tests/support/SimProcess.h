// The device simulator (travik-sim) as a child process of a test: started with
// the given options, its port path read from its first line of output, stopped
// with SIGTERM and reaped when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#ifdef TRAVIK_SIM_PATH
#define TRAVIK_SIM_DEFAULT_PROGRAM TRAVIK_SIM_PATH
#else
#define TRAVIK_SIM_DEFAULT_PROGRAM ""
#endif

// On Windows the simulators are those scripts/windows-test.sh started (see
// WinePorts_win32.cpp): a test that needs other options, or plays the device
// itself, cannot run there and says why.
#ifdef _WIN32
#define TRAVIK_SKIP_ON_WINDOWS(reason) GTEST_SKIP() << (reason)
#else
#define TRAVIK_SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

class SimProcess {
public:
    // Starts `program` with `args` and waits (at most 10 s) for the port path.
    // Throws std::runtime_error when it cannot start or prints no path.
    explicit SimProcess(std::vector<std::string> args,
                        std::string program = TRAVIK_SIM_DEFAULT_PROGRAM);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& portPath() const { return portPath_; }

    // Sends SIGTERM and waits for the end (SIGKILL after 5 s).
    void stop();
    // False once the process has ended (it is then reaped).
    bool running();
    // Waits up to `timeoutMs` for the end. The exit code, 128 + the signal's
    // number when a signal ended it, or -1 when it is still running.
    int exitStatus(int timeoutMs = 5000);

private:
    void readPortPath(int fd);
    bool reap(bool wait);

    pid_t pid_ = -1;
    int status_ = -1;
    std::string portPath_;
};
