#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "IniFile.h"

using travik::DropIncompleteLastLine;
using travik::IniFile;
using travik::IniLine;
using travik::IniLineReader;

using namespace std::string_literals;

namespace {

std::string ValueOr(const IniFile& ini, const char* section, const char* key,
                    const std::string& missing = "<missing>") {
    return ini.value(section, key).value_or(missing);
}

std::string RandomBytes(unsigned seed, std::size_t size) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(generator));
    return bytes;
}

}  // namespace

TEST(IniFileValue, FindsKeysIgnoringCaseAndSpaces) {
    const IniFile ini = IniFile::parse(
        "[com]\ncomID=COM1\n  [ SEP ]  \n\tSeparator\t =  1  \n[Language]\nLANGUAGE=2\n");
    EXPECT_EQ(ValueOr(ini, "COM", "COMID"), "COM1");
    EXPECT_EQ(ValueOr(ini, "sep", "separator"), "1");
    EXPECT_EQ(ValueOr(ini, "language", "language"), "2");
    EXPECT_EQ(ValueOr(ini, "com", "separator"), "<missing>");
    EXPECT_EQ(ValueOr(ini, "other", "comID"), "<missing>");
}

TEST(IniFileValue, StripsOnePairOfMatchingQuotes) {
    const IniFile ini = IniFile::parse(
        "[q]\ndouble=\"a b\"\nsingle='c'\nmixed=\"d'\nlone=\"\ninner=x\"y\"\nnested=\"\"e\"\"\n"
        "spaced=  \" f \"  \nempty=\n");
    EXPECT_EQ(ValueOr(ini, "q", "double"), "a b");
    EXPECT_EQ(ValueOr(ini, "q", "single"), "c");
    EXPECT_EQ(ValueOr(ini, "q", "mixed"), "\"d'");
    EXPECT_EQ(ValueOr(ini, "q", "lone"), "\"");
    EXPECT_EQ(ValueOr(ini, "q", "inner"), "x\"y\"");
    EXPECT_EQ(ValueOr(ini, "q", "nested"), "\"e\"");
    EXPECT_EQ(ValueOr(ini, "q", "spaced"), " f ");
    EXPECT_EQ(ValueOr(ini, "q", "empty"), "");
}

TEST(IniFileValue, FirstSectionAndFirstKeyWin) {
    const IniFile ini = IniFile::parse(
        "key=outside\n[s]\nkey=first\nkey=second\n[t]\n[S]\nkey=third\nonly=later\n");
    EXPECT_EQ(ValueOr(ini, "s", "key"), "first");
    EXPECT_EQ(ValueOr(ini, "s", "only"), "<missing>");
    EXPECT_EQ(ValueOr(ini, "t", "key"), "<missing>");
}

TEST(IniFileValue, CommentsAndMalformedLinesNeverMatch) {
    const IniFile ini = IniFile::parse(
        "[s]\n;key=commented\n  ; key=commented too\nno equals sign\n=no key\nkey=real\n");
    EXPECT_EQ(ValueOr(ini, "s", "key"), "real");
    EXPECT_EQ(ValueOr(ini, "s", ";key"), "<missing>");
}

TEST(IniFileValue, HeaderWithoutClosingBracketStillStartsASection) {
    const IniFile ini = IniFile::parse("[a]\nkey=1\n[b\nkey=2\n");
    EXPECT_EQ(ValueOr(ini, "a", "key"), "1");
    EXPECT_EQ(ValueOr(ini, "b", "key"), "2");
}

TEST(IniFileValue, ReadsEveryLineEndAndAByteOrderMark) {
    EXPECT_EQ(ValueOr(IniFile::parse("[s]\r\nk=crlf\r\n"), "s", "k"), "crlf");
    EXPECT_EQ(ValueOr(IniFile::parse("[s]\rk=cr\r"), "s", "k"), "cr");
    EXPECT_EQ(ValueOr(IniFile::parse("[s]\nk=no final line end"), "s", "k"), "no final line end");
    EXPECT_EQ(ValueOr(IniFile::parse("\xEF\xBB\xBF[s]\nk=bom\n"), "s", "k"), "bom");
}

TEST(IniFileValue, KeepsBinaryBytesOfAValue) {
    const std::string bytes("\x01\x80\xff\x7fz", 5);
    const IniFile ini = IniFile::parse("[s]\nk=" + bytes + "\n");
    EXPECT_EQ(ValueOr(ini, "s", "k"), bytes);
    // Up to a NUL: the value ends there (see EndsAtTheFirstNul).
    EXPECT_EQ(ValueOr(IniFile::parse("[s]\nk=" + bytes + '\0' + bytes + "\n"), "s", "k"), bytes);
}

TEST(IniLineReader, LinesCoverTheTextExactly) {
    const std::vector<std::string> texts = {
        "",    "\n",           "\r\n\r\n", "\r\r\n\n", "[a]\nk=v",
        "x\r", "\xEF\xBB\xBF", "[",        "=",        RandomBytes(7, 4096),
    };
    for (const std::string& text : texts) {
        IniLineReader reader(text);
        IniLine line;
        std::size_t expectedBegin = 0;
        while (reader.next(line)) {
            EXPECT_EQ(line.begin, expectedBegin);
            EXPECT_LE(line.begin, line.contentEnd);
            EXPECT_LE(line.contentEnd, line.next);
            EXPECT_LE(line.next - line.contentEnd, 2u);
            EXPECT_GT(line.next, line.begin);
            expectedBegin = line.next;
        }
        EXPECT_EQ(expectedBegin, text.size());
    }
}

TEST(IniFileSetValue, ReplacesTheValueInPlace) {
    IniFile ini = IniFile::parse(
        "; settings\r\n[com]\r\ncomID = COM1\r\n\r\n[sep]\r\nseparator=1\r\nextra=x\r\n");
    ASSERT_TRUE(ini.setValue("COM", "comid", "/dev/ttyUSB0"));
    ASSERT_TRUE(ini.setValue("sep", "separator", ""));
    EXPECT_EQ(
        ini.text(),
        "; settings\r\n[com]\r\ncomID = /dev/ttyUSB0\r\n\r\n[sep]\r\nseparator=\r\nextra=x\r\n");
}

TEST(IniFileSetValue, AddsAMissingKeyAfterTheLastKeyOfItsSection) {
    IniFile ini = IniFile::parse("[a]\nx=1\n; about b\n\n[b]\ny=2\n");
    ASSERT_TRUE(ini.setValue("a", "z", "3"));
    EXPECT_EQ(ini.text(), "[a]\nx=1\nz=3\n; about b\n\n[b]\ny=2\n");

    IniFile headerOnly = IniFile::parse("[a]\n; nothing yet\n[b]\n");
    ASSERT_TRUE(headerOnly.setValue("A", "k", "v"));
    EXPECT_EQ(headerOnly.text(), "[a]\nk=v\n; nothing yet\n[b]\n");
}

TEST(IniFileSetValue, AppendsAMissingSectionInTheFilesLineEnds) {
    IniFile crlf = IniFile::parse("[a]\r\nx=1");
    ASSERT_TRUE(crlf.setValue("b", "y", "2"));
    EXPECT_EQ(crlf.text(), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");

    IniFile lastHeader = IniFile::parse("[other]\n[b]");
    ASSERT_TRUE(lastHeader.setValue("b", "y", "2"));
    EXPECT_EQ(lastHeader.text(), "[other]\n[b]\ny=2\n");

    IniFile empty = IniFile::parse("", "\r\n");
    ASSERT_TRUE(empty.setValue("s", "k", "v"));
    EXPECT_EQ(empty.text(), "[s]\r\nk=v\r\n");
}

TEST(IniFileSetValue, StoredValuesReadBackUnchanged) {
    const std::vector<std::string> values = {"",
                                             " leading",
                                             "trailing\t",
                                             "\"quoted\"",
                                             "'single'",
                                             "\"",
                                             "a=b",
                                             "[x]",
                                             ";x",
                                             " ",
                                             std::string("\x01\x80\xff", 3)};
    for (const std::string& value : values) {
        IniFile ini = IniFile::parse("[s]\nk=old\n");
        ASSERT_TRUE(ini.setValue("s", "k", value));
        EXPECT_EQ(ini.value("s", "k"), value);
        EXPECT_EQ(IniFile::parse(ini.text()).value("s", "k"), value);
    }
}

TEST(IniFileValue, EndsAtTheFirstNul) {
    const IniFile ini = IniFile::parse("[s]\na=COM3 \0junk\nb=\0\nc=\"x\0y\"\n"s);
    EXPECT_EQ(ini.value("s", "a"), "COM3");
    EXPECT_EQ(ini.value("s", "b"), "");
    EXPECT_EQ(ini.value("s", "c"), "\"x");
}

TEST(IniFileSetValue, RefusesWhatCannotBeStoredOnOneLine) {
    const std::string original = "[s]\nk=old\n";
    IniFile ini = IniFile::parse(original);
    EXPECT_FALSE(ini.setValue("s", "k", "a\nb"));
    EXPECT_FALSE(ini.setValue("s", "k", "a\rb"));
    EXPECT_FALSE(ini.setValue("s", "k", std::string("a\0b", 3)));
    EXPECT_FALSE(ini.setValue("s]", "k", "v"));
    EXPECT_FALSE(ini.setValue("s", "k=", "v"));
    EXPECT_FALSE(ini.setValue("", "k", "v"));
    EXPECT_FALSE(ini.setValue("s", " k", "v"));
    EXPECT_FALSE(ini.setValue("s", ";k", "v"));
    EXPECT_EQ(ini.text(), original);
}

TEST(IniFileSetValue, GarbageAroundIsKeptAndTheValueReadsBack) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::string garbage = RandomBytes(seed, 2000);
        IniFile ini = IniFile::parse(garbage);
        ASSERT_TRUE(ini.setValue("com", "comID", "COM7"));
        ASSERT_TRUE(ini.setValue("Language", "Language", "3"));
        EXPECT_EQ(ini.value("com", "comID"), "COM7") << "seed " << seed;
        EXPECT_EQ(ini.value("language", "language"), "3") << "seed " << seed;
        // Random bytes hold no "[com]" header, so everything is appended.
        EXPECT_EQ(ini.text().compare(0, garbage.size(), garbage), 0) << "seed " << seed;
    }
}

TEST(IniFileText, DropIncompleteLastLine) {
    EXPECT_EQ(DropIncompleteLastLine("a\nb\ncut"), "a\nb\n");
    EXPECT_EQ(DropIncompleteLastLine("a\r\n"), "a\r\n");
    EXPECT_EQ(DropIncompleteLastLine("no line end"), "");
}
