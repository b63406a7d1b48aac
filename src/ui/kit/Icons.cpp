#include "Icons.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace devnook::Icons {

QPixmap pixmap(const QString &symbolName, const QColor &color, int size, qreal devicePixelRatio)
{
    QSvgRenderer renderer(u":/icons/"_s + symbolName + u".svg"_s);
    if (!renderer.isValid())
        return {};
    const int side = qCeil(size * devicePixelRatio);
    QPixmap result(side, side);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    renderer.render(&painter, QRectF(0, 0, side, side));
    // The drawings are black on transparent; keep their shape, take the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), color);
    painter.end();
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString &symbolName, const QColor &color, int size)
{
    QIcon result;
    for (const qreal ratio : {1.0, 2.0})
        result.addPixmap(pixmap(symbolName, color, size, ratio));
    return result;
}

} // namespace devnook::Icons
