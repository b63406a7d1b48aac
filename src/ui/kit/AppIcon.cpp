#include "AppIcon.h"

#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace devnook::AppIcon {

QIcon icon()
{
    return QIcon(u":/icons/devnook.svg"_s);
}

const QPixmap &alertPixmap()
{
    static const QPixmap cached = icon().pixmap(QSize(64, 64), qGuiApp->devicePixelRatio());
    return cached;
}

} // namespace devnook::AppIcon
