// The readout as a printable PDF report: a first page with the device's first
// two lines, where the data came from, the report's date, the chart as the
// page shows it, the figures and, for an alarm buffer, the alarms summed up;
// then the whole table, its column titles on every page. A table too wide for
// a page goes on in bands of columns, the running number, date and time
// repeated in each (see ReportPlan.h). Drawn with Qt's own PDF writer and no
// widget, so that it can be written on any thread; the same first page can be
// drawn into a picture.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPicture>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ColumnFigures.h"
#include "DeviceLimits.h"
#include "KineticTemperature.h"
#include "Table.h"

class QPainter;
class QRectF;

namespace travik {

struct ReportInput {
    std::shared_ptr<const Table> table;
    TableFigures figures;
    bool alarmBuffer = false;
    bool fromFile = false;  // else from the port
    QString sourceName;     // the port, or the file's name
    QDateTime reportTime;
    int languageIndex = 0;
    // The chart, recorded by RecordedChart; none when there is no chart to show.
    std::shared_ptr<const QPicture> chart;
    // A history range: its device, what it holds, its marks, the readouts merged.
    QStringList historyLines;
    // The excursions of the columns with a limit; none when no column has one.
    std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions;
    // The mean kinetic temperature's, in kJ/mol.
    double activationEnergy = kDefaultActivationEnergy;
    // The report's last line: the SHA-256 of the data it was made from (see
    // DataSha256), and the file it is of (empty: the CSV that saving writes).
    QString dataSha256;
    QString hashedFile;
};

// 64 lowercase hex digits, as sha256sum writes them.
QString DataSha256(const QByteArray& bytes);

// The limits section's texts, as drawn: the limits in force (since when),
// each excursion (column, start, end, duration, extreme value as the device
// wrote it), the time outside and without data per day, and each column's
// time without data. Empty without an excursion list.
struct LimitsSection {
    QStringList inForce;
    QStringList excursionHeader;
    QList<QStringList> excursions;
    QStringList dayHeader;
    QList<QStringList> days;
    QStringList unknown;
    bool empty() const { return inForce.isEmpty(); }
};
LimitsSection LimitsSectionOf(const ReportInput& input);

// The report's closing line with the SHA-256; empty without one.
QString DataHashLine(const ReportInput& input);

// Letter where the locale's country uses it, else A4.
QPageSize ReportPageSize(const QLocale& locale);

// Records `paint` (which draws the chart into a rectangle, with widgets: on
// the window's thread) at the size the chart takes on the report's first page.
std::shared_ptr<const QPicture> RecordedChart(
    const std::function<void(QPainter*, const QRectF&)>& paint, const QPageSize& pageSize);

// Told now and then how far a report has come (of `total`); false stops it.
using ReportProgress = std::function<bool(std::size_t done, std::size_t total)>;

// More pages than this are written only when the user agrees.
inline constexpr std::size_t kReportPagesAsked = 500;

// A report made in two steps, so that its pages are counted before they are
// written: the cost of each grows with the cells that exist.
class ReportMaker {
public:
    ReportMaker(ReportInput input, const QPageSize& pageSize);
    ~ReportMaker();
    ReportMaker(const ReportMaker&) = delete;
    ReportMaker& operator=(const ReportMaker&) = delete;

    // Measures the table and lays out its pages; false when stopped.
    bool plan(const ReportProgress& progress = {});
    // How many pages the planned report has (the first pages' share estimated
    // from their lines).
    std::size_t pageCount() const;
    // Page by page after the first pages, the headings over the table's bands
    // ("Columns 9–16 of 7002"); no heading when the table fits the width whole.
    std::vector<QStringList> tableHeadings() const;
    // The whole report as the bytes of a PDF file (planned first if it was
    // not); nothing when stopped.
    std::optional<QByteArray> pdf(const ReportProgress& progress = {});

    struct Plan;  // the measured table and its pages

private:
    ReportInput input_;
    QPageSize pageSize_;
    std::unique_ptr<Plan> plan_;
};

// The whole report as the bytes of a PDF file.
QByteArray ReportPdf(const ReportInput& input, const QPageSize& pageSize);

// The report's first page as a picture, `scale` pixels per point.
QImage ReportFirstPage(const ReportInput& input, const QPageSize& pageSize, double scale);

// The page the limits section starts on, as a picture (for the README);
// a null image without limits.
QImage ReportLimitsPage(const ReportInput& input, const QPageSize& pageSize, double scale);

// The report's proposed name: the CSV's with ".pdf" in place of ".csv".
std::string ReportFileName(const std::string& csvFileName);

}  // namespace travik
