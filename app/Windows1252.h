// The device's 8-bit text (Windows code page 1252) turned into Unicode for the screen.
#pragma once

#include <string>
#include <string_view>

namespace travik {

// The Unicode code point of one Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own value.
char16_t Windows1252ToUnicode(unsigned char byte);

// Every byte of `bytes` as one UTF-16 code unit (the code page lies in the BMP).
std::u16string DecodeWindows1252(std::string_view bytes);

}  // namespace travik
