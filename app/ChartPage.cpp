#include "ChartPage.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTimeZone>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#ifdef TRAVIK_HAVE_SVG
#include <QSvgGenerator>
#endif

#include "CellValues.h"
#include "Columns.h"
#include "Dialogs.h"
#include "Languages.h"
#include "TableItemModel.h"

namespace travik {
namespace {

constexpr double kRangeFactor = 10.0;  // ranges further apart get axes of their own
constexpr double kWheelZoom = 0.8;     // horizontal share kept per wheel step

const QColor kColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                          QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                          QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                          QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

// The axis position of device time `seconds`, shown as the clock read it
// (the axis labels in local time, so the value is that local time).
double axisMsecs(long long seconds) {
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
    return static_cast<double>(QDateTime(utc.date(), utc.time()).toMSecsSinceEpoch());
}

QString columnName(const Table& table, std::size_t column) {
    const QString title = DecodedText(table.titles[column]);
    return title.isEmpty() ? QStringLiteral("#%1").arg(column + 1) : title;
}

// The chart's view: the wheel zooms the horizontal axis, a double click resets.
class ChartView : public QChartView {
public:
    ChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
        setRenderHint(QPainter::Antialiasing);
    }
    std::function<void(const QPoint&)> onContextMenu;

protected:
    void wheelEvent(QWheelEvent* event) override {
        const double steps = event->angleDelta().y() / 120.0;
        if (steps == 0) return QChartView::wheelEvent(event);
        const QRectF plot = chart()->plotArea();
        const double factor = std::pow(kWheelZoom, steps);
        const double x = std::clamp(event->position().x(), plot.left(), plot.right());
        chart()->zoomIn(QRectF(x - (x - plot.left()) * factor, plot.top(), plot.width() * factor,
                               plot.height()));
        event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        chart()->zoomReset();
        event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (onContextMenu) onContextMenu(event->globalPos());
        event->accept();
    }
};

// One charted column: its lines (a new one after every gap) and the table row
// of each point, in order.
struct Plot {
    std::size_t column = 0;
    std::vector<QLineSeries*> segments;
    std::vector<std::size_t> rows;
    std::vector<int> segmentStart;  // index into rows of each segment's first point
    double low = 0;
    double high = 0;
};

struct AxisGroup {
    double low;
    double high;
    std::vector<std::size_t> plots;
};

double spanOf(double low, double high) {
    const double span = high - low;
    return span > 0 ? span : std::max(std::fabs(high), 1e-9);
}

QChart* newChart() {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

bool rangesFit(double aLow, double aHigh, double bLow, double bHigh) {
    const double a = spanOf(aLow, aHigh), b = spanOf(bLow, bHigh);
    return std::max(a, b) <= kRangeFactor * std::min(a, b);
}

}  // namespace

struct ChartPage::Parts {
    QListWidget* list = nullptr;
    QLabel* message = nullptr;
    QChart* chart = nullptr;
    ChartView* view = nullptr;
    std::shared_ptr<const Table> table = std::make_shared<Table>();
    int languageIndex = 1;
    bool hasTable = false;
    std::optional<TimeAxis> axis;
    bool timeOfDay = false;
    std::optional<std::size_t> textColumn;
    std::vector<std::size_t> offered;
    std::vector<Plot> plots;
    QAbstractAxis* xAxis = nullptr;
};

ChartPage::ChartPage(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    parts_->message = new QLabel(this);
    parts_->message->setObjectName(QStringLiteral("ChartMessage"));
    parts_->message->hide();
    layout->addWidget(parts_->message);

    auto* row = new QHBoxLayout;
    parts_->list = new QListWidget(this);
    parts_->list->setObjectName(QStringLiteral("ChartColumnList"));
    parts_->list->setMaximumWidth(180);
    row->addWidget(parts_->list);
    parts_->chart = newChart();
    parts_->view = new ChartView(parts_->chart, this);
    parts_->view->setObjectName(QStringLiteral("ChartView1"));
    parts_->view->onContextMenu = [this](const QPoint& at) {
        QMenu menu(this);
        const auto offer = [&](const char* format, const QString& suffix) {
            menu.addAction(QString::fromStdString(SavePictureText(parts_->languageIndex, format)),
                           [this, suffix] {
                               const QString path = QFileDialog::getSaveFileName(
                                   this, QString(), QStringLiteral("chart") + suffix,
                                   QStringLiteral("*") + suffix);
                               if (!path.isEmpty() && !savePicture(path))
                                   QMessageBox::warning(
                                       this, QString::fromStdString(RunningProgramTitle()),
                                       QString::fromStdString(PictureNotSavedText(
                                           parts_->languageIndex, path.toStdString())));
                           });
        };
        offer("PNG", QStringLiteral(".png"));
        if (canSaveSvg()) offer("SVG", QStringLiteral(".svg"));
        menu.exec(at);
    };
    row->addWidget(parts_->view, 1);
    layout->addLayout(row, 1);

    connect(parts_->list, &QListWidget::itemChanged, this, [this] { rebuild(); });
}

ChartPage::~ChartPage() = default;

bool ChartPage::available() {
    return true;
}

bool ChartPage::canSaveSvg() {
#ifdef TRAVIK_HAVE_SVG
    return true;
#else
    return false;
#endif
}

void ChartPage::setTable(std::shared_ptr<const Table> table, int languageIndex) {
    parts_->table = table ? std::move(table) : std::make_shared<Table>();
    parts_->hasTable = true;
    parts_->languageIndex = languageIndex;
    const Table& t = *parts_->table;
    parts_->axis = FindTimeAxis(t);
    parts_->timeOfDay = parts_->axis && AxisIsTimeOfDay(t, *parts_->axis);
    parts_->textColumn = TextColumn(t);
    parts_->offered = NumericColumns(t);
    const std::optional<std::size_t> first = FirstChartColumn(t);

    const QSignalBlocker blocker(parts_->list);
    parts_->list->clear();
    for (std::size_t column : parts_->offered) {
        auto* item = new QListWidgetItem(columnName(t, column), parts_->list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(first == column ? Qt::Checked : Qt::Unchecked);
    }
    setLanguage(languageIndex);
    rebuild();
}

void ChartPage::setLanguage(int languageIndex) {
    parts_->languageIndex = languageIndex;
    const bool none = parts_->hasTable && parts_->offered.empty();
    parts_->message->setText(none ? QString::fromStdString(NoNumericColumnText(languageIndex))
                                  : QString());
    parts_->message->setVisible(none);
    parts_->list->setVisible(!none);
    parts_->view->setVisible(!none);
}

QString ChartPage::messageText() const {
    return parts_->message->text();
}

std::vector<std::size_t> ChartPage::offeredColumns() const {
    return parts_->offered;
}

std::vector<std::size_t> ChartPage::chartedColumns() const {
    std::vector<std::size_t> columns;
    for (int i = 0; i < parts_->list->count(); ++i)
        if (parts_->list->item(i)->checkState() == Qt::Checked)
            columns.push_back(parts_->offered[static_cast<std::size_t>(i)]);
    return columns;
}

void ChartPage::setColumnChecked(std::size_t column, bool checked) {
    const auto at = std::find(parts_->offered.begin(), parts_->offered.end(), column);
    if (at == parts_->offered.end()) return;
    parts_->list->item(static_cast<int>(at - parts_->offered.begin()))
        ->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int ChartPage::seriesCount() const {
    return static_cast<int>(parts_->plots.size());
}

int ChartPage::valueAxisCount() const {
    return static_cast<int>(parts_->chart->axes(Qt::Vertical).size());
}

bool ChartPage::hasTimeAxis() const {
    return parts_->axis.has_value();
}

QPair<double, double> ChartPage::horizontalRange() const {
    if (auto* time = qobject_cast<QDateTimeAxis*>(parts_->xAxis))
        return {static_cast<double>(time->min().toMSecsSinceEpoch()),
                static_cast<double>(time->max().toMSecsSinceEpoch())};
    if (auto* value = qobject_cast<QValueAxis*>(parts_->xAxis)) return {value->min(), value->max()};
    return {0, 0};
}

QWidget* ChartPage::chartView() const {
    return parts_->view;
}

QString ChartPage::hoverText(int charted, int point) const {
    if (charted < 0 || charted >= seriesCount()) return QString();
    const Plot& plot = parts_->plots[static_cast<std::size_t>(charted)];
    if (point < 0 || static_cast<std::size_t>(point) >= plot.rows.size()) return QString();
    const Table& t = *parts_->table;
    const std::size_t row = plot.rows[static_cast<std::size_t>(point)];
    QStringList lines{QStringLiteral("#%1").arg(row + 1)};
    if (parts_->axis) {
        QString when = DecodedText(t.cell(row, parts_->axis->column));
        if (parts_->axis->timeColumn)
            when += QLatin1Char(' ') + DecodedText(t.cell(row, *parts_->axis->timeColumn));
        lines << when;
    }
    lines << columnName(t, plot.column) + QStringLiteral(": ") +
                 DecodedText(t.cell(row, plot.column));
    if (parts_->textColumn) {
        const QString text = DecodedText(t.cell(row, *parts_->textColumn));
        if (!text.isEmpty()) lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

bool ChartPage::savePicture(const QString& path) const {
#ifdef TRAVIK_HAVE_SVG
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator generator;
        generator.setFileName(path);
        generator.setSize(parts_->view->size());
        generator.setViewBox(parts_->view->rect());
        QPainter painter(&generator);
        parts_->view->render(&painter);
        return painter.end();
    }
#endif
    return parts_->view->grab().save(path, "PNG");
}

void ChartPage::rebuild() {
    // A new chart each time: removed axes and series leave their drawing to a
    // later deleteLater, which never comes while no event loop runs (the demo).
    QChart* chart = newChart();
    parts_->view->setChart(chart);
    delete parts_->chart;
    parts_->chart = chart;
    parts_->xAxis = nullptr;
    parts_->plots.clear();
    const Table& t = *parts_->table;

    double xLow = 0, xHigh = 0;
    bool anyPoint = false;
    for (std::size_t column : chartedColumns()) {
        Plot plot;
        plot.column = column;
        const QColor color = kColors[parts_->plots.size() % (sizeof kColors / sizeof kColors[0])];
        QLineSeries* segment = nullptr;
        for (std::size_t row = 0; row < t.rowCount(); ++row) {
            const std::optional<double> value = ReadNumber(t.cell(row, column));
            std::optional<double> x;
            if (!parts_->axis) {
                x = static_cast<double>(row + 1);
            } else if (const auto seconds = AxisSeconds(t, *parts_->axis, row)) {
                x = axisMsecs(*seconds);
            }
            if (!value || !x) {
                segment = nullptr;  // a gap, not a zero
                continue;
            }
            if (!segment) {
                segment = new QLineSeries;
                segment->setName(columnName(t, column));
                segment->setColor(color);
                segment->setPointsVisible(true);
                segment->setMarkerSize(5);
                plot.segments.push_back(segment);
                plot.segmentStart.push_back(static_cast<int>(plot.rows.size()));
            }
            segment->append(*x, *value);
            if (plot.rows.empty()) plot.low = plot.high = *value;
            plot.low = std::min(plot.low, *value);
            plot.high = std::max(plot.high, *value);
            if (!anyPoint) xLow = xHigh = *x;
            xLow = std::min(xLow, *x);
            xHigh = std::max(xHigh, *x);
            anyPoint = true;
            plot.rows.push_back(row);
        }
        parts_->plots.push_back(std::move(plot));
    }

    if (anyPoint && xHigh <= xLow) {
        // One point in time: a range around it (a minute, or a row each side).
        const double half = parts_->axis ? 60000.0 : 1.0;
        xLow -= half;
        xHigh += half;
    }
    if (parts_->axis) {
        auto* axis = new QDateTimeAxis;
        axis->setFormat(parts_->timeOfDay ? QStringLiteral("hh:mm:ss")
                                          : QStringLiteral("dd.MM.yy hh:mm"));
        if (anyPoint)
            axis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(xLow)),
                           QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(xHigh)));
        QString title = columnName(t, parts_->axis->column);
        if (parts_->axis->timeColumn)
            title += QLatin1Char(' ') + columnName(t, *parts_->axis->timeColumn);
        axis->setTitleText(title);
        parts_->xAxis = axis;
    } else {
        auto* axis = new QValueAxis;
        axis->setLabelFormat(QStringLiteral("%d"));
        if (anyPoint) axis->setRange(xLow, xHigh);
        axis->setTitleText(QStringLiteral("#"));
        parts_->xAxis = axis;
    }
    chart->addAxis(parts_->xAxis, Qt::AlignBottom);

    // Columns whose ranges lie within a factor of ten share a value axis.
    std::vector<AxisGroup> groups;
    for (std::size_t i = 0; i < parts_->plots.size(); ++i) {
        const Plot& plot = parts_->plots[i];
        if (plot.rows.empty()) continue;
        auto fits = std::find_if(groups.begin(), groups.end(), [&](const AxisGroup& group) {
            return rangesFit(group.low, group.high, plot.low, plot.high);
        });
        if (fits == groups.end()) {
            groups.push_back({plot.low, plot.high, {i}});
        } else {
            fits->low = std::min(fits->low, plot.low);
            fits->high = std::max(fits->high, plot.high);
            fits->plots.push_back(i);
        }
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        auto* axis = new QValueAxis;
        const double pad = spanOf(groups[g].low, groups[g].high) * 0.05;
        axis->setRange(groups[g].low - pad, groups[g].high + pad);
        QStringList titles;
        for (std::size_t i : groups[g].plots) titles << columnName(t, parts_->plots[i].column);
        axis->setTitleText(titles.join(QStringLiteral(", ")));
        chart->addAxis(axis, g % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
        for (std::size_t i : groups[g].plots) {
            Plot& plot = parts_->plots[i];
            for (std::size_t s = 0; s < plot.segments.size(); ++s) {
                QLineSeries* segment = plot.segments[s];
                chart->addSeries(segment);
                segment->attachAxis(parts_->xAxis);
                segment->attachAxis(axis);
                // One legend entry per column, not per line between gaps.
                if (s > 0)
                    for (QLegendMarker* marker : chart->legend()->markers(segment))
                        marker->setVisible(false);
                connect(segment, &QLineSeries::hovered, this,
                        [this, i, s](const QPointF& point, bool entered) {
                            if (entered)
                                showHover(i, s, point);
                            else
                                QToolTip::hideText();
                        });
            }
        }
    }
}

void ChartPage::showHover(std::size_t charted, std::size_t segment, const QPointF& point) {
    const Plot& plot = parts_->plots[charted];
    const QList<QPointF> points = plot.segments[segment]->points();
    int nearest = 0;
    for (int i = 1; i < points.size(); ++i)
        if (std::fabs(points[i].x() - point.x()) < std::fabs(points[nearest].x() - point.x()))
            nearest = i;
    const int index = plot.segmentStart[segment] + nearest;
    QToolTip::showText(QCursor::pos(), hoverText(static_cast<int>(charted), index), parts_->view);
}

void ChartPage::paintChart(QPainter* painter, const QRectF& target) const {
    QChart* chart = parts_->chart;
    if (chart->scene() == nullptr || parts_->plots.empty()) return;
    // Laid out at the target's size for the while, so that its texts keep
    // their size against the lines, then given back its place on the page.
    const QRectF shown = chart->geometry();
    chart->setGeometry(QRectF(shown.topLeft(), target.size()));
    if (QGraphicsLayout* layout = chart->layout()) layout->activate();
    chart->scene()->render(painter, target, chart->geometry());
    chart->setGeometry(shown);
    if (QGraphicsLayout* layout = chart->layout()) layout->activate();
}

}  // namespace travik
