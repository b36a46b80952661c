// Why an operation failed: the step that failed, the system's error code and
// its text, kept together so that whoever reports the failure can say why.
#pragma once

#include <string>

namespace travik {

// The calling thread's last system error: errno on POSIX, GetLastError() on Windows.
int LastSystemError();

// The system's own text for an error code (strerror / FormatMessage), without
// a trailing full stop or line end.
std::string SystemErrorText(int code);

class Status {
public:
    Status() = default;  // success

    // A failed step and the system's code; the reason is the system's text for it.
    static Status SystemFailure(std::string step, int code);
    // A failed step whose reason is the program's own ("not a serial port").
    static Status Failure(std::string step, int code, std::string reason);

    bool ok() const { return !failed_; }
    const std::string& step() const { return step_; }
    int code() const { return code_; }
    const std::string& reason() const { return reason_; }

    // "step: reason", for standard error and logs; empty on success.
    std::string describe() const;

private:
    bool failed_ = false;
    std::string step_;
    int code_ = 0;
    std::string reason_;
};

}  // namespace travik
