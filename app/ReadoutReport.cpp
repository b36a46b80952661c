#include "ReadoutReport.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>
#include <algorithm>
#include <vector>

#include "AlarmSummary.h"
#include "FiguresGrid.h"
#include "Languages.h"
#include "TableItemModel.h"

namespace travik {
namespace {

constexpr int kPointsPerInch = 72;  // the report is laid out in points
constexpr double kMarginMm = 15;
constexpr double kCellPadding = 4;
constexpr double kSmallestText = 5;
constexpr double kChartShare = 0.36;  // of the page's height
constexpr double kFooterHeight = 16;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QFont reportFont(double pixels, bool bold = false) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(pixels)));
    font.setBold(bold);
    return font;
}

QPageLayout pageLayout(const QPageSize& pageSize) {
    return QPageLayout(pageSize, QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

struct Grid {
    QStringList header;
    QList<QStringList> rows;
    std::vector<bool> rightAligned;  // by column
};

// Lays the report out from the top of the first page down, page by page.
class ReportPages {
public:
    ReportPages(QPainter& painter, const QRectF& area, int languageIndex,
                std::function<bool()> newPage)
        : painter_(painter),
          area_(area.adjusted(0, 0, 0, -kFooterHeight)),
          words_(ReportTextsFor(languageIndex)),
          newPage_(std::move(newPage)),
          y_(area.top()) {}

    bool stopped() const { return stopped_; }

    void line(const QString& shown, const QFont& font) {
        const double height = QFontMetricsF(font, painter_.device()).height() + 2;
        if (!makeRoom(height)) return;
        painter_.setFont(font);
        painter_.drawText(QRectF(area_.left(), y_, area_.width(), height),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        y_ += height;
    }

    void gap(double height) { y_ = std::min(y_ + height, area_.bottom()); }

    void chart(const std::function<void(QPainter*, const QRectF&)>& paint) {
        const double height = area_.height() * kChartShare;
        if (!makeRoom(height)) return;
        painter_.save();
        paint(&painter_, QRectF(area_.left(), y_, area_.width(), height));
        painter_.restore();
        y_ += height;
    }

    // A grid that goes on over the pages, its header on each of them.
    void grid(const Grid& grid, double textSize) {
        if (grid.header.isEmpty() || stopped_) return;
        QFont font = reportFont(textSize);
        std::vector<double> widths = columnWidths(grid, font);
        double total = sum(widths);
        // Too wide: smaller text first, then narrower columns with cut texts.
        while (total > area_.width() && font.pixelSize() > kSmallestText) {
            font = reportFont(font.pixelSize() - 1);
            widths = columnWidths(grid, font);
            total = sum(widths);
        }
        if (total > area_.width())
            for (double& width : widths) width *= area_.width() / total;
        QFont bold = font;
        bold.setBold(true);
        const double rowHeight = QFontMetricsF(bold, painter_.device()).height() + 3;
        if (!makeRoom(rowHeight * 2)) return;
        row(grid.header, widths, grid.rightAligned, bold, rowHeight, true);
        for (const QStringList& cells : grid.rows) {
            if (y_ + rowHeight > area_.bottom()) {
                if (!nextPage()) return;
                row(grid.header, widths, grid.rightAligned, bold, rowHeight, true);
            }
            row(cells, widths, grid.rightAligned, font, rowHeight, false);
        }
    }

    bool startNewPage() { return nextPage(); }

    void footer() {
        painter_.setFont(reportFont(8));
        painter_.drawText(
            QRectF(area_.left(), area_.bottom() + 4, area_.width(), kFooterHeight - 4),
            Qt::AlignRight | Qt::AlignTop, text(words_.page).arg(pageNumber_));
    }

private:
    static double sum(const std::vector<double>& widths) {
        double total = 0;
        for (double width : widths) total += width;
        return total;
    }

    std::vector<double> columnWidths(const Grid& grid, const QFont& font) const {
        QFont bold = font;
        bold.setBold(true);
        const QFontMetricsF plain(font, painter_.device()), heading(bold, painter_.device());
        std::vector<double> widths(static_cast<std::size_t>(grid.header.size()), 0);
        for (qsizetype c = 0; c < grid.header.size(); ++c)
            widths[static_cast<std::size_t>(c)] = heading.horizontalAdvance(grid.header[c]);
        for (const QStringList& cells : grid.rows)
            for (qsizetype c = 0; c < cells.size() && c < grid.header.size(); ++c)
                widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)],
                                                               plain.horizontalAdvance(cells[c]));
        for (double& width : widths) width += 2 * kCellPadding;
        return widths;
    }

    void row(const QStringList& cells, const std::vector<double>& widths,
             const std::vector<bool>& rightAligned, const QFont& font, double height,
             bool heading) {
        painter_.setFont(font);
        const QFontMetricsF metrics(font, painter_.device());
        double x = area_.left();
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const QString cell = static_cast<qsizetype>(c) < cells.size()
                                     ? cells[static_cast<qsizetype>(c)]
                                     : QString();
            const QRectF box(x + kCellPadding, y_, widths[c] - 2 * kCellPadding, height);
            const bool right = c < rightAligned.size() && rightAligned[c];
            QTextOption option(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
            option.setWrapMode(QTextOption::NoWrap);
            painter_.drawText(box, metrics.elidedText(cell, Qt::ElideRight, box.width()), option);
            x += widths[c];
        }
        y_ += height;
        if (heading) {
            painter_.drawLine(QPointF(area_.left(), y_), QPointF(x, y_));
            y_ += 1;
        }
    }

    bool makeRoom(double height) {
        if (stopped_) return false;
        if (y_ + height <= area_.bottom() || y_ == area_.top()) return true;
        return nextPage();
    }

    bool nextPage() {
        if (stopped_) return false;
        footer();
        if (!newPage_()) {
            stopped_ = true;
            return false;
        }
        ++pageNumber_;
        y_ = area_.top();
        return true;
    }

    QPainter& painter_;
    QRectF area_;
    const ReportTexts& words_;
    std::function<bool()> newPage_;
    double y_;
    int pageNumber_ = 1;
    bool stopped_ = false;
};

QString columnTitle(const Table& table, std::size_t column) {
    const QString title = DecodedText(table.titles[column]);
    return title.isEmpty() ? QStringLiteral("#%1").arg(column + 1) : title;
}

Grid figuresGrid(const FiguresText& figures) {
    return Grid{figures.header, figures.rows, {false, true, true, false, true, false, true}};
}

Grid alarmsGrid(const ReportInput& input) {
    const ReportTexts& words = ReportTextsFor(input.languageIndex);
    Grid grid{{text(words.text), text(words.count), text(words.first), text(words.last)},
              {},
              {false, true, false, false}};
    const auto when = [](const std::optional<std::string>& time, std::size_t row) {
        return time ? DecodedText(*time) : QStringLiteral("#%1").arg(row + 1);
    };
    for (const AlarmCount& alarm : AlarmSummary(*input.table))
        grid.rows.append({DecodedText(alarm.text), QString::number(alarm.count),
                          when(alarm.firstTime, alarm.firstRow),
                          when(alarm.lastTime, alarm.lastRow)});
    return grid;
}

Grid wholeTable(const Table& table) {
    Grid grid;
    grid.header << QStringLiteral("#");
    grid.rightAligned.push_back(true);
    for (std::size_t column = 0; column < table.columnCount(); ++column) {
        grid.header << columnTitle(table, column);
        grid.rightAligned.push_back(false);
    }
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        QStringList cells{QString::number(row + 1)};
        for (std::size_t column = 0; column < table.columnCount(); ++column)
            cells << DecodedText(table.cell(row, column));
        grid.rows.append(cells);
    }
    return grid;
}

void drawReport(QPainter& painter, const QRectF& area, const ReportInput& input,
                const std::function<bool()>& newPage) {
    const ReportTexts& words = ReportTextsFor(input.languageIndex);
    const Table& table = *input.table;
    ReportPages pages(painter, area, input.languageIndex, newPage);
    pages.line(text(words.title), reportFont(16, true));
    pages.gap(4);
    for (const std::string& line : table.preamble)
        pages.line(DecodedText(line), reportFont(11, true));
    const QString source = text(input.fromFile ? words.file : words.port).arg(input.sourceName);
    pages.line(text(words.source) + QStringLiteral(": ") + source, reportFont(10));
    pages.line(text(words.reportDate) + QStringLiteral(": ") +
                   input.reportTime.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
               reportFont(10));
    pages.gap(6);
    if (input.paintChart) pages.chart(input.paintChart);
    if (!input.figures.columns.empty()) {
        pages.gap(6);
        pages.line(text(words.figures), reportFont(12, true));
        const FiguresText figures = FiguresAsText(table, input.figures, input.languageIndex);
        if (!figures.timeRange.isEmpty()) pages.line(figures.timeRange, reportFont(9));
        pages.grid(figuresGrid(figures), 9);
    }
    if (input.alarmBuffer) {
        const Grid alarms = alarmsGrid(input);
        if (!alarms.rows.isEmpty()) {
            pages.gap(6);
            pages.line(text(words.alarms), reportFont(12, true));
            pages.grid(alarms, 9);
        }
    }
    if (table.columnCount() > 0 && pages.startNewPage()) {
        pages.line(text(words.table), reportFont(12, true));
        pages.grid(wholeTable(table), 8);
    }
    if (!pages.stopped()) pages.footer();
}

}  // namespace

QPageSize ReportPageSize(const QLocale& locale) {
    switch (locale.territory()) {
        case QLocale::UnitedStates:
        case QLocale::Canada:
        case QLocale::Mexico:
        case QLocale::Chile:
        case QLocale::Colombia:
        case QLocale::Venezuela:
        case QLocale::Philippines:
        case QLocale::PuertoRico:
            return QPageSize(QPageSize::Letter);
        default:
            return QPageSize(QPageSize::A4);
    }
}

QByteArray ReportPdf(const ReportInput& input, const QPageSize& pageSize) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPointsPerInch);
        writer.setPageLayout(pageLayout(pageSize));
        writer.setCreator(QStringLiteral("TravikP Readout"));
        writer.setTitle(text(ReportTextsFor(input.languageIndex).title) +
                        QStringLiteral(" \u2013 ") + input.sourceName);
        QPainter painter(&writer);
        const QRectF area(QPointF(0, 0),
                          writer.pageLayout().paintRectPixels(kPointsPerInch).size());
        drawReport(painter, area, input, [&writer] { return writer.newPage(); });
    }
    return bytes;
}

QImage ReportFirstPage(const ReportInput& input, const QPageSize& pageSize, double scale) {
    const QPageLayout layout = pageLayout(pageSize);
    const QSizeF page = layout.fullRectPixels(kPointsPerInch).size();
    QImage image((page * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    drawReport(painter, layout.paintRectPixels(kPointsPerInch), input, [] { return false; });
    return image;
}

std::string ReportFileName(const std::string& csvFileName) {
    QString name = QString::fromStdString(csvFileName);
    if (name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) name.chop(4);
    return (name + QStringLiteral(".pdf")).toStdString();
}

}  // namespace travik
