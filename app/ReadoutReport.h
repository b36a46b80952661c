// The readout as a printable PDF report: a first page with the device's first
// two lines, where the data came from, the report's date, the chart as the
// page shows it, the figures and, for an alarm buffer, the alarms summed up;
// then the whole table, its column titles on every page. Drawn with Qt's own
// PDF writer; the same pages can be drawn into a picture.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QString>
#include <functional>
#include <memory>

#include "ColumnFigures.h"
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
    // Paints the chart into a rectangle; empty when there is no chart to show.
    std::function<void(QPainter*, const QRectF&)> paintChart;
};

// Letter where the locale's country uses it, else A4.
QPageSize ReportPageSize(const QLocale& locale);

// The whole report as the bytes of a PDF file.
QByteArray ReportPdf(const ReportInput& input, const QPageSize& pageSize);

// The report's first page as a picture, `scale` pixels per point.
QImage ReportFirstPage(const ReportInput& input, const QPageSize& pageSize, double scale);

// The report's proposed name: the CSV's with ".pdf" in place of ".csv".
std::string ReportFileName(const std::string& csvFileName);

}  // namespace travik
