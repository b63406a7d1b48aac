#include "Icons.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace devnook::Icons {

namespace {

QPixmap render(const QString &symbolName, const QColor &color, int size, qreal devicePixelRatio)
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

} // namespace

QPixmap pixmap(const QString &symbolName, const QColor &color, int size, qreal devicePixelRatio)
{
    // Menus, buttons and panels ask for the same few symbols again on every
    // rebuild and theme change; each is parsed and drawn once.
    static QHash<QString, QPixmap> drawn;
    const QString key = u"%1|%2|%3|%4"_s.arg(symbolName, QString::number(color.rgba(), 16),
                                             QString::number(size), QString::number(devicePixelRatio));
    if (const auto found = drawn.constFind(key); found != drawn.cend())
        return *found;
    return *drawn.insert(key, render(symbolName, color, size, devicePixelRatio));
}

QIcon icon(const QString &symbolName, const QColor &color, int size)
{
    QIcon result;
    result.addPixmap(pixmap(symbolName, color, size));
    // The densest screen's own drawing; at a density no screen has, an icon
    // would never be shown.
    if (const qreal density = qGuiApp->devicePixelRatio(); density > 1.0)
        result.addPixmap(pixmap(symbolName, color, size, density));
    return result;
}

} // namespace devnook::Icons
