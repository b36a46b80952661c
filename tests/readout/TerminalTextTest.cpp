#include <gtest/gtest.h>

#include "TerminalText.h"

using travik::TerminalText;

namespace {
TerminalText textOf(const std::string& bytes) {
    TerminalText text;
    for (char c : bytes) text.append(c);
    return text;
}
}  // namespace

TEST(TerminalText, SplitsLinesAtCrWithoutAFinalEmptyLine) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(textOf("").lines(), Lines{});
    EXPECT_EQ(textOf("a").lines(), Lines{"a"});
    EXPECT_EQ(textOf("a\r").lines(), Lines{"a"});
    EXPECT_EQ(textOf("a\rb").lines(), (Lines{"a", "b"}));
    EXPECT_EQ(textOf("\r\rb\r").lines(), (Lines{"", "", "b"}));
    EXPECT_EQ(textOf(std::string("\xb0\t\x80\r", 4)).lines(), Lines{"\xb0\t\x80"});
}

TEST(TerminalText, LineStartCountsLikeLines) {
    const TerminalText text = textOf("ab\rcde\r\rf");
    EXPECT_EQ(text.lineStart(0), 0u);
    EXPECT_EQ(text.lineStart(1), 3u);
    EXPECT_EQ(text.lineStart(2), 7u);
    EXPECT_EQ(text.lineStart(3), 8u);
    EXPECT_EQ(text.lineStart(9), text.size());
}

TEST(TerminalText, RemembersInsertedTabsUntilCleared) {
    TerminalText text = textOf("No\t");
    text.appendInsertedTab();
    text.append('t');
    EXPECT_EQ(text.bytes(), "No\t\tt");
    EXPECT_EQ(text.insertedTabs(), std::vector<std::size_t>{3});
    text.clear();
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(text.insertedTabs().empty());
}
