#include "PrintableName.h"

#include <cstddef>

namespace travik {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool isC0OrDelete(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

// U+0080..U+009F, written in UTF-8 as C2 80..C2 9F.
bool isC1At(const std::string& text, std::size_t i) {
    if (i + 1 >= text.size() || static_cast<unsigned char>(text[i]) != 0xc2) return false;
    const auto next = static_cast<unsigned char>(text[i + 1]);
    return next >= 0x80 && next <= 0x9f;
}

std::string hexByte(unsigned char c) {
    return {kHexDigits[c >> 4], kHexDigits[c & 0x0f]};
}

std::string escapedC0OrDelete(unsigned char c) {
    switch (c) {
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            return "\\x" + hexByte(c);
    }
}

}  // namespace

std::string PrintableName(const std::string& name) {
    std::string shown;
    shown.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (isC0OrDelete(c)) {
            shown += escapedC0OrDelete(c);
        } else if (isC1At(name, i)) {
            shown += "\\u00" + hexByte(static_cast<unsigned char>(name[++i]));
        } else {
            shown += name[i];
        }
    }
    return shown;
}

}  // namespace travik
