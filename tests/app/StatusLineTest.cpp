// The status line of the real window: cut to the room before the progress
// bar, ended by "…", with the whole text in its tooltip, however long.
#include <QLabel>
#include <QProgressBar>
#include <string>

#include "AppTestSupport.h"
#include "StatusLabel.h"

namespace {

using travik::StatusLabel;

using StatusLineTest = WindowTest;

const QChar kEllipsis(0x2026);

TEST_F(StatusLineTest, ALongStatusIsCutBeforeTheBarWithTheWholeTextInItsTooltip) {
    auto form = startForm();
    auto* label = Control<StatusLabel>(*form, "Label1");
    const QRect bar = Control<QProgressBar>(*form, "ProgressBar1")->geometry();
    const QString whole = QString::fromUtf8(
        "Daten-Werk3.csv: CSV mit Tabulatoren, Datenlogger (angenommen, siehe Men\u00fc Art der "
        "Auslesung)");
    form->setStatusText(whole.toStdString());
    EXPECT_LT(label->geometry().right(), bar.left());
    EXPECT_EQ(label->geometry().top(), bar.top());
    EXPECT_EQ(label->text(), whole);
    const QString shown = label->shownText();
    ASSERT_TRUE(shown.endsWith(kEllipsis)) << shown.toStdString();
    EXPECT_TRUE(whole.startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_GT(shown.size(), 20);
    EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
    EXPECT_EQ(label->toolTip(), whole);

    // A text that fits is shown whole, with no tooltip.
    form->setStatusText("Transmission ready");
    EXPECT_EQ(label->shownText(), "Transmission ready");
    EXPECT_EQ(label->toolTip(), "");
    form->setStatusText("");
    EXPECT_EQ(label->shownText(), "");
}

// A stored port name of a megabyte, named by the status line after the port
// did not open: the label keeps its width, the tooltip the name's start.
TEST_F(StatusLineTest, AMegabytePortNameKeepsTheLabelsWidth) {
    const std::string name = "/dev/ttyTravik" + std::string(1 << 20, 'A');
#ifdef _WIN32
    // Under Wine a port name of a megabyte is not tried: the status line is given it.
    auto form = startForm();
    form->setStatusText(name + ": no such device");
#else
    writeSettings("[com]\ncomID=" + name + "\n");
    auto form = startForm();
#endif
    auto* label = Control<StatusLabel>(*form, "Label1");
    const QRect bar = Control<QProgressBar>(*form, "ProgressBar1")->geometry();
    ASSERT_TRUE(label->text().startsWith(QString::fromStdString(name.substr(0, 100))))
        << label->text().left(100).toStdString();
    EXPECT_LT(label->geometry().right(), bar.left());
    EXPECT_TRUE(label->shownText().endsWith(kEllipsis));
    EXPECT_EQ(label->toolTip().size(), StatusLabel::kMeasuredChars + 1);
    EXPECT_TRUE(label->toolTip().endsWith(kEllipsis));
    EXPECT_EQ(label->grab().width(), label->width());
}

}  // namespace
