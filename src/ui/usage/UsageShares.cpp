#include "UsageShares.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

using namespace Qt::StringLiterals;

namespace devnook::UsageShares {

QString percentText(double fraction)
{
    return QString::number(fraction * 100.0, 'f', 1) + u'%';
}

QColor color(quint32 colorHex)
{
    return QColor::fromRgb(static_cast<QRgb>(colorHex | 0xff000000u));
}

QWidget *makeSwatch(quint32 colorHex, QWidget *parent)
{
    constexpr int kSide = 8;
    QPixmap pixmap(kSide * 2, kSide * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color(colorHex));
        painter.drawEllipse(QRectF(0, 0, kSide, kSide));
    }
    auto *swatch = new QLabel(parent);
    swatch->setPixmap(pixmap);
    swatch->setFixedSize(kSide, kSide);
    return swatch;
}

} // namespace devnook::UsageShares
