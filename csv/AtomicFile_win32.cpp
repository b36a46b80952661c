#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "AtomicFile.h"
#include "FileHandle_win32.h"
#include "WideText_win32.h"

namespace travik {
namespace {

constexpr int kMaxTempAttempts = 100;
// WriteFile takes a DWORD count; large contents go in pieces.
constexpr std::size_t kMaxChunk = 1u << 30;

// Removes the temporary file unless it was moved into place.
class TempFileGuard {
public:
    explicit TempFileGuard(std::wstring path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void release() { path_.clear(); }

private:
    std::wstring path_;
};

int lastError() {
    return static_cast<int>(GetLastError());
}

// The folder part of `path`, ready to have a file name appended ("" for the
// current folder, "C:" for a drive's current folder).
std::wstring folderPrefix(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) return path.substr(0, slash + 1);
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
    return std::wstring();
}

int writeAll(HANDLE h, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(left < kMaxChunk ? left : kMaxChunk);
        DWORD written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr)) return lastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        data += written;
        left -= written;
    }
    return 0;
}

// A device cannot be replaced by moving a file over it: it gets the bytes itself.
int writeDirectly(const std::wstring& target, std::string_view bytes) {
    FileHandle h(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return lastError();
    if (const int error = writeAll(h.get(), bytes)) return error;
    return h.close();
}

// What an existing target is: a device, or the file a link finally names.
struct TargetInfo {
    bool device = false;
    bool otherNames = false;  // a file with hard links besides this name
    std::wstring path;
};

TargetInfo inspectTarget(const std::wstring& path) {
    TargetInfo info;
    info.path = path;
    // Opened for no access at all, only to ask what it is; links are followed.
    FileHandle probe(CreateFileW(path.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.valid()) return info;
    if (GetFileType(probe.get()) != FILE_TYPE_DISK) {
        info.device = true;
        return info;
    }
    BY_HANDLE_FILE_INFORMATION about{};
    info.otherNames = GetFileInformationByHandle(probe.get(), &about) && about.nNumberOfLinks > 1;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        wchar_t finalPath[MAX_PATH * 4];
        const DWORD capacity = MAX_PATH * 4;
        const DWORD length =
            GetFinalPathNameByHandleW(probe.get(), finalPath, capacity, FILE_NAME_NORMALIZED);
        if (length > 0 && length < capacity) info.path.assign(finalPath, length);
    }
    return info;
}

std::wstring tempNameCandidate(const std::wstring& folder, unsigned attempt) {
    wchar_t name[64];
    std::swprintf(name, 64, L".travik-%lx-%lx.tmp",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetTickCount() + attempt));
    return folder + name;
}

int createTempFile(const std::wstring& folder, FileHandle& h, std::wstring& path) {
    for (unsigned attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        path = tempNameCandidate(folder, attempt);
        h.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (h.valid()) return 0;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return static_cast<int>(error);
        }
    }
    return ERROR_FILE_EXISTS;
}

// A file with more than one name (a hard link) keeps its identity, so that
// every name sees the new content: it is rewritten in place, after the same
// bytes went to a temporary file (a full disk fails before the file is touched).
int rewriteInPlace(const std::wstring& target, std::string_view bytes) {
    FileHandle h(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return lastError();
    if (const int error = writeAll(h.get(), bytes)) return error;
    if (!FlushFileBuffers(h.get())) return lastError();
    return h.close();
}

int replaceFile(const std::wstring& target, std::string_view bytes, bool otherNames) {
    FileHandle h;
    std::wstring tempPath;
    if (const int error = createTempFile(folderPrefix(target), h, tempPath)) return error;
    TempFileGuard guard(tempPath);

    if (const int error = writeAll(h.get(), bytes)) return error;
    if (!FlushFileBuffers(h.get())) return lastError();
    if (const int error = h.close()) return error;
    if (otherNames) return rewriteInPlace(target, bytes);  // the guard removes the copy
    if (!MoveFileExW(tempPath.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return lastError();
    }
    guard.release();
    return 0;
}

int writeFileAtomically(const std::string& utf8Path, std::string_view bytes) {
    if (utf8Path.empty()) return ERROR_PATH_NOT_FOUND;
    const std::optional<std::wstring> widePath = WidenUtf8(utf8Path);
    if (!widePath) return ERROR_INVALID_NAME;
    const std::wstring& path = *widePath;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Neither a folder nor a read-only file may be replaced, as a direct write would fail.
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
            return ERROR_ACCESS_DENIED;
        }
    }
    const TargetInfo target = inspectTarget(path);
    if (target.device) return writeDirectly(path, bytes);
    return replaceFile(target.path, bytes, target.otherNames);
}

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const int error = writeFileAtomically(path, bytes);
    if (error == 0) return {};
    return Status::SystemFailure("write", error);
}

}  // namespace travik
