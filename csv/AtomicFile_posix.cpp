#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "AtomicFile.h"
#include "FileDescriptor.h"

namespace travik {
namespace {

Status failed(const char* step, int code) {
    return Status::SystemFailure(step, code);
}

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

bool isSharedStickyFolder(const struct stat& folder) {
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
}

// In a folder everyone may write to and only owners may delete from (/tmp),
// anyone can plant a link under a name another user will save to. As the
// kernel does, such a link is followed only when it belongs to the user
// saving or to the folder's owner.
Status checkLinkMayBeFollowed(const std::string& link, const struct stat& linkInfo) {
    if (linkInfo.st_uid == ::geteuid()) return {};
    struct stat folder;
    if (::stat(folderOf(link).c_str(), &folder) != 0) return failed("look up", errno);
    if (!isSharedStickyFolder(folder) || linkInfo.st_uid == folder.st_uid) return {};
    return failed("follow link", EACCES);
}

// Follows a chain of symbolic links to the file they finally name, which need
// not exist yet (a dangling link names the file to create).
Status resolveLinks(const std::string& path, std::string& target) {
    target = path;
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0)
            return errno == ENOENT ? Status() : failed("look up", errno);
        if (!S_ISLNK(st.st_mode)) return {};
        if (Status allowed = checkLinkMayBeFollowed(target, st); !allowed.ok()) return allowed;
        std::string link(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0) return failed("read link", errno);
        link.resize(static_cast<std::size_t>(length));
        if (link.empty()) return failed("read link", ENOENT);
        if (link.front() != '/') link.insert(0, folderOf(target) + '/');
        target = link;
    }
    return failed("follow links", ELOOP);
}

Status writeAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return failed("write", errno);
        }
        if (written == 0) return failed("write", EIO);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return {};
}

// A device or FIFO cannot be replaced by renaming: it gets the bytes itself.
// Opened without blocking so that a FIFO nobody reads fails (ENXIO) instead
// of hanging, then switched back to blocking writes.
Status writeDirectly(const std::string& target, std::string_view bytes) {
    FileDescriptor fd(
        ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return failed("open", errno);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return failed("open", errno);
    if (Status written = writeAll(fd.get(), bytes); !written.ok()) return written;
    if (const int error = fd.close()) return failed("close", error);
    return {};
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
Status createTempFile(const std::string& folder, mode_t mode, FileDescriptor& fd,
                      std::string& path) {
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        path = tempNameCandidate(folder);
        fd.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.valid()) return {};
        if (errno != EEXIST) return failed("create", errno);
    }
    return failed("create", EEXIST);
}

// The replacement keeps the replaced file's permissions and, where allowed, its owner.
Status takeOverAttributes(int fd, const struct stat& existing) {
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        // Only the owner's group or root may change this; the file stays ours.
    }
    if (::fchmod(fd, existing.st_mode & 07777) != 0) return failed("set permissions", errno);
    return {};
}

// Makes the rename itself durable; a failure here loses nothing already written.
void syncFolder(const std::string& folder) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

Status syncAndClose(FileDescriptor& fd) {
    if (::fsync(fd.get()) != 0) return failed("sync", errno);
    if (const int error = fd.close()) return failed("close", error);
    return {};
}

bool hasOtherNames(const struct stat* existing) {
    return existing && existing->st_nlink > 1;
}

// A file with more than one name (a hard link) keeps its identity, so that
// every name sees the new content: it is rewritten in place. The caller has
// written the same bytes to a temporary file first, so a write that cannot
// succeed (a full disk, a size limit) fails before the file is touched.
Status rewriteInPlace(const std::string& target, std::string_view bytes) {
    FileDescriptor fd(
        ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return failed("open", errno);
    if (Status written = writeAll(fd.get(), bytes); !written.ok()) return written;
    return syncAndClose(fd);
}

Status replaceRegularFile(const std::string& target, std::string_view bytes,
                          const struct stat* existing) {
    // A file the user may not write stays as it is, as an in-place write would.
    if (existing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return failed("open", errno);

    const std::string folder = folderOf(target);
    FileDescriptor fd;
    std::string tempPath;
    const mode_t mode = existing ? kPrivateMode : kNewFileMode;
    if (Status created = createTempFile(folder, mode, fd, tempPath); !created.ok()) return created;
    TempFileGuard guard(tempPath);

    if (Status written = writeAll(fd.get(), bytes); !written.ok()) return written;
    if (existing) {
        if (Status taken = takeOverAttributes(fd.get(), *existing); !taken.ok()) return taken;
    }
    if (Status closed = syncAndClose(fd); !closed.ok()) return closed;
    // The temporary file goes with the guard once the content is in place.
    if (hasOtherNames(existing)) return rewriteInPlace(target, bytes);
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return failed("rename", errno);
    guard.release();
    syncFolder(folder);
    return {};
}

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) return failed("open", ENOENT);
    std::string target;
    if (Status resolved = resolveLinks(path, target); !resolved.ok()) return resolved;

    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) return failed("look up", errno);
        return replaceRegularFile(target, bytes, nullptr);
    }
    if (S_ISDIR(st.st_mode)) return failed("open", EISDIR);
    if (!S_ISREG(st.st_mode)) return writeDirectly(target, bytes);
    return replaceRegularFile(target, bytes, &st);
}

}  // namespace travik
