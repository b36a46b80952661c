// A small INI file model that keeps every byte it does not change: other
// sections, keys, comments, blank lines, line ends and unreadable lines stay as
// they were. Section and key names compare without regard to ASCII case; the
// first matching section and, within it, the first matching key count.
//
// The model is the text itself: lookups scan the lines, so a hostile file costs
// no more memory than its own size, whatever its shape.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace travik {

// One line of an INI text. The views point into the scanned text.
struct IniLine {
    enum class Kind { Blank, Comment, Section, Key, Other };

    Kind kind = Kind::Other;
    std::size_t begin = 0;       // first byte of the line
    std::size_t contentEnd = 0;  // first byte of the line end (or the text's end)
    std::size_t next = 0;        // first byte after the line end
    std::string_view name;       // section name, or key name (trimmed)
    std::size_t valueBegin = 0;  // Key: first byte after "=" and the spaces after it
    std::string_view value;      // Key: the raw value, trimmed, quotes kept
};

// Walks the lines of a text. Line ends are CR LF, LF or a lone CR.
class IniLineReader {
public:
    explicit IniLineReader(std::string_view text) : text_(text) {}
    // Fills `line` with the next line; false at the end of the text.
    bool next(IniLine& line);

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

class IniFile {
public:
    // Reads any bytes; never fails. `newLineEnd` is used for lines added to a
    // text that has no line end of its own yet.
    static IniFile parse(const std::string& text, std::string_view newLineEnd = "\n");

    // The value of `key` in `section`, trimmed of spaces and tabs, with one pair
    // of enclosing double or single quotes removed. Empty optional when missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Stores `value` so that value() returns it again: an existing key keeps
    // its place and its text up to the value, a missing key goes after the last
    // key of its section, a missing section is appended at the end. Returns
    // false and changes nothing when a name or the value cannot be stored on
    // one line (see IsStorableIniValue).
    bool setValue(std::string_view section, std::string_view key, std::string_view value);

    // Removes `key` from `section` (every line of it there); the rest of the
    // text stays as it is.
    void removeKey(std::string_view section, std::string_view key);

    const std::string& text() const { return text_; }
    // The line end used for added lines: the text's first line end, else the default.
    std::string_view lineEnd() const { return lineEnd_; }

private:
    IniFile(std::string text, std::string lineEnd)
        : text_(std::move(text)), lineEnd_(std::move(lineEnd)) {}

    void insertLineAfter(const IniLine& anchor, const std::string& line);
    void appendLine(const std::string& line);

    std::string text_;
    std::string lineEnd_;
};

// A value can be stored when it holds no line break.
bool IsStorableIniValue(std::string_view value);

// A section or key name can be stored when it is non-empty, holds no line
// break, no "]" (section) or "=" (key), and has no space at either end.
bool IsStorableIniName(std::string_view name, char forbidden);

// The text to write after "key=" so that reading returns `value` unchanged:
// enclosed in double quotes when it has spaces at an end or is itself quoted.
std::string EncodeIniValue(std::string_view value);

// Removes a trailing incomplete line (bytes after the last line end).
std::string_view DropIncompleteLastLine(std::string_view text);

}  // namespace travik
