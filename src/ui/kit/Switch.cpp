#include "Switch.h"

#include "Palette.h"

#include <QPainter>

namespace devnook {

namespace {
constexpr int kWidth = 38;
constexpr int kHeight = 22;
constexpr int kKnobInset = 2;
} // namespace

Switch::Switch(QWidget *parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

QSize Switch::sizeHint() const
{
    return {kWidth, kHeight};
}

void Switch::paintEvent(QPaintEvent *)
{
    const ThemePalette &colors = Palette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);

    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? colors.accent : colors.quaternaryLabel);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);

    const qreal knob = kHeight - 2 * kKnobInset;
    const qreal x = isChecked() ? kWidth - kKnobInset - knob : kKnobInset;
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(QRectF(x, kKnobInset + 0.5, knob, knob));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, kKnobInset, knob, knob));
}

} // namespace devnook
