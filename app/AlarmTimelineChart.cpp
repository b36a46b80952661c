#include "AlarmTimelineChart.h"

#include <QCategoryAxis>
#include <QScatterSeries>
#include <QtCharts/QChart>

#include "Languages.h"
#include "ReadoutTexts.h"

namespace travik {
namespace {

constexpr double kMarkSize = 9;

QColor edgeColor(AlarmEdge edge) {
    switch (edge) {
        case AlarmEdge::Comes:
            return QColor(0xd6, 0x27, 0x28);
        case AlarmEdge::Goes:
            return QColor(0x2c, 0xa0, 0x2c);
        default:
            return QColor(0x1f, 0x77, 0xb4);
    }
}

QCategoryAxis* kindAxis(const AlarmTimeline& timeline) {
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setReverse(true);  // the first kind on top
    // Whole names: a narrow chart (the report's) would cut each to "…".
    axis->setTruncateLabels(false);
    // The labels are drawn as rich text: "Durchfluss < 3,5 l/min" stays whole escaped.
    axis->setStartValue(-0.5);
    for (std::size_t kind = 0; kind < timeline.kinds.size(); ++kind)
        axis->append(DecodedText(timeline.kinds[kind]).toHtmlEscaped(), static_cast<double>(kind));
    axis->setRange(-0.5, static_cast<double>(timeline.kinds.size()) - 0.5);
    return axis;
}

}  // namespace

QString EdgeName(AlarmEdge edge, int languageIndex) {
    switch (edge) {
        case AlarmEdge::Comes:
            return QStringLiteral("kommt");
        case AlarmEdge::Goes:
            return QStringLiteral("geht");
        default:
            return QString::fromUtf8(TimelineTextsFor(languageIndex).alarm);
    }
}

std::vector<QScatterSeries*> AddTimelineMarks(QChart* chart, QAbstractAxis* timeAxis,
                                              const AlarmTimeline& timeline, int languageIndex) {
    QCategoryAxis* kinds = kindAxis(timeline);
    chart->addAxis(kinds, Qt::AlignLeft);
    std::vector<QScatterSeries*> added;
    for (std::size_t i = 0; i < timeline.marks.size(); ++i) {
        auto* series = new QScatterSeries;
        const AlarmEdge edge = timeline.edges[i];
        series->setName(EdgeName(edge, languageIndex));
        series->setColor(edgeColor(edge));
        series->setBorderColor(edgeColor(edge));
        series->setMarkerSize(kMarkSize);
        series->setMarkerShape(edge == AlarmEdge::Goes ? QScatterSeries::MarkerShapeRectangle
                                                       : QScatterSeries::MarkerShapeCircle);
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(timeline.marks[i].points.size()));
        for (const ChartPoint& point : timeline.marks[i].points)
            points.append(QPointF(point.x * 1000.0, point.value));
        series->replace(points);
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(kinds);
        added.push_back(series);
    }
    return added;
}

}  // namespace travik
