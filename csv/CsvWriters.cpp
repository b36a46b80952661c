#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "CsvExport.h"

#ifndef _WIN32
#include <cerrno>
#endif

namespace travik {
namespace {

constexpr char kTab = '\t';
constexpr char kQuote = '"';
const char kLineEnd[] = "\r\n";
// The line on which the screen's extra header TABs of an alarm readout are taken out again.
constexpr std::size_t kHeaderTabLine = 2;
// Lines written as received before condensing starts.
constexpr std::size_t kUncondensedLines = 2;

// The line as the device sent it: every TAB the header rule put in for the
// screen is taken out, and no other. The readout recorded where it put them.
std::string withoutHeaderTabs(const TerminalText& text, std::size_t lineIndex,
                              const std::string& line) {
    const std::size_t lineStart = text.lineStart(lineIndex);
    const std::vector<std::size_t>& tabs = text.insertedTabs();
    auto it = std::lower_bound(tabs.begin(), tabs.end(), lineStart);
    std::string result;
    result.reserve(line.size());
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (it != tabs.end() && *it == lineStart + at) {
            ++it;
            continue;
        }
        result += line[at];
    }
    return result;
}

std::vector<std::string> splitAtTabs(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t at = text.find(kTab); at != std::string::npos; at = text.find(kTab, start)) {
        fields.emplace_back(text, start, at - start);
        start = at + 1;
    }
    fields.emplace_back(text, start);
    return fields;
}

// A field holding the separator or a double quote goes in double quotes, each
// inner quote doubled; every other field is written exactly as it stands.
std::string quotedField(const std::string& field, char separator) {
    if (field.find(separator) == std::string::npos && field.find(kQuote) == std::string::npos) {
        return field;
    }
    std::string out(1, kQuote);
    for (const char c : field) {
        if (c == kQuote) out += kQuote;
        out += c;
    }
    out += kQuote;
    return out;
}

std::string separatedRow(const std::string& tabbedText, char separator) {
    std::string row;
    bool first = true;
    for (const std::string& field : splitAtTabs(tabbedText)) {
        if (!first) row += separator;
        row += quotedField(field, separator);
        first = false;
    }
    return row;
}

}  // namespace

char SeparatorFor(int languageIndex) {
    return languageIndex == 0 ? ',' : ';';
}

std::string TabbedCsvText(const TerminalText& text, bool alarmMode) {
    const std::vector<std::string> lines = text.lines();
    std::string content;
    content.reserve(text.size() + 2 * lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool headerLine = alarmMode && i == kHeaderTabLine;
        content += headerLine ? withoutHeaderTabs(text, i, lines[i]) : lines[i];
        content += kLineEnd;
    }
    return content;
}

std::string SeparatedCsvText(const TerminalText& text, bool alarmMode, char separator) {
    const std::vector<std::string> lines = text.lines();
    std::string content;
    content.reserve(text.size() + 2 * lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string tabbed =
            i < kUncondensedLines ? lines[i] : CondenseLine(lines[i], alarmMode);
        content += separatedRow(tabbed, separator);
        content += kLineEnd;
    }
    return content;
}

Status SaveCsvTabbed(const std::string& fileName, const TerminalText& text, bool alarmMode) {
    return WriteFileAtomically(fileName, TabbedCsvText(text, alarmMode));
}

Status SaveCsvSeparated(const std::string& fileName, const TerminalText& text, bool alarmMode,
                        char separator) {
    return WriteFileAtomically(fileName, SeparatedCsvText(text, alarmMode, separator));
}

std::string FileErrorText(const Status& status) {
    return FileErrorText(status.code());
}

std::string FileErrorText(int code) {
#ifdef _WIN32
    // The system's error codes (winerror.h).
    switch (code) {
        case 2:
            return "File not found";
        case 3:
            return "Invalid filename";
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        default:
            break;
    }
#else
    switch (code) {
        case ENOENT:
            return "File not found";
        case ENAMETOOLONG:
        case EINVAL:
        case EISDIR:
            return "Invalid filename";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case EACCES:
        case EPERM:
        case EROFS:
            return "File access denied";
        default:
            break;
    }
#endif
    return "I/O error " + std::to_string(code);
}

}  // namespace travik
