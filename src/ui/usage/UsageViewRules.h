#pragma once

#include "core/usage/UsageRecords.h"

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>

namespace devnook {

// The widget-free rules of the usage windows: paging of the session list,
// export file names, the bar chart's scale and the donut's angles in Qt's
// terms.
namespace UsageViewRules {

// Rows the session list adds per click, and shows at first.
inline constexpr int kSessionPageSize = 10;
// Long sessions shown at most; the rest are not reachable.
inline constexpr int kLongSessionsShown = 5;

// The number shown on the show-more button: what the next click adds, 0 when
// every session is shown.
int moreSessionCount(int sessionCount, int visibleCount);

// The page after the list got a new number of sessions: back to the first
// page when the number changed, the same page otherwise.
int visibleCountAfterChange(int previousSessionCount, int sessionCount, int visibleCount);

// The name with each of / \ ? % * | " < > : turned into a hyphen, then trimmed.
QString safeFileName(const QString &name);

// The name the save dialog proposes: "<safe name>-usage.<csv|json>".
QString exportFileName(const QString &name, UsageExportFormat format);

// Evenly spaced axis values from 0 up to the first value at or above the
// largest one, a step of 1, 2 or 5 times a power of ten chosen so that there
// are at most maxSteps steps. A largest value below 1 (or not a number)
// scales as 1.
QList<double> niceTicks(double largest, int maxSteps = 4);

// The width of each bar in a plot of the given width holding count bars: as
// wide as the bar hit test catches the pointer, but never wider than its slot.
double barWidth(double plotWidth, int count);

// A donut angle (degrees clockwise from the positive x axis, y pointing
// down) as a QPainter angle: sixteenths of a degree counter-clockwise.
int qtAngle(double degrees);
// The sweep from start to end degrees as a QPainter span.
int qtSpan(double startDegrees, double endDegrees);

// The centre of a chart tooltip's bubble: 12 above the pointer, kept 8 inside
// the chart on every side where it fits; where it cannot, the right or bottom
// bound wins.
QPointF tooltipCentre(QPointF pointer, QSizeF bubble, QSizeF chart);

} // namespace UsageViewRules

} // namespace devnook
