// Feeds arbitrary device bytes through the readout's byte rules and checks
// what the terminal text must always satisfy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Readout.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void runRules(const std::uint8_t* data, std::size_t size, bool alarm) {
    travik::TerminalText terminal;
    travik::ReadoutRules rules(terminal, alarm);
    std::size_t taken = 0;
    std::size_t lineFeeds = 0;
    for (; taken < size; ++taken) {
        if (data[taken] == 0x0A) ++lineFeeds;
        if (!rules.take(data[taken], static_cast<std::int32_t>(taken))) break;
    }
    const std::string& bytes = terminal.bytes();
    check(bytes.find('\n') == std::string::npos);
    check(bytes.find('\0') == std::string::npos);
    const auto& inserted = terminal.insertedTabs();
    if (!alarm) check(inserted.empty());
    // Every byte stored is a device byte or a recorded TAB; nothing else.
    check(bytes.size() == taken - lineFeeds + inserted.size());
    for (std::size_t i = 0; i < inserted.size(); ++i) {
        check(inserted[i] < bytes.size() && bytes[inserted[i]] == '\t');
        check(i == 0 || inserted[i] > inserted[i - 1]);
        const char next = inserted[i] + 1 < bytes.size() ? bytes[inserted[i] + 1] : 0;
        check(next == 't' || next == 'I');
    }
    // At most one "I" ever gets the extra TAB.
    std::size_t insertedBeforeI = 0;
    for (std::size_t offset : inserted) insertedBeforeI += bytes[offset + 1] == 'I';
    check(insertedBeforeI <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    runRules(data, size, true);
    runRules(data, size, false);
    return 0;
}
