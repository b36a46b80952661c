#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "Settings.h"
#include "TempDir.h"

using travik::SettingsFilePath;

namespace {

// Sets or clears an environment variable for one test and restores it after.
class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
    }
    ~EnvironmentVariable() {
        if (saved_) {
            setenv(name_, saved_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

    void set(const std::string& value) { setenv(name_, value.c_str(), 1); }
    void clear() { unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

class SettingsFilePathTest : public testing::Test {
protected:
    EnvironmentVariable configHome_{"XDG_CONFIG_HOME"};
    EnvironmentVariable home_{"HOME"};
};

}  // namespace

TEST_F(SettingsFilePathTest, AnAbsoluteConfigHomeIsUsed) {
    home_.set("/home/someone");
    configHome_.set("/srv/config");
    EXPECT_EQ(SettingsFilePath(), "/srv/config/TravikReadout.ini");
    configHome_.set("/srv/config//");
    EXPECT_EQ(SettingsFilePath(), "/srv/config/TravikReadout.ini");
    configHome_.set("/");
    EXPECT_EQ(SettingsFilePath(), "/TravikReadout.ini");
}

TEST_F(SettingsFilePathTest, AnEmptyMissingOrRelativeConfigHomeFallsBackToHome) {
    home_.set("/home/someone");
    configHome_.clear();
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/TravikReadout.ini");
    configHome_.set("");
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/TravikReadout.ini");
    configHome_.set("relative/config");
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/TravikReadout.ini");
    home_.set("/home/someone/");
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/TravikReadout.ini");
}

TEST_F(SettingsFilePathTest, WithoutHomeTheAccountsFolderIsUsed) {
    const passwd* account = getpwuid(getuid());
    if (!account || !account->pw_dir || account->pw_dir[0] == '\0') {
        GTEST_SKIP() << "no account entry";
    }
    const std::string accountHome = account->pw_dir;
    configHome_.clear();
    home_.clear();
    const std::string expected =
        (accountHome == "/" ? std::string() : accountHome) + "/.config/TravikReadout.ini";
    EXPECT_EQ(SettingsFilePath(), expected);
}

TEST_F(SettingsFilePathTest, FindingThePathCreatesNoFolder) {
    TempDir dir;
    configHome_.set(dir.file("not-yet"));
    EXPECT_EQ(SettingsFilePath(), dir.file("not-yet/TravikReadout.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("not-yet")));
}
