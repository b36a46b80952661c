// Text for the wide-character Windows calls. Paths are UTF-8 in the program
// (as the file dialog and the settings code hand them over) and UTF-16 for the
// system, so that names outside the ANSI code page open as they are.
#pragma once

#include <optional>
#include <string>

namespace travik {

// UTF-8 to UTF-16; nothing when `text` is not valid UTF-8 or holds a NUL.
std::optional<std::wstring> WidenUtf8(const std::string& text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string NarrowToUtf8(const std::wstring& text);

// The same two in the ANSI code page, for 8-bit values such as port names.
std::wstring WidenAnsi(const std::string& text);
std::string NarrowToAnsi(const std::wstring& text);

}  // namespace travik
