#include "TooltipHover.h"

#include "TooltipGeometry.h"

namespace devnook {

TooltipHover::TooltipHover(QObject *parent) : QObject(parent)
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(TooltipGeometry::kShowDelayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] {
        if (m_hovering)
            setVisible(true, true);
    });
}

void TooltipHover::pointerEntered()
{
    m_hovering = true;
    m_delay.start();
}

void TooltipHover::pointerLeft()
{
    m_hovering = false;
    m_delay.stop();
    setVisible(false, true);
}

void TooltipHover::controlDisappeared()
{
    m_hovering = false;
    m_delay.stop();
    setVisible(false, false);
}

void TooltipHover::setVisible(bool visible, bool animated)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    Q_EMIT visibilityChanged(visible, animated);
}

} // namespace devnook
