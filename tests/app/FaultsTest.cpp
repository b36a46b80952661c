// Faults met through the real window: a device that hangs up, sends every byte
// value, nothing or only line feeds; a port someone else holds; hostile or
// unwritable settings files; exports that cannot be written.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "ChildProcess.h"
#include "CsvExport.h"
#include "DeviceReplies.h"
#include "PtyDevice.h"
#include "Readout.h"
#include "Settings.h"
#include "SimProcess.h"
#include "Status.h"

namespace {

namespace fs = std::filesystem;
using travik::TSTestForm;

std::string WithoutLf(std::string bytes) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\n'), bytes.end());
    return bytes;
}

// The terminal text without the TABs the header rule put in.
std::string WithoutInsertedTabs(const travik::TerminalText& text) {
    std::string bytes;
    const auto& inserted = text.insertedTabs();
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!std::binary_search(inserted.begin(), inserted.end(), i)) bytes += text.bytes()[i];
    return bytes;
}

// The file a tabbed export of a data-logger readout holds: every line ended by CR LF.
std::string TabbedFile(const std::string& terminal) {
    std::string file;
    for (const char c : terminal) file += c == '\r' ? std::string("\r\n") : std::string(1, c);
    if (!terminal.empty() && terminal.back() != '\r') file += "\r\n";
    return file;
}

using Contents = std::map<std::string, std::string>;

// Every entry of `folder` with the bytes it reads as; nothing for no folder.
Contents FolderContents(const std::string& folder) {
    Contents contents;
    if (folder.empty()) return contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] = ReadFileBytes(entry.path().string());
    return contents;
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Makes `file` the ordinary user's, so that only the folder's mode keeps it from
// being replaced by an OrdinaryUserScope.
void GiveToOrdinaryUser(const std::string& file) {
    if (geteuid() != 0) return;
    ASSERT_EQ(chown(file.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
}

// While it lives, files written by this process are cut at `bytes` (write fails with EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

class FaultsTest : public WindowTest {
protected:
    std::unique_ptr<TSTestForm> startWithPort(const std::string& port) {
        writeSettings("[com]\ncomID=" + port + "\n");
        return startForm();
    }
    static void click(TSTestForm& form, const char* button) {
        Control<QPushButton>(form, button)->click();
    }
    static QString status(TSTestForm& form) { return Control<QLabel>(form, "Label1")->text(); }
    static int progress(TSTestForm& form) {
        return Control<QProgressBar>(form, "ProgressBar1")->value();
    }
    static bool saveEnabled(TSTestForm& form) {
        return Control<QAction>(form, "CSVDateiabspeichern1")->isEnabled();
    }
    static bool readButtonsEnabled(TSTestForm& form) {
        return Control<QPushButton>(form, "Button1")->isEnabled() &&
               Control<QPushButton>(form, "Button2")->isEnabled();
    }
    // The view's text as held, every character kept (no-break spaces included).
    static QString viewText(TSTestForm& form) {
        QString text = Control<QPlainTextEdit>(form, "RichEdit1")->document()->toRawText();
        text.replace(QChar::ParagraphSeparator, QChar(u'\n'));
        return text;
    }
    // The export through the menu command, the dialog answering `target`.
    std::vector<std::string> exportTo(TSTestForm& form, const std::string& target) {
        dialogs().errors.clear();
        dialogs().saveAnswers.push_back(target);
        Control<QAction>(form, "CSVDateiabspeichern1")->trigger();
        return dialogs().errors;
    }

    TempDir out_;
};

// ---- The device ----

TEST_F(FaultsTest, HangUpHalfWayKeepsTheTextAndTheNextReadoutWorks) {
    const std::string link = out_.file("ttyTravik");
    const std::size_t cut = 1000;
    auto first = std::make_unique<SimProcess>(
        std::vector<std::string>{"--fast", "--hangup-after", std::to_string(cut), "--link", link});
    auto form = startWithPort(link);
    click(*form, "Button2");

    const std::string partial =
        WithoutLf(travik::sim::DataLoggerReply(travik::sim::kDefaultDataRows, 1).substr(0, cut));
    EXPECT_EQ(form->state().terminal.bytes(), partial);
    EXPECT_EQ(viewText(*form), ExpectedView(partial));
    const std::vector<std::string> lost = {"connection lost during Read"};
    EXPECT_EQ(dialogs().messages, lost);
    EXPECT_EQ(status(*form), "connection lost during Read");
    ASSERT_TRUE(saveEnabled(*form));
    EXPECT_TRUE(exportTo(*form, out_.file("partial.csv")).empty());
    EXPECT_EQ(ReadFileBytes(out_.file("partial.csv")), TabbedFile(partial));

    // The device comes back on the same port path.
    EXPECT_EQ(first->exitStatus(), 0);
    first.reset();
    SimProcess second({"--fast", "--rows", "3", "--link", link});
    click(*form, "Button2");
    EXPECT_EQ(form->state().terminal.bytes(), WithoutLf(travik::sim::DataLoggerReply(3, 1)));
    EXPECT_EQ(dialogs().messages, lost) << "no new message";
    EXPECT_EQ(status(*form), "Transmission ready");
    EXPECT_TRUE(saveEnabled(*form));
}

TEST_F(FaultsTest, EveryByteValueShowsExactlyWhatWasKept) {
    {
        // Random bytes: the readout ends at the first 0 byte among them.
        SimProcess sim({"--fast", "--random", "4000", "--seed", "5"});
        const std::string reply = travik::sim::RandomBytes(4000, 5);
        const std::size_t zero = reply.find('\0');
        ASSERT_NE(zero, std::string::npos);
        ASSERT_GT(zero, 1u);
        auto form = startWithPort(sim.portPath());
        click(*form, "Button2");
        const std::string& kept = form->state().terminal.bytes();
        EXPECT_EQ(kept, WithoutLf(reply.substr(0, zero)));
        EXPECT_EQ(viewText(*form), ExpectedView(kept));
        EXPECT_EQ(progress(*form), travik::ProgressPosition(static_cast<std::int32_t>(zero) + 1,
                                                            travik::kDataLimit));
        EXPECT_EQ(status(*form), "Transmission ready");
    }
    {
        // Every value but 0, more than the limit: the readout ends at the limit.
        std::string reply = travik::sim::RandomBytes(2 * travik::kAlarmLimit, 6);
        std::replace(reply.begin(), reply.end(), '\0', '\t');
        WriteFileBytes(out_.file("reply.bin"), reply);
        SimProcess sim({"--fast", "--reply-file", out_.file("reply.bin")});
        auto form = startWithPort(sim.portPath());
        click(*form, "Button1");
        const travik::TerminalText& kept = form->state().terminal;
        EXPECT_EQ(kept.bytes().find('\n'), std::string::npos);
        EXPECT_EQ(WithoutInsertedTabs(kept), WithoutLf(reply.substr(0, travik::kAlarmLimit)));
        EXPECT_EQ(viewText(*form), ExpectedView(kept.bytes()));
        EXPECT_EQ(progress(*form), 100);
        EXPECT_TRUE(dialogs().messages.empty());
    }
}

TEST_F(FaultsTest, SilenceZeroFirstAndOnlyLineFeeds) {
    struct Case {
        const char* what;
        std::vector<std::string> simArgs;
        std::string reply;
        std::int32_t count;  // bytes the readout reads
    };
    const std::string replyFile = out_.file("reply.bin");
    const std::vector<Case> cases = {
        {"never answers", {"--silent"}, "", 1},
        {"a 0 byte first", {"--reply-file", replyFile}, std::string("\0abc\r\n", 6), 1},
        {"only LF bytes", {"--reply-file", replyFile}, std::string(300, '\n') + '\0', 301},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(replyFile, c.reply);
        std::vector<std::string> args = c.simArgs;
        args.push_back("--fast");
        SimProcess sim(args);
        auto form = startWithPort(sim.portPath());
        click(*form, "Button2");
        EXPECT_TRUE(form->state().terminal.empty());
        EXPECT_TRUE(viewText(*form).isEmpty());
        EXPECT_EQ(progress(*form), travik::ProgressPosition(c.count, travik::kDataLimit));
        EXPECT_EQ(status(*form), "Transmission ready");
        // Two bytes read enable the save command, even when none of them is kept.
        const bool enabled = c.count >= 2;
        EXPECT_EQ(saveEnabled(*form), enabled);
        EXPECT_EQ(dialogs().messages, enabled ? std::vector<std::string>{}
                                              : std::vector<std::string>{"timeout during Read"});
        if (enabled) {
            EXPECT_TRUE(exportTo(*form, out_.file("empty.csv")).empty());
            EXPECT_EQ(ReadFileBytes(out_.file("empty.csv")), "");
        }
    }
}

TEST_F(FaultsTest, APortHeldByAnotherOpenerIsRefused) {
    PtyDevice device;
    travik::SerialHandle holder;
    ASSERT_EQ(travik::OpenComPort(holder, device.portPath(), travik::kDeviceBaud,
                                  travik::kQueueSize, [](const std::string&) {}),
              travik::OpenResult::Ok);

    auto form = startWithPort(device.portPath());
    std::vector<std::string> expected = {"invalid handle",
                                         "The last used serial port could not be initialized."};
    EXPECT_EQ(dialogs().messages, expected);
    EXPECT_FALSE(readButtonsEnabled(*form));
    // Beside the box, the status line says why.
    EXPECT_EQ(status(*form),
              QString::fromStdString(device.portPath() + ": in use by another program"));

    auto* selector = Control<QComboBox>(*form, "ComboBox1");
    selector->lineEdit()->setText(QString::fromStdString(device.portPath()));
    PressEnter(selector->lineEdit());
    expected.insert(expected.end(),
                    {"invalid handle", "The last used serial port could not be initialized"});
    EXPECT_EQ(dialogs().messages, expected);
    EXPECT_EQ(status(*form),
              QString::fromStdString(device.portPath() + ": in use by another program"));
    EXPECT_EQ(selector->currentIndex(), -1);
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_TRUE(form->state().ComHandle.isNone());
    EXPECT_FALSE(readButtonsEnabled(*form));

    // Once the other opener lets go, the same selection works.
    holder.close();
    selector->lineEdit()->setText(QString::fromStdString(device.portPath()));
    PressEnter(selector->lineEdit());
    EXPECT_EQ(dialogs().messages.size(), expected.size());
    EXPECT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_TRUE(readButtonsEnabled(*form));
}

// A device that is gone: at start-up, in the window's language, and at the
// reopen of a readout, after the readout's own status text.
TEST_F(FaultsTest, AVanishedPortSaysWhyInTheWindowsLanguage) {
    const std::string gone = out_.file("ttyGone");
    writeSettings("[com]\ncomID=" + gone + "\n[Language]\nLanguage=1\n");
    auto german = startForm();
    EXPECT_EQ(status(*german).toStdString(), gone + ": Ger\u00e4t nicht vorhanden (ausgesteckt?)");
    german.reset();

    auto device = std::make_unique<PtyDevice>();
    const std::string path = device->portPath();
    auto form = startWithPort(path);
    ASSERT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_EQ(status(*form).trimmed(), "");
    device.reset();  // unplugged: the pty's node goes once the readout lets go of it
    click(*form, "Button1");
    EXPECT_EQ(status(*form).toStdString(),
              "Transmission ready \u2013 " + path + ": no such device (unplugged?)");
}

// ---- The settings file ----

TEST_F(FaultsTest, HostileSettingsFilesStartWithDefaultsOrClampedValues) {
    std::string garbage(100000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7 % 256);
    const std::string longLine(5 * 1024 * 1024, '7');
    struct Case {
        const char* what;
        std::string file;
        int separator;
        int language;
        const char* button1;  // the caption shown
        std::vector<std::string> messages;
    };
    const auto numbers = [](const std::string& separator, const std::string& language) {
        return "[sep]\nseparator=" + separator + "\n[Language]\nLanguage=" + language + "\n";
    };
    const std::vector<Case> cases = {
        {"binary garbage", garbage, 0, 0, "readout Alarm Buffer", {}},
        {"largest numbers",
         numbers("2147483647", "0x7FFFFFFF"),
         1,
         3,
         "leer memoria de alarmas",
         {}},
        {"smallest numbers",
         numbers("-2147483648", "-2147483648"),
         -1,
         -1,
         "Alarmspeicher auslesen",
         {}},
        {"numbers too large",
         numbers("99999999999", "-99999999999"),
         0,
         0,
         "readout Alarm Buffer",
         {}},
        {"one 5 MB line", longLine, 0, 0, "readout Alarm Buffer", {}},
        {"a 5 MB port name",
         "[com]\ncomID=/dev/" + longLine + "\n[Language]\nLanguage=1\n",
         0,
         1,
         "Alarmpuffer auslesen",
         {"invalid handle",
          "Die zuletzt verwendete Schnittstelle kann nicht initialisiert werden."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeSettings(c.file);
        auto form = startForm();
        EXPECT_EQ(form->SeparatorIndex(), c.separator);
        EXPECT_EQ(form->LanguageIndex(), c.language);
        EXPECT_EQ(Control<QPushButton>(*form, "Button1")->text().toStdString(), c.button1);
        EXPECT_EQ(dialogs().messages, c.messages);
        EXPECT_TRUE(form->state().ComPortName.empty());

        EXPECT_TRUE(form->close());
        EXPECT_TRUE(dialogs().errors.empty());
        const travik::StoredSettings written = travik::ReadSettings(settingsPath());
        EXPECT_EQ(written.separator, c.separator);
        EXPECT_EQ(written.language, c.language);
        EXPECT_EQ(written.comID, "");
    }
}

TEST_F(FaultsTest, SettingsThatCannotBeWrittenStillClose) {
    const std::string path = settingsPath();
    {
        // A folder in the file's place can be neither read nor replaced.
        fs::create_directory(path);
        auto form = startForm();
        EXPECT_EQ(form->LanguageIndex(), 0);
        EXPECT_EQ(form->SeparatorIndex(), 0);
        EXPECT_TRUE(form->close());
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(dialogs().errors, std::vector<std::string>{"Unable to write to " + path + "."});
        EXPECT_TRUE(fs::is_empty(path));
        fs::remove(path);
    }
    {
        // A folder the user may not write in; the file is the user's own.
        writeSettings("[Language]\nLanguage=1\n");
        GiveToOrdinaryUser(path);
        ASSERT_EQ(chmod(config_.path().c_str(), 0555), 0);
        auto form = startForm();
        EXPECT_EQ(form->LanguageIndex(), 1);
        bool closed = false;
        {
            const OrdinaryUserScope asUser;
            closed = form->close();
        }
        ASSERT_EQ(chmod(config_.path().c_str(), 0700), 0);
        EXPECT_TRUE(closed);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(dialogs().errors, std::vector<std::string>{"Unable to write to " + path + "."});
        EXPECT_EQ(ReadFileBytes(path), "[Language]\nLanguage=1\n");
        EXPECT_EQ(FilesIn(config_.path()), std::set<std::string>{"TravikReadout.ini"});
    }
}

// ---- The export ----

TEST_F(FaultsTest, ExportsThatFailKeepWhatWasThere) {
    SimProcess sim({"--fast", "--rows", "40"});
    auto form = startWithPort(sim.portPath());
    click(*form, "Button2");
    ASSERT_GT(form->state().terminal.size(), 1000u);
    const std::string exported = TabbedFile(form->state().terminal.bytes());

    const std::string readOnly = out_.file("read-only");
    fs::create_directory(readOnly);
    WriteFileBytes(readOnly + "/Data.csv", "old");
    GiveToOrdinaryUser(readOnly + "/Data.csv");
    ASSERT_EQ(chmod(out_.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(readOnly.c_str(), 0555), 0);
    const std::string cutShort = out_.file("cut-short");
    fs::create_directory(cutShort);
    WriteFileBytes(cutShort + "/Data.csv", "old");
    const std::string linked = out_.file("linked");
    fs::create_directory(linked);
    WriteFileBytes(linked + "/real.csv", "old");
    fs::create_symlink("real.csv", linked + "/Data.csv");

    enum class Around { Nothing, OrdinaryUser, SizeLimit };
    struct Case {
        const char* what;
        std::string target;
        Around around;
        std::string error;  // empty: saved
        int code;           // the system's error, whose text the status line shows
    };
    const std::vector<Case> cases = {
        {"read-only folder", readOnly + "/Data.csv", Around::OrdinaryUser, "File access denied.",
         EACCES},
        {"write cut short", cutShort + "/Data.csv", Around::SizeLimit, "I/O error 27.", EFBIG},
        {"full device", "/dev/full", Around::Nothing, "I/O error 28.", ENOSPC},
        {"symbolic link", linked + "/Data.csv", Around::Nothing, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.target == "/dev/full" && access("/dev/full", W_OK) != 0) continue;  // not here
        // The folder a failed export must leave as it was (not /dev: not ours to list).
        const std::string folder = c.target.rfind(out_.path(), 0) == 0
                                       ? fs::path(c.target).parent_path().string()
                                       : std::string();
        const Contents before = FolderContents(folder);
        std::vector<std::string> errors;
        if (c.around == Around::OrdinaryUser) {
            const OrdinaryUserScope asUser;
            errors = exportTo(*form, c.target);
        } else if (c.around == Around::SizeLimit) {
            const FileSizeLimit limit(64);
            errors = exportTo(*form, c.target);
        } else {
            errors = exportTo(*form, c.target);
        }
        if (!c.error.empty()) {
            EXPECT_EQ(errors, std::vector<std::string>{c.error});
            EXPECT_EQ(FolderContents(folder), before);
            EXPECT_EQ(status(*form).toStdString(), travik::SystemErrorText(c.code));
        } else {
            EXPECT_TRUE(errors.empty());
            EXPECT_EQ(status(*form), "");
        }
        // The readout is still there to be saved elsewhere.
        EXPECT_TRUE(saveEnabled(*form));
        EXPECT_EQ(TabbedFile(form->state().terminal.bytes()), exported);
    }
    // Saved through the link: the link stays, the file it names holds the export.
    EXPECT_TRUE(fs::is_symlink(linked + "/Data.csv"));
    EXPECT_EQ(fs::read_symlink(linked + "/Data.csv"), "real.csv");
    EXPECT_EQ(ReadFileBytes(linked + "/real.csv"), exported);
    EXPECT_EQ(FolderContents(linked).size(), 2u);
}

}  // namespace
