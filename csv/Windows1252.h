// The device's 8-bit text (Windows code page 1252) turned into Unicode for the screen.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace travik {

// The Unicode code point of one Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own value.
char16_t Windows1252ToUnicode(unsigned char byte);

// Every byte of `bytes` as one UTF-16 code unit (the code page lies in the BMP).
std::u16string DecodeWindows1252(std::string_view bytes);

// Lines longer than this go on in the next line of the terminal view: a line
// is laid out whole whenever the view shows it, and a crafted line of a
// million bytes would take seconds each time. A device's lines are far shorter.
inline constexpr std::size_t kViewLineLength = 1024;

// `bytes` of the terminal text for the view: decoded, each CR a line break,
// and a break after every kViewLineLength characters of one line.
// `lineLength` is the length of the view's last line before, and after.
std::u16string TerminalViewText(std::string_view bytes, std::size_t& lineLength);

}  // namespace travik
