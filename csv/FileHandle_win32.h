// An open Windows file handle, closed when the owner goes.
#pragma once

#include <windows.h>

namespace travik {

class FileHandle {
public:
    explicit FileHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~FileHandle() {
        if (valid()) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE h) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }
    // Closes now and reports the close's own error.
    int close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) ? 0 : static_cast<int>(GetLastError());
    }

private:
    HANDLE h_;
};

}  // namespace travik
