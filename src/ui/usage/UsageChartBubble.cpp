#include "UsageChartBubble.h"

#include "UsageViewRules.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace devnook::UsageChartBubble {

namespace {
constexpr double kPaddingX = 8.0;
constexpr double kPaddingY = 6.0;
constexpr double kRadius = 8.0;
constexpr double kShadowDrop = 6.0;
} // namespace

void paint(QPainter &painter, const QWidget &chart, const UsageChartCursorTooltip &tooltip)
{
    const ThemePalette &colors = Palette::of(chart.palette());
    const QFont font = Kit::font(12, QFont::Medium);
    const QRectF textRect =
        QFontMetricsF(font).boundingRect(QRectF(0, 0, 10000, 10000), Qt::AlignCenter, tooltip.text);
    const QSizeF bubble(textRect.width() + 2 * kPaddingX, textRect.height() + 2 * kPaddingY);
    QRectF frame(QPointF(), bubble);
    frame.moveCenter(UsageViewRules::tooltipCentre(tooltip.position, bubble, chart.size()));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 26));
    painter.drawRoundedRect(frame.translated(0, kShadowDrop).adjusted(-2, -2, 2, 2), kRadius, kRadius);
    painter.setBrush(colors.windowBackground);
    painter.setPen(QPen(colors.separator, 1.0));
    painter.drawRoundedRect(frame, kRadius, kRadius);
    painter.setFont(font);
    painter.setPen(colors.label);
    painter.drawText(frame, Qt::AlignCenter, tooltip.text);
    painter.restore();
}

} // namespace devnook::UsageChartBubble
