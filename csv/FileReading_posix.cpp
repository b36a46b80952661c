#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileDescriptor.h"
#include "ReadoutFile.h"

namespace travik {
namespace {

ReadFileResult refused(FileRefusal refusal, const char* step, int code) {
    ReadFileResult result;
    result.refusal = refusal;
    if (code != 0) result.status = Status::SystemFailure(step, code);
    return result;
}

FileRefusal refusalForError(int code) {
    switch (code) {
        case ENOENT:
        case ENOTDIR:
            return FileRefusal::Gone;
        case EISDIR:
            return FileRefusal::Folder;
        default:
            return FileRefusal::Unreadable;
    }
}

// What a file that is no regular file is refused as, or None for a regular one.
FileRefusal refusalForType(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return FileRefusal::Folder;
    if (!S_ISREG(info.st_mode)) return FileRefusal::NotAReadout;
    return FileRefusal::None;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

ReadFileResult ReadWholeFile(const std::string& path, std::size_t limit) {
    // Looked at before opening: opening a serial port switches its control
    // lines (which resets some devices), opening a watchdog starts it.
    struct stat checked {};
    if (::stat(path.c_str(), &checked) != 0) return refused(refusalForError(errno), "stat", errno);
    if (const FileRefusal refusal = refusalForType(checked); refusal != FileRefusal::None)
        return refused(refusal, "stat", 0);
    // Should the name have been given to a FIFO or a device meanwhile, the
    // open still neither waits nor makes it the controlling terminal.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) return refused(refusalForError(errno), "open", errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return refused(FileRefusal::Unreadable, "fstat", errno);
    if (const FileRefusal refusal = refusalForType(info); refusal != FileRefusal::None)
        return refused(refusal, "open", 0);
    if (!sameFile(info, checked)) return refused(FileRefusal::Gone, "open", 0);
    if (static_cast<unsigned long long>(info.st_size) > limit)
        return refused(FileRefusal::TooLarge, "open", 0);

    ReadFileResult result;
    // One byte beyond the limit tells a file that grew meanwhile.
    result.bytes.resize(limit + 1);
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        const ssize_t got = ::read(fd.get(), &result.bytes[filled], result.bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return refused(FileRefusal::Unreadable, "read", errno);
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > limit) return refused(FileRefusal::TooLarge, "read", 0);
    result.bytes.resize(filled);
    if (filled == 0) result.refusal = FileRefusal::Empty;
    return result;
}

}  // namespace travik
