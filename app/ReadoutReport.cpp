#include "ReadoutReport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "AlarmSummary.h"
#include "HistoryTexts.h"
#include "Languages.h"
#include "LimitTexts.h"
#include "ReadoutTexts.h"
#include "ReportPlan.h"

namespace travik {
namespace {

constexpr int kPointsPerInch = 72;  // the report is laid out in points
constexpr double kMarginMm = 15;
constexpr double kCellPadding = 4;
constexpr double kSmallestText = 5;
constexpr double kChartShare = 0.36;  // of the page's height
constexpr double kFooterHeight = 16;
// The table's text: this size, down to the smallest when that makes it fit the
// width; else in bands of columns at this size.
constexpr int kTableText = 8;
constexpr int kSmallestTableText = 6;
constexpr double kWidestColumnShare = 0.5;     // of the page's width; longer texts are cut
constexpr double kRepeatedColumnsShare = 0.5;  // else only the row number is repeated
constexpr std::size_t kRowsBetweenReports = 1024;
constexpr std::size_t kRememberedCell = 24;  // bytes; longer cells are measured each time
constexpr std::size_t kRememberedCells = 1 << 16;

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

QFont boldOf(QFont font) {
    font.setBold(true);
    return font;
}

QPageLayout pageLayout(const QPageSize& pageSize) {
    return QPageLayout(pageSize, QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

// Where the pages' content goes, in points, footer left out.
QRectF contentArea(const QPageSize& pageSize) {
    return QRectF(QPointF(0, 0), pageLayout(pageSize).paintRectPixels(kPointsPerInch).size())
        .adjusted(0, 0, 0, -kFooterHeight);
}

QSizeF chartSize(const QPageSize& pageSize) {
    const QRectF area = contentArea(pageSize);
    return QSizeF(area.width(), area.height() * kChartShare);
}

// A paint device of the PDF's resolution, to measure texts as they will be drawn.
QImage measuringDevice() {
    QImage device(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(kPointsPerInch / 0.0254 + 0.5);
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
    return device;
}

double lineHeight(const QFont& font, QPaintDevice* device) {
    return QFontMetricsF(font, device).height() + 2;
}

struct Grid {
    QStringList header;
    QList<QStringList> rows;
    std::vector<bool> rightAligned;  // by column
};

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

QString durationText(long long seconds) {
    return QString::fromStdString(history::DurationText(seconds));
}

QString deviceTime(long long seconds) {
    return QString::fromStdString(history::DeviceTimeText(seconds));
}

// The day's date as the device writes it ("01.03.2024").
QString dayText(long long day) {
    return QString::fromStdString(history::DeviceTimeText(day * 86400).substr(0, 10));
}

char decimalSeparatorOf(const TableFigures& figures, std::size_t column) {
    for (const ColumnFigures& shown : figures.columns)
        if (shown.column == column && shown.decimalSeparator != 0) return shown.decimalSeparator;
    return '.';
}

Grid excursionsGrid(const LimitsSection& section) {
    return Grid{section.excursionHeader, section.excursions, {false, false, false, true, true}};
}

Grid daysGrid(const LimitsSection& section) {
    return Grid{section.dayHeader, section.days, {false, false, true, true}};
}

QString bandHeading(const ReportTexts& words, const ColumnBand& band, std::size_t columns) {
    return text(words.columns).arg(band.first + 1).arg(band.end).arg(columns);
}

}  // namespace

// The table measured and laid out over pages.
struct ReportMaker::Plan {
    QFont font;
    QFont bold;
    double rowHeight = 0;
    bool banded = false;       // else the table fits the width whole
    double headingHeight = 0;  // over each band's part; 0 when the table fits whole
    double numberWidth = 0;    // the row number's column
    std::vector<double> widths;
    std::vector<bool> cut;  // by column: some text is wider than the column
    std::size_t repeated = 0;
    TablePlan pages;
    Grid alarms;
    LimitsSection limits;
    std::size_t firstPages = 1;  // before the table
};

namespace {

// How wide each column's title and cells are drawn at `font`, padding included
// (each cell measured once: the cost of the cells that exist).
std::optional<std::vector<double>> measuredWidths(const Table& table, const QFont& font,
                                                  QPaintDevice* device,
                                                  const ReportProgress& progress) {
    const QFontMetricsF plain(font, device), heading(boldOf(font), device);
    // Short cells repeat (numbers, codes): each text is measured once.
    std::unordered_map<std::string, double> known;
    const auto advance = [&](const std::string& cell) {
        if (cell.size() > kRememberedCell) return plain.horizontalAdvance(DecodedText(cell));
        const auto found = known.find(cell);
        if (found != known.end()) return found->second;
        const double width = plain.horizontalAdvance(DecodedText(cell));
        if (known.size() < kRememberedCells) known.emplace(cell, width);
        return width;
    };
    std::vector<double> widths(table.columnCount(), 0);
    for (std::size_t column = 0; column < widths.size(); ++column)
        widths[column] = heading.horizontalAdvance(ColumnName(table, column));
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const std::vector<std::string>& fields = table.rows[row];
        for (std::size_t column = 0; column < fields.size(); ++column)
            if (!fields[column].empty())
                widths[column] = std::max(widths[column], advance(fields[column]));
        if (row % kRowsBetweenReports == 0 && progress && !progress(row, table.rowCount()))
            return std::nullopt;
    }
    for (double& width : widths) width += 2 * kCellPadding;
    return widths;
}

double sum(const std::vector<double>& widths, std::size_t first, std::size_t end) {
    double total = 0;
    for (std::size_t column = first; column < end; ++column) total += widths[column];
    return total;
}

// Widths measured at kTableText drawn at `pixels`: the texts scale, the padding stays.
std::vector<double> scaledWidths(std::vector<double> widths, int pixels) {
    const double scale = static_cast<double>(pixels) / kTableText;
    for (double& width : widths) width = (width - 2 * kCellPadding) * scale + 2 * kCellPadding;
    return widths;
}

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
        const double height = lineHeight(font, painter_.device());
        if (!makeRoom(height)) return;
        painter_.setFont(font);
        painter_.drawText(QRectF(area_.left(), y_, area_.width(), height),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        y_ += height;
    }

    void gap(double height) { y_ = std::min(y_ + height, area_.bottom()); }

    void chart(const QPicture& picture) {
        const double height = area_.height() * kChartShare;
        if (!makeRoom(height)) return;
        painter_.save();
        painter_.setClipRect(QRectF(area_.left(), y_, area_.width(), height));
        painter_.drawPicture(QPointF(area_.left(), y_), picture);
        painter_.restore();
        y_ += height;
    }

    // A grid of few columns that goes on over the pages, its header on each of them.
    void grid(const Grid& grid, double textSize) {
        if (grid.header.isEmpty() || stopped_) return;
        QFont font = reportFont(textSize);
        std::vector<double> widths = columnWidths(grid, font);
        double total = sum(widths, 0, widths.size());
        // Too wide: smaller text first, then narrower columns with cut texts.
        while (total > area_.width() && font.pixelSize() > kSmallestText) {
            font = reportFont(font.pixelSize() - 1);
            widths = columnWidths(grid, font);
            total = sum(widths, 0, widths.size());
        }
        if (total > area_.width())
            for (double& width : widths) width *= area_.width() / total;
        const QFont bold = boldOf(font);
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

    // The table as planned, each page as the plan has it; `progress` is told
    // after each page.
    void table(const Table& table, const ReportMaker::Plan& plan, const ReportProgress& progress) {
        const TablePlan& pages = plan.pages;
        for (std::size_t page = 0; page < pages.pages.size(); ++page) {
            if (page > 0 && !nextPage()) return;
            bool first = true;
            for (const BandPart& part : pages.pages[page]) {
                if (!first) y_ += plan.rowHeight;
                first = false;
                bandPart(table, plan, part);
            }
            if (progress && !progress(page + 1, pages.pages.size())) {
                stopped_ = true;
                return;
            }
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
    // The columns band `part.band` shows: the repeated ones (in the first band
    // they are its own first columns), then the band's.
    static std::vector<std::size_t> bandColumns(const ReportMaker::Plan& plan,
                                                const ColumnBand& band) {
        std::vector<std::size_t> columns;
        if (band.first > 0)
            for (std::size_t column = 0; column < plan.repeated; ++column)
                columns.push_back(column);
        for (std::size_t column = band.first; column < band.end; ++column)
            columns.push_back(column);
        return columns;
    }

    void bandPart(const Table& table, const ReportMaker::Plan& plan, const BandPart& part) {
        const ColumnBand& band = plan.pages.bands[part.band];
        if (plan.headingHeight > 0) {
            painter_.setFont(boldOf(reportFont(9)));
            const QString heading = bandHeading(words_, band, table.columnCount());
            painter_.drawText(QRectF(area_.left(), y_, area_.width(), plan.headingHeight),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, heading);
            y_ += plan.headingHeight;
        }
        const std::vector<std::size_t> columns = bandColumns(plan, band);
        std::vector<double> widths{plan.numberWidth};
        std::vector<bool> cut{false};
        QStringList cells{QStringLiteral("#")};
        for (std::size_t column : columns) {
            widths.push_back(plan.widths[column]);
            cut.push_back(plan.cut[column]);
            cells << ColumnName(table, column);
        }
        tableRow(cells, widths, cut, plan.bold, plan.rowHeight);
        painter_.drawLine(QPointF(area_.left(), y_),
                          QPointF(area_.left() + sum(widths, 0, widths.size()), y_));
        y_ += 1;
        const std::vector<std::size_t>& rows = plan.pages.bandRows[part.band];
        for (std::size_t at = part.firstRow; at < part.firstRow + part.rowCount; ++at) {
            const std::size_t shown = rows[at];
            cells = QStringList{QString::number(shown + 1)};
            for (std::size_t column : columns) cells << DecodedText(table.cell(shown, column));
            tableRow(cells, widths, cut, plan.font, plan.rowHeight);
        }
    }

    // A row of the table: texts drawn at their baseline (no text layout per
    // cell), cut only in the columns that need it; the row number to the right.
    void tableRow(const QStringList& cells, const std::vector<double>& widths,
                  const std::vector<bool>& cut, const QFont& font, double height) {
        painter_.setFont(font);
        const QFontMetricsF metrics(font, painter_.device());
        const double baseline = y_ + (height - metrics.height()) / 2 + metrics.ascent();
        double x = area_.left();
        for (std::size_t c = 0; c < widths.size() && c < static_cast<std::size_t>(cells.size());
             ++c) {
            const QString& cell = cells[static_cast<qsizetype>(c)];
            const double room = widths[c] - 2 * kCellPadding;
            if (!cell.isEmpty()) {
                const QString shown =
                    cut[c] ? metrics.elidedText(cell, Qt::ElideRight, room) : cell;
                const double left = c == 0
                                        ? x + kCellPadding + room - metrics.horizontalAdvance(shown)
                                        : x + kCellPadding;
                painter_.drawText(QPointF(left, baseline), shown);
            }
            x += widths[c];
        }
        y_ += height;
    }

    std::vector<double> columnWidths(const Grid& grid, const QFont& font) const {
        const QFontMetricsF plain(font, painter_.device()),
            heading(boldOf(font), painter_.device());
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
            if (!cell.isEmpty())
                painter_.drawText(box, metrics.elidedText(cell, Qt::ElideRight, box.width()),
                                  option);
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

void drawLimits(ReportPages& pages, const LimitsSection& limits, int languageIndex) {
    const LimitReportTexts& words = LimitReportTextsFor(languageIndex);
    pages.gap(6);
    pages.line(text(words.limits), reportFont(12, true));
    pages.line(text(words.inForce), reportFont(10, true));
    for (const QString& line : limits.inForce) pages.line(line, reportFont(9));
    pages.gap(4);
    if (limits.excursions.isEmpty())
        pages.line(text(words.noExcursion), reportFont(9));
    else
        pages.grid(excursionsGrid(limits), 9);
    if (!limits.days.isEmpty()) {
        pages.gap(4);
        pages.line(text(words.perDay), reportFont(10, true));
        pages.grid(daysGrid(limits), 9);
    }
    pages.gap(4);
    for (const QString& line : limits.unknown) pages.line(line, reportFont(9));
}

// Draws the report; the table only when it was planned (`plan`).
void drawReport(QPainter& painter, const QRectF& area, const ReportInput& input,
                const ReportMaker::Plan* plan, const std::function<bool()>& newPage,
                const ReportProgress& progress) {
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
    if (!input.historyLines.isEmpty()) {
        pages.gap(4);
        for (const QString& line : input.historyLines) pages.line(line, reportFont(9));
    }
    pages.gap(6);
    if (input.chart) pages.chart(*input.chart);
    if (!input.figures.columns.empty()) {
        pages.gap(6);
        pages.line(text(words.figures), reportFont(12, true));
        const FiguresText figures = FiguresAsText(table, input.figures, input.languageIndex,
                                                  nullptr, input.activationEnergy);
        if (!figures.timeRange.isEmpty()) pages.line(figures.timeRange, reportFont(9));
        pages.grid(figuresGrid(figures), 9);
        if (!figures.kineticMean.isEmpty()) pages.line(figures.kineticMean, reportFont(9));
    }
    if (input.alarmBuffer) {
        const Grid alarms = plan ? plan->alarms : alarmsGrid(input);
        if (!alarms.rows.isEmpty()) {
            pages.gap(6);
            pages.line(text(words.alarms), reportFont(12, true));
            pages.grid(alarms, 9);
        }
    }
    const LimitsSection limits = plan ? plan->limits : LimitsSectionOf(input);
    if (!limits.empty()) drawLimits(pages, limits, input.languageIndex);
    if (plan && !plan->pages.pages.empty() && pages.startNewPage()) {
        pages.line(text(words.table), reportFont(12, true));
        pages.table(table, *plan, progress);
    }
    const QString hash = DataHashLine(input);
    if (!hash.isEmpty()) {
        pages.gap(6);
        pages.line(hash, reportFont(8));
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

std::shared_ptr<const QPicture> RecordedChart(
    const std::function<void(QPainter*, const QRectF&)>& paint, const QPageSize& pageSize) {
    auto picture = std::make_shared<QPicture>();
    QPainter painter(picture.get());
    paint(&painter, QRectF(QPointF(0, 0), chartSize(pageSize)));
    painter.end();
    return picture;
}

ReportMaker::ReportMaker(ReportInput input, const QPageSize& pageSize)
    : input_(std::move(input)), pageSize_(pageSize) {}

ReportMaker::~ReportMaker() = default;

namespace {

// The table's text size and column widths: the whole width at a smaller text
// when that is enough, else bands at the usual size beside the repeated columns.
std::vector<double> fitTableText(ReportMaker::Plan& plan, const Table& table,
                                 std::vector<double> widths, double pageWidth) {
    int pixels = kTableText;
    const auto total = [&](int size) {
        return plan.numberWidth + sum(scaledWidths(widths, size), 0, widths.size());
    };
    while (pixels > kSmallestTableText && total(pixels) > pageWidth) --pixels;
    if (total(pixels) <= pageWidth) {
        if (pixels != kTableText) plan.cut.assign(widths.size(), true);  // scaled: not exact
        plan.font = reportFont(pixels);
        return scaledWidths(std::move(widths), pixels);
    }
    plan.repeated = RepeatedColumns(table);
    if (plan.numberWidth + sum(widths, 0, plan.repeated) > pageWidth * kRepeatedColumnsShare)
        plan.repeated = 0;
    plan.banded = true;
    return widths;
}

// The pages before the table, from the lines they hold (an estimate).
std::size_t firstPages(const ReportInput& input, const Grid& alarms, const LimitsSection& limits,
                       const QRectF& area, QPaintDevice* device) {
    const double gridRow = QFontMetricsF(boldOf(reportFont(9)), device).height() + 3;
    const auto count = [](const auto& list) { return static_cast<double>(list.size()); };
    const double lines =
        area.height() * (input.chart ? kChartShare : 0) + 12 * lineHeight(reportFont(12), device) +
        gridRow * (count(input.figures.columns) + count(alarms.rows) + count(limits.excursions) +
                   count(limits.days)) +
        lineHeight(reportFont(9), device) * (count(limits.inForce) + count(limits.unknown));
    return 1 + static_cast<std::size_t>(lines / area.height());
}

}  // namespace

bool ReportMaker::plan(const ReportProgress& progress) {
    auto plan = std::make_unique<Plan>();
    const Table& table = *input_.table;
    QImage device = measuringDevice();
    const QRectF area = contentArea(pageSize_);
    plan->font = reportFont(kTableText);
    const auto measured = measuredWidths(table, plan->font, &device, progress);
    if (!measured) return false;
    std::vector<double> widths = *measured;
    plan->cut.resize(widths.size());
    for (std::size_t column = 0; column < widths.size(); ++column) {
        plan->cut[column] = widths[column] > area.width() * kWidestColumnShare;
        widths[column] = std::min(widths[column], area.width() * kWidestColumnShare);
    }
    const QString lastNumber = QString::number(std::max<std::size_t>(table.rowCount(), 1));
    plan->numberWidth =
        std::max(
            QFontMetricsF(plan->font, &device).horizontalAdvance(lastNumber),
            QFontMetricsF(boldOf(plan->font), &device).horizontalAdvance(QStringLiteral("#"))) +
        2 * kCellPadding;
    widths = fitTableText(*plan, table, std::move(widths), area.width());
    plan->bold = boldOf(plan->font);
    plan->rowHeight = QFontMetricsF(plan->bold, &device).height() + 3;
    if (plan->banded) plan->headingHeight = lineHeight(boldOf(reportFont(9)), &device);
    const double room = area.width() - plan->numberWidth - sum(widths, 0, plan->repeated);
    const double tableHeading = lineHeight(reportFont(12, true), &device);
    const BandLayout layout{area.height() - tableHeading, area.height(), plan->headingHeight,
                            plan->rowHeight, plan->rowHeight};
    const auto stop = [&progress, &table] {
        return progress && !progress(table.rowCount(), table.rowCount());
    };
    plan->pages = PlanTablePages(table, ColumnBands(widths, plan->repeated, room), layout, stop);
    if (table.columnCount() > 0 && plan->pages.pages.empty()) return false;
    plan->widths = std::move(widths);
    if (input_.alarmBuffer) plan->alarms = alarmsGrid(input_);
    plan->limits = LimitsSectionOf(input_);
    plan->firstPages = firstPages(input_, plan->alarms, plan->limits, area, &device);
    plan_ = std::move(plan);
    return true;
}

std::size_t ReportMaker::pageCount() const {
    return plan_ ? plan_->firstPages + plan_->pages.pages.size() : 0;
}

std::vector<QStringList> ReportMaker::tableHeadings() const {
    std::vector<QStringList> pages;
    if (!plan_) return pages;
    const ReportTexts& words = ReportTextsFor(input_.languageIndex);
    for (const std::vector<BandPart>& page : plan_->pages.pages) {
        QStringList headings;
        if (plan_->headingHeight > 0)
            for (const BandPart& part : page)
                headings << bandHeading(words, plan_->pages.bands[part.band],
                                        input_.table->columnCount());
        pages.push_back(headings);
    }
    return pages;
}

std::optional<QByteArray> ReportMaker::pdf(const ReportProgress& progress) {
    if (!plan_ && !plan(progress)) return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool stopped = false;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPointsPerInch);
        writer.setPageLayout(pageLayout(pageSize_));
        writer.setCreator(QStringLiteral("TravikP Readout"));
        writer.setTitle(text(ReportTextsFor(input_.languageIndex).title) +
                        QStringLiteral(" \u2013 ") + input_.sourceName);
        QPainter painter(&writer);
        const QRectF area(QPointF(0, 0),
                          writer.pageLayout().paintRectPixels(kPointsPerInch).size());
        const ReportProgress pageDone = [&](std::size_t done, std::size_t total) {
            stopped = progress && !progress(done, total);
            return !stopped;
        };
        drawReport(
            painter, area, input_, plan_.get(), [&writer] { return writer.newPage(); }, pageDone);
    }
    if (stopped) return std::nullopt;
    return bytes;
}

QByteArray ReportPdf(const ReportInput& input, const QPageSize& pageSize) {
    ReportMaker maker(input, pageSize);
    return maker.pdf().value_or(QByteArray());
}

namespace {

// A white page of `layout` at `scale` times its size in points.
QImage whitePage(const QPageLayout& layout, double scale) {
    const QSizeF page = layout.fullRectPixels(kPointsPerInch).size();
    QImage image((page * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void preparePagePainter(QPainter& painter, double scale) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
}

}  // namespace

QImage ReportFirstPage(const ReportInput& input, const QPageSize& pageSize, double scale) {
    const QPageLayout layout = pageLayout(pageSize);
    QImage image = whitePage(layout, scale);
    QPainter painter(&image);
    preparePagePainter(painter, scale);
    drawReport(painter, layout.paintRectPixels(kPointsPerInch), input, nullptr,
               [] { return false; }, {});
    return image;
}

QString DataSha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

LimitsSection LimitsSectionOf(const ReportInput& input) {
    LimitsSection section;
    if (!input.excursions || input.excursions->empty() || !input.table) return section;
    const Table& table = *input.table;
    const LimitReportTexts& words = LimitReportTextsFor(input.languageIndex);
    section.excursionHeader = {text(words.column), text(words.start), text(words.end),
                               text(words.duration), text(words.extreme)};
    section.dayHeader = {text(words.column), text(words.day), text(words.outside),
                         text(words.unknown)};
    for (const history::ColumnExcursions& column : *input.excursions) {
        if (column.column >= table.columnCount()) continue;
        const QString name = ColumnName(table, column.column);
        const char separator = decimalSeparatorOf(input.figures, column.column);
        for (const ColumnLimit& limit : column.limits)
            section.inForce << name + QStringLiteral(": ") +
                                   QString::fromStdString(history::LimitInForceText(
                                       limit, separator, input.languageIndex));
        for (const Excursion& excursion : column.figures.excursions)
            section.excursions.append(
                {name, deviceTime(excursion.start),
                 excursion.open ? text(words.stillOutside) : deviceTime(excursion.end),
                 durationText(excursion.duration()),
                 DecodedText(
                     std::string(TrimmedField(table.cell(excursion.extremeRow, column.column))))});
        for (const DayTimes& day : TimesPerDay(column.figures.spans))
            section.days.append({name, dayText(day.day), durationText(day.outsideSeconds),
                                 durationText(day.unknownSeconds)});
        section.unknown
            << text(words.unknownTotal).arg(name, durationText(column.figures.unknownSeconds));
    }
    return section;
}

QString DataHashLine(const ReportInput& input) {
    if (input.dataSha256.isEmpty()) return QString();
    const LimitReportTexts& words = LimitReportTextsFor(input.languageIndex);
    if (!input.hashedFile.isEmpty())
        return text(words.fileHash).arg(input.hashedFile, input.dataSha256);
    return text(words.csvHash).arg(input.dataSha256);
}

QImage ReportLimitsPage(const ReportInput& input, const QPageSize& pageSize, double scale) {
    const LimitsSection limits = LimitsSectionOf(input);
    if (limits.empty()) return QImage();
    const QPageLayout layout = pageLayout(pageSize);
    QImage image = whitePage(layout, scale);
    QPainter painter(&image);
    preparePagePainter(painter, scale);
    ReportPages pages(painter, layout.paintRectPixels(kPointsPerInch), input.languageIndex,
                      [] { return false; });
    drawLimits(pages, limits, input.languageIndex);  // no footer: its page number is not known
    return image;
}

std::string ReportFileName(const std::string& csvFileName) {
    QString name = QString::fromStdString(csvFileName);
    if (name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) name.chop(4);
    return (name + QStringLiteral(".pdf")).toStdString();
}

}  // namespace travik
