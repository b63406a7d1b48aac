#include "TooltipGeometry.h"

#include <algorithm>

namespace devnook::TooltipGeometry {

TooltipPlacement resolvedPlacement(const QRectF &control, const QSizeF &bubble, const QSizeF &container,
                                   TooltipPlacement preferred)
{
    const bool fitsBelow = control.bottom() + kGap + bubble.height() <= container.height() - kMargin;
    const bool fitsAbove = control.top() - kGap - bubble.height() >= kMargin;
    if (preferred == TooltipPlacement::bottom)
        return !fitsBelow && fitsAbove ? TooltipPlacement::top : TooltipPlacement::bottom;
    return !fitsAbove && fitsBelow ? TooltipPlacement::bottom : TooltipPlacement::top;
}

QPointF bubbleCenter(const QRectF &control, const QSizeF &measuredBubble, const QSizeF &container,
                     TooltipPlacement preferred)
{
    const QSizeF bubble =
        measuredBubble.width() > 0 || measuredBubble.height() > 0 ? measuredBubble : kAssumedBubbleSize;
    const double w = bubble.width();
    const double h = bubble.height();
    double x = control.center().x();
    double y = resolvedPlacement(control, bubble, container, preferred) == TooltipPlacement::bottom
                   ? control.bottom() + kGap + h / 2
                   : control.top() - kGap - h / 2;
    x = std::min(std::max(x, w / 2 + kMargin), container.width() - kMargin - w / 2);
    y = std::min(std::max(y, h / 2 + kMargin), container.height() - kMargin - h / 2);
    return {x, y};
}

} // namespace devnook::TooltipGeometry
