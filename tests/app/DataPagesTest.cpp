// The table and chart pages of the real window, filled by readouts from the
// simulator: sorting, copying, languages, the chart's series and axes.
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <algorithm>
#include <ctime>

#include "AppTestSupport.h"
#include "CellValues.h"
#include "ChartPage.h"
#include "Columns.h"
#include "SimProcess.h"
#include "Table.h"
#include "TableItemModel.h"
#include "TableView.h"
#include "Windows1252.h"

namespace {

using travik::ChartPage;
using travik::TableView;
using travik::TSTestForm;

class DataPagesTest : public WindowTest {
protected:
    // A started window reading from a simulator (given its arguments).
    std::unique_ptr<TSTestForm> startWith(std::vector<std::string> simArgs,
                                          const std::string& extraSettings = "") {
        sim_ = std::make_unique<SimProcess>(std::move(simArgs));
        writeSettings("[com]\ncomID=" + sim_->portPath() + "\n" + extraSettings);
        return startForm();
    }
    // A started window whose readout answers with exactly `reply`.
    std::unique_ptr<TSTestForm> startWithReply(const std::string& reply,
                                               const std::string& extraSettings = "") {
        WriteFileBytes(out_.file("reply.bin"), reply);
        return startWith({"--fast", "--reply-file", out_.file("reply.bin")}, extraSettings);
    }
    static TableView* view(TSTestForm& form) { return Control<TableView>(form, "TableView1"); }
    static ChartPage* chart(TSTestForm& form) { return Control<ChartPage>(form, "ChartPage1"); }
    // The chart shown in a window `width` wide: its time labels are those that fit.
    static void showChartAt(TSTestForm& form, int width) {
        form.resize(width, 900);
        showPage(form, "TabSheet4");
    }
    static QString cellText(TSTestForm& form, int row, int column) {
        return view(form)->model()->index(row, column).data().toString();
    }
    static QStringList columnTexts(TSTestForm& form, int column) {
        QStringList texts;
        for (int row = 0; row < view(form)->model()->rowCount(); ++row)
            texts << cellText(form, row, column);
        return texts;
    }
    static void clickHeader(TSTestForm& form, int section) {
        QHeaderView* header = view(form)->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, header->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, header->viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &press);
        QApplication::sendEvent(header->viewport(), &release);
    }
    static void pressKeys(QWidget* widget, QKeySequence::StandardKey key) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
        QApplication::sendEvent(widget, &press);
    }
    static void showPage(TSTestForm& form, const char* page) {
        Control<QTabWidget>(form, "PageControl1")->setCurrentWidget(Control<QWidget>(form, page));
        QApplication::processEvents();
    }

    std::unique_ptr<SimProcess> sim_;
    TempDir out_;
};

const std::string kHeader = "TravikP 2000 V3.12\r\n09.12.2026 01:00:00\r\n";

TEST_F(DataPagesTest, PagesFollowTheParameterPageWithTheirCaptions) {
    writeSettings("[Language]\nLanguage=-1\n");
    auto form = startForm();
    auto* pages = Control<QTabWidget>(*form, "PageControl1");
    EXPECT_EQ(pages->indexOf(Control<QWidget>(*form, "TabSheet2")), 1);
    EXPECT_EQ(pages->indexOf(Control<QWidget>(*form, "TabSheet3")), 2);
    EXPECT_EQ(pages->indexOf(Control<QWidget>(*form, "TabSheet4")), 3);
    // No language selected: the German design texts.
    EXPECT_EQ(pages->tabText(2), "Tabelle");
    EXPECT_EQ(pages->tabText(3), "Diagramm");
    Control<QRadioButton>(*form, "RadioGroup2Item3")->click();
    EXPECT_EQ(pages->tabText(2), "Tabla");
    EXPECT_EQ(pages->tabText(3), QString::fromUtf8("Gráfico"));
    // Nothing read yet: an empty table and no message.
    EXPECT_EQ(view(*form)->model()->rowCount(), 0);
    if (ChartPage::available()) {
        EXPECT_EQ(chart(*form)->messageText(), "");
    }
}

TEST_F(DataPagesTest, AlarmReadoutFillsBothPagesAndStillShowsTheTerminal) {
    auto form = startWith({"--fast"});
    showPage(*form, "TabSheet3");
    Control<QPushButton>(*form, "Button1")->click();
    EXPECT_EQ(Control<QTabWidget>(*form, "PageControl1")->currentWidget(),
              Control<QWidget>(*form, "TabSheet1"));

    const travik::TerminalText& terminal = form->state().terminal;
    EXPECT_EQ(Control<QPlainTextEdit>(*form, "RichEdit1")->toPlainText(),
              ExpectedView(terminal.bytes()));
    // The simulator's alarm buffer (seed 1), cut at the readout's limit.
    auto* model = view(*form)->model();
    EXPECT_EQ(model->rowCount(), 222);
    // The header rule's TABs are left out: the titles stand over their columns.
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles.mid(0, 9),
              QStringList({"No", "t", "I", "IdL", "Text", "Value", "Unit", "Ack", "State"}));
    EXPECT_EQ(cellText(*form, 0, 0), "1");
    EXPECT_EQ(Control<QLabel>(*form, "TablePreamble")->text(),
              "TravikP 2000 V3.12\n15.04.2024 21:42:51");
    // Windows-1252: the umlauts of the alarm texts.
    EXPECT_TRUE(columnTexts(*form, 4).join(' ').contains(QString::fromUtf8("ü")));

    if (!ChartPage::available()) GTEST_SKIP() << "built without charts";
    EXPECT_TRUE(chart(*form)->hasTimeAxis());
    // "Value", not the level "I"; drawn per kind once the timeline is left.
    EXPECT_EQ(chart(*form)->chartedColumns(), std::vector<std::size_t>{5});
    EXPECT_EQ(chart(*form)->messageText(), "");
    chart(*form)->setTimelineShown(false);
    // Alarms without a value are in no kind's line; the first kind has 31 values.
    EXPECT_EQ(chart(*form)->seriesCount(), 6);
    EXPECT_FALSE(chart(*form)->hoverText(0, 30).isEmpty());
    EXPECT_TRUE(chart(*form)->hoverText(0, 31).isEmpty());
    // The hover names the row's time, value and alarm text.
    EXPECT_EQ(chart(*form)->hoverText(0, 0),
              QString::fromUtf8("#1\n01.03.2024 13:33:34\nValue: 92,7\nÜbertemperatur Kühler"));
}

TEST_F(DataPagesTest, DataLoggerChartsTheDriftingValueOverDateAndTime) {
    auto form = startWith({"--fast"});
    Control<QPushButton>(*form, "Button2")->click();
    if (!ChartPage::available()) GTEST_SKIP() << "built without charts";
    ChartPage* page = chart(*form);
    EXPECT_EQ(page->offeredColumns(), (std::vector<std::size_t>{0, 3, 4, 5, 6}));
    EXPECT_EQ(page->chartedColumns(), std::vector<std::size_t>{3});
    EXPECT_TRUE(page->hasTimeAxis());
    EXPECT_EQ(page->seriesCount(), 1);
    EXPECT_EQ(page->valueAxisCount(), 1);
    const QString first = page->hoverText(0, 0);
    EXPECT_TRUE(first.startsWith(QString::fromUtf8("#1\n01.03.2024 06:00:00\nValue1 °C: ")))
        << first.toStdString();

    // Conductivity lies within ten times the temperature's range; pressure does not.
    page->setColumnChecked(4, true);
    EXPECT_EQ(page->seriesCount(), 2);
    EXPECT_EQ(page->valueAxisCount(), 1);
    page->setColumnChecked(5, true);
    EXPECT_EQ(page->seriesCount(), 3);
    EXPECT_EQ(page->valueAxisCount(), 2);
    page->setColumnChecked(3, false);
    page->setColumnChecked(4, false);
    page->setColumnChecked(5, false);
    EXPECT_EQ(page->seriesCount(), 0);
}

TEST_F(DataPagesTest, WheelZoomsTheTimeAxisAndDoubleClickResets) {
    if (!ChartPage::available()) GTEST_SKIP() << "built without charts";
    auto form = startWith({"--fast"});
    Control<QPushButton>(*form, "Button2")->click();
    showPage(*form, "TabSheet4");
    ChartPage* page = chart(*form);
    auto* scrollArea = qobject_cast<QAbstractScrollArea*>(page->chartView());
    ASSERT_NE(scrollArea, nullptr);
    QWidget* viewport = scrollArea->viewport();
    const auto full = page->horizontalRange();
    ASSERT_LT(full.first, full.second);
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    const auto zoomed = page->horizontalRange();
    EXPECT_GT(zoomed.first, full.first);
    EXPECT_LT(zoomed.second, full.second);
    EXPECT_NEAR((zoomed.second - zoomed.first) / (full.second - full.first), 0.64, 0.05);

    QMouseEvent twice(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &twice);
    EXPECT_EQ(page->horizontalRange(), full);

    const std::string png = out_.file("chart.png");
    ASSERT_TRUE(page->savePicture(QString::fromStdString(png)));
    const QImage picture(QString::fromStdString(png));
    EXPECT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), page->chartView()->size());
    EXPECT_FALSE(page->savePicture(QString::fromStdString(out_.file("missing/chart.png"))));
}

TEST_F(DataPagesTest, PointsAtOneTimeStillGetATimeRange) {
    if (!ChartPage::available()) GTEST_SKIP() << "built without charts";
    auto form = startWithReply(kHeader +
                               "Date\tTime\tV\r\n01.03.2024\t06:00\t1\r\n01.03.2024\t06:00\t2\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    ChartPage* page = chart(*form);
    EXPECT_EQ(page->seriesCount(), 1);
    const auto range = page->horizontalRange();
    EXPECT_DOUBLE_EQ(range.second - range.first, 120000.0);
}

TEST_F(DataPagesTest, HeaderClicksSortNumbersTimesAndTextAndReverse) {
    auto form = startWithReply(kHeader +
                               "No\tWhen\tValue\tNote\r\n"
                               "1\t02.03.2024 10:00\t10\tb\r\n"
                               "2\t01.03.2024 23:00\t9\t\r\n"
                               "3\t01.03.2024 09:00\t-1,5\tA\r\n"
                               "4\t\t1,2,3\tc\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    showPage(*form, "TabSheet3");
    EXPECT_EQ(columnTexts(*form, 2), QStringList({"10", "9", "-1,5", "1,2,3"}));
    clickHeader(*form, 2);
    EXPECT_EQ(columnTexts(*form, 2), QStringList({"-1,5", "9", "10", "1,2,3"}));
    clickHeader(*form, 2);
    EXPECT_EQ(columnTexts(*form, 2), QStringList({"1,2,3", "10", "9", "-1,5"}));
    clickHeader(*form, 1);  // times as times, the empty cell last
    EXPECT_EQ(columnTexts(*form, 0), QStringList({"3", "2", "1", "4"}));
    clickHeader(*form, 3);  // text ignoring case, the empty cell last
    EXPECT_EQ(columnTexts(*form, 3), QStringList({"A", "b", "c", ""}));
    // Rows keep their readout number in the row header.
    EXPECT_EQ(view(*form)->model()->headerData(0, Qt::Vertical).toString(), "3");

    // A new readout shows the device's order again.
    showPage(*form, "TabSheet3");
    Control<QPushButton>(*form, "Button2")->click();
    EXPECT_EQ(columnTexts(*form, 0), QStringList({"1", "2", "3", "4"}));
}

TEST_F(DataPagesTest, CtrlACtrlCCopiesTitlesAndRowsInTheShownOrder) {
    auto form = startWithReply(kHeader +
                               "No\tText\tValue\r\n1\t\xDC"
                               "ber\t2,5\r\n2\tx\t-1\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    showPage(*form, "TabSheet3");
    clickHeader(*form, 2);
    TableView* table = view(*form);
    QApplication::clipboard()->clear();
    pressKeys(table, QKeySequence::SelectAll);
    pressKeys(table, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString::fromUtf8("No\tText\tValue\n2\tx\t-1\n1\tÜber\t2,5\n"));

    // Only some cells: their columns' titles and their rows.
    table->clearSelection();
    table->selectionModel()->select(table->model()->index(1, 1), QItemSelectionModel::Select);
    table->selectionModel()->select(table->model()->index(1, 2), QItemSelectionModel::Select);
    pressKeys(table, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Text\tValue\nÜber\t2,5\n"));
}

TEST_F(DataPagesTest, ColumnsAreAsWideAsTheirLongestText) {
    const QString longText = QStringLiteral("a rather long alarm text indeed");
    auto form =
        startWithReply(kHeader + "No\tText\r\n1\tx\r\n2\t" + longText.toStdString() + "\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    TableView* table = view(*form);
    EXPECT_GE(table->columnWidth(1), table->fontMetrics().horizontalAdvance(longText));
    EXPECT_LT(table->columnWidth(0), table->columnWidth(1));
    EXPECT_GE(table->columnWidth(0),
              table->horizontalHeader()->fontMetrics().horizontalAdvance("No"));
}

TEST_F(DataPagesTest, HostileRowsGiveATableAndNoCrash) {
    auto form = startWithReply(kHeader +
                               "A\tB\r\n"
                               "\r\n"
                               "\t\t\t\t\r\n"
                               "1\r\n"
                               "\x80\x81\xFF\t99999999999999999999\t3\t4\r\n"
                               "1,2,3\t1.000,5\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    auto* model = view(*form)->model();
    ASSERT_EQ(model->rowCount(), 3);
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "");
    EXPECT_EQ(cellText(*form, 0, 1), "");
    EXPECT_EQ(cellText(*form, 1, 0), QString::fromUtf8("€\u0081ÿ"));
    EXPECT_EQ(cellText(*form, 2, 1), "1.000,5");
    // Two numbers in column A? "1" only; nothing to chart.
    if (ChartPage::available()) {
        EXPECT_EQ(chart(*form)->messageText(), "No numeric column to chart");
    }
}

TEST_F(DataPagesTest, NoNumericColumnSaysSoInTheWindowsLanguage) {
    auto form =
        startWithReply(kHeader + "Text\tMore\r\na\tb\r\nc\td\r\n", "[Language]\nLanguage=2\n");
    Control<QPushButton>(*form, "Button2")->click();
    ChartPage* page = chart(*form);
    if (!ChartPage::available()) {
        EXPECT_EQ(page->messageText(), "Diese Ausgabe des Programms zeichnet keine Diagramme");
        return;
    }
    EXPECT_EQ(page->messageText(), "Keine Zahlenspalte zum Darstellen");
    EXPECT_EQ(page->seriesCount(), 0);
    Control<QRadioButton>(*form, "RadioGroup2Item0")->click();
    EXPECT_EQ(page->messageText(), "No numeric column to chart");
    Control<QRadioButton>(*form, "RadioGroup2Item3")->click();
    EXPECT_EQ(page->messageText(), "Keine Zahlenspalte zum Darstellen");
}

TEST_F(DataPagesTest, SilentDeviceGivesAnEmptyTableAndNoError) {
    auto form = startWith({"--silent"});
    Control<QPushButton>(*form, "Button1")->click();
    EXPECT_EQ(dialogs().messages, std::vector<std::string>{"timeout during Read"});
    EXPECT_EQ(view(*form)->model()->rowCount(), 0);
    EXPECT_EQ(view(*form)->model()->columnCount(), 0);
    EXPECT_EQ(Control<QLabel>(*form, "TablePreamble")->text(), "");
    if (ChartPage::available()) {
        EXPECT_EQ(chart(*form)->messageText(), "No numeric column to chart");
    }
}

// Crafted replies: what a hostile device could send within the limits.

TEST_F(DataPagesTest, ThousandsOfTabsInOneRowLeaveTheOtherRowsAsTheyAre) {
    std::string reply = kHeader + "No\tValue\r\n";
    for (int row = 1; row <= 900; ++row) reply += std::to_string(row) + "\t2\r\n";
    reply += std::string(7000, '\t') + "x\r\n";
    auto form = startWithReply(reply);
    Control<QPushButton>(*form, "Button1")->click();
    const auto& table = view(*form)->tableModel()->table();
    ASSERT_EQ(table.rowCount(), 901u);
    ASSERT_EQ(view(*form)->model()->columnCount(), 7001);
    EXPECT_EQ(cellText(*form, 900, 7000), "x");
    EXPECT_EQ(cellText(*form, 0, 7000), "");
    EXPECT_EQ(cellText(*form, 0, 1), "2");
    EXPECT_EQ(table.rows[0].size(), 2u);
    // The terminal keeps the whole reply, the long line broken where the view lays it out.
    const QString shown = Control<QPlainTextEdit>(*form, "RichEdit1")->toPlainText();
    EXPECT_TRUE(shown.endsWith("x\n"));
    EXPECT_EQ(shown.count(QLatin1Char('\t')), 1 + 900 + 7000);  // titles, rows, the long one
    qsizetype longest = 0;
    for (const QString& line : shown.split(QLatin1Char('\n')))
        longest = std::max(longest, line.size());
    EXPECT_EQ(longest, static_cast<qsizetype>(travik::kViewLineLength));
    EXPECT_EQ(chart(*form)->offeredColumns(), (std::vector<std::size_t>{0, 1}));
}

// The series the chart draws (not the columns it charts).
QList<QAbstractSeries*> drawnSeries(ChartPage* page) {
    return qobject_cast<QChartView*>(page->chartView())->chart()->series();
}

TEST_F(DataPagesTest, AGapAfterEveryPointDrawsPointsAloneInOneSeries) {
    std::string reply = kHeader + "No\tValue\r\n";
    for (int row = 1; row <= 400; ++row)
        reply += std::to_string(row) + (row % 2 ? "\t5\r\n" : "\t\r\n");
    auto form = startWithReply(reply);
    Control<QPushButton>(*form, "Button2")->click();
    ChartPage* page = chart(*form);
    EXPECT_EQ(page->seriesCount(), 1);
    const QList<QAbstractSeries*> series = drawnSeries(page);
    ASSERT_EQ(series.size(), 1);
    auto* points = qobject_cast<QScatterSeries*>(series[0]);
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points->count(), 200);
    EXPECT_EQ(points->at(1), QPointF(3, 5));
    EXPECT_TRUE(page->hoverText(0, 199).startsWith("#399\n"));
}

TEST_F(DataPagesTest, AFewGapsBreakTheLineIntoLinesWithOneLegendEntry) {
    auto form =
        startWithReply(kHeader + "No\tValue\r\n1\t1\r\n2\t2\r\n3\t3\r\n4\t\r\n5\t5\r\n6\t6\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    ChartPage* page = chart(*form);
    page->setColumnChecked(0, false);
    page->setColumnChecked(1, true);
    const QList<QAbstractSeries*> series = drawnSeries(page);
    ASSERT_EQ(series.size(), 2);
    auto* first = qobject_cast<QLineSeries*>(series[0]);
    auto* second = qobject_cast<QLineSeries*>(series[1]);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->points(), (QList<QPointF>{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(second->points(), (QList<QPointF>{{5, 5}, {6, 6}}));
    EXPECT_TRUE(page->hoverText(0, 3).startsWith("#5\n"));
}

// Sets TZ for the test's duration.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
        : before_(qgetenv("TZ")), hadOne_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZone() {
        if (hadOne_)
            qputenv("TZ", before_);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray before_;
    bool hadOne_;
};

double deviceMsecs(int year, int month, int day, int hour, int minute) {
    return static_cast<double>(
        (travik::DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60) * 1000);
}

TEST_F(DataPagesTest, DeviceTimesArePlacedAndLabelledAsWrittenAcrossClockChanges) {
    const TimeZone berlin("Europe/Berlin");
    // Spring: 02:00-02:59 does not exist in local time; autumn: it comes twice.
    auto form = startWithReply(kHeader +
                               "Date\tTime\tV\r\n"
                               "31.03.2024\t01:45\t1\r\n31.03.2024\t02:00\t2\r\n"
                               "31.03.2024\t02:45\t3\r\n31.03.2024\t03:00\t4\r\n"
                               "31.03.2024\t03:15\t5\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    showChartAt(*form, 2400);  // room for every label
    ChartPage* page = chart(*form);
    EXPECT_EQ(page->horizontalRange(),
              qMakePair(deviceMsecs(2024, 3, 31, 1, 45), deviceMsecs(2024, 3, 31, 3, 15)));
    EXPECT_EQ(page->horizontalLabels(),
              (QStringList{"31.03.24 01:45", "31.03.24 02:00", "31.03.24 02:15", "31.03.24 02:30",
                           "31.03.24 02:45", "31.03.24 03:00"}))
        << "the last tick's label would stick out past the chart's right edge";
    const auto* line = qobject_cast<QXYSeries*>(drawnSeries(page).at(0));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->at(2).x() - line->at(1).x(), 45 * 60 * 1000.0);
}

TEST_F(DataPagesTest, TheHourAfterAnAutumnClockChangeIsNoGap) {
    const TimeZone berlin("Europe/Berlin");
    auto form = startWithReply(kHeader +
                               "Date\tTime\tV\r\n"
                               "27.10.2024\t02:45\t1\r\n27.10.2024\t03:00\t2\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    const auto autumn = chart(*form)->horizontalRange();
    EXPECT_EQ(autumn.second - autumn.first, 15 * 60 * 1000.0);
}

TEST_F(DataPagesTest, HugeValuesAndFarYearsGetReadableLabels) {
    auto form = startWithReply(kHeader +
                               "Date\tV\r\n"
                               "01.01.0001\t1000000000000000000000000000000000000000\r\n"
                               "02.01.0001\t2000000000000000000000000000000000000000\r\n"
                               "03.01.0001\t3000000000000000000000000000000000000000\r\n");
    Control<QPushButton>(*form, "Button2")->click();
    showChartAt(*form, 2400);  // room for every label
    ChartPage* page = chart(*form);
    EXPECT_EQ(page->valueLabelFormats(), QStringList{"%.6g"});
    EXPECT_EQ(page->horizontalLabels(), (QStringList{"01.01.0001 00:00", "01.01.0001 12:00",
                                                     "02.01.0001 00:00", "02.01.0001 12:00"}));
}

// A narrow chart shows fewer time labels, each whole (QtCharts would cut
// them short); widened again, it shows them all.
TEST_F(DataPagesTest, TheTimeLabelsAreThoseThatFitTheChartsWidth) {
    std::string reply = kHeader + "No\tt\tValue\r\n";
    for (int row = 0; row < 96; ++row) {
        char line[64];
        std::snprintf(line, sizeof line, "%d\t01.03.2024 %02d:%02d:00\t%d\r\n", row + 1, row / 4,
                      row % 4 * 15, row % 7);
        reply += line;
    }
    auto form = startWithReply(reply);
    Control<QPushButton>(*form, "Button2")->click();
    ChartPage* page = chart(*form);
    auto* view = qobject_cast<QChartView*>(page->chartView());
    ASSERT_NE(view, nullptr);
    const auto labelsCut = [view] {
        return view->chart()->axes(Qt::Horizontal).at(0)->labelsTruncated();
    };
    const auto range = page->horizontalRange();
    showChartAt(*form, 2400);
    const QStringList wide = page->horizontalLabels();
    EXPECT_GE(wide.size(), 4);
    EXPECT_FALSE(labelsCut());
    for (const int width : {800, 700}) {
        showChartAt(*form, width);
        const QStringList narrow = page->horizontalLabels();
        EXPECT_GE(narrow.size(), 2) << width;
        EXPECT_FALSE(labelsCut()) << width << ": " << narrow.join(QLatin1Char(' ')).toStdString();
        if (width == 700) {
            EXPECT_LT(narrow.size(), wide.size());
        }
    }
    showChartAt(*form, 2400);
    EXPECT_EQ(page->horizontalLabels(), wide);
    EXPECT_EQ(page->horizontalRange(), range) << "the labels leave the axis' range alone";
}

}  // namespace
