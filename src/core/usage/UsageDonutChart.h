#pragma once

#include "UsageChartTooltip.h"
#include "UsageRecords.h"

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <optional>

namespace devnook::UsageDonutChartHitTesting {

// The hole's radius as a share of the ring's: the ring is drawn and hit from
// there out.
inline constexpr double kInnerRadiusShare = 0.62;

// The donut's segments in slice order, from the top of the circle clockwise,
// each sweeping its share of the durations and followed by a gap of 1.5
// degrees. Nothing when the slices hold no time.
QList<UsageDonutSegmentLayout> segmentLayouts(const QList<UsageDistributionSlice> &slices);

// The tooltip of the segment under the point, in an area of the given size
// whose middle is the donut's centre: the ring runs from kInnerRadiusShare of
// the radius (half the smaller side) to the radius, both edges included. Nothing in the
// hole, outside the ring or in a gap.
std::optional<UsageChartCursorTooltip> tooltip(QPointF point, const QSizeF &size,
                                               const QList<UsageDonutSegmentLayout> &layouts);

} // namespace devnook::UsageDonutChartHitTesting
