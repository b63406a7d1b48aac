#include "UsageDonutChart.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace devnook::UsageDonutChartHitTesting {

namespace {

constexpr double kGapDegrees = 1.5;

// Into 0 up to, not including, 360.
double normalizedDegrees(double degrees)
{
    double reduced = std::fmod(degrees, 360.0);
    if (reduced < 0.0)
        reduced += 360.0;
    return reduced >= 360.0 ? 0.0 : reduced;
}

} // namespace

QList<UsageDonutSegmentLayout> segmentLayouts(const QList<UsageDistributionSlice> &slices)
{
    double total = 0.0;
    for (const UsageDistributionSlice &slice : slices)
        total += slice.duration;
    if (slices.isEmpty() || !(total > 0.0))
        return {};
    const double sweep = std::max(0.0, 360.0 - kGapDegrees * static_cast<double>(slices.size()));
    QList<UsageDonutSegmentLayout> layouts;
    layouts.reserve(slices.size());
    double cursor = -90.0;
    for (const UsageDistributionSlice &slice : slices) {
        const double end = cursor + sweep * (slice.duration / total);
        layouts.append(UsageDonutSegmentLayout{slice, cursor, end});
        cursor = end + kGapDegrees;
    }
    return layouts;
}

std::optional<UsageChartCursorTooltip> tooltip(QPointF point, const QSizeF &size,
                                               const QList<UsageDonutSegmentLayout> &layouts)
{
    const double radius = std::min(size.width(), size.height()) / 2.0;
    const double dx = point.x() - size.width() / 2.0;
    const double dy = point.y() - size.height() / 2.0;
    const double distance = std::hypot(dx, dy);
    if (!(distance >= kInnerRadiusShare * radius && distance <= radius) || layouts.isEmpty())
        return std::nullopt;
    const double angle = normalizedDegrees(std::atan2(dy, dx) * 180.0 / std::numbers::pi);
    for (const UsageDonutSegmentLayout &layout : layouts) {
        const double start = normalizedDegrees(layout.startDegrees);
        const double end = normalizedDegrees(layout.endDegrees);
        const bool hit = start <= end ? (angle >= start && angle <= end) : (angle >= start || angle <= end);
        if (hit)
            return UsageChartCursorTooltip{UsageChartTooltip::slice(layout.slice), point};
    }
    return std::nullopt;
}

} // namespace devnook::UsageDonutChartHitTesting
