// The window's toolkit-free pieces, the logo decoder and the on-screen dialogs.
#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cerrno>

#include "AppTestSupport.h"
#include "Languages.h"
#include "LogoDecoder.h"
#include "Windows1252.h"

namespace {

using namespace travik;

#ifdef _WIN32
// The system's own Windows-1252 table, byte by byte; -1 where it has none.
int SystemWindows1252(unsigned char byte) {
    const char in[1] = {static_cast<char>(byte)};
    wchar_t out[2] = {};
    if (MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, in, 1, out, 2) != 1) return -1;
    return out[0];
}
#else
// glibc's own Windows-1252 table, byte by byte; -1 where it has none.
int SystemWindows1252(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) return -1;
    return out[0] | (out[1] << 8);
}
#endif

TEST(Windows1252, EveryByteAsTheCodePageDefinesIt) {
    for (int byte = 0; byte < 256; ++byte) {
        const int reference = SystemWindows1252(static_cast<unsigned char>(byte));
        ASSERT_NE(reference, -2) << "no WINDOWS-1252 in iconv";
        const int expected =
            reference == -1 ? byte : reference;  // undefined bytes keep their value
        EXPECT_EQ(Windows1252ToUnicode(static_cast<unsigned char>(byte)), expected) << byte;
    }
    EXPECT_EQ(DecodeWindows1252(std::string("A\x80\x81\x9F\xE9\xFF", 6)),
              std::u16string(u"A\u20AC\u0081\u0178\u00E9\u00FF"));
    EXPECT_EQ(DecodeWindows1252(std::string("a\0b", 3)).size(), 3u);
}

TEST(Windows1252, TerminalViewTextBreaksOnlyLinesLongerThanTheViewTakes) {
    const std::size_t n = kViewLineLength;
    struct Case {
        std::string bytes;
        std::size_t lineBefore;
        std::u16string shown;
        std::size_t lineAfter;
    };
    const Case cases[] = {
        {"ab\rc\x80", 0, u"ab\nc\u20AC", 2},
        {std::string(n, 'x') + "\r", 0, std::u16string(n, u'x') + u"\n", 0},
        {std::string(n + 1, 'x'), 0, std::u16string(n, u'x') + u"\nx", 1},
        // Appended to a view line that already has n - 1 characters.
        {"yz\r", n - 1, u"y\nz\n", 0},
        {std::string(2 * n, '\t'), 0, std::u16string(n, u'\t') + u"\n" + std::u16string(n, u'\t'),
         n},
    };
    for (const Case& c : cases) {
        std::size_t line = c.lineBefore;
        EXPECT_EQ(TerminalViewText(c.bytes, line), c.shown) << c.bytes.size();
        EXPECT_EQ(line, c.lineAfter) << c.bytes.size();
    }
}

TEST(ProgramTexts, TitleAndStoredIndexes) {
    EXPECT_EQ(ProgramTitle("/usr/local/bin/TravikPReadout"), "Travikpreadout");
    EXPECT_EQ(ProgramTitle("C:\\Tools\\TravikPReadout.exe"), "Travikpreadout");
    EXPECT_EQ(ProgramTitle("my.prog.name"), "my");
    EXPECT_EQ(ProgramTitle("/opt/ABC.d/XYZ"), "Xyz");
    EXPECT_EQ(ProgramTitle(""), "");
    EXPECT_EQ(SelectionForStoredIndex(7, 4), 3);
    EXPECT_EQ(SelectionForStoredIndex(3, 4), 3);
    EXPECT_EQ(SelectionForStoredIndex(0, 2), 0);
    EXPECT_EQ(SelectionForStoredIndex(-1, 4), -1);
    EXPECT_EQ(SelectionForStoredIndex(-2147483647 - 1, 4), -1);
    EXPECT_EQ(PortSelectionFailedText(-1), "");
    EXPECT_EQ(PortSelectionFailedText(3), "El ultimo puerto utilizado no se puede inicializar");
    EXPECT_EQ(StartupPortFailedText(3),
              "Die zuletzt verwendete Schnittstelle kann nicht initialisiert werden.");
    EXPECT_EQ(CaptionsFor(4), nullptr);
}

TEST(ProgramTexts, NamesShowTheirControlCharactersWrittenOut) {
    const OpenStatus unplugged = OpenFailure(OpenResult::NoSuchPort, ENOENT);
    EXPECT_EQ(PortFailureStatusText("/dev/tty\nUSB0", unplugged, 0),
              "/dev/tty\\nUSB0: no such device (unplugged?)");
    EXPECT_EQ(PortFailureStatusText("/dev/tty\x1b[2J", OpenStatus{}, 0), "/dev/tty\\x1b[2J");
    EXPECT_EQ(PictureNotSavedText(0, "/tmp/a\tb.png"),
              "The picture could not be saved: /tmp/a\\tb.png");
    EXPECT_EQ(UnableToWriteText("/home/\xc5\x81ukasz/\r.ini"),
              "Unable to write to /home/\xc5\x81ukasz/\\r.ini");
}

TEST(ProgramTexts, TheRememberedAdapterInBothLanguages) {
    EXPECT_EQ(AdapterNowText("COM9", 0), "The adapter is now COM9");
    EXPECT_EQ(AdapterNowText("COM9", 1), "Der Adapter ist jetzt COM9");
    EXPECT_EQ(AdapterNowText("/dev/tty\x1b[2J", 3), "Der Adapter ist jetzt /dev/tty\\x1b[2J");
    EXPECT_EQ(AdapterNotPluggedInText(0), "The remembered adapter is not plugged in");
    EXPECT_EQ(AdapterNotPluggedInText(-1), "Der gemerkte Adapter ist nicht eingesteckt");
    EXPECT_EQ(AdapterOnSeveralPortsText({"COM9", "COM12"}, 0),
              "The remembered adapter is on more than one port: COM9, COM12; choose one");
    EXPECT_EQ(AdapterOnSeveralPortsText({"COM9", "COM\n12"}, 2),
              "Der gemerkte Adapter ist an mehr als einer Schnittstelle: COM9, COM\\n12; bitte "
              "eine w\u00e4hlen");
}

TEST(Logo, DecodesTheShippedPictureAndRefusesBrokenOnes) {
    const std::string jpeg = ReadFileBytes(TRAVIK_RESOURCES_DIR "/logo.jpg");
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    const QImage logo = DecodeJpeg(data, jpeg.size());
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(148, 45));
    EXPECT_NE(logo.pixel(0, 0), logo.pixel(20, 20));  // a picture, not one colour

    EXPECT_TRUE(DecodeJpeg(data, jpeg.size() / 2).isNull());  // cut short
    EXPECT_TRUE(DecodeJpeg(data, 100).isNull());
    EXPECT_TRUE(DecodeJpeg(data, 0).isNull());
    EXPECT_TRUE(DecodeJpeg(nullptr, 10).isNull());
    std::string corrupt = jpeg;
    for (std::size_t i = jpeg.size() / 3; i < jpeg.size() - 2; i += 7) corrupt[i] = '\xFF';
    EXPECT_TRUE(DecodeJpeg(reinterpret_cast<const unsigned char*>(corrupt.data()), corrupt.size())
                    .isNull());
    const std::string text = "not a picture at all";
    EXPECT_TRUE(
        DecodeJpeg(reinterpret_cast<const unsigned char*>(text.data()), text.size()).isNull());
}

using WindowPartsTest = WindowTest;

TEST_F(WindowPartsTest, WindowShowsTheDecodedLogo) {
    auto form = startForm();
    auto* image = Control<QLabel>(*form, "Image1");
    EXPECT_EQ(image->pixmap().size(), QSize(148, 45));
    EXPECT_EQ(image->geometry(), QRect(608, 8, 148, 45));
}

// Answers the next modal dialog by calling `answer` on it.
template <class Dialog, class Answer>
void AnswerNextDialog(Answer answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(dialog);
    });
}

TEST(OnScreenDialogs, MessageAndErrorBoxes) {
    QtDialogs dialogs(nullptr);
    const QString title = QString::fromStdString(RunningProgramTitle());
    EXPECT_EQ(title, QString::fromStdString(
                         ProgramTitle(QCoreApplication::applicationFilePath().toStdString())));
    AnswerNextDialog<QMessageBox>([title](QMessageBox* box) {
        EXPECT_EQ(box->text(), "<b>invalid handle</b>");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->windowTitle(), title);
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    dialogs.showMessage("<b>invalid handle</b>");
    AnswerNextDialog<QMessageBox>([title](QMessageBox* box) {
        EXPECT_EQ(box->text(), "File access denied.");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->windowTitle(), title);
        box->accept();
    });
    dialogs.showError("File access denied");
}

// A path as the system writes it (backslashes on Windows).
std::string Native(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
}

TEST(OnScreenDialogs, SaveDialog) {
    TempDir folder;
    QWidget parent;
    QtDialogs dialogs(&parent);
    AnswerNextDialog<QFileDialog>([](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"comma separated files (*.csv)"});
        EXPECT_EQ(dialog->defaultSuffix(), "CSV");
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->reject();
    });
    EXPECT_FALSE(dialogs.askSaveFileName("Alarm.csv").has_value());

    const QString chosen = QString::fromStdString(folder.file("chosen"));
    AnswerNextDialog<QFileDialog>([chosen](QFileDialog* dialog) {
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<std::string> answer = dialogs.askSaveFileName("Alarm.csv");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, Native(folder.file("chosen.CSV")));  // the default suffix added

    // A name outside the ANSI code page comes back as UTF-8, as the file calls take it.
    const std::string polish = folder.file("\xc5\x81ukasz.csv");  // "Łukasz"
    AnswerNextDialog<QFileDialog>([&polish](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(polish));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(dialogs.askSaveFileName("Alarm.csv").value_or(""), Native(polish));
}

TEST(OnScreenDialogs, FiltersAreInTheWindowsLanguage) {
    const struct {
        int language;
        QStringList save, open, report;
    } cases[] = {
        {0,
         {"comma separated files (*.csv)"},
         {"Readouts (*.csv *.txt)", "All files (*)"},
         {"PDF files (*.pdf)"}},
        {1,
         {"CSV-Dateien (*.csv)"},
         {"Auslesungen (*.csv *.txt)", "Alle Dateien (*)"},
         {"PDF-Dateien (*.pdf)"}},
        {2,
         {"Fichiers CSV (*.csv)"},
         {"Lectures (*.csv *.txt)", "Tous les fichiers (*)"},
         {"Fichiers PDF (*.pdf)"}},
        {3,
         {"Ficheros CSV (*.csv)"},
         {"Lecturas (*.csv *.txt)", "Todos los ficheros (*)"},
         {"Ficheros PDF (*.pdf)"}},
        {-1,
         {"comma separated files (*.csv)"},
         {"Readouts (*.csv *.txt)", "All files (*)"},
         {"PDF files (*.pdf)"}},
    };
    QWidget parent;
    QtDialogs dialogs(&parent);
    for (const auto& c : cases) {
        dialogs.setLanguage(c.language);
        QStringList save, open, report;
        const auto recordInto = [](QStringList& filters) {
            AnswerNextDialog<QFileDialog>([&filters](QFileDialog* dialog) {
                filters = dialog->nameFilters();
                dialog->reject();
            });
        };
        recordInto(save);
        dialogs.askSaveFileName("Alarm.csv");
        recordInto(open);
        dialogs.askOpenFileName();
        recordInto(report);
        dialogs.askReportFileName("Alarm.pdf");
        EXPECT_EQ(save, c.save) << c.language;
        EXPECT_EQ(open, c.open) << c.language;
        EXPECT_EQ(report, c.report) << c.language;
    }
}

}  // namespace
