#include <cerrno>
#include <cstring>
#include <string>
#include <type_traits>

#include "Status.h"

namespace travik {

int LastSystemError() {
    return errno;
}

std::string SystemErrorText(int code) {
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const auto text = [&](auto result) -> std::string {
        if constexpr (std::is_same_v<decltype(result), char*>) {
            return result ? result : "";
        } else {
            return result == 0 ? buffer : "";
        }
    };
    std::string message = text(strerror_r(code, buffer, sizeof buffer));
    if (message.empty()) message = "error " + std::to_string(code);
    return message;
}

}  // namespace travik
