// Runs a program to its end and collects what it printed and its exit status.
#pragma once

#include <string>
#include <vector>

struct ProcessOutput {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

struct ProcessLimits {
    long fileSizeLimit = -1;  // RLIMIT_FSIZE in bytes (SIGXFSZ ignored), -1 for none
};

ProcessOutput RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessLimits& limits = {});
