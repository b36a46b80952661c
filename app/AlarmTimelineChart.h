// The alarm timeline drawn on a chart: a row per alarm kind, labelled on the
// left with the first kind on top, and a mark per alarm at its time.
#pragma once

#include <QString>
#include <vector>

#include "AlarmTimeline.h"

QT_BEGIN_NAMESPACE
class QAbstractAxis;
class QChart;
class QScatterSeries;
QT_END_NAMESPACE

namespace travik {

// The name of the marks of `edge` in the legend: the device's own words for
// an alarm that comes or goes, else "Alarm" in language `languageIndex`.
QString EdgeName(AlarmEdge edge, int languageIndex);

// Adds the kinds' axis and one series per entry of `timeline.marks` (in that
// order) to `chart`, over `timeAxis` (milliseconds); returns the series.
std::vector<QScatterSeries*> AddTimelineMarks(QChart* chart, QAbstractAxis* timeAxis,
                                              const AlarmTimeline& timeline, int languageIndex);

}  // namespace travik
