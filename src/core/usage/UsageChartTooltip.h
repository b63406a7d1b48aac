#pragma once

#include "UsageRecords.h"

#include <QPointF>
#include <QString>
#include <optional>

namespace devnook {

// The tooltip of the bar or slice under the pointer: its text, shown at the
// pointer's position in the chart's coordinates.
struct UsageChartCursorTooltip {
    QString text;
    QPointF position;

    bool operator==(const UsageChartCursorTooltip &) const = default;
};

// The texts of the chart tooltips.
namespace UsageChartTooltip {

// The bar's label and duration ("usage_chart_tooltip_bar").
QString bar(const UsageAggregatedBarBucket &bucket);

// The slice's label, duration and share with one decimal, written the same
// under every locale ("12.3%"; "usage_chart_tooltip_slice").
QString slice(const UsageDistributionSlice &slice);

} // namespace UsageChartTooltip

// How the bar chart places values in its plot area; the chart widget
// implements it.
class UsageChartCoordinateProxy {
public:
    virtual ~UsageChartCoordinateProxy() = default;

    // The x position, inside the plot area, of the bar plotted at the label;
    // nothing when the chart shows no such bar.
    virtual std::optional<double> xPosition(const QString &label) const = 0;

    // The y position, inside the plot area, of a duration in minutes; nothing
    // when the value lies outside the chart's scale.
    virtual std::optional<double> yPosition(double minutes) const = 0;
};

} // namespace devnook
