#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "AtomicFile.h"
#include "ChildProcess.h"
#include "CsvTestSupport.h"
#include "StatusCode.h"
#include "TempDir.h"

using travik::WriteFileAtomically;

namespace {

mode_t PermissionsOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

mode_t CurrentUmask() {
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

TEST(AtomicFile, NewFileGetsContentAndTheUsualPermissions) {
    TempDir dir;
    const std::string bytes("line\r\n\0\xff", 8);
    ASSERT_EQ(CodeOf(WriteFileAtomically(dir.file("new.csv"), bytes)), 0);
    EXPECT_EQ(ReadFileBytes(dir.file("new.csv")), bytes);
    EXPECT_EQ(PermissionsOf(dir.file("new.csv")), 0666 & ~CurrentUmask());
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"new.csv"});
}

TEST(AtomicFile, ReplacingKeepsThePermissionsOfTheOldFile) {
    TempDir dir;
    const std::string target = dir.file("old.csv");
    WriteFileBytes(target, std::string(5000, 'o'));
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(CodeOf(WriteFileAtomically(target, "short")), 0);
    EXPECT_EQ(ReadFileBytes(target), "short");
    EXPECT_EQ(PermissionsOf(target), 0640u);
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"old.csv"});
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

TEST(AtomicFile, EveryHardLinkedNameShowsTheNewContent) {
    TempDir dir;
    const std::string target = dir.file("today.csv");
    WriteFileBytes(target, "the old content, longer than the new");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(link(target.c_str(), dir.file("archive.csv").c_str()), 0);
    const ino_t before = InodeOf(target);
    ASSERT_EQ(CodeOf(WriteFileAtomically(target, "short")), 0);
    EXPECT_EQ(ReadFileBytes(target), "short");
    EXPECT_EQ(ReadFileBytes(dir.file("archive.csv")), "short");
    EXPECT_EQ(InodeOf(target), before);
    EXPECT_EQ(PermissionsOf(target), 0640u);
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"today.csv", "archive.csv"}));
}

TEST(AtomicFile, RelativeNameIsWrittenInTheCurrentFolder) {
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const int code = CodeOf(WriteFileAtomically("here.csv", "x"));
    std::filesystem::current_path(previous);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(dir.file("here.csv")), "x");
}

TEST(AtomicFile, ChainOfLinksReplacesTheLastFileAndKeepsEveryLink) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    WriteFileBytes(dir.file("sub/real.csv"), "old");
    std::filesystem::create_symlink("sub/real.csv", dir.file("middle"));
    std::filesystem::create_symlink(dir.file("middle"), dir.file("first.csv"));
    ASSERT_EQ(CodeOf(WriteFileAtomically(dir.file("first.csv"), "new")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("first.csv")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("middle")));
    EXPECT_EQ(ReadFileBytes(dir.file("sub/real.csv")), "new");
    EXPECT_EQ(FilesIn(dir.file("sub")), std::set<std::string>{"real.csv"});
}

TEST(AtomicFile, DanglingLinkCreatesTheFileItNames) {
    TempDir dir;
    std::filesystem::create_symlink("target.csv", dir.file("link.csv"));
    ASSERT_EQ(CodeOf(WriteFileAtomically(dir.file("link.csv"), "made")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.csv")));
    EXPECT_EQ(ReadFileBytes(dir.file("target.csv")), "made");
}

// A folder like /tmp (everyone writes, only owners delete) holding `link` -> `pointsTo`,
// the link owned by `linkOwner`.
std::string PlantLinkInSharedFolder(const TempDir& dir, const std::string& pointsTo,
                                    uid_t linkOwner) {
    const std::string shared = dir.file("shared");
    std::filesystem::create_directory(shared);
    EXPECT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string link = shared + "/Alarm.csv";
    std::filesystem::create_symlink(pointsTo, link);
    EXPECT_EQ(lchown(link.c_str(), linkOwner, static_cast<gid_t>(-1)), 0) << errno;
    return link;
}

bool CanGiveFilesAway() {
    return geteuid() == 0;
}

TEST(AtomicFile, AnotherUsersLinkInASharedFolderIsNotFollowed) {
    if (!CanGiveFilesAway()) GTEST_SKIP() << "needs root to give the link to another user";
    TempDir dir;
    const std::string victim = dir.file("owned-by-me.csv");
    WriteFileBytes(victim, "mine");
    const std::string link = PlantLinkInSharedFolder(dir, victim, kOrdinaryUser);
    EXPECT_EQ(CodeOf(WriteFileAtomically(link, "planted")), EACCES);
    EXPECT_EQ(ReadFileBytes(victim), "mine");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"owned-by-me.csv", "shared"}));
    EXPECT_EQ(FilesIn(dir.file("shared")), std::set<std::string>{"Alarm.csv"});
}

TEST(AtomicFile, AnotherUsersDanglingLinkInASharedFolderCreatesNothing) {
    if (!CanGiveFilesAway()) GTEST_SKIP() << "needs root to give the link to another user";
    TempDir dir;
    const std::string link = PlantLinkInSharedFolder(dir, dir.file("made.csv"), kOrdinaryUser);
    EXPECT_EQ(CodeOf(WriteFileAtomically(link, "planted")), EACCES);
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"shared"});
    EXPECT_EQ(FilesIn(dir.file("shared")), std::set<std::string>{"Alarm.csv"});
}

TEST(AtomicFile, LinksOfTheSaverAndOfTheSharedFolderOwnerAreFollowed) {
    TempDir dir;
    const std::string target = dir.file("real.csv");
    WriteFileBytes(target, "old");
    const std::string link = PlantLinkInSharedFolder(dir, target, geteuid());
    ASSERT_EQ(CodeOf(WriteFileAtomically(link, "mine")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), "mine");
    if (!CanGiveFilesAway()) return;
    const auto sameGroup = static_cast<gid_t>(-1);
    ASSERT_EQ(chown(dir.file("shared").c_str(), kOrdinaryUser, sameGroup), 0);
    ASSERT_EQ(lchown(link.c_str(), kOrdinaryUser, sameGroup), 0);
    ASSERT_EQ(CodeOf(WriteFileAtomically(link, "by the folder's owner")), 0);
    EXPECT_EQ(ReadFileBytes(target), "by the folder's owner");
}

TEST(AtomicFile, LinkLoopFailsWithoutWriting) {
    TempDir dir;
    std::filesystem::create_symlink("b", dir.file("a"));
    std::filesystem::create_symlink("a", dir.file("b"));
    EXPECT_EQ(CodeOf(WriteFileAtomically(dir.file("a"), "x")), ELOOP);
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"a", "b"}));
}

TEST(AtomicFile, EmptyNameIsFileNotFound) {
    EXPECT_EQ(CodeOf(WriteFileAtomically("", "x")), ENOENT);
}

TEST(AtomicFile, PathThroughAFileIsRefused) {
    TempDir dir;
    WriteFileBytes(dir.file("plain"), "p");
    EXPECT_EQ(CodeOf(WriteFileAtomically(dir.file("plain/x.csv"), "x")), ENOTDIR);
    EXPECT_EQ(ReadFileBytes(dir.file("plain")), "p");
}

TEST(AtomicFile, ReadOnlyFileIsNotReplaced) {
    TempDir dir;
    const std::string target = dir.file("locked.csv");
    WriteFileBytes(target, "keep me");
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const int code =
        RunWithoutRootOverride([&] { return CodeOf(WriteFileAtomically(target, "new")); });
    EXPECT_EQ(code, EACCES);
    EXPECT_EQ(ReadFileBytes(target), "keep me");
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"locked.csv"});
}

TEST(AtomicFile, FifoWithoutReaderFailsAtOnce) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(CodeOf(WriteFileAtomically(dir.file("pipe"), "x")), ENXIO);
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"pipe"});
}

TEST(AtomicFile, FifoWithReaderIsWrittenDirectly) {
    TempDir dir;
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // More than a pipe holds, so the writer must wait for the reader.
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes += static_cast<char>('a' + i % 26);
    std::string received;
    std::thread reader([&] { received = ReadFileBytes(pipe); });
    int code = ENXIO;
    // The reader may not have opened its end yet.
    for (int attempt = 0; attempt < 5000 && code == ENXIO; ++attempt) {
        code = CodeOf(WriteFileAtomically(pipe, bytes));
        if (code == ENXIO) usleep(1000);
    }
    reader.join();
    ASSERT_EQ(code, 0);
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"pipe"});
}

TEST(AtomicFile, DeviceIsWrittenDirectlyNeverReplaced) {
    if (access("/dev/null", W_OK) != 0) GTEST_SKIP() << "no /dev/null here";
    EXPECT_EQ(CodeOf(WriteFileAtomically("/dev/null", "gone")), 0);
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
