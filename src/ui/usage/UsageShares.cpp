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

namespace {
constexpr int kSwatchSide = 8;
} // namespace

QLabel *makeSwatch(QWidget *parent)
{
    auto *swatch = new QLabel(parent);
    swatch->setFixedSize(kSwatchSide, kSwatchSide);
    return swatch;
}

void setSwatchColor(QLabel *swatch, quint32 colorHex)
{
    constexpr int kSide = kSwatchSide;
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
    swatch->setPixmap(pixmap);
}

} // namespace devnook::UsageShares
