#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace devnook::Icons {

// The symbol of that name (resources/icons/<name>.svg) drawn at a size in
// device-independent pixels, in one colour, once: later calls get the same
// pixmap. An unknown name gives an empty pixmap.
QPixmap pixmap(const QString &symbolName, const QColor &color, int size, qreal devicePixelRatio = 1.0);

// The symbol as an icon in one colour, for menus and buttons, drawn for
// density 1 and for the densest screen.
QIcon icon(const QString &symbolName, const QColor &color, int size = 16);

} // namespace devnook::Icons
