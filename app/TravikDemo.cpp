// Drives the program's own window without a display (Qt's offscreen platform):
// reads both records from the port named in the settings file, saves both as
// CSV files, pictures of the table and chart pages after each readout, the
// alarm buffer's PDF report with a picture of its first page, a picture of the
// figures grid, the data logger's report page with its limits section and its
// chart with them (a limit set on its temperature), and a picture of the window
// into the folder given.
//
// With --history (the simulator playing a device with a history and a gap):
// reads the data logger three times into the history named in the settings
// file, shows two days around the possible loss on the history page, and
// saves pictures of that page, the table (its marked rows in sight), the chart
// (the loss shaded) and the first page of the range's report.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPageSize>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeZone>
#include <cmath>
#include <cstdio>
#include <string>

#include "ColumnFigures.h"
#include "HistoryView.h"
#include "ReadoutReport.h"
#include "ShownReadout.h"
#include "TableItemModel.h"
#include "TableView.h"
#include "TravikTestUnit.h"

namespace {

// Messages go to the terminal; the save dialog answers with the output folder.
class DemoDialogs : public travik::Dialogs {
public:
    explicit DemoDialogs(std::string folder) : folder_(std::move(folder)) {}
    void showMessage(const std::string& text) override {
        std::printf("message: %s\n", text.c_str());
    }
    std::optional<std::string> askSaveFileName(const std::string& proposed) override {
        // A history range proposes a path in the home folder: its name only.
        return folder_ + "/" + QFileInfo(QString::fromStdString(proposed)).fileName().toStdString();
    }
    bool askYesNo(const std::string& text) override {
        std::printf("answered yes: %s\n", text.c_str());
        return true;
    }
    int errors() const { return errors_; }

protected:
    void showErrorBox(const std::string& textWithStop) override {
        std::fprintf(stderr, "error: %s\n", textWithStop.c_str());
        ++errors_;
    }

private:
    std::string folder_;
    int errors_ = 0;
};

// One readout by the button's click, then the save command; the saved file's path.
std::string readAndSave(travik::TSTestForm& form, const char* button, const DemoDialogs& dialogs) {
    const int errorsBefore = dialogs.errors();
    form.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    auto* save = form.findChild<QAction*>(QStringLiteral("CSVDateiabspeichern1"));
    if (!save->isEnabled()) return std::string();
    const std::string proposed = form.state().CsvFileName;
    save->trigger();
    return dialogs.errors() == errorsBefore ? proposed : std::string();
}

// The window showing `page`, saved as `name` in `folder`; the path, or "" when not saved.
void showPage(travik::TSTestForm& form, const char* page) {
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(form.findChild<QWidget*>(QString::fromLatin1(page)));
    QApplication::processEvents();
}

QString pagePicture(travik::TSTestForm& form, const char* page, const QString& folder,
                    const QString& name) {
    showPage(form, page);
    const QString path = folder + QLatin1Char('/') + name;
    return form.grab().save(path, "PNG") ? path : QString();
}

// The report of the readout shown, saved by the menu command, and its first
// page as NAME-report.png; the picture's path, or "" when either was not saved.
QString reportPicture(travik::TSTestForm& form, const QString& folder, const char* name,
                      const DemoDialogs& dialogs) {
    const int errorsBefore = dialogs.errors();
    form.findChild<QAction*>(QStringLiteral("SaveReport1"))->trigger();
    form.waitForReport();
    if (dialogs.errors() != errorsBefore) return QString();
    const QString path =
        folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral("-report.png");
    const QImage page = travik::ReportFirstPage(form.reportInput(), QPageSize(QPageSize::A4), 1.5);
    return page.save(path, "PNG") ? path : QString();
}

// The figures grid under the table, as NAME-figures.png.
QString figuresPicture(travik::TSTestForm& form, const QString& folder, const char* name) {
    showPage(form, "TabSheet3");
    const QString path =
        folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral("-figures.png");
    return form.findChild<QWidget*>(QStringLiteral("FiguresGrid1"))->grab().save(path, "PNG")
               ? path
               : QString();
}

// A limit on the temperature column that its readout goes beyond now and
// then: the upper eighth of its range above, the lower eighth below. Then the
// report's page with the limits section, as NAME-limits-report.png.
QString limitsPicture(travik::TSTestForm& form, const QString& folder, const char* name) {
    auto* shown = form.findChild<travik::ShownReadout*>();
    const std::string title = "Value1 \260C";
    for (const travik::ColumnFigures& column : shown->figures()->columns) {
        if (shown->table()->titles[column.column] != title) continue;
        const double range = column.maximum.value - column.minimum.value;
        travik::history::StoredLimit limit;
        limit.column = title;
        const auto tenths = [](double value) { return std::round(value * 10) / 10; };
        limit.limit.lower = tenths(column.minimum.value + range / 8);
        limit.limit.upper = tenths(column.maximum.value - range / 8);
        limit.limit.deadband = tenths(range / 50);
        shown->setLimits({limit});
    }
    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name) +
                         QStringLiteral("-limits-report.png");
    const QImage page = travik::ReportLimitsPage(form.reportInput(), QPageSize(QPageSize::A4), 1.5);
    return !page.isNull() && page.save(path, "PNG") ? path : QString();
}

// The table and chart pages after a readout, as NAME-table.png and NAME-chart.png.
QStringList dataPagePictures(travik::TSTestForm& form, const QString& folder, const char* name) {
    const QString prefix = QString::fromLatin1(name);
    return {pagePicture(form, "TabSheet3", folder, prefix + QStringLiteral("-table.png")),
            pagePicture(form, "TabSheet4", folder, prefix + QStringLiteral("-chart.png"))};
}

// The table scrolled so that its first marked row is in sight, a few rows down.
void scrollToFirstMark(travik::TSTestForm& form) {
    auto* table = form.findChild<travik::TableView*>(QStringLiteral("TableView1"));
    const travik::TableItemModel& model = *table->tableModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.rowMark(row) == 0) continue;
        table->scrollTo(model.index(std::max(0, row - 3), 0), QAbstractItemView::PositionAtTop);
        return;
    }
}

// Three data-logger readouts into the history, then two days around the loss.
int historyDemo(travik::TSTestForm& form, const QString& folder, const DemoDialogs& dialogs) {
    for (int readout = 0; readout < 3; ++readout) {
        form.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        std::printf("Readout %d: %s\n", readout + 1,
                    qPrintable(form.findChild<QLabel*>(QStringLiteral("Label1"))->text()));
    }
    travik::HistoryView& view = *form.historyView();
    const auto utc = [](const char* text) {
        return travik::DateTimeAsDeviceTime(
            QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate));
    };
    view.choose(0, travik::ReadoutKind::DataLogger, travik::history::RangeChoice::FromTo,
                {utc("2024-04-29T12:00:00"), utc("2024-05-01T00:00:00")});
    view.showChosen();
    if (!form.shownHistoryRange()) {
        std::fprintf(stderr, "the history showed no range\n");
        return 1;
    }
    QStringList pages;
    pages << pagePicture(form, "HistoryView1", folder, QStringLiteral("history-view.png"));
    showPage(form, "TabSheet3");
    scrollToFirstMark(form);
    pages << pagePicture(form, "TabSheet3", folder, QStringLiteral("history-table.png"));
    pages << pagePicture(form, "TabSheet4", folder, QStringLiteral("history-chart.png"));
    pages << reportPicture(form, folder, "history", dialogs);
    form.close();
    bool saved = true;
    for (const QString& page : pages) {
        std::printf("Page:         %s\n", page.isEmpty() ? "not saved" : qPrintable(page));
        saved = saved && !page.isEmpty();
    }
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool history = argc == 3 && std::string(argv[1]) == "--history";
    if (argc != 2 && !history) {
        std::fprintf(stderr, "usage: travik-demo [--history] OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[argc - 1])).absolutePath();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    auto owned = std::make_unique<DemoDialogs>(folder.toStdString());
    const DemoDialogs& dialogs = *owned;
    travik::TSTestForm form(std::move(owned));
    form.InitForm();
    form.show();
    if (!form.state().ComHandle.isOpen()) {
        std::fprintf(stderr, "the port in the settings file did not open\n");
        return 1;
    }
    if (history) return historyDemo(form, folder, dialogs);

    const std::string alarm = readAndSave(form, "Button1", dialogs);
    QStringList pages = dataPagePictures(form, folder, "alarm");
    pages << reportPicture(form, folder, "alarm", dialogs);
    const std::string data = readAndSave(form, "Button2", dialogs);
    pages << dataPagePictures(form, folder, "data");
    pages << limitsPicture(form, folder, "data");
    pages << figuresPicture(form, folder, "data");  // with the limit's figures
    pages << pagePicture(form, "TabSheet4", folder, QStringLiteral("data-limits-chart.png"));
    const QString picture = pagePicture(form, "TabSheet1", folder, QStringLiteral("window.png"));
    const bool pictureSaved = !picture.isEmpty();
    form.close();

    std::printf("Alarm buffer: %s\n",
                alarm.empty() ? "not saved" : (folder.toStdString() + "/" + alarm).c_str());
    std::printf("Data logger:  %s\n",
                data.empty() ? "not saved" : (folder.toStdString() + "/" + data).c_str());
    std::printf("Window:       %s\n", pictureSaved ? qPrintable(picture) : "not saved");
    bool pagesSaved = true;
    for (const QString& page : pages) {
        std::printf("Page:         %s\n", page.isEmpty() ? "not saved" : qPrintable(page));
        pagesSaved = pagesSaved && !page.isEmpty();
    }
    return alarm.empty() || data.empty() || !pictureSaved || !pagesSaved ? 1 : 0;
}
