#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "SettingsFormat.h"

namespace travik {

namespace {

// A settings file beyond this is not ours: reading uses its beginning, writing
// refuses to touch it.
constexpr std::size_t kMaxSettingsFileBytes = std::size_t{16} * 1024 * 1024;

struct FileBytes {
    int error = 0;  // errno of the failing step; 0 when read
    std::string bytes;
    bool truncated = false;  // the file holds more than the limit
};

int ReadAll(int fd, std::size_t limit, FileBytes& file) {
    char chunk[64 * 1024];
    while (file.bytes.size() <= limit) {
        const ssize_t count = read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) return 0;
        file.bytes.append(chunk, static_cast<std::size_t>(count));
    }
    file.bytes.resize(limit);
    file.truncated = true;
    return 0;
}

// Reads at most `limit` bytes of a regular file. Opening never blocks, also
// when a FIFO sits at the path.
FileBytes ReadRegularFile(const std::string& path, std::size_t limit) {
    FileBytes file;
    const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        file.error = errno;
        return file;
    }
    struct stat status {};
    if (fstat(fd.get(), &status) != 0) {
        file.error = errno;
    } else if (S_ISDIR(status.st_mode)) {
        file.error = EISDIR;
    } else if (!S_ISREG(status.st_mode)) {
        file.error = EINVAL;
    } else {
        file.error = ReadAll(fd.get(), limit, file);
    }
    return file;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Creates every missing folder of `folder`, private to the user.
int CreateFolders(const std::string& folder) {
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = folder.find('/', end + 1);
        const std::string prefix = folder.substr(0, end);
        if (IsFolder(prefix)) continue;
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return IsFolder(folder) ? 0 : ENOTDIR;
}

int CreateFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return 0;
    return CreateFolders(path.substr(0, slash));
}

}  // namespace

StoredSettings ReadSettings(const std::string& path) {
    const FileBytes file = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (file.error != 0) return StoredSettings{};
    if (file.truncated) {
        return SettingsFromIni(IniFile::parse(std::string(DropIncompleteLastLine(file.bytes))));
    }
    return SettingsFromIni(IniFile::parse(file.bytes));
}

Status WriteSettings(const std::string& path, const StoredSettings& settings) {
    FileBytes existing = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (existing.error == ENOENT) existing = FileBytes{};
    if (existing.error != 0) return Status::SystemFailure("read", existing.error);
    if (existing.truncated) return Status::SystemFailure("read", EFBIG);

    IniFile ini = IniFile::parse(existing.bytes, "\n");
    if (!StoreSettingsInIni(ini, settings))
        return Status::Failure("store", EINVAL, "a value cannot be stored in the file");
    if (const int error = CreateFolderOf(path))
        return Status::SystemFailure("create folder", error);
    return WriteFileAtomically(path, ini.text());
}

std::string ReadSettingValue(const std::string& path, const char* section, const std::string& key) {
    const FileBytes file = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (file.error != 0) return std::string();
    const std::string text =
        file.truncated ? std::string(DropIncompleteLastLine(file.bytes)) : file.bytes;
    return IniFile::parse(text).value(section, key).value_or("");
}

Status WriteSettingValue(const std::string& path, const char* section, const std::string& key,
                         const std::string& value) {
    FileBytes existing = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (existing.error == ENOENT) existing = FileBytes{};
    if (existing.error != 0) return Status::SystemFailure("read", existing.error);
    if (existing.truncated) return Status::SystemFailure("read", EFBIG);

    IniFile ini = IniFile::parse(existing.bytes, "\n");
    if (value.empty()) {
        ini.removeKey(section, key);
    } else if (!ini.setValue(section, key, value)) {
        return Status::Failure("store", EINVAL, "a value cannot be stored in the file");
    }
    if (const int error = CreateFolderOf(path))
        return Status::SystemFailure("create folder", error);
    return WriteFileAtomically(path, ini.text());
}

}  // namespace travik
