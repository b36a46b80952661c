#include "WideText_win32.h"

#include <windows.h>

namespace travik {
namespace {

std::optional<std::wstring> widen(UINT codePage, DWORD flags, const std::string& text) {
    if (text.empty()) return std::wstring();
    if (text.find('\0') != std::string::npos) return std::nullopt;
    const int inLength = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), inLength, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), inLength, wide.data(), length);
    return wide;
}

std::string narrow(UINT codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    const int inLength = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), inLength, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::optional<std::wstring> WidenUtf8(const std::string& text) {
    return widen(CP_UTF8, MB_ERR_INVALID_CHARS, text);
}

std::string NarrowToUtf8(const std::wstring& text) {
    return narrow(CP_UTF8, text);
}

std::wstring WidenAnsi(const std::string& text) {
    std::string kept = text.substr(0, text.find('\0'));
    return widen(CP_ACP, 0, kept).value_or(std::wstring());
}

std::string NarrowToAnsi(const std::wstring& text) {
    return narrow(CP_ACP, text);
}

}  // namespace travik
