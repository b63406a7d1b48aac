#include "QRCodeTile.h"

#include "QRCodeRenderer.h"

#include <QPainter>
#include <QPainterPath>

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
    return !modules.isNull() && modules.width() <= kCodeSide;
}

void QRCodeTile::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    if (ratio != m_codeRatio) {
        m_code = QRCodeRenderer::stretched(m_modules, qRound(kCodeSide * ratio));
        m_code.setDevicePixelRatio(ratio);
        m_codeRatio = ratio;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath corners;
    corners.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(corners, Qt::white);
    // Drawn at its own pixel size: no scaling, no blur.
    painter.drawImage(QPointF(kMargin, kMargin), m_code);
}

} // namespace devnook
