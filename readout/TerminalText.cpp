#include "TerminalText.h"

namespace travik {

void TerminalText::clear() {
    bytes_.clear();
    insertedTabs_.clear();
}

void TerminalText::appendInsertedTab() {
    insertedTabs_.push_back(bytes_.size());
    bytes_.push_back('\t');
}

std::vector<std::string> TerminalText::lines() const {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < bytes_.size()) {
        const std::size_t cr = bytes_.find('\r', start);
        if (cr == std::string::npos) {
            result.emplace_back(bytes_, start);
            break;
        }
        result.emplace_back(bytes_, start, cr - start);
        start = cr + 1;
    }
    return result;
}

std::size_t TerminalText::lineStart(std::size_t index) const {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        const std::size_t cr = bytes_.find('\r', start);
        if (cr == std::string::npos) return bytes_.size();
        start = cr + 1;
    }
    return start;
}

}  // namespace travik
