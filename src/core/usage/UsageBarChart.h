#pragma once

#include "UsageChartTooltip.h"
#include "UsageRecords.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <optional>

namespace devnook {

namespace UsageBarChartAggregation {

// At most twelve bars from days given oldest first: a bar per day up to
// twelve days, else runs of ceil(days / 12) days (the last may be shorter),
// each named after its first and last day.
QList<UsageAggregatedBarBucket> buckets(const QList<UsageDailyBucket> &days);

} // namespace UsageBarChartAggregation

namespace UsageBarChartHitTesting {

// A bar catches the pointer across this share of its slot, and never across
// less than the minimum width; the chart draws its bars as wide.
inline constexpr double kSlotShare = 0.72;
inline constexpr double kMinimumWidth = 14.0;

// The tooltip of the bar under the point, both in the chart's coordinates. A
// bar of time catches the pointer across its share of the slot,
// from 6 points above its top down to 2 points below the axis; the first such
// bar wins. Nothing outside the plot frame or off every bar.
std::optional<UsageChartCursorTooltip> tooltip(QPointF point, const QRectF &plotFrame,
                                               const UsageChartCoordinateProxy &proxy,
                                               const QList<UsageAggregatedBarBucket> &buckets);

} // namespace UsageBarChartHitTesting

} // namespace devnook
