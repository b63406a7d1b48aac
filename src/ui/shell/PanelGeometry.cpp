#include "PanelGeometry.h"

#include <algorithm>
#include <cmath>

namespace devnook::PanelGeometry {

namespace {

std::optional<double> positiveNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString: {
        bool ok = false;
        const double number = value.toString().toDouble(&ok);
        if (!ok || !std::isfinite(number) || number <= 0)
            return std::nullopt;
        return number;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        break;
    default:
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || number <= 0)
        return std::nullopt;
    return number;
}

} // namespace

QSize savedSize(const QVariant &storedWidth, const QVariant &storedHeight, const QRect &visibleScreen)
{
    const auto width = positiveNumber(storedWidth);
    const auto height = positiveNumber(storedHeight);
    QSize size = kListMinimum;
    if (width && height) {
        // Clamp before converting, so a huge stored number cannot overflow.
        size = QSize(static_cast<int>(std::clamp(*width, double(kListMinimum.width()), 100000.0)),
                     static_cast<int>(std::clamp(*height, double(kListMinimum.height()), 100000.0)));
    }
    if (!visibleScreen.isEmpty())
        size = size.boundedTo(visibleScreen.size() - QSize(2 * kMargin, 2 * kMargin));
    return size;
}

std::optional<QRect> trayAnchor(const QRect &trayGeometry)
{
    if (!trayGeometry.isValid() || trayGeometry.isEmpty() || trayGeometry.topLeft() == QPoint(0, 0))
        return std::nullopt;
    return trayGeometry;
}

QPoint position(const std::optional<QRect> &anchor, const QSize &panel, const QRect &visible)
{
    const int w = panel.width();
    const int h = panel.height();
    if (!anchor)
        return {visible.x() + visible.width() - w - kMargin, visible.y() + kMargin};
    int x = anchor->x() + anchor->width() / 2 - w / 2;
    int y = anchor->y() + anchor->height() + kMargin;
    x = std::max(x, visible.x() + kMargin);
    x = std::min(x, visible.x() + visible.width() - w - kMargin);
    y = std::min(y, visible.y() + visible.height() - h - kMargin);
    return {x, y};
}

QRect resized(const QRect &current, const QSize &target, const QRect &visible)
{
    if (visible.isEmpty()) {
        QRect frame(QPoint(), target);
        frame.moveCenter(current.center());
        return frame;
    }
    const int w = std::min(target.width(), visible.width() - 2 * kMargin);
    const int h = std::min(target.height(), visible.height() - 2 * kMargin);
    int x = current.x() + current.width() / 2 - w / 2;
    int y = current.y() + current.height() / 2 - h / 2;
    x = std::max(x, visible.x() + kMargin);
    x = std::min(x, visible.x() + visible.width() - w - kMargin);
    y = std::min(y, visible.y() + visible.height() - h - kMargin);
    y = std::max(y, visible.y() + kMargin);
    return {x, y, w, h};
}

} // namespace devnook::PanelGeometry
