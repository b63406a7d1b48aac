#include "QRCodeTile.h"

#include "QRCodeRenderer.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace devnook {

namespace {
constexpr qreal kCornerRadius = 6;
} // namespace

QRCodeTile::QRCodeTile(QImage modules, QWidget *parent) : QWidget(parent), m_modules(std::move(modules))
{
    setFixedSize(kCodeSide + 2 * kMargin, kCodeSide + 2 * kMargin);
}

bool QRCodeTile::fits(const QImage &modules)
{
    return !QRCodeRenderer::tile(modules, kCodeSide + 2 * kMargin, kCodeSide).isNull();
}

void QRCodeTile::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    if (ratio != m_tileRatio) {
        m_tile = QRCodeRenderer::tile(m_modules, qFloor(width() * ratio), qFloor(kCodeSide * ratio));
        m_tile.setDevicePixelRatio(ratio);
        m_tileRatio = ratio;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath corners;
    corners.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(corners, Qt::white);
    painter.setClipPath(corners);
    // Drawn at its own pixel size: no scaling, no blur.
    painter.drawImage(QPointF(0, 0), m_tile);
}

} // namespace devnook
