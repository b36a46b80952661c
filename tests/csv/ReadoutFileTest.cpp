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

TEST(ReadSavedReadout, RaggedOrBadlyQuotedSeparatedLinesAreReadAsTabbed) {
    // Four fields on one line, a quote left open on another: no export wrote these.
    for (const std::string& file : {std::string("a\r\nb\r\nx;y;z\r\n1;2;3;4\r\n"),
                                    std::string("a\r\nb\r\nx;y;z\r\n1;\"2;3\r\n"),
                                    std::string("a\r\nb\r\nx;y;z\r\n1;2\"x;3\r\n")}) {
        const SavedReadout readout = read(file);
        EXPECT_EQ(readout.fileKind, SavedFileKind::TabbedCsv) << file;
        EXPECT_FALSE(readout.kind.has_value());
    }
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
    EXPECT_EQ(
        open("picture.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 20)).refusal,
        FileRefusal::NotAReadout);
    const OpenedReadout large = open("large.csv", std::string(kLargestReadoutFile + 1, 'x'));
    EXPECT_EQ(large.refusal, FileRefusal::TooLarge);
    EXPECT_EQ(open("limit.csv", std::string(kLargestReadoutFile - 2, 'x') + "\r\n").refusal,
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
