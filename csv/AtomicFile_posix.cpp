#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <random>
#include <string>
#include <utility>

#include "AtomicFile.h"
#include "FileDescriptor.h"

namespace travik {
namespace {

// Links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;
constexpr int kMaxTempAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask when created
constexpr mode_t kPrivateMode = 0600;

// Removes the temporary file unless it was renamed into place.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void release() { path_.clear(); }

private:
    std::string path_;
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Follows a chain of symbolic links to the file they finally name, which need
// not exist yet (a dangling link names the file to create).
int resolveLinks(const std::string& path, std::string& target) {
    target = path;
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) return 0;
        std::string link(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0) return errno;
        link.resize(static_cast<std::size_t>(length));
        if (link.empty()) return ENOENT;
        target = link.front() == '/' ? link : folderOf(target) + "/" + link;
    }
    return ELOOP;
}

int writeAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return EIO;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return 0;
}

// A device or FIFO cannot be replaced by renaming: it gets the bytes itself.
// Opened without blocking so that a FIFO nobody reads fails (ENXIO) instead
// of hanging, then switched back to blocking writes.
int writeDirectly(const std::string& target, const std::string& bytes) {
    FileDescriptor fd(
        ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return errno;
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return errno;
    if (const int error = writeAll(fd.get(), bytes)) return error;
    return fd.close();
}

std::string tempNameCandidate(const std::string& folder) {
    static const char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    std::mt19937 pick(entropy() ^ counter++);
    std::uniform_int_distribution<int> letter(0, sizeof(kLetters) - 2);
    std::string name = folder + "/.travik-";
    for (int i = 0; i < 8; ++i) name += kLetters[letter(pick)];
    return name + ".tmp";
}

// Creates a new, uniquely named file in `folder`; O_EXCL makes the name ours.
int createTempFile(const std::string& folder, mode_t mode, FileDescriptor& fd, std::string& path) {
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        path = tempNameCandidate(folder);
        fd.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.valid()) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// The replacement keeps the replaced file's permissions and, where allowed, its owner.
int takeOverAttributes(int fd, const struct stat& existing) {
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        // Only the owner's group or root may change this; the file stays ours.
    }
    return ::fchmod(fd, existing.st_mode & 07777) == 0 ? 0 : errno;
}

// Makes the rename itself durable; a failure here loses nothing already written.
void syncFolder(const std::string& folder) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

int replaceRegularFile(const std::string& target, const std::string& bytes,
                       const struct stat* existing) {
    // A file the user may not write stays as it is, as an in-place write would.
    if (existing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return errno;

    const std::string folder = folderOf(target);
    FileDescriptor fd;
    std::string tempPath;
    const mode_t mode = existing ? kPrivateMode : kNewFileMode;
    if (const int error = createTempFile(folder, mode, fd, tempPath)) return error;
    TempFileGuard guard(tempPath);

    if (const int error = writeAll(fd.get(), bytes)) return error;
    if (existing) {
        if (const int error = takeOverAttributes(fd.get(), *existing)) return error;
    }
    if (::fsync(fd.get()) != 0) return errno;
    if (const int error = fd.close()) return error;
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return errno;
    guard.release();
    syncFolder(folder);
    return 0;
}

}  // namespace

int WriteFileAtomically(const std::string& path, const std::string& bytes) {
    if (path.empty()) return ENOENT;
    std::string target;
    if (const int error = resolveLinks(path, target)) return error;

    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) return errno;
        return replaceRegularFile(target, bytes, nullptr);
    }
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return writeDirectly(target, bytes);
    return replaceRegularFile(target, bytes, &st);
}

}  // namespace travik
