#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "Status.h"

namespace travik {

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

// The system's text in the user's language, as UTF-8 like every text the
// program shows.
std::string SystemErrorText(int code) {
    wchar_t wide[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, wide, sizeof wide / sizeof wide[0], nullptr);
    std::string message;
    if (length > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                             nullptr, nullptr);
        message.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), message.data(), size,
                            nullptr, nullptr);
    }
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    if (message.empty()) message = "error " + std::to_string(code);
    return message;
}

}  // namespace travik
