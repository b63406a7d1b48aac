#pragma once

#include "core/usage/UsageChartTooltip.h"

class QPainter;
class QWidget;

namespace devnook::UsageChartBubble {

// Paints the tooltip's bubble over the chart, above the pointer and kept
// inside the chart, in the chart's palette of the moment.
void paint(QPainter &painter, const QWidget &chart, const UsageChartCursorTooltip &tooltip);

} // namespace devnook::UsageChartBubble
