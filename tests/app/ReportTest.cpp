// The PDF report from the real window: its name, pages and words, the chart
// drawn in it, and a failed save that keeps the old file.
#include <QAction>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>

#include "AppTestSupport.h"
#include "ChartPage.h"
#include "CsvExport.h"
#include "ReadoutFile.h"
#include "ReadoutReport.h"
#include "SimProcess.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A path as the window writes it: with the system's own separators.
std::string NativePath(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
}

using travik::ReadoutKind;
using travik::TSTestForm;

const std::string kAlarmDevice =
    "TP 2000\r09.12.26 10:00\rNo\tt\tI\tIdL\tText\tValue\r"
    "1\t01.03.2024 06:10:00\t3\t1101\t\xDC"
    "bertemp.\t95,5\r"
    "2\t01.03.2024 07:00:00\t1\t1601\tNetzausfall\t\r"
    "3\t01.03.2024 08:00:00\t2\t1204\tDruck\t1,05\r"
    "4\t01.03.2024 09:00:00\t1\t1601\tNetzausfall\t\r";

int pageCount(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

// How the PDF's document information writes a title: UTF-16 with its byte order mark.
std::string pdfText(const QString& text) {
    std::string bytes = "\xFE\xFF";
    for (const QChar c : text) {
        bytes += static_cast<char>(c.unicode() >> 8);
        bytes += static_cast<char>(c.unicode() & 0xFF);
    }
    return bytes;
}

class ReportTest : public WindowTest {
protected:
    std::string writeAlarmFile(const std::string& name) {
        const travik::TerminalText received =
            travik::ReplayedTerminal(kAlarmDevice, ReadoutKind::AlarmBuffer);
        WriteFileBytes(dir_.file(name), travik::TabbedCsvText(received, true));
        return dir_.file(name);
    }
    static QAction* action(TSTestForm& form, const char* name) {
        return Control<QAction>(form, name);
    }
    TempDir dir_;
};

TEST_F(ReportTest, OpenedAlarmFileGivesAFirstPageAndTheTable) {
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    EXPECT_FALSE(action(*form, "SaveReport1")->isEnabled());
    EXPECT_EQ(action(*form, "SaveReport1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(action(*form, "SaveReport1")->text(), QString::fromUtf8("Bericht speichern…"));
    ASSERT_TRUE(form->openReadoutFile(writeAlarmFile("Alarm.csv")));
    dialogs().saveAnswers.push_back(dir_.file("report.pdf"));
    action(*form, "SaveReport1")->trigger();
    ASSERT_EQ(dialogs().proposals.size(), 1u);
    EXPECT_EQ(dialogs().proposals[0], NativePath(dir_.file("Alarm.pdf")));
    EXPECT_TRUE(dialogs().errors.empty());
    const std::string pdf = ReadFileBytes(dir_.file("report.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(pageCount(pdf), 2);  // the first page, then the table
    EXPECT_NE(pdf.find(pdfText(QString::fromUtf8("Auslesebericht – Alarm.csv"))),
              std::string::npos);
}

TEST_F(ReportTest, FullAlarmReadoutRunsOverPages) {
    SimProcess sim({"--fast"});
    writeSettings("[com]\ncomID=" + sim.portPath() + "\n[Language]\nLanguage=3\n");
    auto form = startForm();
    Control<QPushButton>(*form, "Button1")->click();
    ASSERT_GT(form->table().rowCount(), 150u);
    dialogs().saveAnswers.push_back(dir_.file("full.pdf"));
    action(*form, "SaveReport1")->trigger();
    EXPECT_EQ(dialogs().proposals.at(0), "Alarm.pdf");
    const std::string pdf = ReadFileBytes(dir_.file("full.pdf"));
    // Over 150 rows at some 60 a page, after a first page of chart, figures and alarms.
    EXPECT_GE(pageCount(pdf), 4);
    EXPECT_NE(pdf.find(pdfText(QString::fromUtf8("Informe de lectura – ") +
                               QString::fromStdString(sim.portPath()))),
              std::string::npos);
}

TEST_F(ReportTest, FailedSaveNamesTheReasonAndKeepsTheOldFile) {
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeAlarmFile("Alarm.csv")));
    dialogs().saveAnswers.push_back(dir_.file("missing/report.pdf"));
    action(*form, "SaveReport1")->trigger();
    ASSERT_EQ(dialogs().errors.size(), 1u);
#ifdef _WIN32
    EXPECT_EQ(dialogs().errors[0], "Invalid filename.");  // the system's "path not found"
#else
    EXPECT_EQ(dialogs().errors[0], "File not found.");
#endif
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir locked;
    WriteFileBytes(locked.file("old.pdf"), "old report");
    ASSERT_EQ(chmod(locked.path().c_str(), 0500), 0);
    dialogs().saveAnswers.push_back(locked.file("old.pdf"));
    action(*form, "SaveReport1")->trigger();
    chmod(locked.path().c_str(), 0700);
    ASSERT_EQ(dialogs().errors.size(), 2u);
    EXPECT_EQ(dialogs().errors[1], "File access denied.");
    EXPECT_EQ(ReadFileBytes(locked.file("old.pdf")), "old report");
#endif
}

TEST_F(ReportTest, TheChartIsDrawnOnTheFirstPage) {
    if (!travik::ChartPage::available()) GTEST_SKIP() << "built without charts";
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(writeAlarmFile("Alarm.csv")));
    travik::ReportInput input;
    input.table = std::make_shared<travik::Table>(form->table());
    const QPageSize a4(QPageSize::A4);
    const QImage without = travik::ReportFirstPage(input, a4, 1);
    auto* chart = Control<travik::ChartPage>(*form, "ChartPage1");
    input.paintChart = [chart](QPainter* painter, const QRectF& target) {
        chart->paintChart(painter, target);
    };
    const QImage with = travik::ReportFirstPage(input, a4, 1);
    ASSERT_EQ(with.size(), without.size());
    EXPECT_EQ(with.width(), 595);  // A4 in points
    // The chart's band below the heading lines: empty without, drawn with.
    int differing = 0;
    for (int y = 100; y < 380; ++y)
        for (int x = 0; x < with.width(); ++x) differing += with.pixel(x, y) != without.pixel(x, y);
    EXPECT_GT(differing, 2000);
}

TEST(ReportPageSize, LetterWhereTheCountryUsesIt) {
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::English, QLocale::UnitedStates)).id(),
              QPageSize::Letter);
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::French, QLocale::Canada)).id(),
              QPageSize::Letter);
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::German, QLocale::Germany)).id(),
              QPageSize::A4);
    EXPECT_EQ(travik::ReportPageSize(QLocale(QLocale::English, QLocale::UnitedKingdom)).id(),
              QPageSize::A4);
}

TEST(ReportFileName, TheCsvNameWithPdf) {
    EXPECT_EQ(travik::ReportFileName("Alarm.csv"), "Alarm.pdf");
    EXPECT_EQ(travik::ReportFileName("/a.b/Daten.CSV"), "/a.b/Daten.pdf");
    EXPECT_EQ(travik::ReportFileName("notes.txt"), "notes.txt.pdf");
}

}  // namespace
