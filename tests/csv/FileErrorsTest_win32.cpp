#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "AtomicFile.h"
#include "CsvExport.h"
#include "CsvTestSupport.h"
#include "StatusCode.h"
#include "TempDir.h"

using travik::FileErrorText;
using travik::SaveCsvTabbed;
using travik::WriteFileAtomically;

namespace {

// The system's error codes (winerror.h).
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kAccessDenied = 5;
constexpr int kDiskFull = 112;

TEST(FileErrors, TextsForTheSystemsCodes) {
    EXPECT_EQ(FileErrorText(kFileNotFound), "File not found");
    EXPECT_EQ(FileErrorText(kPathNotFound), "Invalid filename");
    EXPECT_EQ(FileErrorText(kTooManyOpenFiles), "Too many open files");
    EXPECT_EQ(FileErrorText(kAccessDenied), "File access denied");
    EXPECT_EQ(FileErrorText(kDiskFull), "I/O error 112");
}

TEST(FileErrors, FolderAsTargetIsAccessDenied) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("Alarm.csv"));
    const int code = CodeOf(SaveCsvTabbed(dir.file("Alarm.csv"), Received("a\r", true), true));
    EXPECT_EQ(code, kAccessDenied);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("Alarm.csv")));
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"Alarm.csv"});
}

TEST(FileErrors, MissingFolderIsInvalidFilename) {
    TempDir dir;
    const int code = CodeOf(WriteFileAtomically(dir.file("nowhere/Data.csv"), "x"));
    EXPECT_EQ(code, kPathNotFound);
    EXPECT_EQ(FileErrorText(code), "Invalid filename");
}

TEST(FileErrors, ReadOnlyFileIsAccessDeniedAndKept) {
    TempDir dir;
    const std::string target = dir.file("locked.csv");
    WriteFileBytes(target, "keep me");
    std::filesystem::permissions(target, std::filesystem::perms::all,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(CodeOf(WriteFileAtomically(target, "new")), kAccessDenied);
    EXPECT_EQ(ReadFileBytes(target), "keep me");
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"locked.csv"});
}

TEST(AtomicFile, ReplacesAnExistingFileLeavingNothingElse) {
    TempDir dir;
    const std::string target = dir.file("Data.csv");
    WriteFileBytes(target, std::string(5000, 'o'));
    ASSERT_EQ(CodeOf(WriteFileAtomically(target, "short\r\n")), 0);
    EXPECT_EQ(ReadFileBytes(target), "short\r\n");
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"Data.csv"});
}

TEST(AtomicFile, EveryHardLinkedNameShowsTheNewContent) {
    TempDir dir;
    const std::string target = dir.file("today.csv");
    WriteFileBytes(target, "the old content, longer than the new");
    ASSERT_TRUE(CreateHardLinkA(dir.file("archive.csv").c_str(), target.c_str(), nullptr));
    ASSERT_EQ(CodeOf(WriteFileAtomically(target, "short")), 0);
    EXPECT_EQ(ReadFileBytes(target), "short");
    EXPECT_EQ(ReadFileBytes(dir.file("archive.csv")), "short");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"today.csv", "archive.csv"}));
}

// A folder and a file named outside the ANSI code page, as the save dialog hands
// them over (UTF-8).
const std::string kPolishName = "\xc5\x81ukasz";  // "Łukasz"

std::string ReadUtf8Named(const std::string& utf8Path) {
    std::ifstream in(std::filesystem::u8path(utf8Path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AtomicFile, NamesOutsideTheAnsiCodePageAreWrittenAsTheyAre) {
    TempDir dir;
    const std::string folder = dir.file(kPolishName);
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    const std::string target = folder + "\\Alarm " + kPolishName + ".csv";
    const auto text = Received("a\tb\r", true);
    ASSERT_EQ(CodeOf(SaveCsvTabbed(target, text, true)), 0);
    EXPECT_EQ(ReadUtf8Named(target), WithCrLf(text.bytes()));
    // A second save replaces it through a temporary file in the same folder.
    ASSERT_EQ(CodeOf(WriteFileAtomically(target, "new")), 0);
    EXPECT_EQ(ReadUtf8Named(target), "new");
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder))) {
        EXPECT_EQ(entry.path().filename().u8string(), "Alarm " + kPolishName + ".csv");
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST(AtomicFile, APathThatIsNotUtf8IsAnInvalidNameAndCreatesNothing) {
    TempDir dir;
    constexpr int kInvalidName = 123;
    EXPECT_EQ(CodeOf(WriteFileAtomically(dir.file("\xc5.csv"), "x")), kInvalidName);
    EXPECT_EQ(CodeOf(WriteFileAtomically(dir.file(std::string("a\0b.csv", 7)), "x")), kInvalidName);
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(AtomicFile, DeviceIsWrittenDirectly) {
    EXPECT_EQ(CodeOf(WriteFileAtomically("NUL", "gone")), 0);
}

}  // namespace
