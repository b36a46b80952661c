#include <gtest/gtest.h>

#include <filesystem>
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

TEST(AtomicFile, DeviceIsWrittenDirectly) {
    EXPECT_EQ(CodeOf(WriteFileAtomically("NUL", "gone")), 0);
}

}  // namespace
