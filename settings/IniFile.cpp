#include "IniFile.h"

#include <utility>
#include <vector>

namespace travik {

namespace {

constexpr std::string_view kBlanks = " \t\v\f";
constexpr std::string_view kLineBreaks = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

bool IsQuotedPair(std::string_view value) {
    return value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back();
}

std::string_view StripQuotes(std::string_view value) {
    return IsQuotedPair(value) ? value.substr(1, value.size() - 2) : value;
}

void ClassifyKeyLine(std::string_view content, std::size_t contentStart, IniLine& line) {
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view key = Trim(content.substr(0, equals));
    if (key.empty()) return;
    // A value ends at its first NUL, as the platform's profile reader sees it.
    std::string_view afterEquals = content.substr(equals + 1);
    afterEquals = afterEquals.substr(0, afterEquals.find('\0'));
    const std::size_t valueOffset = afterEquals.find_first_not_of(kBlanks);
    line.kind = IniLine::Kind::Key;
    line.name = key;
    line.valueBegin = contentStart + equals + 1 +
                      (valueOffset == std::string_view::npos ? afterEquals.size() : valueOffset);
    line.value = Trim(afterEquals);
}

// A "[" starts a section even without its "]": the name then runs to the line's end.
void ClassifySectionLine(std::string_view trimmed, IniLine& line) {
    const std::string_view inside = trimmed.substr(1);
    line.kind = IniLine::Kind::Section;
    line.name = Trim(inside.substr(0, inside.find(']')));
}

void ClassifyLine(std::string_view text, IniLine& line) {
    std::size_t contentStart = line.begin;
    if (contentStart == 0 && text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        contentStart = kUtf8Bom.size();
    }
    const std::string_view content = text.substr(contentStart, line.contentEnd - contentStart);
    const std::string_view trimmed = Trim(content);

    line.kind = IniLine::Kind::Other;
    line.name = {};
    line.value = {};
    line.valueBegin = line.contentEnd;
    if (trimmed.empty()) {
        line.kind = IniLine::Kind::Blank;
    } else if (trimmed.front() == ';') {
        line.kind = IniLine::Kind::Comment;
    } else if (trimmed.front() == '[') {
        ClassifySectionLine(trimmed, line);
    } else {
        ClassifyKeyLine(content, contentStart, line);
    }
}

std::string DetectLineEnd(std::string_view text, std::string_view fallback) {
    const std::size_t end = text.find_first_of(kLineBreaks);
    if (end == std::string_view::npos) return std::string(fallback);
    if (text[end] == '\n') return "\n";
    if (end + 1 < text.size() && text[end + 1] == '\n') return "\r\n";
    return "\r";
}

bool EndsWithLineBreak(const std::string& text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

}  // namespace

bool IniLineReader::next(IniLine& line) {
    if (position_ >= text_.size()) return false;
    line.begin = position_;
    const std::size_t end = text_.find_first_of(kLineBreaks, position_);
    if (end == std::string_view::npos) {
        line.contentEnd = text_.size();
        line.next = text_.size();
    } else {
        const bool crLf = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n';
        line.contentEnd = end;
        line.next = end + (crLf ? 2 : 1);
    }
    position_ = line.next;
    ClassifyLine(text_, line);
    return true;
}

IniFile IniFile::parse(const std::string& text, std::string_view newLineEnd) {
    return IniFile(text, DetectLineEnd(text, newLineEnd));
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    IniLineReader reader(text_);
    IniLine line;
    bool inSection = false;
    while (reader.next(line)) {
        if (line.kind == IniLine::Kind::Section) {
            if (inSection) break;  // only the first matching section counts
            inSection = EqualsIgnoringCase(line.name, section);
        } else if (inSection && line.kind == IniLine::Kind::Key &&
                   EqualsIgnoringCase(line.name, key)) {
            return std::string(StripQuotes(line.value));
        }
    }
    return std::nullopt;
}

bool IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableIniName(section, ']') || !IsStorableIniName(key, '=') ||
        !IsStorableIniValue(value)) {
        return false;
    }
    const std::string encoded = EncodeIniValue(value);

    IniLineReader reader(text_);
    IniLine line;
    IniLine anchor;  // the section's header or its last key so far
    bool inSection = false;
    while (reader.next(line)) {
        if (line.kind == IniLine::Kind::Section) {
            if (inSection) break;
            inSection = EqualsIgnoringCase(line.name, section);
            if (inSection) anchor = line;
        } else if (inSection && line.kind == IniLine::Kind::Key) {
            if (EqualsIgnoringCase(line.name, key)) {
                text_.replace(line.valueBegin, line.contentEnd - line.valueBegin, encoded);
                return true;
            }
            anchor = line;
        }
    }

    const std::string keyLine = std::string(key) + "=" + encoded;
    if (inSection) {
        insertLineAfter(anchor, keyLine);
    } else {
        appendLine("[" + std::string(section) + "]");
        appendLine(keyLine);
    }
    return true;
}

void IniFile::removeKey(std::string_view section, std::string_view key) {
    IniLineReader reader(text_);
    IniLine line;
    bool inSection = false;
    std::vector<std::pair<std::size_t, std::size_t>> lines;  // begin, next
    while (reader.next(line)) {
        if (line.kind == IniLine::Kind::Section) {
            if (inSection) break;
            inSection = EqualsIgnoringCase(line.name, section);
        } else if (inSection && line.kind == IniLine::Kind::Key &&
                   EqualsIgnoringCase(line.name, key)) {
            lines.emplace_back(line.begin, line.next);
        }
    }
    for (auto place = lines.rbegin(); place != lines.rend(); ++place)
        text_.erase(place->first, place->second - place->first);
}

void IniFile::insertLineAfter(const IniLine& anchor, const std::string& line) {
    if (anchor.next == anchor.contentEnd) {  // the last line, with no line end
        appendLine(line);
        return;
    }
    text_.insert(anchor.next, line + lineEnd_);
}

void IniFile::appendLine(const std::string& line) {
    if (!text_.empty() && !EndsWithLineBreak(text_)) text_ += lineEnd_;
    text_ += line;
    text_ += lineEnd_;
}

bool IsStorableIniValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool IsStorableIniName(std::string_view name, char forbidden) {
    if (name.empty() || !IsStorableIniValue(name)) return false;
    if (name.find(forbidden) != std::string_view::npos) return false;
    if (name.front() == ';' || name.front() == '[') return false;
    return !IsBlank(name.front()) && !IsBlank(name.back());
}

std::string EncodeIniValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || IsQuotedPair(value));
    if (!needsQuotes) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

std::string_view DropIncompleteLastLine(std::string_view text) {
    const std::size_t lastBreak = text.find_last_of(kLineBreaks);
    if (lastBreak == std::string_view::npos) return {};
    return text.substr(0, lastBreak + 1);
}

}  // namespace travik
