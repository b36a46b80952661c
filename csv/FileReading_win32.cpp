#include <windows.h>

#include "FileHandle_win32.h"
#include "ReadoutFile.h"
#include "WideText_win32.h"

namespace travik {
namespace {

ReadFileResult refused(FileRefusal refusal, const char* step, DWORD code) {
    ReadFileResult result;
    result.refusal = refusal;
    if (code != 0) result.status = Status::SystemFailure(step, static_cast<int>(code));
    return result;
}

FileRefusal refusalForError(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return FileRefusal::Gone;
        default:
            return FileRefusal::Unreadable;
    }
}

// A name the system gives to a device rather than to a file ("COM1", "NUL",
// "\\.\COM9"): its full path is in the device namespace.
bool namesADevice(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return false;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return false;
    return full.rfind(L"\\\\.\\", 0) == 0;
}

}  // namespace

ReadFileResult ReadWholeFile(const std::string& path, std::size_t limit) {
    const std::optional<std::wstring> wide = WidenUtf8(path);
    if (!wide) return refused(FileRefusal::Gone, "open", ERROR_INVALID_NAME);
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        return refused(refusalForError(code), "open", code);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return refused(FileRefusal::Folder, "open", 0);
    // Looked at before opening: opening a serial port switches its control lines.
    if ((attributes & FILE_ATTRIBUTE_DEVICE) || namesADevice(*wide))
        return refused(FileRefusal::NotAReadout, "open", 0);
    FileHandle file(CreateFileW(wide->c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        return refused(refusalForError(code), "open", code);
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        return refused(FileRefusal::NotAReadout, "open", 0);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        return refused(FileRefusal::Unreadable, "size", GetLastError());
    if (static_cast<unsigned long long>(size.QuadPart) > limit)
        return refused(FileRefusal::TooLarge, "open", 0);

    ReadFileResult result;
    result.bytes.resize(limit + 1);
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &result.bytes[filled],
                      static_cast<DWORD>(result.bytes.size() - filled), &got, nullptr))
            return refused(FileRefusal::Unreadable, "read", GetLastError());
        if (got == 0) break;
        filled += got;
    }
    if (filled > limit) return refused(FileRefusal::TooLarge, "read", 0);
    result.bytes.resize(filled);
    if (filled == 0) result.refusal = FileRefusal::Empty;
    return result;
}

}  // namespace travik
