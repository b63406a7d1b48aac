#include "AppIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace devnook::AppIcon {

namespace {

constexpr int kAlertSide = 64;
constexpr int kBadgeSide = 34;

// A caution sign: a yellow triangle with a dark exclamation mark, outlined so
// that it stands out from the icon beneath.
void paintWarningBadge(QPainter &painter, const QRectF &frame)
{
    QPainterPath triangle;
    triangle.moveTo(frame.center().x(), frame.top());
    triangle.lineTo(frame.bottomRight());
    triangle.lineTo(frame.bottomLeft());
    triangle.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(255, 204, 0));
    painter.drawPath(triangle);
    const qreal x = frame.center().x();
    const qreal unit = frame.height() / 10.0;
    painter.setPen(QPen(QColor(33, 33, 33), unit * 1.3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(x, frame.top() + unit * 3.8), QPointF(x, frame.top() + unit * 6.8));
    painter.drawPoint(QPointF(x, frame.top() + unit * 8.6));
}

} // namespace

QIcon icon()
{
    return QIcon(u":/icons/devnook.svg"_s);
}

const QPixmap &alertPixmap()
{
    static const QPixmap cached = icon().pixmap(QSize(kAlertSide, kAlertSide), qGuiApp->devicePixelRatio());
    return cached;
}

const QPixmap &warningAlertPixmap()
{
    static const QPixmap cached = [] {
        QPixmap badged = alertPixmap().copy();
        QPainter painter(&badged);
        const qreal side = kBadgeSide;
        paintWarningBadge(painter, QRectF(kAlertSide - side - 1, kAlertSide - side - 1, side, side));
        return badged;
    }();
    return cached;
}

} // namespace devnook::AppIcon
