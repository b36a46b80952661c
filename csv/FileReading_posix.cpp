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

FileRefusal refusalForOpenError(int code) {
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

}  // namespace

ReadFileResult ReadWholeFile(const std::string& path, std::size_t limit) {
    // Not blocking: a FIFO must not wait for a writer; a device opens as no file.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) return refused(refusalForOpenError(errno), "open", errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return refused(FileRefusal::Unreadable, "fstat", errno);
    if (S_ISDIR(info.st_mode)) return refused(FileRefusal::Folder, "open", 0);
    if (!S_ISREG(info.st_mode)) return refused(FileRefusal::NotAReadout, "open", 0);
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
