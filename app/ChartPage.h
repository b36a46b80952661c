// The chart page: the table's numeric columns in a list with check boxes and,
// for the checked ones, a line chart over the time axis or the row number.
// Built with or without Qt Charts (TRAVIK_CHARTS); without, it shows one line.
#pragma once

#include <QLineF>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <vector>

#include "ChartLines.h"
#include "Table.h"

QT_BEGIN_NAMESPACE
class QValueAxis;
QT_END_NAMESPACE
class QPainter;
class QPushButton;
class QRectF;

namespace travik {
namespace history {
struct ColumnExcursions;
}

// A stretch of time shaded on the chart (seconds as the time axis counts them).
struct ChartBand {
    enum class Kind { PossibleLoss, ClockChange, Excursion };
    Kind kind = Kind::PossibleLoss;
    double from = 0;
    double to = 0;
};

class ChartPage : public QWidget {
    Q_OBJECT
public:
    explicit ChartPage(QWidget* parent = nullptr);
    ~ChartPage() override;

    // True when this build draws charts.
    static bool available();

    // Shows `table`: its numeric columns offered, the first chart column checked.
    void setTable(std::shared_ptr<const Table> table, int languageIndex);
    // The same with the excursions under its limits (see setExcursions), drawn once.
    void setTable(std::shared_ptr<const Table> table, int languageIndex,
                  std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions);
    // The one-line texts in the window's language (English for 0, else German).
    void setLanguage(int languageIndex);

    // The one line shown instead of a chart; empty while a chart is shown.
    QString messageText() const;
    // The columns offered, and those checked (table column indices).
    std::vector<std::size_t> offeredColumns() const;
    std::vector<std::size_t> chartedColumns() const;
    void setColumnChecked(std::size_t column, bool checked);

    int seriesCount() const;  // one per charted column, or per kind of its values
    // An alarm buffer's chart starts as its timeline (a row per alarm kind, a
    // mark per alarm); the check box beside it shows the value lines instead.
    bool offersTimeline() const;
    bool timelineShown() const;
    void setTimelineShown(bool shown);
    QStringList timelineKinds() const;  // top to bottom, as labelled
    // The names of the series in the legend, in order (one per line or kind of marks).
    QStringList seriesNames() const;
    int valueAxisCount() const;  // vertical axes
    bool hasTimeAxis() const;    // else the row number
    // What hovering point `point` of charted column `charted` shows.
    QString hoverText(int charted, int point) const;
    // Saves the chart as PNG, or SVG when the name ends in ".svg" and this
    // build can write SVG; false when it could not.
    bool savePicture(const QString& path) const;
    static bool canSaveSvg();
    // The horizontal axis' shown range (milliseconds or row numbers), and the
    // widget the chart is drawn in (for the wheel and the mouse).
    QPair<double, double> horizontalRange() const;
    // The time axis' labels as shown now (empty for row numbers), and each
    // value axis' label format (empty for the default).
    QStringList horizontalLabels() const;
    QStringList valueLabelFormats() const;
    QWidget* chartView() const;
    // Stretches shaded over the plot (the history's possible losses and clock
    // changes), kept until the next call; none over row numbers.
    void setBands(std::vector<ChartBand> bands);
    // The shaded stretches visible now, and the plot area, in the chart's coordinates.
    QList<QRectF> shadedAreas() const;
    QRectF plotArea() const;
    // The points the series draw now: each pixel column's extremes, not every record.
    int drawnPointCount() const;

    // The limits of the charted columns and their excursions, kept until the
    // next call (a new table keeps them): limit lines that leave the axes as
    // the data sets them (a limit beyond the view gets a marker at the edge),
    // the points outside in a colour of their own, each excursion shaded.
    void setExcursions(std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions);
    // The stretches shaded now, each with its kind, in seconds (the page's
    // own and the excursions'), whether in view or not.
    std::vector<ChartBand> bands() const;
    // The points drawn in the outside colour now, as the axes count them
    // (milliseconds or row numbers, and the value).
    QList<QPointF> outsidePoints() const;
    // The limit lines in view, in the chart's coordinates, and the markers at
    // the plot's edge for limits beyond it ("▲ 120" at the top, "▼ -5" at the bottom).
    QList<QLineF> limitLines() const;
    QStringList limitEdgeMarkers() const;

private:
    void rebuild();
    void replaceChart();
    void addHorizontalAxis();
    // As many time labels as fit a plot `width` wide; all when 0 (a chart not
    // laid out yet).
    void labelTimeAxis(double width) const;
    // The labels fitted to the plot's width now.
    void fitTimeLabels() const;
    QValueAxis* addValueAxis(const ValueAxisGroup& group, Qt::Alignment side);
    void addLine(std::size_t index, QValueAxis* valueAxis);
    void addTimeline();
    QString lineName(const ColumnLine& line) const;
    void showHover(std::size_t charted, std::size_t segment, const QPointF& point);
    // Const: the report's drawing chooses points for its own width, then gives them back.
    void choosePoints(std::size_t columns) const;
    void addBands();
    void placeBands() const;
    void addLimits();
    void addOutsidePoints(std::size_t line, const history::ColumnExcursions& excursions);
    void addLimitMarks(std::size_t line, const history::ColumnExcursions& excursions);
    void placeLimits() const;

    struct Parts;
    std::unique_ptr<Parts> parts_;
    QPushButton* limitsButton_ = nullptr;  // "Limits…": the window opens its dialog

signals:
    // The user asks for the limits of table column `column` (the first charted one).
    void limitsRequested(std::size_t column);

public:
    // Paints the chart as the page shows it now (the checked columns, the
    // current zoom) into `target`; vector graphics on a PDF painter.
    void paintChart(QPainter* painter, const QRectF& target) const;
};

}  // namespace travik
