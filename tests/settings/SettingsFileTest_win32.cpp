// The settings file on Windows: the per-user folder, the Windows folder's file
// as the source of earlier values, and names outside the ANSI code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Settings.h"
#include "TempDir.h"

using travik::ReadSettings;
using travik::SettingsFilePath;
using travik::StoredSettings;
using travik::WriteSettings;

namespace fs = std::filesystem;

namespace {

StoredSettings Settings(const std::string& comID, int separator, int language,
                        const std::string& adapter = "") {
    StoredSettings settings;
    settings.comID = comID;
    settings.separator = separator;
    settings.language = language;
    settings.comAdapter = adapter;
    return settings;
}

std::string ReadUtf8Named(const std::string& utf8Path) {
    std::ifstream in(fs::u8path(utf8Path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteUtf8Named(const std::string& utf8Path, const std::string& bytes) {
    std::ofstream out(fs::u8path(utf8Path), std::ios::binary);
    out << bytes;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The Windows folder's TravikReadout.ini, written for one test and removed after.
class WindowsFolderFile {
public:
    explicit WindowsFolderFile(const std::string& text) {
        char folder[MAX_PATH];
        const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
        path_ = std::string(folder, length) + "\\TravikReadout.ini";
        WriteFileBytes(path_, text);
    }
    ~WindowsFolderFile() { DeleteFileA(path_.c_str()); }
    WindowsFolderFile(const WindowsFolderFile&) = delete;
    WindowsFolderFile& operator=(const WindowsFolderFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const char kEarlierSettings[] =
    "[com]\r\ncomID=COM7\r\n[sep]\r\nseparator=1\r\n"
    "[Language]\r\nLanguage=2\r\n";

}  // namespace

TEST(SettingsFilePath, IsInTheUsersApplicationDataFolder) {
    const char* appData = std::getenv("APPDATA");
    ASSERT_NE(appData, nullptr);
    const std::string path = SettingsFilePath();
    EXPECT_EQ(Lower(path), Lower(std::string(appData) + "\\TravikReadout.ini"));
    EXPECT_TRUE(fs::is_directory(fs::u8path(path).parent_path()));
}

TEST(SettingsFile, AMissingFileIsReadFromTheWindowsFolderAndWrittenPerUser) {
    const WindowsFolderFile earlier(kEarlierSettings);
    TempDir dir;
    const std::string perUser = dir.file("TravikReadout.ini");

    const StoredSettings carried = ReadSettings(perUser);
    EXPECT_EQ(carried.comID, "COM7");
    EXPECT_EQ(carried.separator, 1);
    EXPECT_EQ(carried.language, 2);
    EXPECT_FALSE(fs::exists(perUser));

    ASSERT_TRUE(WriteSettings(perUser, Settings("COM5", 0, 3)).ok());
    const StoredSettings own = ReadSettings(perUser);
    EXPECT_EQ(own.comID, "COM5");
    EXPECT_EQ(own.separator, 0);
    EXPECT_EQ(own.language, 3);
    EXPECT_EQ(ReadFileBytes(earlier.path()), kEarlierSettings);
}

TEST(SettingsFile, AnExistingPerUserFileIsReadEvenWhenEmpty) {
    const WindowsFolderFile earlier(kEarlierSettings);
    TempDir dir;
    WriteFileBytes(dir.file("TravikReadout.ini"), "");
    const StoredSettings read = ReadSettings(dir.file("TravikReadout.ini"));
    EXPECT_EQ(read.comID, "");
    EXPECT_EQ(read.separator, 0);
    EXPECT_EQ(read.language, 0);
}

TEST(SettingsFile, WritingKeepsTheOtherKeysAndSections) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[other]\r\nkept=yes\r\n[com]\r\ncomID=COM1\r\nextra=1\r\n");
    ASSERT_TRUE(WriteSettings(path, Settings("COM12", 1, 1)).ok());
    const std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("[other]\r\nkept=yes\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("comID=COM12\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("extra=1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Language]\r\nLanguage=1\r\n"), std::string::npos) << text;
}

TEST(SettingsFile, AFolderNamedOutsideTheAnsiCodePage) {
    TempDir dir;
    const std::string folder = dir.file("\xc5\x81ukasz");  // "Łukasz"
    fs::create_directory(fs::u8path(folder));
    const std::string path = folder + "\\TravikReadout.ini";
    WriteUtf8Named(path, "[keep]\r\nthis=1\r\n");
    ASSERT_TRUE(WriteSettings(path, Settings("COM5", 1, 2)).ok());
    const StoredSettings read = ReadSettings(path);
    EXPECT_EQ(read.comID, "COM5");
    EXPECT_EQ(read.separator, 1);
    EXPECT_EQ(read.language, 2);
    EXPECT_NE(ReadUtf8Named(path).find("[keep]\r\nthis=1\r\n"), std::string::npos);
}

TEST(SettingsFile, APathThatIsNotUtf8IsRefusedAndReadsAsDefaults) {
    TempDir dir;
    const std::string path = dir.file("\xc5.ini");
    EXPECT_EQ(WriteSettings(path, Settings("COM5", 1, 2)).code(), ERROR_INVALID_NAME);
    EXPECT_EQ(ReadSettings(path).comID, "");
}

TEST(SettingsFile, TheAdapterIsKeptInTheComSectionAndGoesWhenForgotten) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[other]\r\nkept=yes\r\n[com]\r\ncomID=COM5\r\nextra=1\r\n");
    ASSERT_TRUE(WriteSettings(path, Settings("COM9", 1, 1, "usb:0403:6001:A50285BI")).ok());
    std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("adapter=usb:0403:6001:A50285BI\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[other]\r\nkept=yes\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("extra=1\r\n"), std::string::npos) << text;
    const StoredSettings read = ReadSettings(path);
    EXPECT_EQ(read.comID, "COM9");
    EXPECT_EQ(read.comAdapter, "usb:0403:6001:A50285BI");

    // A typed name carries no adapter: the key goes, the rest stays.
    ASSERT_TRUE(WriteSettings(path, Settings("COM9", 1, 1)).ok());
    text = ReadFileBytes(path);
    EXPECT_EQ(text.find("adapter"), std::string::npos) << text;
    EXPECT_NE(text.find("extra=1\r\n"), std::string::npos) << text;
    EXPECT_EQ(ReadSettings(path).comAdapter, "");

    // A line break cannot be stored: nothing is written.
    EXPECT_FALSE(WriteSettings(path, Settings("COM9", 1, 1, "usb:0403:6001:A\r\n[sep]")).ok());
    EXPECT_EQ(ReadFileBytes(path), text);
}

// The history's switch through the profile functions: the user's spelling of an
// unchanged value stays, a change is written as "0" or "1", the file key never.
TEST(SettingsFile, TheHistorySwitchIsWrittenOnlyWhenItDiffersFromTheFile) {
    TempDir dir;
    const std::string path = dir.file("TravikReadout.ini");
    WriteFileBytes(path, "[history]\r\nstore=yes\r\nfile=D:\\h.sqlite\r\n");
    StoredSettings settings = ReadSettings(path);
    ASSERT_EQ(settings.historyOn, true);
    ASSERT_TRUE(WriteSettings(path, settings).ok());
    EXPECT_NE(ReadFileBytes(path).find("store=yes\r\n"), std::string::npos) << ReadFileBytes(path);

    settings.historyOn = false;
    ASSERT_TRUE(WriteSettings(path, settings).ok());
    const std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("store=0\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("file=D:\\h.sqlite\r\n"), std::string::npos) << text;
    EXPECT_EQ(ReadSettings(path).historyOn, false);

    settings.historyOn.reset();
    ASSERT_TRUE(WriteSettings(path, settings).ok());
    EXPECT_EQ(ReadFileBytes(path), text) << "no value: the file's stays";
}
