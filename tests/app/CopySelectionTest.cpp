// Ctrl+A and Ctrl+C on the real window's table: a copy costs the cells that
// exist, however wide the widest row, and one past the bound copies nothing and
// says so in the window's language.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QRadioButton>
#include <memory>
#include <string>

#include "AppTestSupport.h"
#include "Languages.h"
#include "Table.h"
#include "TableView.h"

namespace {

using travik::TableView;
using travik::TSTestForm;

const std::string kHeader = "TravikP 2000 V3.12\r09.12.2026 01:00:00\r";

class CopySelectionTest : public WindowTest {
protected:
    // A started window showing the table of terminal text `text`, as a readout leaves it.
    std::unique_ptr<TSTestForm> showing(const std::string& text) {
        auto form = startForm();
        form->showTable(std::make_shared<const travik::Table>(travik::CutTable(text)));
        return form;
    }
    static TableView* view(TSTestForm& form) { return Control<TableView>(form, "TableView1"); }
    static void press(QWidget* widget, QKeySequence::StandardKey key) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QKeyEvent event(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
        QApplication::sendEvent(widget, &event);
    }
    static QString copyAll(TSTestForm& form) {
        QApplication::clipboard()->setText(QStringLiteral("before"));
        press(view(form), QKeySequence::SelectAll);
        press(view(form), QKeySequence::Copy);
        return QApplication::clipboard()->text();
    }
};

// The shape that aborted the program: one row of 400 000 fields among many
// short rows. Listing the selection cell by cell took rows x 400 000 indexes.
TEST_F(CopySelectionTest, CopyAllOfAVeryWideRowAmongShortRowsCopiesTheCellsThatExist) {
    constexpr int kShortRows = 20000;
    const std::string wide = std::string(399999, '\t') + "x";
    std::string text = kHeader + "No\tValue\r";
    for (int row = 0; row < kShortRows; ++row) text += "1\t2\r";
    auto form = showing(text + wide + "\r");
    ASSERT_EQ(view(*form)->model()->columnCount(), 400000);

    const QString copied = copyAll(*form);
    EXPECT_EQ(copied.size(), 9 + kShortRows * 4 + static_cast<qsizetype>(wide.size()) + 1);
    EXPECT_TRUE(copied.startsWith(QStringLiteral("No\tValue\n1\t2\n1\t2\n")));
    EXPECT_TRUE(copied.endsWith(QStringLiteral("\t\tx\n")));
    EXPECT_TRUE(dialogs().messages.empty());
}

// Overlapping and separate pieces of a selection: each row and column once, in order.
TEST_F(CopySelectionTest, PiecesOfASelectionGiveTheirRowsAndColumnsOnce) {
    auto form = showing(kHeader + "A\tB\tC\r1\t2\t3\r4\t5\t6\r7\t8\t9\r");
    QItemSelectionModel* selection = view(*form)->selectionModel();
    const auto cells = [&](int top, int left, int bottom, int right) {
        selection->select(QItemSelection(view(*form)->model()->index(top, left),
                                         view(*form)->model()->index(bottom, right)),
                          QItemSelectionModel::Select);
    };
    cells(2, 2, 2, 2);
    cells(0, 0, 1, 0);
    cells(1, 0, 2, 0);
    press(view(*form), QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "A\tC\n1\t3\n4\t6\n7\t9\n");
}

// Past 50 MB of text nothing is copied, and a box says why in the window's language.
TEST_F(CopySelectionTest, ASelectionPastTheBoundCopiesNothingAndSaysSo) {
    const std::string cell(10000, 'a');
    std::string text = kHeader + "A\r";
    for (int row = 0; row < 5100; ++row) text += cell + "\r";
    auto form = showing(text);
    Control<QRadioButton>(*form, "RadioGroup2Item1")->click();

    EXPECT_EQ(copyAll(*form), "before");
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0],
              "Die Auswahl enth\u00e4lt 52 MB Text, mehr als die 50 MB, die auf einmal kopiert "
              "werden k\u00f6nnen; es wurde nichts kopiert. Bitte weniger Zeilen oder Spalten "
              "ausw\u00e4hlen oder die Auslesung als CSV-Datei speichern.");

    // Fewer rows fit.
    view(*form)->clearSelection();
    view(*form)->selectionModel()->select(
        QItemSelection(view(*form)->model()->index(0, 0), view(*form)->model()->index(9, 0)),
        QItemSelectionModel::Select);
    press(view(*form), QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text().size(), 2 + 10 * 10001);
    EXPECT_EQ(dialogs().messages.size(), 1u);
}

TEST(CopyTooLargeText, EveryLanguageNamesBothSizes) {
    const char* const starts[] = {
        "The selection holds 51 MB of text, more than the 50 MB",
        "Die Auswahl enth\u00e4lt 51 MB Text, mehr als die 50 MB",
        "La s\u00e9lection contient 51 Mo de texte, plus que les 50 Mo",
        "La selecci\u00f3n contiene 51 MB de texto, m\u00e1s de los 50 MB"};
    for (int language = 0; language < travik::kLanguageCount; ++language)
        EXPECT_EQ(travik::CopyTooLargeText(50000001, 50000000, language).rfind(starts[language], 0),
                  0u)
            << language;
    EXPECT_EQ(travik::CopyTooLargeText(1, 50000000, -1), travik::CopyTooLargeText(1, 50000000, 0));
}

}  // namespace
