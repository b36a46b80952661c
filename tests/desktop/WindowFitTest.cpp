// The window on a screen smaller than its designed 832 x 887 (the tests run on
// an offscreen screen of 1366 x 768): it fits, the terminal page shrinks with
// it, and every other control keeps its place and size.
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <map>

#include "AppTestSupport.h"
#include "WindowFit.h"

namespace {

using travik::FitToScreen;

// Every control not meant to follow the window, by name.
const char* const kFixedControls[] = {"Image1",       "Label1",          "GroupBox1", "ComboBox1",
                                      "RadioGroup1",  "RadioGroup2",     "Button1",   "Button2",
                                      "ProgressBar1", "RadioGroup1Item0"};

std::map<std::string, QRect> FixedGeometries(QWidget& form) {
    std::map<std::string, QRect> geometries;
    for (const char* name : kFixedControls) {
        if (auto* control = form.findChild<QWidget*>(QString::fromLatin1(name)))
            geometries[name] = control->geometry();
    }
    return geometries;
}

QRect Available() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

using WindowFitTest = WindowTest;

TEST_F(WindowFitTest, FirstSizeFitsTheSmallScreen) {
    ASSERT_LT(Available().height(), 887)
        << "run with QT_QPA_PLATFORM=offscreen:configfile=laptop-screen.json";
    auto form = startForm();
    // The frame too: its title bar must not end up above the screen's top.
    EXPECT_TRUE(Available().contains(form->frameGeometry())) << form->frameGeometry().bottom();
    EXPECT_EQ(form->width(), 832);
    EXPECT_EQ(form->frameGeometry().height(), Available().height());
}

TEST_F(WindowFitTest, TerminalBottomIsOnTheScreen) {
    auto form = startForm();
    auto* terminal = Control<QPlainTextEdit>(*form, "RichEdit1");
    const QRect onScreen(terminal->mapToGlobal(QPoint(0, 0)), terminal->size());
    EXPECT_TRUE(Available().contains(onScreen)) << onScreen.bottom();
    EXPECT_GT(terminal->height(), 400);
}

TEST_F(WindowFitTest, PageControlFollowsTheWindowOthersStay) {
    auto form = startForm();
    auto* pages = Control<QTabWidget>(*form, "PageControl1");
    auto* terminal = Control<QPlainTextEdit>(*form, "RichEdit1");
    const std::map<std::string, QRect> fixed = FixedGeometries(*form);
    ASSERT_EQ(fixed.size(), std::size(kFixedControls));
    const QRect pagesBefore = pages->geometry();
    const QRect terminalBefore = terminal->geometry();

    form->resize(form->width() + 100, form->height() - 150);
    EXPECT_EQ(pages->geometry(), pagesBefore.adjusted(0, 0, 100, -150));
    EXPECT_EQ(terminal->geometry(), terminalBefore.adjusted(0, 0, 100, -150));
    EXPECT_EQ(FixedGeometries(*form), fixed);

    // Back at the designed size, the designed geometry comes back exactly.
    form->resize(832, 887);
    EXPECT_EQ(pages->geometry(), QRect(16, 104, 777, 721));
    EXPECT_EQ(terminal->geometry(), QRect(8, 8, 745, 673));
    EXPECT_EQ(FixedGeometries(*form), fixed);
}

TEST_F(WindowFitTest, AWindowSmallerThanItsControlsLeavesNoNegativeSizes) {
    auto form = startForm();
    form->resize(200, 150);
    EXPECT_EQ(Control<QTabWidget>(*form, "PageControl1")->height(), 0);
    EXPECT_GE(Control<QPlainTextEdit>(*form, "RichEdit1")->width(), 0);
}

TEST(FitToScreen, KeepsTheDesignWhereItFits) {
    EXPECT_EQ(FitToScreen({183, 32, 832, 887}, {0, 0, 1920, 1080}), QRect(183, 32, 832, 887));
}

TEST(FitToScreen, ShrinksAndMovesIntoTheAvailableArea) {
    // A laptop screen with a 32-pixel panel at the top.
    EXPECT_EQ(FitToScreen({183, 32, 832, 887}, {0, 32, 1366, 736}), QRect(183, 32, 832, 736));
    EXPECT_EQ(FitToScreen({183, 32, 832, 887}, {0, 0, 800, 600}), QRect(0, 0, 800, 600));
    EXPECT_EQ(FitToScreen({183, 32, 832, 887}, {1920, 100, 900, 700}), QRect(1920, 100, 832, 700));
}

TEST(FitToScreen, NoScreenKeepsTheDesign) {
    EXPECT_EQ(FitToScreen({183, 32, 832, 887}, QRect()), QRect(183, 32, 832, 887));
}

}  // namespace
