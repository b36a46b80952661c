// Field extraction and line condensing on arbitrary lines: a condensed line has
// exactly five (alarm buffer) or three (data logger) trimmed fields, none of
// which holds a TAB, so two TABs in a row only ever stand for an empty field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "CsvExport.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::size_t fieldCount(const std::string& line) {
    std::size_t tabs = 0;
    for (char c : line) tabs += c == '\t';
    return tabs + 1;
}

bool trimmed(const std::string& field) {
    return field.empty() || (static_cast<unsigned char>(field.front()) > 32 &&
                             static_cast<unsigned char>(field.back()) > 32);
}

void checkCondensed(const std::string& line, bool alarm) {
    const std::string condensed = travik::CondenseLine(line, alarm);
    check(fieldCount(condensed) == (alarm ? 5u : 3u));
    std::size_t start = 0;
    for (int n = 1; n <= (alarm ? 5 : 3); ++n) {
        const std::size_t end = condensed.find('\t', start);
        const std::string field = condensed.substr(start, end - start);
        check(trimmed(field));
        check(field.find('\t') == std::string::npos);
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char sep = static_cast<char>(data[0]);
    const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (int n = 1; n <= 6; ++n) check(trimmed(travik::ExtractField(line, sep, n)));
    checkCondensed(line, true);
    checkCondensed(line, false);
    return 0;
}
