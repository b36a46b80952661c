#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <set>
#include <string>

#include "ChildProcess.h"
#include "Settings.h"
#include "StatusCode.h"
#include "TempDir.h"

using travik::ReadSettings;
using travik::StoredSettings;
using travik::WriteSettings;

namespace fs = std::filesystem;

using namespace std::string_literals;

namespace {

StoredSettings Settings(const std::string& comID, int separator, int language) {
    StoredSettings settings;
    settings.comID = comID;
    settings.separator = separator;
    settings.language = language;
    return settings;
}

void ExpectSettings(const StoredSettings& actual, const StoredSettings& expected) {
    EXPECT_EQ(actual.comID, expected.comID);
    EXPECT_EQ(actual.separator, expected.separator);
    EXPECT_EQ(actual.language, expected.language);
}

StoredSettings ReadText(const TempDir& dir, const std::string& text) {
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, text);
    return ReadSettings(path);
}

std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The bytes 0..255 over and over, with no section header among them.
std::string BinaryGarbage(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 256);
    return bytes;
}

// Makes `folder` and `file` the ordinary user's, so that only their modes decide
// what a child run by RunWithoutRootOverride may do with them.
void GiveToOrdinaryUser(const std::string& folder, const std::string& file) {
    if (geteuid() != 0) return;
    ASSERT_EQ(chown(folder.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    ASSERT_EQ(chown(file.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
}

}  // namespace

TEST(ReadSettings, MissingFileGivesDefaultsAndCreatesNothing) {
    TempDir dir;
    const std::string path = dir.file("missing/TravikReadout.ini");
    ExpectSettings(ReadSettings(path), Settings("", 0, 0));
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

TEST(ReadSettings, MissingKeysGiveDefaults) {
    TempDir dir;
    ExpectSettings(ReadText(dir, "[sep]\nseparator=1\n"), Settings("", 1, 0));
    ExpectSettings(ReadText(dir, "[com]\ncomID=COM3\n[Language]\n"), Settings("COM3", 0, 0));
    ExpectSettings(ReadText(dir, ""), Settings("", 0, 0));
}

TEST(ReadSettings, SectionsAndKeysIgnoreCase) {
    TempDir dir;
    ExpectSettings(ReadText(dir, "[COM]\nCOMID=COM4\n[Sep]\nSEPARATOR=1\n[language]\nlanguage=3\n"),
                   Settings("COM4", 1, 3));
}

TEST(ReadSettings, ValuesAreTrimmedAndUnquoted) {
    TempDir dir;
    ExpectSettings(ReadText(dir,
                            "[com]\r\ncomID = \"/dev/tty USB0\" \r\n[sep]\r\nseparator =\t1\r\n"
                            "[Language]\r\nLanguage=  2  \r\n"),
                   Settings("/dev/tty USB0", 1, 2));
}

TEST(ReadSettings, NumbersFollowTheIntegerRules) {
    TempDir dir;
    ExpectSettings(ReadText(dir, "[sep]\nseparator=0x1F\n[Language]\nLanguage=$1F\n"),
                   Settings("", 31, 31));
    ExpectSettings(ReadText(dir, "[sep]\nseparator=-1\n[Language]\nLanguage=7\n"),
                   Settings("", -1, 7));
    for (const char* invalid : {"1.5", "abc", "", "99999999999"}) {
        ExpectSettings(ReadText(dir, std::string("[sep]\nseparator=") + invalid +
                                         "\n[Language]\nLanguage=" + invalid + "\n"),
                       Settings("", 0, 0));
    }
}

TEST(ReadSettings, BinaryGarbageGivesDefaultsOrWhatFollowsIt) {
    TempDir dir;
    const std::string garbage = BinaryGarbage(100000);
    ExpectSettings(ReadText(dir, garbage), Settings("", 0, 0));
    ExpectSettings(ReadText(dir, garbage + "\n[Language]\nLanguage=2\n"), Settings("", 0, 2));
}

TEST(ReadSettings, AFiveMegabyteLine) {
    TempDir dir;
    const std::string line(5 * 1024 * 1024, 'A');
    ExpectSettings(ReadText(dir, line), Settings("", 0, 0));
    ExpectSettings(ReadText(dir, "[com]\ncomID=" + line + "\n[sep]\nseparator=1\n"),
                   Settings(line, 1, 0));
}

TEST(ReadSettings, AnOversizedFileIsReadFromItsBeginning) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[Language]\nLanguage=3\n[sep]\nseparator=12345");
    ASSERT_EQ(truncate(path.c_str(), 17 * 1024 * 1024), 0);  // zeros up to 17 MiB
    // The cut last line is not taken as "separator=12345" followed by zeros.
    ExpectSettings(ReadSettings(path), Settings("", 0, 3));
}

TEST(ReadSettings, AFolderOrAFifoInPlaceOfTheFileGivesDefaults) {
    TempDir dir;
    const std::string folder = dir.file("TravikReadout.ini");
    ASSERT_TRUE(fs::create_directory(folder));
    ExpectSettings(ReadSettings(folder), Settings("", 0, 0));

    const std::string fifo = dir.file("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return ReadSettings(fifo); });
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    ExpectSettings(reading.get(), Settings("", 0, 0));
}

TEST(ReadSettings, AnUnreadableFileGivesDefaults) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[com]\ncomID=COM3\n[Language]\nLanguage=2\n");
    GiveToOrdinaryUser(dir.path(), path);
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    const int language = RunWithoutRootOverride([&] {
        const StoredSettings read = ReadSettings(path);
        return read.comID.empty() && read.separator == 0 ? read.language : 99;
    });
    EXPECT_EQ(language, 0);
}

TEST(WriteSettings, ANewFileHoldsTheThreeSettingsInOrder) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    ASSERT_EQ(CodeOf(WriteSettings(path, Settings("COM3", 1, 2))), 0);
    EXPECT_EQ(ReadFileBytes(path),
              "[com]\ncomID=COM3\n[sep]\nseparator=1\n[Language]\nLanguage=2\n");
}

TEST(WriteSettings, RoundTrip) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    for (const StoredSettings& settings :
         {Settings("/dev/ttyUSB0", 1, 3), Settings("", -1, -1), Settings(" spaced \"name\" ", 7, 0),
          Settings("\"quoted\"", 2147483647, -2147483647 - 1)}) {
        ASSERT_EQ(CodeOf(WriteSettings(path, settings)), 0);
        ExpectSettings(ReadSettings(path), settings);
    }
}

TEST(WriteSettings, KeepsEverythingElseByteForByte) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path,
                   "; written by hand\r\n"
                   "[Window]\r\nleft=10\r\n\r\n"
                   "[COM]\r\n  ComID = COM1   \r\nbaud=19200\r\n"
                   "; about the separator\r\n"
                   "[sep]\r\nseparator=$1\r\n"
                   "[Extra]\r\nkey=value with ; and = signs\r\n");
    ASSERT_EQ(CodeOf(WriteSettings(path, Settings("COM5", 0, 2))), 0);
    EXPECT_EQ(ReadFileBytes(path),
              "; written by hand\r\n"
              "[Window]\r\nleft=10\r\n\r\n"
              "[COM]\r\n  ComID = COM5\r\nbaud=19200\r\n"
              "; about the separator\r\n"
              "[sep]\r\nseparator=0\r\n"
              "[Extra]\r\nkey=value with ; and = signs\r\n"
              "[Language]\r\nLanguage=2\r\n");
}

// A value ends at its first NUL; the junk after it goes when the key is written.
TEST(WriteSettings, AValueWithANulIsCutThereAndTheFileStillWrites) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path,
                   "[com]\ncomID=/dev/ttyUSB0\0junk\n[sep]\nseparator=1\0 2\n"
                   "[Language]\nLanguage=2\n[Other]\nkeep=a\0b\n"s);
    const StoredSettings read = ReadSettings(path);
    ExpectSettings(read, Settings("/dev/ttyUSB0", 1, 2));
    ASSERT_EQ(CodeOf(WriteSettings(path, Settings(read.comID, read.separator, 3))), 0);
    EXPECT_EQ(ReadFileBytes(path),
              "[com]\ncomID=/dev/ttyUSB0\n[sep]\nseparator=1\n"
              "[Language]\nLanguage=3\n[Other]\nkeep=a\0b\n"s);
}

TEST(WriteSettings, KeepsBinaryGarbageAndAHugeLine) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    const std::string original = BinaryGarbage(100000) + std::string(5 * 1024 * 1024, 'B');
    WriteFileBytes(path, original);
    ASSERT_EQ(CodeOf(WriteSettings(path, Settings("COM2", 1, 1))), 0);
    const std::string written = ReadFileBytes(path);
    ASSERT_GE(written.size(), original.size());
    EXPECT_EQ(written.compare(0, original.size(), original), 0);
    EXPECT_EQ(written.substr(original.size()),
              "\n[com]\ncomID=COM2\n[sep]\nseparator=1\n[Language]\nLanguage=1\n");
    ExpectSettings(ReadSettings(path), Settings("COM2", 1, 1));
}

TEST(WriteSettings, CreatesMissingFolders) {
    TempDir dir;
    const std::string path = dir.file("config/travik/TravikReadout.ini");
    ASSERT_EQ(CodeOf(WriteSettings(path, Settings("COM1", 0, 1))), 0);
    ExpectSettings(ReadSettings(path), Settings("COM1", 0, 1));
    EXPECT_EQ(fs::status(dir.file("config")).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(WriteSettings, AFolderThatCannotBeCreatedChangesNothing) {
    TempDir dir;
    const std::string blocker = dir.file("blocker");
    WriteFileBytes(blocker, "not a folder");
    EXPECT_EQ(CodeOf(WriteSettings(blocker + "/sub/TravikReadout.ini", Settings("COM1", 0, 0))),
              ENOTDIR);
    EXPECT_EQ(CodeOf(WriteSettings(blocker + "/TravikReadout.ini", Settings("COM1", 0, 0))),
              ENOTDIR);
    EXPECT_EQ(ReadFileBytes(blocker), "not a folder");
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"blocker"});
}

TEST(WriteSettings, AFolderInPlaceOfTheFileIsLeftAlone) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    ASSERT_TRUE(fs::create_directory(path));
    EXPECT_EQ(CodeOf(WriteSettings(path, Settings("COM1", 0, 0))), EISDIR);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"TravikReadout.ini"});
}

TEST(WriteSettings, AFifoInPlaceOfTheFileIsRefused) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(CodeOf(WriteSettings(path, Settings("COM1", 0, 0))), EINVAL);
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST(WriteSettings, AnOversizedFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[com]\ncomID=COM1\n");
    ASSERT_EQ(truncate(path.c_str(), 17 * 1024 * 1024), 0);
    EXPECT_EQ(CodeOf(WriteSettings(path, Settings("COM2", 0, 0))), EFBIG);
    EXPECT_EQ(fs::file_size(path), 17u * 1024 * 1024);
    EXPECT_EQ(ReadSettings(path).comID, "COM1");
}

TEST(WriteSettings, APortNameWithALineBreakIsRefused) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    const std::string original = "[com]\ncomID=COM1\n";
    WriteFileBytes(path, original);
    EXPECT_EQ(CodeOf(WriteSettings(path, Settings("COM1\n[Language]\nLanguage=3", 0, 0))), EINVAL);
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST(WriteSettings, AnUnwritableFolderGivesEacces) {
    TempDir dir;
    const std::string folder = dir.file("locked");
    ASSERT_TRUE(fs::create_directory(folder));
    const std::string path = folder + "/TravikReadout.ini";
    WriteFileBytes(path, "[com]\ncomID=COM1\n");
    GiveToOrdinaryUser(folder, path);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0500), 0);
    EXPECT_EQ(
        RunWithoutRootOverride([&] { return CodeOf(WriteSettings(path, Settings("COM2", 0, 0))); }),
        EACCES);
    EXPECT_EQ(ReadFileBytes(path), "[com]\ncomID=COM1\n");
    EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"TravikReadout.ini"});
}

TEST(WriteSettings, AnUnreadableFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[other]\nkeep=this\n");
    GiveToOrdinaryUser(dir.path(), path);
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);
    EXPECT_EQ(
        RunWithoutRootOverride([&] { return CodeOf(WriteSettings(path, Settings("COM2", 0, 0))); }),
        EACCES);
    EXPECT_EQ(ReadFileBytes(path), "[other]\nkeep=this\n");
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"TravikReadout.ini"});
}

TEST(AdapterSetting, IsKeptBesideThePortNameAndEverythingElseStays) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path,
                   "[COM]\r\n  ComID = COM5   \r\nbaud=19200\r\n"
                   "[sep]\r\nseparator=$1\r\n[Language]\r\nLanguage=1\r\n");
    StoredSettings settings = Settings("COM9", 1, 1);
    settings.comAdapter = "usb:0403:6001:A50285BI";
    ASSERT_EQ(CodeOf(WriteSettings(path, settings)), 0);
    EXPECT_EQ(ReadFileBytes(path),
              "[COM]\r\n  ComID = COM9\r\nbaud=19200\r\nadapter=usb:0403:6001:A50285BI\r\n"
              "[sep]\r\nseparator=1\r\n[Language]\r\nLanguage=1\r\n");
    EXPECT_EQ(ReadSettings(path).comAdapter, "usb:0403:6001:A50285BI");

    // Forgotten again (a port typed by hand): the key goes, the rest stays.
    settings.comAdapter.clear();
    ASSERT_EQ(CodeOf(WriteSettings(path, settings)), 0);
    EXPECT_EQ(ReadFileBytes(path),
              "[COM]\r\n  ComID = COM9\r\nbaud=19200\r\n"
              "[sep]\r\nseparator=1\r\n[Language]\r\nLanguage=1\r\n");
}

// An adapter value that is no identity reaches the writer as none (the window
// ignores it): it is left out, every line of it, also the file's last line.
TEST(AdapterSetting, AnIgnoredValueIsLeftOutWhenWritten) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    for (const std::string& file :
         {std::string("[com]\ncomID=COM3\nadapter=\x1b[2J\xff\n[sep]\nseparator=1\n"),
          std::string("[com]\nAdapter = x\ncomID=COM3\nadapter=y\n[sep]\nseparator=1\n"),
          std::string("[com]\ncomID=COM3\nadapter=usb:0403\n[sep]\nseparator=1\n"),
          std::string("[sep]\nseparator=1\n[com]\ncomID=COM3\nadapter=bad")}) {
        WriteFileBytes(path, file);
        ASSERT_EQ(CodeOf(WriteSettings(path, Settings("COM4", 1, 2))), 0);
        const std::string written = ReadFileBytes(path);
        EXPECT_EQ(written.find("dapter"), std::string::npos) << written;
        EXPECT_EQ(ReadSettings(path).comID, "COM4");
    }
}

TEST(AdapterSetting, AnOlderFileWithoutItReadsAndWritesAsBefore) {
    TempDir dir;
    const StoredSettings read =
        ReadText(dir, "[com]\ncomID=COM3\n[sep]\nseparator=1\n[Language]\nLanguage=2\n");
    ExpectSettings(read, Settings("COM3", 1, 2));
    EXPECT_EQ(read.comAdapter, "");
    const std::string path = dir.file("TravikReadout.ini");
    ASSERT_EQ(CodeOf(WriteSettings(path, read)), 0);
    EXPECT_EQ(ReadFileBytes(path),
              "[com]\ncomID=COM3\n[sep]\nseparator=1\n[Language]\nLanguage=2\n");
}

// The file's text is handed on as it is; whoever uses it checks it
// (IsAdapterIdentity). What cannot stay on one line is not written.
TEST(AdapterSetting, HostileValuesAreReadAsTextAndLineBreaksNeverWritten) {
    TempDir dir;
    const std::string huge(100000, 'A');
    EXPECT_EQ(ReadText(dir, "[com]\ncomID=COM3\nadapter=usb:0403:6001:" + huge + "\n").comAdapter,
              "usb:0403:6001:" + huge);
    EXPECT_EQ(ReadText(dir, "[com]\nadapter=\x1b[2J\xff\n[sep]\n").comAdapter, "\x1b[2J\xff");
    const StoredSettings twice =
        ReadText(dir, "[com]\nadapter=usb:0403:6001:A\nadapter=usb:0403:6001:B\n");
    EXPECT_TRUE(twice.comAdapter == "usb:0403:6001:A" || twice.comAdapter == "usb:0403:6001:B");

    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[com]\ncomID=COM3\n");
    StoredSettings settings = Settings("COM3", 0, 0);
    settings.comAdapter = "usb:0403:6001:A\n[sep]\nseparator=1";
    EXPECT_NE(CodeOf(WriteSettings(path, settings)), 0);
    EXPECT_EQ(ReadFileBytes(path), "[com]\ncomID=COM3\n");
}

TEST(ReadSettings, TheHistoryKeysAreReadAndKeptWhenTheWindowWrites) {
    struct Case {
        const char* text;
        std::optional<bool> on;
        const char* file;
    };
    const Case cases[] = {
        {"[com]\ncomID=COM3\n", std::nullopt, ""},
        {"[history]\nstore=0\n", false, ""},
        {"[History]\nStore = 00 \nfile=/data/h.sqlite\n", false, "/data/h.sqlite"},
        {"[history]\nstore=1\n", true, ""},
        {"[history]\nstore=yes\n", true, ""},
        {"[history]\nstore=\nfile=\"C:\\h.sqlite\"\n", std::nullopt, "C:\\h.sqlite"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        const std::string path = dir.file("TravikReadout.ini");
        WriteFileBytes(path, c.text);
        const StoredSettings read = ReadSettings(path);
        EXPECT_EQ(read.historyOn, c.on);
        EXPECT_EQ(read.historyFile, c.file);
        // The window writes its own keys only: the user's history keys stay.
        ASSERT_TRUE(WriteSettings(path, read).ok());
        const StoredSettings again = ReadSettings(path);
        EXPECT_EQ(again.historyOn, c.on);
        EXPECT_EQ(again.historyFile, c.file);
    }
}

// The window's own values beside the three (its limits): each key kept, an
// empty value taking the key away, and the window's write on exit keeping them.
TEST(SettingValue, KeptBesideTheSettingsAndThroughTheirWrite) {
    TempDir dir;
    const std::string path = dir.file("folder/TravikReadout.ini");
    EXPECT_EQ(travik::ReadSettingValue(path, "limits", "device-41"), "");
    const struct {
        const char* key;
        std::string value;
    } values[] = {
        {"device-41", "Value1,1.5,2.5,0,0,,"},
        {"device-42ff00", " spaces around; and ;semicolons "},
        {"device-41", "Value1,,3,0,0,,;Druck,0,1,0,0,,"},  // replaced
    };
    for (const auto& value : values) {
        ASSERT_TRUE(travik::WriteSettingValue(path, "limits", value.key, value.value).ok());
        EXPECT_EQ(travik::ReadSettingValue(path, "limits", value.key), value.value);
    }
    ASSERT_TRUE(WriteSettings(path, Settings("/dev/ttyUSB0", 1, 2)).ok());
    ExpectSettings(ReadSettings(path), Settings("/dev/ttyUSB0", 1, 2));
    EXPECT_EQ(travik::ReadSettingValue(path, "limits", "device-41"),
              "Value1,,3,0,0,,;Druck,0,1,0,0,,");
    EXPECT_EQ(travik::ReadSettingValue(path, "limits", "device-42ff00"),
              " spaces around; and ;semicolons ");
    ASSERT_TRUE(travik::WriteSettingValue(path, "limits", "device-41", "").ok());
    EXPECT_EQ(travik::ReadSettingValue(path, "limits", "device-41"), "");
    EXPECT_EQ(ReadSettings(path).comID, "/dev/ttyUSB0");
    // A line break cannot be kept on the file's one line: refused, nothing changed.
    EXPECT_FALSE(travik::WriteSettingValue(path, "limits", "device-43", "a\nb").ok());
    EXPECT_EQ(travik::ReadSettingValue(path, "limits", "device-43"), "");
}

// The window's switch: a value the file already says leaves the user's text as
// it is; another one is written as "0" or "1" and read back; none writes nothing.
TEST(WriteSettings, TheHistorySwitchIsWrittenOnlyWhenItDiffersFromTheFile) {
    struct Case {
        const char* text;
        std::optional<bool> on;
        const char* storeLine;  // in the file written, or nullptr for no store key
    };
    const Case cases[] = {
        {"[com]\ncomID=COM3\n", std::nullopt, nullptr},
        {"[com]\ncomID=COM3\n", false, "store=0\n"},
        {"[com]\ncomID=COM3\n", true, "store=1\n"},
        {"[history]\nstore=yes\nfile=/data/h.sqlite\n", true, "store=yes\n"},
        {"[history]\nstore=yes\nfile=/data/h.sqlite\n", false, "store=0\n"},
        {"[History]\nStore = 00 \n", false, "Store = 00 \n"},
        {"[History]\nStore = 00 \n", true, "1\n"},
        {"[history]\nstore=\n", true, "store=1\n"},
        {"[history]\nstore=\n", std::nullopt, "store=\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        const std::string path = dir.file("TravikReadout.ini");
        WriteFileBytes(path, c.text);
        StoredSettings settings = ReadSettings(path);
        const std::string file = settings.historyFile;
        settings.historyOn = c.on;
        ASSERT_TRUE(WriteSettings(path, settings).ok());
        const std::string written = ReadFileBytes(path);
        if (c.storeLine) {
            EXPECT_NE(written.find(c.storeLine), std::string::npos) << written;
        } else {
            EXPECT_EQ(written.find("store"), std::string::npos) << written;
        }
        const StoredSettings again = ReadSettings(path);
        if (c.on) {
            EXPECT_EQ(again.historyOn, c.on);
        }
        EXPECT_EQ(again.historyFile, file);
    }
}
