// Saved readouts opened in the real window: from the menu, dropped on the
// window; every page filled as after a readout, the save command on them, the
// readout kind, refused files and a readout that was not saved yet.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QUrl>

#include "AppTestSupport.h"
#include "CsvExport.h"
#include "ReadoutFile.h"
#include "SimProcess.h"
#include "TableView.h"

namespace {

// A path as the window writes it: with the system's own separators.
std::string NativePath(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
}

using travik::ReadoutKind;
using travik::TerminalText;
using travik::TSTestForm;

const std::string kAlarmDevice =
    "TP 2000\r09.12.26\rNo\tt\tI\tIdL\tText\tValue\r"
    "1\t01.03.2024 06:10:00\t3\t1101\t\xDC"
    "bertemp.\t95,5\r"
    "2\t01.03.2024 07:00:00\t1\t1601\tNetzausfall\t\r"
    "3\t01.03.2024 08:00:00\t2\t1204\tDruck\t1,05\r";

class OpenReadoutTest : public WindowTest {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir_.file(name), bytes);
        return dir_.file(name);
    }
    static QString status(TSTestForm& form) { return Control<QLabel>(form, "Label1")->text(); }
    static QString view(TSTestForm& form) {
        return Control<QPlainTextEdit>(form, "RichEdit1")->toPlainText();
    }
    static int rows(TSTestForm& form) {
        return Control<travik::TableView>(form, "TableView1")->model()->rowCount();
    }
    static QAction* action(TSTestForm& form, const char* name) {
        return Control<QAction>(form, name);
    }
    static void send(QWidget& target, QEvent& event) { QApplication::sendEvent(&target, &event); }

    const TerminalText alarm_ = travik::ReplayedTerminal(kAlarmDevice, ReadoutKind::AlarmBuffer);
    TempDir dir_;
};

TEST_F(OpenReadoutTest, TabbedFileFillsEveryPageAndNamesTheFile) {
    auto form = startForm();
    const std::string path = write("Alarm.csv", travik::TabbedCsvText(alarm_, true));
    Control<QTabWidget>(*form, "PageControl1")->setCurrentIndex(1);
    ASSERT_TRUE(form->openReadoutFile(path));
    EXPECT_EQ(Control<QTabWidget>(*form, "PageControl1")->currentWidget(),
              Control<QWidget>(*form, "TabSheet1"));
    // The terminal as after the readout: the alarm buffer's header TABs back in.
    EXPECT_EQ(form->state().terminal.bytes(), alarm_.bytes());
    EXPECT_EQ(form->state().terminal.insertedTabs(), alarm_.insertedTabs());
    EXPECT_TRUE(form->state().AlarmMode);
    EXPECT_EQ(view(*form), ExpectedView(alarm_.bytes()));
    EXPECT_EQ(rows(*form), 3);
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("TravikP Readout – Alarm.csv"));
    EXPECT_EQ(status(*form),
              "Alarm.csv: tab-separated CSV, alarm buffer (assumed, see the Readout kind menu)");
    EXPECT_TRUE(action(*form, "CSVDateiabspeichern1")->isEnabled());
    EXPECT_TRUE(action(*form, "SaveReport1")->isEnabled());
    EXPECT_TRUE(action(*form, "ReadoutKindAlarm1")->isChecked());
    EXPECT_TRUE(action(*form, "ReadoutKindData1")->isEnabled());
    EXPECT_EQ(form->openedFile(), path);
}

TEST_F(OpenReadoutTest, TabbedFileSavedAgainWithSemicolons) {
    auto form = startForm();
    const std::string path = write("Alarm.csv", travik::TabbedCsvText(alarm_, true));
    ASSERT_TRUE(form->openReadoutFile(path));
    Control<QRadioButton>(*form, "RadioGroup1Item1")->click();
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();
    dialogs().saveAnswers.push_back(dir_.file("again.csv"));
    action(*form, "CSVDateiabspeichern1")->trigger();
    ASSERT_EQ(dialogs().proposals.size(), 1u);
    EXPECT_EQ(dialogs().proposals[0], NativePath(path));  // the file's own name
    EXPECT_EQ(ReadFileBytes(dir_.file("again.csv")), travik::SeparatedCsvText(alarm_, true, ';'));
    EXPECT_TRUE(dialogs().errors.empty());
}

TEST_F(OpenReadoutTest, SeparatedAndTextFilesTellTheirKind) {
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(write("x.csv", travik::SeparatedCsvText(alarm_, true, ','))));
    EXPECT_EQ(status(*form), "x.csv: CSV with commas, alarm buffer");
    EXPECT_FALSE(action(*form, "ReadoutKindData1")->isEnabled());
    EXPECT_EQ(rows(*form), 3);

    std::string text = alarm_.bytes();
    for (char& c : text)
        if (c == '\r') c = '\n';
    Control<QRadioButton>(*form, "RadioGroup2Item2")->click();
    ASSERT_TRUE(form->openReadoutFile(write("sortie.txt", text)));
    EXPECT_EQ(status(*form),
              QString::fromUtf8("sortie.txt: texte de travik-read, mémoire des alarmes"));
    EXPECT_EQ(form->state().terminal.bytes(), alarm_.bytes());
    EXPECT_EQ(view(*form), ExpectedView(alarm_.bytes()));
}

TEST_F(OpenReadoutTest, SeparatorsNotUnderstoodAreSaidInTheWindowsLanguage) {
    auto form = startForm();
    std::string goodRows;
    for (int row = 4; row < 37; ++row) goodRows += std::to_string(row) + ";a;b\n";
    const std::string path = write("Daten.csv", "T\nS\nNo;Date;Time\n" + goodRows + "37;\"a;b\n");
    const char* expected[] = {
        "Daten.csv: separators not understood, line 37: quote not closed, data logger (assumed, "
        "see the Readout kind menu)",
        "Daten.csv: Trennzeichen nicht verstanden, Zeile 37: Anführungszeichen nicht geschlossen, "
        "Datenlogger (angenommen, siehe Menü Art der Auslesung)",
        "Daten.csv: séparateurs non compris, ligne 37 : guillemet non fermé, enregistreur de "
        "données (supposé, voir le menu Type de lecture)",
        "Daten.csv: separadores no entendidos, línea 37: comillas sin cerrar, registrador de datos "
        "(supuesto, ver el menú Tipo de lectura)",
    };
    for (int language = 0; language < 4; ++language) {
        const std::string button = "RadioGroup2Item" + std::to_string(language);
        Control<QRadioButton>(*form, button.c_str())->click();
        ASSERT_TRUE(form->openReadoutFile(path));
        EXPECT_EQ(status(*form), QString::fromUtf8(expected[language]));
    }
    // Each line as it stands, in one column.
    EXPECT_EQ(Control<travik::TableView>(*form, "TableView1")->model()->columnCount(), 1);
    EXPECT_EQ(rows(*form), 34);
}

TEST_F(OpenReadoutTest, UnicodeFilesShowTheirTextWithoutTheByteOrderMark) {
    auto form = startForm();
    const std::string path = write("Daten.csv",
                                   "\xEF\xBB\xBFTP;2000\r\nS\r\nNo;Text;\xE2\x82\xAC\r\n1;L\xC3\xBC"
                                   "fter;\xCE\xA9\r\n");
    ASSERT_TRUE(form->openReadoutFile(path));
    EXPECT_EQ(status(*form), QString::fromUtf8("Daten.csv: CSV with semicolons, UTF-8, data "
                                               "logger; characters outside Windows-1252 shown "
                                               "as ?: 1"));
    EXPECT_TRUE(view(*form).startsWith(QStringLiteral("TP\t2000\n"))) << view(*form).toStdString();
    const QAbstractItemModel* model = Control<travik::TableView>(*form, "TableView1")->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("€"));
    EXPECT_EQ(model->index(0, 1).data().toString(), QString::fromUtf8("Lüfter"));
    // Saved again: the device's code page.
    dialogs().saveAnswers.push_back(dir_.file("again.csv"));
    action(*form, "CSVDateiabspeichern1")->trigger();
    EXPECT_EQ(ReadFileBytes(dir_.file("again.csv")),
              "TP\t2000\r\nS\r\nNo\tText\t\x80\r\n1\tL\xFC"
              "fter\t?\r\n");
}

TEST_F(OpenReadoutTest, KindChosenWhereTheFileDoesNotTell) {
    auto form = startForm();
    ASSERT_TRUE(form->openReadoutFile(write("readout.csv", travik::TabbedCsvText(alarm_, true))));
    EXPECT_FALSE(form->state().AlarmMode);  // the name does not say alarm
    EXPECT_TRUE(action(*form, "ReadoutKindData1")->isChecked());
    action(*form, "ReadoutKindAlarm1")->trigger();
    EXPECT_TRUE(form->state().AlarmMode);
    EXPECT_EQ(form->state().terminal.insertedTabs(), alarm_.insertedTabs());
    EXPECT_TRUE(status(*form).contains("alarm buffer (assumed"));
    // The separated export keeps five fields now.
    Control<QRadioButton>(*form, "RadioGroup1Item1")->click();
    dialogs().saveAnswers.push_back(dir_.file("five.csv"));
    action(*form, "CSVDateiabspeichern1")->trigger();
    EXPECT_EQ(ReadFileBytes(dir_.file("five.csv")), travik::SeparatedCsvText(alarm_, true, ','));
}

TEST_F(OpenReadoutTest, RefusedFilesAreToldInTheWindowsLanguageAndChangeNothing) {
    writeSettings("[Language]\nLanguage=1\n");
    auto form = startForm();
    const std::string good = write("Alarm.csv", travik::TabbedCsvText(alarm_, true));
    ASSERT_TRUE(form->openReadoutFile(good));
    const QString title = form->windowTitle();
    const QString shownStatus = status(*form);

    const std::string empty = write("leer.csv", "");
    const std::string picture = write("bild.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const std::string large = write("gross.csv", std::string(travik::kLargestReadoutFile + 1, 'x'));
    const std::string gone = dir_.file("weg.csv");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {empty, "Die Datei " + empty + " ist leer."},
        {picture, "Die Datei " + picture + " ist keine Auslesung."},
        {large, "Die Datei " + large + " ist größer als 1 MiB und kann keine Auslesung sein."},
        {dir_.path(), dir_.path() + " ist ein Ordner, keine Datei."},
        {gone, "Die Datei " + gone + " ist nicht mehr vorhanden."},
    };
    for (const auto& [path, message] : refused) {
        dialogs().errors.clear();
        EXPECT_FALSE(form->openReadoutFile(path)) << path;
        ASSERT_EQ(dialogs().errors.size(), 1u) << path;
        EXPECT_EQ(dialogs().errors[0], message);
        EXPECT_EQ(form->state().terminal.bytes(), alarm_.bytes());
        EXPECT_EQ(form->windowTitle(), title);
        EXPECT_EQ(status(*form), shownStatus);
        EXPECT_EQ(form->openedFile(), good);
    }
#ifdef __linux__
    dialogs().errors.clear();
    EXPECT_FALSE(form->openReadoutFile("/proc/self/mem"));
    ASSERT_EQ(dialogs().errors.size(), 1u);
    EXPECT_EQ(dialogs().errors[0].rfind("Die Datei /proc/self/mem kann nicht gelesen werden: ", 0),
              0u)
        << dialogs().errors[0];
#endif
}

TEST_F(OpenReadoutTest, AnUnsavedReadoutIsReplacedOnlyWhenTheUserAgrees) {
    SimProcess sim({"--fast"});
    writeSettings("[com]\ncomID=" + sim.portPath() + "\n");
    auto form = startForm();
    Control<QPushButton>(*form, "Button1")->click();
    const std::string readout = form->state().terminal.bytes();
    ASSERT_GT(readout.size(), 1000u);
    const std::string path = write("Alarm.csv", travik::TabbedCsvText(alarm_, true));

    EXPECT_FALSE(form->openReadoutFile(path));  // answered No
    ASSERT_EQ(dialogs().questions.size(), 1u);
    EXPECT_EQ(dialogs().questions[0],
              "The readout has not been saved. Open " + path + " and discard it?");
    EXPECT_EQ(form->state().terminal.bytes(), readout);
    EXPECT_EQ(form->windowTitle(), "TravikP Readout");

    // Saved: no question any more.
    dialogs().saveAnswers.push_back(dir_.file("saved.csv"));
    action(*form, "CSVDateiabspeichern1")->trigger();
    EXPECT_TRUE(form->openReadoutFile(path));
    EXPECT_EQ(dialogs().questions.size(), 1u);

    // A new readout forgets the file; Yes replaces it.
    Control<QPushButton>(*form, "Button2")->click();
    EXPECT_EQ(form->windowTitle(), "TravikP Readout");
    EXPECT_TRUE(form->openedFile().empty());
    EXPECT_FALSE(action(*form, "ReadoutKindAlarm1")->isEnabled());
    dialogs().questionAnswers.push_back(true);
    EXPECT_TRUE(form->openReadoutFile(path));
    EXPECT_EQ(dialogs().questions.size(), 2u);
    EXPECT_EQ(form->state().terminal.bytes(), alarm_.bytes());
}

TEST_F(OpenReadoutTest, MenuCommandAndADroppedFileOpenAlike) {
    auto form = startForm();
    EXPECT_EQ(action(*form, "OpenReadout1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(action(*form, "OpenReadout1")->text(), QString::fromUtf8("Open readout…"));
    const std::string path = write("Alarm.csv", travik::TabbedCsvText(alarm_, true));
    action(*form, "OpenReadout1")->trigger();  // cancelled: nothing happens
    EXPECT_TRUE(form->openedFile().empty());
    dialogs().openAnswers.push_back(path);
    action(*form, "OpenReadout1")->trigger();
    EXPECT_EQ(form->openedFile(), path);

    auto otherForm = startForm();
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(QString::fromStdString(path)),
                 QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent refusedDrag(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton,
                                Qt::NoModifier);
    send(*otherForm, refusedDrag);
    EXPECT_FALSE(refusedDrag.isAccepted());
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent drag(QPoint(10, 10), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    send(*otherForm, drag);
    EXPECT_TRUE(drag.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    send(*otherForm, drop);
    EXPECT_EQ(otherForm->openedFile(), NativePath(path));
    EXPECT_EQ(otherForm->state().terminal.bytes(), alarm_.bytes());
}

}  // namespace
