// A saved file's text as the program's own: the device's 8-bit code page
// (Windows-1252), whatever the file was written in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace travik {

enum class TextEncoding {
    Windows1252,  // the device's and the export's bytes, kept as they are
    Utf8,         // with or without its byte order mark
    Utf16,        // little or big endian, told by the byte order mark
};

struct FileText {
    TextEncoding encoding = TextEncoding::Windows1252;
    std::string text;  // Windows-1252
    // Characters the code page has no place for (and broken sequences), each
    // written as "?".
    std::size_t replaced = 0;
};

// UTF-16 (little or big endian) and UTF-8 by their byte order marks; without
// one, bytes that are valid UTF-8 and hold at least one character above ASCII
// are UTF-8; anything else is Windows-1252 already.
FileText DecodeFileText(std::string_view bytes);

}  // namespace travik
