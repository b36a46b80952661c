#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "ChildProcess.h"
#include "CsvExport.h"
#include "CsvTestSupport.h"
#include "StatusCode.h"
#include "TempDir.h"

using travik::FileErrorText;
using travik::SaveCsvSeparated;
using travik::SaveCsvTabbed;
using travik::TerminalText;

namespace {

constexpr bool kAlarm = true;
constexpr bool kDataLogger = false;
const std::string kAlarmReply = "TP 1\r\nS 7\r\nNo\tt\tI\tIdL\r\n5\tt\tI\tx\r\n";
const std::string kDataReply = "Travik DL\r\nNo\tDate\r\n1\t02.03.\t3,5\r\n";

// Failures: the error texts, and nothing lost or left behind.

TEST(FileErrors, TextsForThePlatformsCodes) {
    EXPECT_EQ(FileErrorText(ENOENT), "File not found");
    for (const int code : {ENAMETOOLONG, EINVAL, EISDIR}) {
        EXPECT_EQ(FileErrorText(code), "Invalid filename") << code;
    }
    for (const int code : {EMFILE, ENFILE}) {
        EXPECT_EQ(FileErrorText(code), "Too many open files") << code;
    }
    for (const int code : {EACCES, EPERM, EROFS}) {
        EXPECT_EQ(FileErrorText(code), "File access denied") << code;
    }
    EXPECT_EQ(FileErrorText(28), "I/O error 28");
    EXPECT_EQ(FileErrorText(27), "I/O error 27");
    EXPECT_EQ(FileErrorText(0), "I/O error 0");
    EXPECT_EQ(FileErrorText(-1), "I/O error -1");
}

TEST(FileErrors, ReadOnlyFolderIsAccessDeniedAndKeepsTheFile) {
    TempDir dir;
    const std::string folder = dir.file("ro");
    const std::string target = folder + "/Alarm.csv";
    std::filesystem::create_directory(folder);
    WriteFileBytes(target, "old contents");
    // The user owns the file but may not change the folder.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(target.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    }
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const TerminalText text = Received(kAlarmReply, kAlarm);

    const int code = RunWithoutRootOverride([&] { return CodeOf(SaveCsvTabbed(target, text, kAlarm)); });
    EXPECT_EQ(code, EACCES);
    EXPECT_EQ(FileErrorText(code), "File access denied");
    EXPECT_EQ(ReadFileBytes(target), "old contents");
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"Alarm.csv"});
}

TEST(FileErrors, FullDeviceIsIoError28) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
    const TerminalText text = Received(kDataReply, kDataLogger);
    const int tabbed = CodeOf(SaveCsvTabbed("/dev/full", text, kDataLogger));
    EXPECT_EQ(tabbed, ENOSPC);
    EXPECT_EQ(FileErrorText(tabbed), "I/O error 28");
    EXPECT_EQ(CodeOf(SaveCsvSeparated("/dev/full", text, kDataLogger, ',')), ENOSPC);
}

TEST(FileErrors, WriteCutShortByTheSizeLimitKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.file("Data.csv");
    WriteFileBytes(target, "the previous export\r\n");
    std::string reply;
    for (int i = 0; i < 400; ++i) reply += std::to_string(i) + "\t02.03.\t12:00\t3,5\r\n";
    const TerminalText text = Received(reply, kDataLogger);

    const auto limitFileSize = [] {
        const rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    };
    const int code =
        RunInChild(limitFileSize, [&] { return CodeOf(SaveCsvSeparated(target, text, kDataLogger, ',')); });
    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(FileErrorText(code), "I/O error 27");
    EXPECT_EQ(ReadFileBytes(target), "the previous export\r\n");
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"Data.csv"});
}

TEST(FileErrors, FolderAsTargetIsInvalidFilename) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("Alarm.csv"));
    const int code = CodeOf(SaveCsvTabbed(dir.file("Alarm.csv"), Received("a\r", kAlarm), kAlarm));
    EXPECT_EQ(code, EISDIR);
    EXPECT_EQ(FileErrorText(code), "Invalid filename");
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("Alarm.csv")));
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"Alarm.csv"});
}

TEST(FileErrors, MissingFolderIsFileNotFound) {
    TempDir dir;
    const int code =
        CodeOf(SaveCsvSeparated(dir.file("nowhere/Data.csv"), Received("a\r", false), kDataLogger, ','));
    EXPECT_EQ(code, ENOENT);
    EXPECT_EQ(FileErrorText(code), "File not found");
}

TEST(FileErrors, OverlongNameIsInvalidFilename) {
    TempDir dir;
    const int code = CodeOf(SaveCsvTabbed(dir.file(std::string(300, 'x') + ".csv"), Received("a\r", false),
                                   kDataLogger));
    EXPECT_EQ(code, ENAMETOOLONG);
    EXPECT_EQ(FileErrorText(code), "Invalid filename");
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(FileErrors, SymbolicLinkKeepsTheLinkAndReplacesItsFile) {
    TempDir dir;
    WriteFileBytes(dir.file("real.csv"), "old");
    std::filesystem::create_symlink("real.csv", dir.file("Alarm.csv"));
    const TerminalText text = Received(kAlarmReply, kAlarm);
    ASSERT_EQ(CodeOf(SaveCsvTabbed(dir.file("Alarm.csv"), text, kAlarm)), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Alarm.csv")));
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("Alarm.csv")), "real.csv");
    EXPECT_EQ(ReadFileBytes(dir.file("real.csv")),
              "TP 1\r\nS 7\r\nNo\tt\tI\tIdL\r\n5\t\tt\tI\tx\r\n");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"Alarm.csv", "real.csv"}));
}

}  // namespace
