#include "UsageChartHover.h"

#include <QMouseEvent>
#include <QWidget>

namespace devnook {

UsageChartHover::UsageChartHover(QWidget &chart, HitTest hitTest)
    : m_chart(chart), m_hitTest(std::move(hitTest))
{
    m_chart.setMouseTracking(true);
    m_chart.installEventFilter(this);
}

void UsageChartHover::clear()
{
    show(std::nullopt);
}

bool UsageChartHover::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == &m_chart) {
            const auto *move = static_cast<QMouseEvent *>(event);
            // Moves with a button held are drags, which the tooltip does not follow.
            if (move->buttons() == Qt::NoButton) {
                m_pointer = move->globalPosition();
                show(m_hitTest(move->position()));
            }
        }
        break;
    case QEvent::Leave:
        if (watched == &m_chart)
            show(std::nullopt);
        break;
    case QEvent::Hide:
        show(std::nullopt);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        // A scroll moves the chart's parents, not the pointer: no move
        // event tells the chart that it is somewhere else now.
        if (m_tooltip)
            pointerMovedOverChart();
        break;
    default:
        break;
    }
    return false;
}

void UsageChartHover::pointerMovedOverChart()
{
    const QPointF local = m_chart.mapFromGlobal(m_pointer);
    // Visible: inside the chart and not cut off by the scroll area around it.
    if (m_chart.isVisible() && m_chart.visibleRegion().contains(local.toPoint()))
        show(m_hitTest(local));
    else
        show(std::nullopt);
}

void UsageChartHover::show(const std::optional<UsageChartCursorTooltip> &tooltip)
{
    if (tooltip == m_tooltip)
        return;
    m_tooltip = tooltip;
    watchParents(m_tooltip.has_value());
    m_chart.update();
}

void UsageChartHover::watchParents(bool watch)
{
    if (watch == !m_parents.isEmpty())
        return;
    if (!watch) {
        for (const QPointer<QWidget> &parent : std::as_const(m_parents)) {
            if (parent)
                parent->removeEventFilter(this);
        }
        m_parents.clear();
        return;
    }
    for (QWidget *parent = m_chart.parentWidget(); parent; parent = parent->parentWidget()) {
        parent->installEventFilter(this);
        m_parents.append(parent);
    }
}

} // namespace devnook
