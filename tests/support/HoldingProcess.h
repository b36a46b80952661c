// Another program that has a port open: `sleep` holding the path as its
// standard input, started by the tests' own user (root, when the tests run as
// root) and ended when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

#include "TempDir.h"

class HoldingProcess {
public:
    // `programName`: the name the system keeps for the program (a link of that
    // name to `sleep` is run), "sleep" for `sleep` itself.
    explicit HoldingProcess(const std::string& path, const std::string& programName = "sleep");
    ~HoldingProcess();
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& programName() const { return name_; }
    // True once the program runs under its name with the port open.
    bool waitUntilHolding() const;
    // True when another process of the same name runs (a real service, say),
    // which a test that names the holder would name too.
    bool namesakeRuns() const;

private:
    std::string path_;
    std::string name_;
    TempDir linkFolder_;
    pid_t pid_ = -1;
};

// The warning about port takers that could not be checked names every known
// taker an ordinary user cannot look into, on the whole machine: also the
// holders of tests run beside this one. `text` with each list of takers that
// names `own` ("PID 812 (ModemManager)") cut to `own` alone (English texts,
// whose words do not change with the number named).
std::string WithOnlyTaker(const std::string& text, const std::string& own);
