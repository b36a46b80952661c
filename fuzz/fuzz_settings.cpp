// The settings-file parser on arbitrary bytes: it never fails, a stored
// integer parses to its value or to 0, and every value written reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "IniFile.h"
#include "Settings.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkIntegerParse(const std::string& text) {
    const int value = travik::ParseSettingInteger(text);
    // Writing the value and reading it back gives the same number.
    check(travik::ParseSettingInteger(std::to_string(value)) == value);
}

void checkRoundTrip(const std::string& text, const std::string& port) {
    travik::IniFile ini = travik::IniFile::parse(text);
    const auto before = ini.value("sep", "separator");
    if (!ini.setValue("com", "comID", port)) {
        check(!travik::IsStorableIniValue(port));
        return;
    }
    check(ini.value("com", "comID") == port);
    check(ini.setValue("Language", "Language", "3"));
    check(ini.value("com", "comID") == port);
    check(ini.value("Language", "language") == std::string("3"));
    check(ini.value("SEP", "Separator") == before);  // other keys untouched
    // What was written parses again to the same values.
    const travik::IniFile again = travik::IniFile::parse(ini.text());
    check(again.value("com", "comID") == port);
    check(again.value("language", "LANGUAGE") == std::string("3"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkIntegerParse(text);
    const travik::IniFile ini = travik::IniFile::parse(text);
    if (const auto value = ini.value("Language", "Language")) checkIntegerParse(*value);
    // The last line doubles as a port name to store.
    const std::size_t cut = text.find_last_of('\n');
    checkRoundTrip(text, cut == std::string::npos ? text : text.substr(cut + 1));
    return 0;
}
