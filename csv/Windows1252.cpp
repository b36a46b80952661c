#include "Windows1252.h"

namespace travik {
namespace {

// 0x80..0x9F; everything else equals its Latin-1 code point.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

}  // namespace

char16_t Windows1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return static_cast<char16_t>(byte);
}

std::u16string DecodeWindows1252(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = Windows1252ToUnicode(static_cast<unsigned char>(bytes[i]));
    return text;
}

std::u16string TerminalViewText(std::string_view bytes, std::size_t& lineLength) {
    std::u16string text;
    text.reserve(bytes.size() + bytes.size() / kViewLineLength);
    for (const char byte : bytes) {
        if (byte == '\r') {
            text += u'\n';
            lineLength = 0;
            continue;
        }
        if (lineLength == kViewLineLength) {
            text += u'\n';
            lineLength = 0;
        }
        text += Windows1252ToUnicode(static_cast<unsigned char>(byte));
        ++lineLength;
    }
    return text;
}

}  // namespace travik
