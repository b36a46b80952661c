#include <cstddef>
#include <string>

#include "CsvExport.h"

namespace travik {
namespace {

constexpr char kTab = '\t';
constexpr int kAlarmFields = 5;
constexpr int kDataFields = 3;

// Spaces, TAB, CR, LF and every other control code; bytes 0x80-0xFF are text.
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string trimmed(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && isBlank(s[begin])) ++begin;
    while (end > begin && isBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// One pass deleting a separator that follows another one. The character that
// moves into the deleted place is not examined, so a run of three separators
// keeps two. Built as a copy to stay linear on long lines.
std::string collapsedOnce(const std::string& s, char sep) {
    if (s.empty()) return s;
    std::string out(1, s[0]);
    out.reserve(s.size());
    std::size_t pos = 1;
    while (pos < s.size()) {
        if (s[pos] == sep && s[pos - 1] == sep) {
            if (pos + 1 < s.size()) out += s[pos + 1];
            pos += 2;
        } else {
            out += s[pos];
            ++pos;
        }
    }
    return out;
}

// What repeatedly deleting the first TAB of the first TAB pair leaves: every
// run of TABs shortened to one.
std::string withoutDoubledTabs(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t pos = 0; pos < line.size(); ++pos) {
        const bool tabFollows = pos + 1 < line.size() && line[pos + 1] == kTab;
        if (line[pos] == kTab && tabFollows) continue;
        out += line[pos];
    }
    return out;
}

}  // namespace

std::string ExtractField(const std::string& line, char sep, int n) {
    const std::string s = collapsedOnce(trimmed(line), sep);
    if (n < 1) return std::string();

    // Skip the n-1 fields before the wanted one; a line with fewer fields has
    // no n-th field at all, which reads as an empty one.
    std::size_t start = 0;
    for (int skipped = 1; skipped < n; ++skipped) {
        const std::size_t at = s.find(sep, start);
        if (at == std::string::npos) return std::string();
        start = at + 1;
    }
    const std::size_t end = s.find(sep, start);
    const std::size_t length = end == std::string::npos ? std::string::npos : end - start;
    return trimmed(s.substr(start, length));
}

std::string CondenseLine(const std::string& line, bool alarmMode) {
    const std::string s = withoutDoubledTabs(line);
    const int fields = alarmMode ? kAlarmFields : kDataFields;
    std::string result = ExtractField(s, kTab, 1);
    for (int n = 2; n <= fields; ++n) {
        result += kTab;
        result += ExtractField(s, kTab, n);
    }
    return result;
}

}  // namespace travik
