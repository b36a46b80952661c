// Saved readouts read back from hand-written files: each kind the program and
// travik-read write, the readout kind each tells, and every file refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CsvExport.h"
#include "CsvTestSupport.h"
#include "ReadoutFile.h"
#include "Table.h"
#include "TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SimProcess.h"
#endif
#ifdef __linux__
#include <sys/inotify.h>

#include "FileDescriptor.h"
#endif

namespace {

using namespace travik;

// Short first lines, so that the header rule reaches the title line.
const std::string kAlarmReply =
    "TP 2000\r\n09.12.26\r\nNo\tt\tI\tIdL\tText\tValue\r\n"
    "1\t01.03.2024 06:10:00\t3\t1101\t\xDC"
    "bertemp.\t95,5\r\n"
    "2\t01.03.2024 07:00:00\t1\t1601\tNetzausfall\t\r\n";
const std::string kDataReply =
    "TP 2000\r\n09.12.26\r\nNo\tDate\tTime\tValue1\tEvent\r\n"
    "1\t01.03.2024\t06:00:00\t20,5\t\r\n"
    "2\t01.03.2024\t06:15:00\t21,0\tL\xFC"
    "fter \"an\"; 2\r\n";

std::string withoutLf(const std::string& reply) {
    std::string out;
    for (const char c : reply)
        if (c != '\n') out += c;
    return out;
}

// travik-read's standard output: the terminal text, each CR written as LF.
std::string textOutput(const TerminalText& terminal) {
    std::string out = terminal.bytes();
    for (char& c : out)
        if (c == '\r') c = '\n';
    return out;
}

SavedReadout read(const std::string& bytes) {
    std::optional<SavedReadout> readout = ReadSavedReadout(bytes);
    EXPECT_TRUE(readout.has_value());
    return readout.value_or(SavedReadout{});
}

TEST(ReadSavedReadout, TabbedAlarmFileGivesBackTheReadoutsTerminalText) {
    const TerminalText received = Received(kAlarmReply, true);
    ASSERT_FALSE(received.insertedTabs().empty());  // the header rule did put TABs in
    const std::string file = TabbedCsvText(received, true);
    const SavedReadout readout = read(file);
    EXPECT_EQ(readout.fileKind, SavedFileKind::TabbedCsv);
    EXPECT_FALSE(readout.kind.has_value());  // a tabbed file does not tell
    const TerminalText terminal = TerminalOf(readout, ReadoutKind::AlarmBuffer);
    EXPECT_EQ(terminal.bytes(), received.bytes());
    EXPECT_EQ(terminal.insertedTabs(), received.insertedTabs());
    EXPECT_EQ(TabbedCsvText(terminal, true), file);
    // Read as a data logger: the device's text as it stands.
    EXPECT_EQ(TerminalOf(readout, ReadoutKind::DataLogger).bytes(), withoutLf(kAlarmReply));
}

TEST(ReadSavedReadout, TabbedDataFileReadsBackToTheSameFileAndTable) {
    const TerminalText received = Received(kDataReply, false);
    const std::string file = TabbedCsvText(received, false);
    const SavedReadout readout = read(file);
    const TerminalText terminal = TerminalOf(readout, ReadoutKind::DataLogger);
    EXPECT_EQ(terminal.bytes(), received.bytes());
    EXPECT_EQ(TabbedCsvText(terminal, false), file);
    EXPECT_EQ(CutTable(terminal.bytes()).titles, CutTable(received.bytes()).titles);
}

TEST(ReadSavedReadout, SeparatedFilesTellTheKindByTheirFields) {
    for (const char separator : {',', ';'}) {
        const TerminalText alarm = Received(kAlarmReply, true);
        const std::string alarmFile = SeparatedCsvText(alarm, true, separator);
        const SavedReadout a = read(alarmFile);
        EXPECT_EQ(a.fileKind, SavedFileKind::SeparatedCsv);
        EXPECT_EQ(a.separator, separator);
        EXPECT_EQ(a.kind, ReadoutKind::AlarmBuffer);
        EXPECT_EQ(SeparatedCsvText(TerminalOf(a, ReadoutKind::AlarmBuffer), true, separator),
                  alarmFile);

        const TerminalText data = Received(kDataReply, false);
        const std::string dataFile = SeparatedCsvText(data, false, separator);
        const SavedReadout d = read(dataFile);
        EXPECT_EQ(d.fileKind, SavedFileKind::SeparatedCsv);
        EXPECT_EQ(d.kind, ReadoutKind::DataLogger);
        const TerminalText terminal = TerminalOf(d, ReadoutKind::DataLogger);
        EXPECT_EQ(SeparatedCsvText(terminal, false, separator), dataFile);
        // The quoted fields come back whole: "3,5" with commas, the quotes and ";" with either.
        const Table table = CutTable(terminal.bytes());
        ASSERT_EQ(table.rowCount(), 2u);
        EXPECT_EQ(table.cell(0, 2), "06:00:00");
        EXPECT_EQ(table.titles, (std::vector<std::string>{"No", "Date", "Time"}));
    }
}

TEST(ReadSavedReadout, HandWrittenSemicolonFileWithQuotes) {
    const std::string file =
        "Travik DL;V3\r\n"
        "01.03.2024\r\n"
        "No;Date;Time\r\n"
        "1;\"a;b\";\"say \"\"hi\"\"\"\r\n"
        "2;;\r\n";
    const SavedReadout readout = read(file);
    EXPECT_EQ(readout.fileKind, SavedFileKind::SeparatedCsv);
    EXPECT_EQ(readout.separator, ';');
    EXPECT_EQ(readout.kind, ReadoutKind::DataLogger);
    EXPECT_EQ(readout.deviceText,
              "Travik DL\tV3\r01.03.2024\rNo\tDate\tTime\r1\ta;b\tsay \"hi\"\r2\t\t\r");
}

// Every line end written as `lineEnd` instead of CR LF.
std::string withLineEnds(const std::string& file, const std::string& lineEnd) {
    std::string out;
    for (std::size_t at = 0; at < file.size(); ++at) {
        if (file.compare(at, 2, "\r\n") == 0) {
            out += lineEnd;
            ++at;
        } else {
            out += file[at];
        }
    }
    return out;
}

TEST(ReadSavedReadout, EachKindReadsTheSameWithEveryLineEnd) {
    const TerminalText alarm = Received(kAlarmReply, true);
    const TerminalText data = Received(kDataReply, false);
    struct File {
        std::string bytes;
        SavedFileKind kind;
        ReadoutKind readoutKind;
    };
    const File files[] = {
        {TabbedCsvText(data, false), SavedFileKind::TabbedCsv, ReadoutKind::DataLogger},
        {TabbedCsvText(alarm, true), SavedFileKind::TabbedCsv, ReadoutKind::AlarmBuffer},
        {SeparatedCsvText(alarm, true, ';'), SavedFileKind::SeparatedCsv, ReadoutKind::AlarmBuffer},
        {SeparatedCsvText(data, false, ','), SavedFileKind::SeparatedCsv, ReadoutKind::DataLogger},
    };
    for (const File& file : files) {
        const TerminalText expected = TerminalOf(read(file.bytes), file.readoutKind);
        // LF alone with TABs is travik-read's text, which shows the same table.
        for (const std::string lineEnd : {"\n", "\r", "\r\r\n"}) {
            const std::string converted = withLineEnds(file.bytes, lineEnd);
            const SavedReadout readout = read(converted);
            const bool text = lineEnd == "\n" && file.kind == SavedFileKind::TabbedCsv;
            EXPECT_EQ(readout.fileKind, text ? SavedFileKind::TextOutput : file.kind) << converted;
            const TerminalText terminal = TerminalOf(readout, file.readoutKind);
            EXPECT_EQ(terminal.bytes(), expected.bytes()) << converted;
            if (!text) {
                EXPECT_EQ(TabbedCsvText(terminal, true), TabbedCsvText(expected, true));
            }
        }
    }
}

TEST(ReadSavedReadout, QuotedFieldsAsSpreadsheetsWriteThem) {
    struct Case {
        std::string file;
        std::string device;
    };
    const Case cases[] = {
        // Doubled quotes, separators and both line ends inside quotes; LF line ends.
        {"T;V\nS\nNo;Date;Text\n1;\"a;b\";\"say \"\"hi\"\"\"\n2;\"two\r\nlines\";\"x\ny\"\n",
         "T\tV\rS\rNo\tDate\tText\r1\ta;b\tsay \"hi\"\r2\ttwo lines\tx y\r"},
        // Quoted empty fields, a last line without its line end, commas.
        {"T\r\nS\r\nA,B,C,D,E\r\n\"\",,\"\"\"\",\"3,5\",\"\"",
         "T\rS\rA\tB\tC\tD\tE\r\t\t\"\t3,5\t"},
        // A quoted TAB is a space, as a quoted line break is.
        {"T\r\nS\r\nA,B,C\r\n1,\"a\tb\",3\r\n", "T\rS\rA\tB\tC\r1\ta b\t3\r"},
        // A blank line among the rows counts no fields.
        {"T\r\nS\r\nA;B;C\r\n\r\n1;2;3\r\n", "T\rS\rA\tB\tC\r\r1\t2\t3\r"},
    };
    for (const Case& c : cases) {
        const SavedReadout readout = read(c.file);
        EXPECT_EQ(readout.fileKind, SavedFileKind::SeparatedCsv) << c.file;
        EXPECT_EQ(readout.deviceText, c.device) << c.file;
    }
}

TEST(ReadSavedReadout, SeparatorsThatMakeNoSenseAreSaidWithTheirLine) {
    using What = SeparatorTrouble::What;
    std::string goodRows;
    for (int row = 4; row < 37; ++row) goodRows += std::to_string(row) + ";2;3\r\n";
    struct Case {
        std::string file;
        What what;
        std::size_t line;
        std::size_t fields;
    };
    const Case cases[] = {
        {"a\r\nb\r\nx;y;z\r\n" + goodRows + "1;\"2;3\r\n4;5;6\r\n", What::QuoteNotClosed, 37, 0},
        {"a\r\nb\r\nx;y;z\r\n1;2\"x;3\r\n", What::QuoteInsideField, 4, 0},
        {"a\r\nb\r\nx;y;z\r\n1;\"2\"x;3\r\n", What::QuoteInsideField, 4, 0},
        {"a\nb\nx;y;z\n1;2;3;4\n", What::RowFields, 4, 4},
        {"a\nb\nx;y;z;w\n1;2;3;4\n", What::TitleFields, 3, 4},
        // A quoted TAB is no column break: the row is still short by one.
        {"\"a\tb\"\nc\nx;y;z\n1;2\n", What::RowFields, 4, 2},
        {"a;b\r\nc\r\n", What::NoTitleLine, 3, 0},
        // A letter with a comma in it.
        {"Dear Sir,\r\nthank you for the parts.\r\n", What::NoTitleLine, 3, 0},
        // Neither separator works: the one understood further is told.
        {"a\nb\nx;y,z;w\n1;2,3;4\n5;6,7\n", What::RowFields, 5, 2},
    };
    for (const Case& c : cases) {
        const SavedReadout readout = read(c.file);
        EXPECT_EQ(readout.fileKind, SavedFileKind::Unseparated) << c.file;
        EXPECT_EQ(readout.trouble.what, c.what) << c.file;
        EXPECT_EQ(readout.trouble.line, c.line) << c.file;
        EXPECT_EQ(readout.trouble.fields, c.fields) << c.file;
        EXPECT_FALSE(readout.kind.has_value());
        // Each line as it stands, one column.
        const Table table = CutTable(TerminalOf(readout, ReadoutKind::AlarmBuffer).bytes());
        EXPECT_LE(table.columnCount(), 1u) << c.file;
    }
}

TEST(ReadSavedReadout, UnicodeFilesAreReadIntoTheDevicesCodePage) {
    // "Lüfter 5 €" and "Ω", which the code page has no place for.
    const std::string device =
        "T\rS\rNo\tText\r1\tL\xFC"
        "fter 5 \x80\r2\t?\r";
    const std::u16string text = u"T\r\nS\r\nNo\tText\r\n1\tL\u00FCfter 5 \u20AC\r\n2\t\u03A9\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (const char16_t unit : text) {
        le += static_cast<char>(unit & 0xFF);
        le += static_cast<char>(unit >> 8);
        be += static_cast<char>(unit >> 8);
        be += static_cast<char>(unit & 0xFF);
    }
    const std::string utf8 =
        "T\r\nS\r\nNo\tText\r\n1\tL\xC3\xBC"
        "fter 5 \xE2\x82\xAC\r\n2\t\xCE\xA9\r\n";
    struct Case {
        std::string file;
        TextEncoding encoding;
    };
    for (const Case& c :
         {Case{"\xEF\xBB\xBF" + utf8, TextEncoding::Utf8}, Case{utf8, TextEncoding::Utf8},
          Case{le, TextEncoding::Utf16}, Case{be, TextEncoding::Utf16}}) {
        const SavedReadout readout = read(c.file);
        EXPECT_EQ(readout.encoding, c.encoding);
        EXPECT_EQ(readout.fileKind, SavedFileKind::TabbedCsv);
        EXPECT_EQ(readout.deviceText, device);
        EXPECT_EQ(readout.replaced, 1u);
    }
    // The byte order mark is no character of the first line.
    const SavedReadout bom = read("\xEF\xBB\xBFT;1\r\nS\r\nA;B;C\r\n1;2;3\r\n");
    EXPECT_EQ(bom.deviceText, "T\t1\rS\rA\tB\tC\r1\t2\t3\r");
    EXPECT_EQ(bom.kind, ReadoutKind::DataLogger);
}

TEST(ReadSavedReadout, SpreadsheetsUnicodeTextIsQuotedAtTabs) {
    // A spreadsheet's "Unicode text": TABs, quotes doubled, a line break kept in quotes.
    const std::u16string text =
        u"T\r\nS\r\nNo\tText\tV\r\n1\t\"L\u00FCfter \"\"an\"\"\"\t\"a\nb\"\r\n2\tx\"y\t\r\n";
    std::string le = "\xFF\xFE";
    for (const char16_t unit : text) {
        le += static_cast<char>(unit & 0xFF);
        le += static_cast<char>(unit >> 8);
    }
    const SavedReadout readout = read(le);
    EXPECT_EQ(readout.fileKind, SavedFileKind::TabbedCsv);
    EXPECT_EQ(readout.deviceText,
              "T\rS\rNo\tText\tV\r1\tL\xFC"
              "fter \"an\"\ta b\r2\tx\"y\t\r");
    // A quote left open: the lines as they stand, and where the quote opened.
    const SavedReadout open =
        read(std::string("\xFF\xFE"
                         "a\0\t\0\"\0b\0",
                         10));
    EXPECT_EQ(open.fileKind, SavedFileKind::Unseparated);
    EXPECT_EQ(open.trouble.what, SeparatorTrouble::What::QuoteNotClosed);
    EXPECT_EQ(open.deviceText, "a\t\"b");
}

TEST(ReadSavedReadout, TextOutputOfAnAlarmBufferShowsItsHeaderTabs) {
    const TerminalText received = Received(kAlarmReply, true);
    const SavedReadout readout = read(textOutput(received));
    EXPECT_EQ(readout.fileKind, SavedFileKind::TextOutput);
    EXPECT_EQ(readout.kind, ReadoutKind::AlarmBuffer);
    const TerminalText terminal = TerminalOf(readout, ReadoutKind::AlarmBuffer);
    EXPECT_EQ(terminal.bytes(), received.bytes());
    EXPECT_EQ(terminal.insertedTabs(), received.insertedTabs());
}

TEST(ReadSavedReadout, TextOutputOfADataLoggerTellsWhenTheHeaderWouldShowTabs) {
    // "\tt" near the start without the alarm buffer's extra TAB: a data logger.
    const TerminalText withT = Received("TP\r\nS\r\nNo\tt\tv\r\n1\t2\t3\r\n", false);
    EXPECT_EQ(read(textOutput(withT)).kind, ReadoutKind::DataLogger);
    // Nothing the header rule acts on: the file does not tell.
    const TerminalText plain = Received(kDataReply, false);
    const SavedReadout readout = read(textOutput(plain));
    EXPECT_EQ(readout.fileKind, SavedFileKind::TextOutput);
    EXPECT_FALSE(readout.kind.has_value());
    EXPECT_EQ(TerminalOf(readout, ReadoutKind::DataLogger).bytes(), plain.bytes());
    EXPECT_EQ(TerminalOf(readout, ReadoutKind::AlarmBuffer).bytes(), plain.bytes());
}

TEST(ReadSavedReadout, BytesOutsideWindows1252AreKeptAsTheyAre) {
    // UTF-8 and the code page's undefined bytes: the cells keep the bytes.
    const SavedReadout readout = read("dev\r\n\x81\x8D\r\nA\tB\r\n\xC3\xBC\t\x9D\r\n");
    const Table table = CutTable(TerminalOf(readout, ReadoutKind::DataLogger).bytes());
    EXPECT_EQ(table.preamble[1], "\x81\x8D");
    EXPECT_EQ(table.cell(0, 0), "\xC3\xBC");
    EXPECT_EQ(table.cell(0, 1), "\x9D");
}

TEST(ReadSavedReadout, NoReadouts) {
    EXPECT_FALSE(ReadSavedReadout("").has_value());
    EXPECT_FALSE(ReadSavedReadout(" \r\n\t\r\n").has_value());
    EXPECT_FALSE(ReadSavedReadout(std::string("a\tb\r\n\0c\r\n", 9)).has_value());
    // The start of a PNG picture and of a program.
    EXPECT_FALSE(ReadSavedReadout(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)).has_value());
    EXPECT_FALSE(ReadSavedReadout(std::string("\x7F"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10))
                     .has_value());
    // A plain letter: no separator on any line.
    EXPECT_FALSE(ReadSavedReadout("Dear Sir\r\nthank you for the parts.\r\n").has_value());
    EXPECT_FALSE(ReadSavedReadout("\xEF\xBB\xBF"
                                  "Dear Sir\nthank you\n")
                     .has_value());
    // Control bytes in plenty, without a 0 byte.
    EXPECT_FALSE(ReadSavedReadout(std::string(100, '\x1B') + "a\tb\r\n").has_value());
    EXPECT_TRUE(ReadSavedReadout("a\x1B\tb\r\nc\td\r\n" + std::string(100, 'x')).has_value());
}

// Real files.

class ReadoutFileOnDisk : public ::testing::Test {
protected:
    OpenedReadout open(const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir_.file(name), bytes);
        return OpenSavedReadout(dir_.file(name));
    }
    TempDir dir_;
};

TEST_F(ReadoutFileOnDisk, EachKindOpens) {
    const TerminalText alarm = Received(kAlarmReply, true);
    EXPECT_EQ(open("Alarm.csv", TabbedCsvText(alarm, true)).refusal, FileRefusal::None);
    const OpenedReadout separated = open("Daten.csv", SeparatedCsvText(alarm, true, ';'));
    EXPECT_EQ(separated.refusal, FileRefusal::None);
    EXPECT_EQ(separated.readout.kind, ReadoutKind::AlarmBuffer);
    const OpenedReadout text = open("alarm.txt", textOutput(alarm));
    EXPECT_EQ(text.refusal, FileRefusal::None);
    EXPECT_EQ(text.readout.fileKind, SavedFileKind::TextOutput);
}

TEST_F(ReadoutFileOnDisk, RefusedFiles) {
    EXPECT_EQ(open("empty.csv", "").refusal, FileRefusal::Empty);
    EXPECT_EQ(open("blank.csv", "\r\n  \r\n").refusal, FileRefusal::Empty);
    EXPECT_EQ(open("bom.csv", "\xEF\xBB\xBF\r\n").refusal, FileRefusal::Empty);
    EXPECT_EQ(open("blank16.csv", std::string("\xFF\xFE \0\r\0\n\0", 8)).refusal,
              FileRefusal::Empty);
    EXPECT_EQ(
        open("picture.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 20)).refusal,
        FileRefusal::NotAReadout);
    const OpenedReadout large = open("large.csv", std::string(kLargestReadoutFile + 1, 'x'));
    EXPECT_EQ(large.refusal, FileRefusal::TooLarge);
    EXPECT_EQ(open("limit.csv", std::string(kLargestReadoutFile - 4, 'x') + "\tx\r\n").refusal,
              FileRefusal::None);
    EXPECT_EQ(OpenSavedReadout(dir_.path()).refusal, FileRefusal::Folder);
    const OpenedReadout gone = OpenSavedReadout(dir_.file("gone.csv"));
    EXPECT_EQ(gone.refusal, FileRefusal::Gone);
    EXPECT_FALSE(gone.status.ok());
    EXPECT_FALSE(gone.status.reason().empty());
}

#ifndef _WIN32
TEST_F(ReadoutFileOnDisk, AFifoOrADeviceIsNoReadoutAndDoesNotWait) {
    ASSERT_EQ(mkfifo(dir_.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(OpenSavedReadout(dir_.file("fifo")).refusal, FileRefusal::NotAReadout);
    EXPECT_EQ(OpenSavedReadout("/dev/null").refusal, FileRefusal::NotAReadout);
}

#ifdef __linux__
// Whether anyone opened `path` since the watch began: the kernel queues the
// event during the open itself, so reading the queue afterwards cannot miss it.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_TRUE(fd_.valid());
        EXPECT_GE(inotify_add_watch(fd_.get(), path.c_str(), IN_OPEN), 0) << path;
    }
    bool opened() {
        alignas(inotify_event) char buffer[4096];
        return ::read(fd_.get(), buffer, sizeof buffer) > 0;
    }

private:
    travik::FileDescriptor fd_;
};

TEST_F(ReadoutFileOnDisk, ADeviceOrFifoBehindACsvLinkIsRefusedWithoutBeingOpened) {
    SimProcess sim({"--fast"});
    ASSERT_EQ(mkfifo(dir_.file("fifo").c_str(), 0600), 0);
    for (const std::string& target : {sim.portPath(), dir_.file("fifo")}) {
        const std::string link = dir_.file("Daten.csv");
        std::remove(link.c_str());
        ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
        OpenWatch watch(target);
        EXPECT_EQ(OpenSavedReadout(link).refusal, FileRefusal::NotAReadout) << target;
        EXPECT_FALSE(watch.opened()) << target;
        // The watch itself sees opens: the old reader's open would have shown.
        const int fd = ::open(link.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        close(fd);
        EXPECT_TRUE(watch.opened()) << target;
    }
}
#endif

TEST_F(ReadoutFileOnDisk, UnreadableFileNamesTheSystemsReason) {
    if (geteuid() != 0) {
        WriteFileBytes(dir_.file("locked.csv"), "a\tb\r\n");
        ASSERT_EQ(chmod(dir_.file("locked.csv").c_str(), 0), 0);
        const OpenedReadout locked = OpenSavedReadout(dir_.file("locked.csv"));
        EXPECT_EQ(locked.refusal, FileRefusal::Unreadable);
        EXPECT_FALSE(locked.status.reason().empty());
    }
#ifdef __linux__
    // A regular file that even root cannot read from its start.
    const OpenedReadout memory = OpenSavedReadout("/proc/self/mem");
    EXPECT_EQ(memory.refusal, FileRefusal::Unreadable);
    EXPECT_FALSE(memory.status.reason().empty());
#endif
}
#endif

}  // namespace
