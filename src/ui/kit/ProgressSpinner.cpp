#include "ProgressSpinner.h"

#include "Palette.h"

#include <QPainter>

namespace devnook {

namespace {
constexpr int kTurnMs = 900;
} // namespace

ProgressSpinner::ProgressSpinner(int side, QWidget *parent) : QWidget(parent)
{
    setFixedSize(side, side);
    m_turn.setStartValue(0.0);
    m_turn.setEndValue(360.0);
    m_turn.setDuration(kTurnMs);
    m_turn.setLoopCount(-1);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant &angle) {
        m_angle = angle.toReal();
        update();
    });
}

void ProgressSpinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_turn.start();
}

void ProgressSpinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_turn.stop();
}

void ProgressSpinner::paintEvent(QPaintEvent *)
{
    const ThemePalette &colors = Palette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max(1.5, width() / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    painter.setPen(QPen(colors.quaternaryLabel, pen));
    painter.drawEllipse(ring);
    painter.setPen(QPen(colors.secondaryLabel, pen, Qt::SolidLine, Qt::RoundCap));
    // A quarter of the ring, turning clockwise (Qt counts angles anticlockwise in 1/16 degrees).
    painter.drawArc(ring, qRound(-m_angle * 16), 90 * 16);
}

} // namespace devnook
