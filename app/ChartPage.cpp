#include "ChartPage.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCategoryAxis>
#include <QCheckBox>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScatterSeries>
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

#include "AlarmTimeline.h"
#include "AlarmTimelineChart.h"
#include "AxisTicks.h"
#include "CellValues.h"
#include "ChartDecimation.h"
#include "ChartLines.h"
#include "Columns.h"
#include "DeviceLimits.h"
#include "Dialogs.h"
#include "Excursions.h"
#include "Languages.h"
#include "ReadoutTexts.h"

namespace travik {
namespace {

constexpr double kRangeFactor = 10.0;            // ranges further apart get axes of their own
constexpr double kWheelZoom = 0.8;               // horizontal share kept per wheel step
constexpr double kSinglePointHalfMinute = 60.0;  // seconds each side of one point in time
constexpr std::size_t kTimeLabels = 7;           // at most, on the time axis
constexpr std::size_t kMaxLinesPerColumn = 16;
// Pixel columns drawn before the chart has a plot area (not yet laid out).
constexpr std::size_t kColumnsBeforeLayout = 2000;
// The report is vector graphics: its lines get this many columns per unit of width.
constexpr double kReportColumnsPerUnit = 4.0;

const QColor kColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                          QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                          QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                          QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
// Points beyond their limit, and the excursions' shading (lighter than a loss band's).
const QColor kOutsideColor(0xe6, 0x00, 0x73);
const QColor kExcursionShade(0xe6, 0x00, 0x73, 28);
constexpr qreal kOutsideMarkerSize = 7;
constexpr qreal kLimitZ = 1;         // over the bands, under the series
constexpr qreal kEdgeMarkerZ = 100;  // over everything in the plot
constexpr qreal kEdgeMarkerGap = 2;  // pixels between a marker and the plot's edge

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

QChart* newChart() {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

// Past 15 digits a value is labelled in scientific form, not as 40 digits.
QString valueLabelFormat(const AxisRange& range) {
    constexpr double kLargestPlain = 1e15;
    return std::max(std::fabs(range.low), std::fabs(range.high)) >= kLargestPlain
               ? QStringLiteral("%.6g")
               : QString();
}

// The columns offered for the chart, each with its check box; a name is made
// when the list shows it, so that thousands of numeric columns cost no more
// than the rows on screen.
class OfferedColumnsModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    std::function<void()> onCheckChanged;

    void offer(std::shared_ptr<const Table> table, std::vector<std::size_t> columns,
               std::optional<std::size_t> checked) {
        beginResetModel();
        table_ = std::move(table);
        columns_ = std::move(columns);
        checked_.assign(columns_.size(), false);
        for (std::size_t i = 0; i < columns_.size(); ++i) checked_[i] = columns_[i] == checked;
        endResetModel();
    }
    const std::vector<std::size_t>& columns() const { return columns_; }
    std::vector<std::size_t> checkedColumns() const {
        std::vector<std::size_t> out;
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (checked_[i]) out.push_back(columns_[i]);
        return out;
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns_.size());
    }
    Qt::ItemFlags flags(const QModelIndex&) const override {
        return Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid()) return QVariant();
        const auto row = static_cast<std::size_t>(index.row());
        if (role == Qt::DisplayRole) return ColumnName(*table_, columns_[row]);
        if (role == Qt::CheckStateRole) return checked_[row] ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::CheckStateRole) return false;
        const bool checked = value.toInt() == Qt::Checked;
        const auto row = static_cast<std::size_t>(index.row());
        if (checked_[row] == checked) return true;
        checked_[row] = checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        if (onCheckChanged) onCheckChanged();
        return true;
    }

private:
    std::shared_ptr<const Table> table_ = std::make_shared<Table>();
    std::vector<std::size_t> columns_;
    std::vector<bool> checked_;
};

// Gives `series` the points `shown` of `points` (times scaled to the axis),
// unless they are the ones it shows already (`current`).
// A label is centred on its tick: one at the plot's first or last tick would
// stick out past the chart's edge and be clipped there ("01.05.24 00:").
void dropLabelsPastTheChart(std::vector<AxisTick>& ticks, const QChart& chart,
                            const QValueAxis& axis, const QFontMetricsF& metrics) {
    const QRectF plot = chart.plotArea();
    const double low = axis.min(), high = axis.max();
    if (high <= low) return;
    const auto sticksOut = [&](const AxisTick& tick) {
        const double x = plot.left() + (tick.seconds * 1000.0 - low) / (high - low) * plot.width();
        const double half = metrics.horizontalAdvance(QString::fromStdString(tick.label)) / 2;
        return x - half < 0 || x + half > chart.size().width();
    };
    if (ticks.size() > 1 && sticksOut(ticks.back())) ticks.pop_back();
    if (ticks.size() > 1 && sticksOut(ticks.front())) ticks.erase(ticks.begin());
}

void showChosenPoints(QXYSeries* series, const std::vector<ChartPoint>& points,
                      std::vector<std::size_t> shown, std::vector<std::size_t>& current,
                      double scale) {
    if (shown == current) return;
    QList<QPointF> chosen;
    chosen.reserve(static_cast<qsizetype>(shown.size()));
    for (const std::size_t p : shown) chosen.append(QPointF(points[p].x * scale, points[p].value));
    current = std::move(shown);
    series->replace(chosen);
}

}  // namespace

struct ChartPage::Parts {
    QListView* list = nullptr;
    OfferedColumnsModel* columns = nullptr;
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
    QCheckBox* timelineBox = nullptr;
    AlarmTimeline timeline;
    // Each charted column's line (or each alarm kind's marks), and the series that draw it:
    // each series' stretch of the line and the points of it drawn now (indices into the line).
    struct Drawn {
        QXYSeries* series = nullptr;
        std::size_t begin = 0;
        std::size_t end = 0;
        std::vector<std::size_t> shown;
        bool pointsAlone = false;  // a dot per point, every one drawn: no line to reduce
    };
    std::vector<ColumnLine> lines;
    std::vector<std::vector<Drawn>> drawn;
    QValueAxis* xAxis = nullptr;
    std::vector<ChartBand> bands;
    std::vector<QGraphicsRectItem*> bandItems;
    std::size_t drawnColumns = 0;   // the pixel columns the points were chosen for
    qreal labelledChartWidth = -1;  // the chart's width the time labels fit, -1 for none
    bool drawingReport = false;     // laid out at the report's size for the while
    // The limits, and what the chart draws of them: each excursion's band
    // (after the page's own), the points outside of each line with a limit,
    // and each limit's line or edge marker.
    std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions;
    std::vector<ChartBand> excursionBands;  // in time order
    // The excursions' shading: those less than a pixel apart share a rectangle,
    // so that thousands of them over a decade cost no more than the pixels.
    std::vector<QGraphicsRectItem*> excursionItems;
    struct Outside {
        QScatterSeries* series = nullptr;
        std::vector<ChartPoint> points;
        std::vector<std::size_t> shown;
    };
    std::vector<Outside> outside;
    struct LimitMark {
        QValueAxis* valueAxis = nullptr;
        double from = 0;  // axis seconds
        double to = 0;
        double value = 0;
        QString text;
        QGraphicsLineItem* line = nullptr;
        QGraphicsSimpleTextItem* marker = nullptr;
    };
    std::vector<LimitMark> limitMarks;
    void placeExcursions();
    std::vector<ChartBand> allBands() const {
        std::vector<ChartBand> all = bands;
        all.insert(all.end(), excursionBands.begin(), excursionBands.end());
        return all;
    }
};

ChartPage::ChartPage(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    parts_->message = new QLabel(this);
    parts_->message->setObjectName(QStringLiteral("ChartMessage"));
    parts_->message->hide();
    layout->addWidget(parts_->message);

    parts_->timelineBox = new QCheckBox(this);
    parts_->timelineBox->setObjectName(QStringLiteral("ChartTimeline"));
    parts_->timelineBox->hide();
    layout->addWidget(parts_->timelineBox);

    limitsButton_ = new QPushButton(this);
    limitsButton_->setObjectName(QStringLiteral("ChartLimitsButton"));
    limitsButton_->hide();
    layout->addWidget(limitsButton_, 0, Qt::AlignLeft);
    connect(limitsButton_, &QPushButton::clicked, this, [this] {
        const std::vector<std::size_t> charted = chartedColumns();
        const std::vector<std::size_t> offered = offeredColumns();
        if (!charted.empty())
            emit limitsRequested(charted.front());
        else if (!offered.empty())
            emit limitsRequested(offered.front());
    });

    auto* row = new QHBoxLayout;
    parts_->list = new QListView(this);
    parts_->list->setObjectName(QStringLiteral("ChartColumnList"));
    parts_->list->setUniformItemSizes(true);
    parts_->columns = new OfferedColumnsModel(parts_->list);
    parts_->list->setModel(parts_->columns);
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

    parts_->columns->onCheckChanged = [this] { rebuild(); };
    connect(parts_->timelineBox, &QCheckBox::toggled, this, [this] {
        setLanguage(parts_->languageIndex);
        rebuild();
    });
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

void ChartPage::setTable(std::shared_ptr<const Table> table, int languageIndex,
                         std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions) {
    parts_->excursions = std::move(excursions);
    setTable(std::move(table), languageIndex);
}

void ChartPage::setTable(std::shared_ptr<const Table> table, int languageIndex) {
    parts_->table = table ? std::move(table) : std::make_shared<Table>();
    parts_->hasTable = true;
    parts_->bands.clear();  // a history range's: setBands after setTable
    parts_->languageIndex = languageIndex;
    const Table& t = *parts_->table;
    ColumnKinds kinds = KindsOf(t);
    parts_->axis = kinds.axis;
    parts_->timeOfDay = parts_->axis && AxisIsTimeOfDay(t, *parts_->axis);
    parts_->textColumn = kinds.textColumn;
    parts_->offered = kinds.numeric;
    parts_->columns->offer(parts_->table, parts_->offered, kinds.firstChart);
    parts_->timeline = TimelineOf(t, kinds);
    {
        const QSignalBlocker quiet(parts_->timelineBox);
        parts_->timelineBox->setChecked(offersTimeline());
    }
    setLanguage(languageIndex);
    rebuild();
}

void ChartPage::setLanguage(int languageIndex) {
    parts_->languageIndex = languageIndex;
    const bool none = parts_->hasTable && parts_->offered.empty();
    limitsButton_->setText(QString::fromUtf8(LimitsWindowTextsFor(languageIndex).open));
    limitsButton_->setVisible(parts_->hasTable && !parts_->offered.empty());
    parts_->message->setText(none ? QString::fromStdString(NoNumericColumnText(languageIndex))
                                  : QString());
    parts_->message->setVisible(none && !timelineShown());
    parts_->timelineBox->setText(QString::fromUtf8(TimelineTextsFor(languageIndex).timeline));
    parts_->timelineBox->setVisible(offersTimeline());
    parts_->list->setVisible(!none && !timelineShown());
    parts_->view->setVisible(!none || timelineShown());
    if (!timelineShown()) return;
    for (std::size_t i = 0; i < parts_->drawn.size() && i < parts_->timeline.edges.size(); ++i)
        for (const auto& drawn : parts_->drawn[i])
            drawn.series->setName(EdgeName(parts_->timeline.edges[i], languageIndex));
}

bool ChartPage::offersTimeline() const {
    return parts_->timeline.markCount() > 0;
}

bool ChartPage::timelineShown() const {
    return offersTimeline() && parts_->timelineBox->isChecked();
}

void ChartPage::setTimelineShown(bool shown) {
    if (offersTimeline()) parts_->timelineBox->setChecked(shown);
}

QStringList ChartPage::timelineKinds() const {
    QStringList kinds;
    for (const std::string& kind : parts_->timeline.kinds) kinds << DecodedText(kind);
    return kinds;
}

QStringList ChartPage::seriesNames() const {
    QStringList names;
    if (timelineShown()) {
        for (AlarmEdge edge : parts_->timeline.edges)
            names << EdgeName(edge, parts_->languageIndex);
        return names;
    }
    for (const ColumnLine& line : parts_->lines) names << lineName(line);
    return names;
}

QString ChartPage::lineName(const ColumnLine& line) const {
    const QString title = ColumnName(*parts_->table, line.column);
    if (line.kind.empty()) return title;
    QString name = title + QStringLiteral(": ") + DecodedText(line.kind);
    if (!line.unit.empty() && line.unit != line.kind)
        name += QStringLiteral(" (") + DecodedText(line.unit) + QLatin1Char(')');
    return name;
}

QString ChartPage::messageText() const {
    return parts_->message->text();
}

std::vector<std::size_t> ChartPage::offeredColumns() const {
    return parts_->offered;
}

std::vector<std::size_t> ChartPage::chartedColumns() const {
    return parts_->columns->checkedColumns();
}

void ChartPage::setColumnChecked(std::size_t column, bool checked) {
    const auto at = std::find(parts_->offered.begin(), parts_->offered.end(), column);
    if (at == parts_->offered.end()) return;
    parts_->columns->setData(parts_->columns->index(static_cast<int>(at - parts_->offered.begin())),
                             checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

int ChartPage::seriesCount() const {
    return static_cast<int>(parts_->lines.size());
}

int ChartPage::valueAxisCount() const {
    return static_cast<int>(parts_->chart->axes(Qt::Vertical).size());
}

bool ChartPage::hasTimeAxis() const {
    return parts_->axis.has_value();
}

QPair<double, double> ChartPage::horizontalRange() const {
    if (!parts_->xAxis) return {0, 0};
    return {parts_->xAxis->min(), parts_->xAxis->max()};
}

QStringList ChartPage::horizontalLabels() const {
    auto* time = qobject_cast<QCategoryAxis*>(parts_->xAxis);
    return time ? time->categoriesLabels() : QStringList();
}

QStringList ChartPage::valueLabelFormats() const {
    QStringList formats;
    for (QAbstractAxis* axis : parts_->chart->axes(Qt::Vertical))
        if (auto* value = qobject_cast<QValueAxis*>(axis)) formats << value->labelFormat();
    return formats;
}

QWidget* ChartPage::chartView() const {
    return parts_->view;
}

QString ChartPage::hoverText(int charted, int point) const {
    if (charted < 0 || charted >= seriesCount()) return QString();
    const ColumnLine& line = parts_->lines[static_cast<std::size_t>(charted)];
    if (point < 0 || static_cast<std::size_t>(point) >= line.points.size()) return QString();
    const Table& t = *parts_->table;
    const std::size_t row = line.points[static_cast<std::size_t>(point)].row;
    QStringList lines{QStringLiteral("#%1").arg(row + 1)};
    if (parts_->axis) {
        QString when = DecodedText(t.cell(row, parts_->axis->column));
        if (parts_->axis->timeColumn)
            when += QLatin1Char(' ') + DecodedText(t.cell(row, *parts_->axis->timeColumn));
        lines << when;
    }
    lines << ColumnName(t, line.column) + QStringLiteral(": ") +
                 DecodedText(t.cell(row, line.column));
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
    replaceChart();
    if (timelineShown()) return addTimeline();
    const Table& t = *parts_->table;
    for (std::size_t column : chartedColumns())
        for (ColumnLine& line : KindLines(t, column, parts_->axis, parts_->textColumn))
            parts_->lines.push_back(std::move(line));
    addHorizontalAxis();
    const std::vector<ValueAxisGroup> groups = GroupByRange(parts_->lines, kRangeFactor);
    parts_->drawn.resize(parts_->lines.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        QValueAxis* axis = addValueAxis(groups[g], g % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
        for (std::size_t line : groups[g].lines) addLine(line, axis);
    }
    addLimits();
    addBands();
    connect(parts_->chart, &QChart::plotAreaChanged, this, [this] {
        const auto width = static_cast<std::size_t>(parts_->chart->plotArea().width());
        if (width != parts_->drawnColumns) choosePoints(width);
        if (!parts_->drawingReport && parts_->chart->size().width() != parts_->labelledChartWidth)
            fitTimeLabels();
        placeBands();
        placeLimits();
    });
    choosePoints(static_cast<std::size_t>(parts_->chart->plotArea().width()));
}

// The marks are the page's lines, so that the time axis, the hover texts and
// the report's picture treat them as any other.
void ChartPage::addTimeline() {
    parts_->lines = parts_->timeline.marks;
    addHorizontalAxis();
    const std::vector<QScatterSeries*> series =
        AddTimelineMarks(parts_->chart, parts_->xAxis, parts_->timeline, parts_->languageIndex);
    parts_->drawn.resize(series.size());
    for (std::size_t index = 0; index < series.size(); ++index) {
        const std::size_t count = parts_->lines[index].points.size();
        std::vector<std::size_t> every(count);
        for (std::size_t p = 0; p < count; ++p) every[p] = p;
        parts_->drawn[index].push_back(
            Parts::Drawn{series[index], 0, count, std::move(every), true});
        connect(series[index], &QXYSeries::hovered, this,
                [this, index](const QPointF& point, bool entered) {
                    if (entered)
                        showHover(index, 0, point);
                    else
                        QToolTip::hideText();
                });
    }
}

// A new chart each time: removed axes and series leave their drawing to a
// later deleteLater, which never comes while no event loop runs (the demo).
void ChartPage::replaceChart() {
    QChart* chart = newChart();
    parts_->view->setChart(chart);
    delete parts_->chart;
    parts_->chart = chart;
    parts_->xAxis = nullptr;
    parts_->lines.clear();
    parts_->drawn.clear();
    parts_->bandItems.clear();  // the chart's children, gone with it
    parts_->excursionBands.clear();
    parts_->excursionItems.clear();
    parts_->outside.clear();
    parts_->limitMarks.clear();
    parts_->drawnColumns = 0;
}

// Rows by number, or time: device times in milliseconds as written, labelled
// by the page itself (a date-time axis would show them in the local time zone,
// moving or doubling the hour of a daylight-saving change).
void ChartPage::addHorizontalAxis() {
    const Table& t = *parts_->table;
    const bool byTime = parts_->axis.has_value();
    std::optional<AxisRange> range =
        HorizontalRange(parts_->lines, byTime ? kSinglePointHalfMinute : 1.0);
    if (byTime) {
        auto* axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        QString title = ColumnName(t, parts_->axis->column);
        if (parts_->axis->timeColumn)
            title += QLatin1Char(' ') + ColumnName(t, *parts_->axis->timeColumn);
        axis->setTitleText(title);
        parts_->xAxis = axis;
        connect(axis, &QValueAxis::rangeChanged, this, [this] { fitTimeLabels(); });
    } else {
        parts_->xAxis = new QValueAxis;
        parts_->xAxis->setLabelFormat(QStringLiteral("%d"));
        parts_->xAxis->setTitleText(QStringLiteral("#"));
    }
    if (range) {
        const double scale = byTime ? 1000.0 : 1.0;
        parts_->xAxis->setRange(range->low * scale, range->high * scale);
    }
    parts_->chart->addAxis(parts_->xAxis, Qt::AlignBottom);
    if (byTime) fitTimeLabels();
    // Zoomed or scrolled: the points are chosen again for what is shown now.
    connect(parts_->xAxis, &QValueAxis::rangeChanged, this, [this] {
        choosePoints(parts_->drawnColumns);
        placeBands();
        placeLimits();
    });
}

// Refitted when the chart itself changes width (or the range changes), not
// whenever its plot area does: new labels move the plot's edges, and fitting
// them again to that could go back and forth for ever.
void ChartPage::fitTimeLabels() const {
    const qreal plotWidth = parts_->chart->plotArea().width();
    parts_->labelledChartWidth = plotWidth > 0 ? parts_->chart->size().width() : -1;
    labelTimeAxis(plotWidth);
}

void ChartPage::labelTimeAxis(double width) const {
    auto* axis = qobject_cast<QCategoryAxis*>(parts_->xAxis);
    if (!axis) return;
    // As many labels as fit the plot's width whole: QtCharts cuts a label
    // wider than the room between two ticks short.
    const QFontMetricsF metrics(axis->labelsFont());
    const auto labelWidth = [&metrics](const std::string& label) {
        return metrics.horizontalAdvance(QString::fromStdString(label));
    };
    const double low = axis->min() / 1000.0, high = axis->max() / 1000.0;
    std::vector<AxisTick> ticks =
        width > 0 ? FittingTimeTicks(low, high, kTimeLabels, parts_->timeOfDay, width,
                                     metrics.averageCharWidth(), labelWidth)
                  : TimeTicks(low, high, kTimeLabels, parts_->timeOfDay);
    if (width > 0) dropLabelsPastTheChart(ticks, *parts_->chart, *axis, metrics);
    // Labels that fit are drawn whole: QtCharts would still cut each to less
    // than the room between two ticks. Two on a very narrow plot are cut.
    // (The report's chart sets its own.)
    if (!parts_->drawingReport)
        axis->setTruncateLabels(
            !(width > 0 &&
              TickLabelsFit(ticks, low, high, width, metrics.averageCharWidth(), labelWidth)));
    QStringList labels;
    for (const AxisTick& tick : ticks) labels << QString::fromStdString(tick.label);
    if (labels == axis->categoriesLabels()) return;  // as they are: no new layout
    for (const QString& label : axis->categoriesLabels()) axis->remove(label);
    axis->setStartValue(axis->min());
    for (const AxisTick& tick : ticks)
        axis->append(QString::fromStdString(tick.label), tick.seconds * 1000.0);
}

QValueAxis* ChartPage::addValueAxis(const ValueAxisGroup& group, Qt::Alignment side) {
    auto* axis = new QValueAxis;
    const AxisRange range = PaddedRange(group.low, group.high);
    axis->setRange(range.low, range.high);
    axis->setLabelFormat(valueLabelFormat(range));
    QStringList titles;
    for (std::size_t line : group.lines) titles << lineName(parts_->lines[line]);
    axis->setTitleText(titles.join(QStringLiteral(", ")));
    parts_->chart->addAxis(axis, side);
    return axis;
}

// A line per stretch between gaps; past kMaxLinesPerColumn stretches (every
// other cell empty gives thousands, each a series of its own) the column is
// drawn as points alone.
void ChartPage::addLine(std::size_t index, QValueAxis* valueAxis) {
    const ColumnLine& line = parts_->lines[index];
    const QColor color = kColors[index % (sizeof kColors / sizeof kColors[0])];
    const bool pointsAlone = line.lineStarts.size() > kMaxLinesPerColumn;
    const std::vector<std::size_t> starts =
        pointsAlone ? std::vector<std::size_t>{0} : line.lineStarts;
    for (std::size_t s = 0; s < starts.size(); ++s) {
        QXYSeries* series = pointsAlone ? static_cast<QXYSeries*>(new QScatterSeries)
                                        : static_cast<QXYSeries*>(new QLineSeries);
        series->setName(lineName(line));
        series->setColor(color);
        if (auto* scatter = qobject_cast<QScatterSeries*>(series)) {
            scatter->setMarkerSize(5);
            scatter->setBorderColor(color);
        } else {
            series->setPointsVisible(true);
            series->setMarkerSize(5);
        }
        const std::size_t end = s + 1 < starts.size() ? starts[s + 1] : line.points.size();
        parts_->chart->addSeries(series);
        series->attachAxis(parts_->xAxis);
        series->attachAxis(valueAxis);
        // One legend entry per column, not per line between gaps.
        if (s > 0)
            for (QLegendMarker* marker : parts_->chart->legend()->markers(series))
                marker->setVisible(false);
        parts_->drawn[index].push_back(Parts::Drawn{series, starts[s], end, {}, pointsAlone});
        connect(series, &QXYSeries::hovered, this,
                [this, index, s](const QPointF& point, bool entered) {
                    if (entered)
                        showHover(index, s, point);
                    else
                        QToolTip::hideText();
                });
    }
}

void ChartPage::showHover(std::size_t charted, std::size_t segment, const QPointF& point) {
    const Parts::Drawn& drawn = parts_->drawn[charted][segment];
    const QList<QPointF> points = drawn.series->points();
    if (points.isEmpty() || drawn.shown.size() != static_cast<std::size_t>(points.size())) return;
    int nearest = 0;
    for (int i = 1; i < points.size(); ++i)
        if (std::fabs(points[i].x() - point.x()) < std::fabs(points[nearest].x() - point.x()))
            nearest = i;
    const auto index = static_cast<int>(drawn.shown[static_cast<std::size_t>(nearest)]);
    QToolTip::showText(QCursor::pos(), hoverText(static_cast<int>(charted), index), parts_->view);
}

// Each series gets the points a plot `columns` pixels wide shows of its
// stretch at the current zoom (all of them once there is room).
void ChartPage::choosePoints(std::size_t columns) const {
    if (columns == 0) columns = kColumnsBeforeLayout;
    parts_->drawnColumns = columns;
    if (!parts_->xAxis) return;
    const double scale = parts_->axis ? 1000.0 : 1.0;
    const double low = parts_->xAxis->min() / scale;
    const double high = parts_->xAxis->max() / scale;
    for (std::size_t index = 0; index < parts_->drawn.size(); ++index) {
        const ColumnLine& line = parts_->lines[index];
        for (Parts::Drawn& drawn : parts_->drawn[index]) {
            std::vector<std::size_t> shown =
                drawn.pointsAlone
                    ? DecimatedPoints(line.points, drawn.begin, drawn.end, 0, 0, 0)
                    : DecimatedPoints(line.points, drawn.begin, drawn.end, low, high, columns);
            showChosenPoints(drawn.series, line.points, std::move(shown), drawn.shown, scale);
        }
    }
    // Every stretch outside keeps a point in each pixel column it reaches.
    for (Parts::Outside& outside : parts_->outside) {
        std::vector<std::size_t> shown =
            DecimatedPoints(outside.points, 0, outside.points.size(), low, high, columns);
        showChosenPoints(outside.series, outside.points, std::move(shown), outside.shown, scale);
    }
}

int ChartPage::drawnPointCount() const {
    int count = 0;
    for (const auto& series : parts_->drawn)
        for (const Parts::Drawn& drawn : series) count += static_cast<int>(drawn.series->count());
    return count;
}

void ChartPage::setBands(std::vector<ChartBand> bands) {
    parts_->bands = std::move(bands);
    addBands();
}

// A band per stretch, over the plot's height; behind the lines.
void ChartPage::addBands() {
    for (QGraphicsRectItem* item : parts_->bandItems) delete item;
    parts_->bandItems.clear();
    if (!parts_->axis) return;  // bands are times: none over row numbers
    for (const ChartBand& band : parts_->bands) {
        auto* item = new QGraphicsRectItem(parts_->chart);
        item->setPen(Qt::NoPen);
        item->setBrush(band.kind == ChartBand::Kind::PossibleLoss ? QColor(0xd6, 0x27, 0x28, 60)
                                                                  : QColor(0xff, 0xbf, 0x00, 60));
        item->setZValue(-1);
        item->setFlag(QGraphicsItem::ItemStacksBehindParent, false);
        parts_->bandItems.push_back(item);
    }
    placeBands();
}

void ChartPage::placeBands() const {
    parts_->placeExcursions();
    const std::vector<ChartBand>& bands = parts_->bands;
    if (!parts_->xAxis || parts_->bandItems.size() != bands.size()) return;
    const QRectF plot = parts_->chart->plotArea();
    const double low = parts_->xAxis->min();
    const double high = parts_->xAxis->max();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        QGraphicsRectItem* item = parts_->bandItems[i];
        const double from = std::max(low, bands[i].from * 1000.0);
        const double to = std::min(high, bands[i].to * 1000.0);
        if (!(high > low) || to < from || plot.width() <= 0) {
            item->hide();
            continue;
        }
        const double left = plot.left() + (from - low) / (high - low) * plot.width();
        const double right = plot.left() + (to - low) / (high - low) * plot.width();
        // At least a pixel wide, so a short loss in a long range still shows.
        item->setRect(QRectF(left, plot.top(), std::max(1.0, right - left), plot.height()));
        item->show();
    }
}

// The excursions in view, a rectangle for those within a pixel of each other.
void ChartPage::Parts::placeExcursions() {
    std::vector<QRectF> rects;
    const QRectF plot = chart->plotArea();
    const double low = xAxis ? xAxis->min() : 0;
    const double high = xAxis ? xAxis->max() : 0;
    if (high > low && plot.width() > 0) {
        for (const ChartBand& band : excursionBands) {
            const double from = std::max(low, band.from * 1000.0);
            const double to = std::min(high, band.to * 1000.0);
            if (to < from) continue;
            const double left = plot.left() + (from - low) / (high - low) * plot.width();
            const double right =
                std::max(left + 1, plot.left() + (to - low) / (high - low) * plot.width());
            if (!rects.empty() && left <= rects.back().right() + 1)
                rects.back().setRight(std::max(rects.back().right(), right));
            else
                rects.emplace_back(left, plot.top(), right - left, plot.height());
        }
    }
    while (excursionItems.size() < rects.size()) {
        auto* item = new QGraphicsRectItem(chart);
        item->setPen(Qt::NoPen);
        item->setBrush(kExcursionShade);
        item->setZValue(-1);
        excursionItems.push_back(item);
    }
    for (std::size_t i = 0; i < excursionItems.size(); ++i) {
        QGraphicsRectItem* item = excursionItems[i];
        if (i < rects.size()) {
            item->setRect(rects[i]);
            item->show();
        } else {
            item->hide();
        }
    }
}

QList<QRectF> ChartPage::shadedAreas() const {
    QList<QRectF> areas;
    for (const auto* items : {&parts_->bandItems, &parts_->excursionItems})
        for (const QGraphicsRectItem* item : *items)
            if (item->isVisible()) areas << item->rect();
    return areas;
}

QRectF ChartPage::plotArea() const {
    return parts_->chart->plotArea();
}

void ChartPage::paintChart(QPainter* painter, const QRectF& target) const {
    QChart* chart = parts_->chart;
    if (chart->scene() == nullptr || parts_->lines.empty()) return;
    // Laid out at the target's size for the while, so that its texts keep
    // their size against the lines, then given back its place on the page.
    const QRectF shown = chart->geometry();
    // The time labels are chosen for the plot's width there, then as they were.
    const auto layOut = [chart](const QRectF& geometry) {
        chart->setGeometry(geometry);
        if (QGraphicsLayout* layout = chart->layout()) layout->activate();
    };
    const std::size_t screenColumns = parts_->drawnColumns;
    const qreal labelledWidth = parts_->labelledChartWidth;
    // The labels chosen for the report's width fit whole; QtCharts would still
    // cut each to the axis' width shared among them all.
    const bool cutLabels = parts_->xAxis->truncateLabels();
    parts_->xAxis->setTruncateLabels(false);
    parts_->drawingReport = true;
    layOut(QRectF(shown.topLeft(), target.size()));
    labelTimeAxis(chart->plotArea().width());
    layOut(chart->geometry());
    choosePoints(static_cast<std::size_t>(chart->plotArea().width() * kReportColumnsPerUnit));
    placeBands();
    placeLimits();
    chart->scene()->render(painter, target, chart->geometry());
    layOut(shown);
    if (labelledWidth < 0) {
        labelTimeAxis(0);  // a page not shown yet: its labels are fitted once it is
        parts_->labelledChartWidth = -1;
    } else {
        fitTimeLabels();
    }
    layOut(shown);
    parts_->drawingReport = false;
    parts_->xAxis->setTruncateLabels(cutLabels);
    choosePoints(screenColumns);
    placeBands();
    placeLimits();
}

std::vector<ChartBand> ChartPage::bands() const {
    return parts_->allBands();
}

void ChartPage::setExcursions(
    std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions) {
    const bool had = parts_->excursions && !parts_->excursions->empty();
    parts_->excursions = std::move(excursions);
    const bool has = parts_->excursions && !parts_->excursions->empty();
    if (parts_->hasTable && (had || has)) rebuild();
}

// For each charted line whose column has a limit: its points outside, its
// limits' lines, and (once per column) a band per excursion. Over row numbers
// nothing: the excursions are times.
void ChartPage::addLimits() {
    parts_->excursionBands.clear();
    if (!parts_->excursions || !parts_->axis) return;
    std::vector<std::size_t> banded;
    for (std::size_t index = 0; index < parts_->lines.size(); ++index) {
        const ColumnLine& line = parts_->lines[index];
        if (line.points.empty() || parts_->drawn[index].empty()) continue;
        for (const history::ColumnExcursions& column : *parts_->excursions) {
            if (column.column != line.column) continue;
            addOutsidePoints(index, column);
            addLimitMarks(index, column);
            if (std::find(banded.begin(), banded.end(), column.column) != banded.end()) continue;
            banded.push_back(column.column);
            for (const Excursion& excursion : column.figures.excursions)
                parts_->excursionBands.push_back({ChartBand::Kind::Excursion,
                                                  static_cast<double>(excursion.start),
                                                  static_cast<double>(excursion.end)});
        }
    }
    std::sort(parts_->excursionBands.begin(), parts_->excursionBands.end(),
              [](const ChartBand& a, const ChartBand& b) { return a.from < b.from; });
}

// Each point judged by the limit of its own time; drawn over the line as dots
// of their own colour, without a legend entry.
void ChartPage::addOutsidePoints(std::size_t index, const history::ColumnExcursions& column) {
    const ColumnLine& line = parts_->lines[index];
    std::vector<ChartPoint> outside;
    for (const ChartPoint& point : line.points) {
        const ColumnLimit* limit = LimitAt(column.limits, static_cast<long long>(point.x));
        if (limit && IsOutside(*limit, point.value)) outside.push_back(point);
    }
    if (outside.empty()) return;
    auto* series = new QScatterSeries;
    series->setName(lineName(line));
    series->setColor(kOutsideColor);
    series->setBorderColor(kOutsideColor);
    series->setMarkerSize(kOutsideMarkerSize);
    parts_->chart->addSeries(series);
    for (QAbstractAxis* axis : parts_->drawn[index].front().series->attachedAxes())
        series->attachAxis(axis);
    for (QLegendMarker* marker : parts_->chart->legend()->markers(series))
        marker->setVisible(false);
    parts_->outside.push_back(Parts::Outside{series, std::move(outside), {}});
}

namespace {

QValueAxis* verticalAxisOf(QXYSeries* series) {
    for (QAbstractAxis* axis : series->attachedAxes())
        if (axis->orientation() == Qt::Vertical) return qobject_cast<QValueAxis*>(axis);
    return nullptr;
}

// A limit as the column writes its numbers: with its decimal comma when it has one.
QString limitText(double value, const Table& table, const ColumnLine& line) {
    QString text = QString::number(value, 'g', 12);
    const std::string& cell = table.cell(line.points.front().row, line.column);
    if (cell.find(',') != std::string::npos) text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

}  // namespace

// A mark per bound of each limit, over the time it holds within the chart's
// range: a dashed line in the line's colour, or at the plot's edge its value
// with an arrow, placed by placeLimits. Graphics items, not series: the axes
// follow the data alone.
void ChartPage::addLimitMarks(std::size_t index, const history::ColumnExcursions& column) {
    const ColumnLine& line = parts_->lines[index];
    QValueAxis* valueAxis = verticalAxisOf(parts_->drawn[index].front().series);
    if (!valueAxis) return;
    const QColor color = kColors[index % (sizeof kColors / sizeof kColors[0])];
    const double first = parts_->xAxis->min() / 1000.0;
    const double last = parts_->xAxis->max() / 1000.0;
    for (std::size_t i = 0; i < column.limits.size(); ++i) {
        const ColumnLimit& limit = column.limits[i];
        const double from =
            limit.from == kSinceEver ? first : std::max(first, static_cast<double>(limit.from));
        const double to = i + 1 < column.limits.size()
                              ? std::min(last, static_cast<double>(column.limits[i + 1].from))
                              : last;
        if (to < from) continue;
        for (const std::optional<double>& bound : {limit.lower, limit.upper}) {
            if (!bound) continue;
            Parts::LimitMark mark{valueAxis,
                                  from,
                                  to,
                                  *bound,
                                  limitText(*bound, *parts_->table, line),
                                  new QGraphicsLineItem(parts_->chart),
                                  new QGraphicsSimpleTextItem(parts_->chart)};
            mark.line->setPen(QPen(color, 1.5, Qt::DashLine));
            mark.line->setZValue(kLimitZ);
            mark.marker->setBrush(color);
            mark.marker->setZValue(kEdgeMarkerZ);
            mark.line->hide();
            mark.marker->hide();
            parts_->limitMarks.push_back(mark);
        }
    }
    placeLimits();
}

void ChartPage::placeLimits() const {
    if (!parts_->xAxis) return;
    const QRectF plot = parts_->chart->plotArea();
    const double low = parts_->xAxis->min();
    const double high = parts_->xAxis->max();
    for (const Parts::LimitMark& mark : parts_->limitMarks) {
        mark.line->hide();
        mark.marker->hide();
        const double from = std::max(low, mark.from * 1000.0);
        const double to = std::min(high, mark.to * 1000.0);
        const double bottom = mark.valueAxis->min();
        const double top = mark.valueAxis->max();
        if (!(high > low) || !(top > bottom) || to < from || plot.width() <= 0) continue;
        const double left = plot.left() + (from - low) / (high - low) * plot.width();
        const double right = plot.left() + (to - low) / (high - low) * plot.width();
        if (mark.value >= bottom && mark.value <= top) {
            const double y = plot.bottom() - (mark.value - bottom) / (top - bottom) * plot.height();
            mark.line->setLine(QLineF(left, y, right, y));
            mark.line->show();
            continue;
        }
        const bool above = mark.value > top;
        mark.marker->setText((above ? QStringLiteral("\u25B2 ") : QStringLiteral("\u25BC ")) +
                             mark.text);
        const QRectF box = mark.marker->boundingRect();
        const double x = std::clamp((left + right - box.width()) / 2, plot.left(),
                                    std::max(plot.left(), plot.right() - box.width()));
        mark.marker->setPos(
            x, above ? plot.top() + kEdgeMarkerGap : plot.bottom() - box.height() - kEdgeMarkerGap);
        mark.marker->show();
    }
}

QList<QPointF> ChartPage::outsidePoints() const {
    QList<QPointF> points;
    for (const Parts::Outside& outside : parts_->outside) points << outside.series->points();
    return points;
}

QList<QLineF> ChartPage::limitLines() const {
    QList<QLineF> lines;
    for (const Parts::LimitMark& mark : parts_->limitMarks)
        if (mark.line->isVisible()) lines << mark.line->line();
    return lines;
}

QStringList ChartPage::limitEdgeMarkers() const {
    QStringList markers;
    for (const Parts::LimitMark& mark : parts_->limitMarks)
        if (mark.marker->isVisible()) markers << mark.marker->text();
    return markers;
}

}  // namespace travik
