// Readouts from the simulator through the real window, and the window's CSV export.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>

#include "AppTestSupport.h"
#include "CsvExport.h"
#include "Readout.h"
#include "Settings.h"
#include "SimProcess.h"
#include "StatusCode.h"

namespace {

using travik::TSTestForm;

class ReadoutTest : public WindowTest {
protected:
    // A started window whose stored port is the simulator's.
    std::unique_ptr<TSTestForm> startWithSimulator(const SimProcess& sim) {
        writeSettings("[com]\ncomID=" + sim.portPath() + "\n");
        return startForm();
    }
    static void clickButton(TSTestForm& form, const char* name) {
        Control<QPushButton>(form, name)->click();
    }
    static int progress(TSTestForm& form) {
        return Control<QProgressBar>(form, "ProgressBar1")->value();
    }
    static QString viewText(TSTestForm& form) {
        return Control<QPlainTextEdit>(form, "RichEdit1")->toPlainText();
    }

    TempDir out_;
};

TEST_F(ReadoutTest, AlarmButtonFillsTheTerminalFromTheSimulator) {
    SimProcess sim({"--fast"});
    auto form = startWithSimulator(sim);
    Control<QTabWidget>(*form, "PageControl1")->setCurrentIndex(1);
    clickButton(*form, "Button1");

    const std::string& bytes = form->state().terminal.bytes();
    // The simulator's alarm buffer is larger than the readout takes.
    EXPECT_GE(bytes.size(), static_cast<std::size_t>(travik::kAlarmLimit) * 9 / 10);
    EXPECT_EQ(progress(*form), 100);
    EXPECT_EQ(viewText(*form), ExpectedView(bytes));
    // The view follows the newest text.
    QScrollBar* scroll = Control<QPlainTextEdit>(*form, "RichEdit1")->verticalScrollBar();
    EXPECT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), scroll->maximum());
    EXPECT_EQ(Control<QLabel>(*form, "Label1")->text(), "Transmission ready");
    EXPECT_TRUE(Control<QAction>(*form, "CSVDateiabspeichern1")->isEnabled());
    EXPECT_EQ(Control<QTabWidget>(*form, "PageControl1")->currentWidget(),
              Control<QWidget>(*form, "TabSheet1"));
    EXPECT_TRUE(form->state().AlarmMode);
    EXPECT_EQ(form->state().CsvFileName, "Alarm.csv");
    EXPECT_TRUE(dialogs().messages.empty());

    clickButton(*form, "Button2");
    EXPECT_FALSE(form->state().AlarmMode);
    EXPECT_EQ(form->state().CsvFileName, "Data.csv");
    EXPECT_EQ(viewText(*form), ExpectedView(form->state().terminal.bytes()));
}

TEST_F(ReadoutTest, ShortReplyShowsItsShareAndItsTextNeverAsMarkup) {
    TRAVIK_SKIP_ON_WINDOWS("needs a simulator giving a reply of its own");
    const std::string reply = "<b>Nr</b>\t&amp;\r\n\x80 <i>caf\xE9</i>\r\n";
    WriteFileBytes(out_.file("reply.bin"), reply);
    SimProcess sim({"--fast", "--reply-file", out_.file("reply.bin")});
    auto form = startWithSimulator(sim);
    clickButton(*form, "Button2");
    EXPECT_EQ(viewText(*form), QString::fromUtf8("<b>Nr</b>\t&amp;\n€ <i>café</i>\n"));
    // Every byte read counts, the LFs and the read that found the gap included.
    EXPECT_EQ(progress(*form), travik::ProgressPosition(static_cast<std::int32_t>(reply.size()) + 1,
                                                        travik::kDataLimit));
    EXPECT_EQ(Control<QLabel>(*form, "Label1")->text(), "Transmission ready");
}

// Rewriting the whole view for every byte takes many seconds: the view is
// brought up to the text a bounded number of times, not once per byte. (How
// fast the readout is, the benchmark measures; a timed test fails under load.)
TEST_F(ReadoutTest, FullUnpacedAlarmReadoutDoesNotRewriteTheViewPerByte) {
    SimProcess sim({"--fast"});
    auto form = startWithSimulator(sim);
    auto* view = Control<QPlainTextEdit>(*form, "RichEdit1");
    int updates = 0;
    QObject::connect(view, &QPlainTextEdit::textChanged, [&updates] { ++updates; });
    clickButton(*form, "Button1");
    EXPECT_EQ(progress(*form), 100);
    EXPECT_GT(updates, 0);
    EXPECT_LT(updates, travik::kAlarmLimit / 10) << updates << " updates";
}

TEST_F(ReadoutTest, ClosingDuringAReadoutEndsItThenCloses) {
    SimProcess sim({});  // paced: the alarm buffer takes about 7.5 s
    auto form = startWithSimulator(sim);
    auto* dataButton = Control<QPushButton>(*form, "Button2");
    int dataClicks = 0;
    QObject::connect(dataButton, &QPushButton::clicked, [&dataClicks] { ++dataClicks; });
    QTimer::singleShot(300, form.get(), [dataButton] {
        const QPointF centre(dataButton->rect().center());
        auto* press =
            new QMouseEvent(QEvent::MouseButtonPress, centre, dataButton->mapToGlobal(centre),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        auto* release =
            new QMouseEvent(QEvent::MouseButtonRelease, centre, dataButton->mapToGlobal(centre),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::postEvent(dataButton, press);
        QApplication::postEvent(dataButton, release);
    });
    QTimer::singleShot(600, form.get(), [&form] { form->close(); });
    QElapsedTimer timer;
    timer.start();
    clickButton(*form, "Button1");

    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->state().ComHandle.isNone());
    EXPECT_FALSE(form->state().terminal.empty());
    EXPECT_LT(form->state().terminal.size(), 14000u);
    // The click on the data-logger button during the readout was dropped.
    QApplication::processEvents();
    EXPECT_EQ(dataClicks, 0);
    EXPECT_TRUE(form->state().AlarmMode);
    EXPECT_EQ(travik::ReadSettings(settingsPath()).comID, sim.portPath());
}

using ExportTest = ReadoutTest;

TEST_F(ExportTest, MenuCommandWritesWhatTheWritersWrite) {
    SimProcess sim({"--fast"});
    auto form = startWithSimulator(sim);
    clickButton(*form, "Button1");
    auto* save = Control<QAction>(*form, "CSVDateiabspeichern1");
    form->setStatusText("Transmission ready");
    dialogs().saveAnswers.push_back(out_.file("tabbed.csv"));
    save->trigger();
    EXPECT_EQ(dialogs().proposals.back(), "Alarm.csv");
    EXPECT_EQ(Control<QLabel>(*form, "Label1")->text(), "");
    EXPECT_EQ(progress(*form), 0);
    ASSERT_EQ(CodeOf(travik::SaveCsvTabbed(out_.file("reference-tabbed.csv"),
                                           form->state().terminal, true)),
              0);
    EXPECT_EQ(ReadFileBytes(out_.file("tabbed.csv")),
              ReadFileBytes(out_.file("reference-tabbed.csv")));

    Control<QRadioButton>(*form, "RadioGroup1Item1")->click();
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    dialogs().saveAnswers.push_back(out_.file("separated.csv"));
    save->trigger();
    ASSERT_EQ(CodeOf(travik::SaveCsvSeparated(out_.file("reference-separated.csv"),
                                              form->state().terminal, true, ';')),
              0);
    const std::string separated = ReadFileBytes(out_.file("separated.csv"));
    EXPECT_EQ(separated, ReadFileBytes(out_.file("reference-separated.csv")));
    EXPECT_NE(separated.find(';'), std::string::npos);
    EXPECT_TRUE(dialogs().errors.empty());
}

TEST_F(ExportTest, CancelWritesNothingAndAFolderTargetGivesTheErrorBox) {
    SimProcess sim({"--fast"});
    auto form = startWithSimulator(sim);
    clickButton(*form, "Button2");
    auto* save = Control<QAction>(*form, "CSVDateiabspeichern1");
    save->trigger();  // no answer queued: cancelled
    EXPECT_EQ(dialogs().proposals.back(), "Data.csv");
    EXPECT_TRUE(std::filesystem::is_empty(out_.path()));
    EXPECT_TRUE(dialogs().errors.empty());

    std::filesystem::create_directory(out_.file("Data.csv"));
    dialogs().saveAnswers.push_back(out_.file("Data.csv"));
    save->trigger();
#ifdef _WIN32
    const std::vector<std::string> expected = {"File access denied."};  // as the system says
#else
    const std::vector<std::string> expected = {"Invalid filename."};
#endif
    EXPECT_EQ(dialogs().errors, expected);
    EXPECT_TRUE(std::filesystem::is_directory(out_.file("Data.csv")));
    // The readout is still there to be saved elsewhere.
    EXPECT_FALSE(form->state().terminal.empty());
    EXPECT_TRUE(save->isEnabled());
}

}  // namespace
