#pragma once

#include "core/usage/UsageChartTooltip.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <functional>
#include <optional>

class QWidget;

namespace devnook {

// The tooltip of the chart element under the pointer. It follows the
// pointer's moves over the chart (not drags) and goes as soon as the pointer
// is no longer over the visible chart: when the pointer leaves, and when the
// chart moves away under a still pointer, as a wheel scroll moves it.
class UsageChartHover final : public QObject {
public:
    // The tooltip at a point of the chart, nothing where there is none.
    using HitTest = std::function<std::optional<UsageChartCursorTooltip>(QPointF)>;

    // Watches the chart's pointer events; repaints the chart on every change.
    UsageChartHover(QWidget &chart, HitTest hitTest);

    const std::optional<UsageChartCursorTooltip> &tooltip() const { return m_tooltip; }
    // Hides the tooltip, as new data does.
    void clear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show(const std::optional<UsageChartCursorTooltip> &tooltip);
    // Asks the hit test again where the still pointer now is over the chart.
    void pointerMovedOverChart();
    // Follows the moves of the chart's parents while a tooltip shows.
    void watchParents(bool watch);

    QWidget &m_chart;
    HitTest m_hitTest;
    std::optional<UsageChartCursorTooltip> m_tooltip;
    // Where the pointer was at its last move, in screen coordinates.
    QPointF m_pointer;
    QList<QPointer<QWidget>> m_parents;
};

} // namespace devnook
