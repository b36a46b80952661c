#include "FileText.h"

#include <cstdint>

#include "Utf8Sequence.h"
#include "Windows1252.h"

namespace travik {
namespace {

constexpr char kUnknown = '?';

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// Appends code point `c` as its Windows-1252 byte, or "?" when it has none.
void appendAs1252(FileText& out, char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out.text += static_cast<char>(static_cast<unsigned char>(c));
        return;
    }
    for (unsigned byte = 0x80; byte < 0xA0; ++byte) {
        if (Windows1252ToUnicode(static_cast<unsigned char>(byte)) == c) {
            out.text += static_cast<char>(byte);
            return;
        }
    }
    out.text += kUnknown;
    ++out.replaced;
}

bool isUtf8WithNonAscii(std::string_view bytes) {
    bool nonAscii = false;
    char32_t c = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, at, c);
        if (length == 0) return false;
        nonAscii = nonAscii || length > 1;
        at += length;
    }
    return nonAscii;
}

FileText fromUtf8(std::string_view bytes) {
    FileText out;
    out.encoding = TextEncoding::Utf8;
    out.text.reserve(bytes.size());
    char32_t c = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, at, c);
        if (length == 0) {
            out.text += kUnknown;
            ++out.replaced;
            ++at;
            continue;
        }
        appendAs1252(out, c);
        at += length;
    }
    return out;
}

FileText fromUtf16(std::string_view bytes, bool bigEndian) {
    FileText out;
    out.encoding = TextEncoding::Utf16;
    out.text.reserve(bytes.size() / 2);
    const auto unitAt = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        const char32_t unit = unitAt(at);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && at + 3 < bytes.size()) {
            const char32_t low = unitAt(at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendAs1252(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        // A lone half of a pair has no character.
        appendAs1252(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    if (at < bytes.size()) {  // an odd byte at the end
        out.text += kUnknown;
        ++out.replaced;
    }
    return out;
}

}  // namespace

FileText DecodeFileText(std::string_view bytes) {
    if (startsWith(bytes, "\xFF\xFE")) return fromUtf16(bytes.substr(2), false);
    if (startsWith(bytes, "\xFE\xFF")) return fromUtf16(bytes.substr(2), true);
    if (startsWith(bytes, "\xEF\xBB\xBF")) return fromUtf8(bytes.substr(3));
    if (isUtf8WithNonAscii(bytes)) return fromUtf8(bytes);
    FileText out;
    out.text = std::string(bytes);
    return out;
}

}  // namespace travik
