// The received readout: the device's bytes exactly as they arrived (8-bit,
// a CR ends a line, never an LF), plus where the header rule put in TABs of
// its own so that the export can take exactly those out again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace travik {

class TerminalText {
public:
    void clear();
    void append(char byte) { bytes_.push_back(byte); }
    // Appends a TAB that the device did not send (the header rule's extra TAB).
    void appendInsertedTab();

    const std::string& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    // Offsets into bytes() of the TABs added by appendInsertedTab, ascending.
    const std::vector<std::size_t>& insertedTabs() const { return insertedTabs_; }

    // The text split into lines at each CR; a final empty line after the last CR
    // is not part of the list, and an empty text has no lines.
    std::vector<std::string> lines() const;

    // Offset in bytes() where line `index` starts (as counted by lines()).
    std::size_t lineStart(std::size_t index) const;

private:
    std::string bytes_;
    std::vector<std::size_t> insertedTabs_;
};

}  // namespace travik
