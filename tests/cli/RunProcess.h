// Runs a program to its end and collects what it printed and its exit status.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

struct ProcessOutput {
    int status = -1;         // exit status, or 128 + signal
    bool signalled = false;  // a signal ended the process (it did not exit by itself)
    std::string out;
    std::string err;
};

struct ProcessLimits {
    long fileSizeLimit = -1;      // RLIMIT_FSIZE in bytes (SIGXFSZ ignored), -1 for none
    bool closeStdout = false;     // start the program with descriptor 1 closed
    bool closeStderr = false;     // start the program with descriptor 2 closed
    std::string stderrPath;       // when set, standard error is this file (a terminal, say)
    bool asOrdinaryUser = false;  // run as kOrdinaryUser when the tests run as root
};

ProcessOutput RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessLimits& limits = {});

// A program started and left running, for tests that act while it runs.
class RunningProcess {
public:
    RunningProcess(const std::string& program, const std::vector<std::string>& args,
                   const ProcessLimits& limits = {});
    ~RunningProcess();  // kills and reaps a process still running
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Collects standard output until it holds at least `bytes` bytes, the
    // output ends, or `timeoutMs` passes; true when the bytes are there.
    bool waitForOutput(std::size_t bytes, int timeoutMs);
    void sendSignal(int signalNumber);
    // Collects the rest of the output and waits for the end.
    ProcessOutput finish();

private:
    bool drainOnce(int timeoutMs);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ProcessOutput output_;
};
