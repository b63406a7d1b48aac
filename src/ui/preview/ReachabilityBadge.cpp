#include "ReachabilityBadge.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/Tooltip.h"

#include <QFontMetrics>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kSpinnerSide = 12;
constexpr int kPaddingX = 7;
constexpr int kPaddingY = 3;
constexpr int kDot = 5;
constexpr int kGap = 4;

QColor rgb(quint32 hex)
{
    return QColor::fromRgb(static_cast<QRgb>(hex));
}

} // namespace

ReachabilityBadge::ReachabilityBadge(QWidget *parent) : QAbstractButton(parent)
{
    setObjectName(u"reachabilityBadge"_s);
    setFont(Kit::font(11, QFont::Medium));
    m_spinner = new ProgressSpinner(kSpinnerSide, this);
    setBadge({});
}

void ReachabilityBadge::setBadge(const DevicePreviewBadge &badge)
{
    m_badge = badge;
    setText(badge.isProgress ? QString() : L10n::text(badge.titleKey));
    setAccessibleName(text());
    m_spinner->setVisible(badge.isProgress);
    setCursor(badge.isProgress ? Qt::ArrowCursor : Qt::PointingHandCursor);
    Tooltip::attach(this, badge.tooltip, TooltipPlacement::top);
    setFixedSize(sizeHint());
    update();
}

QSize ReachabilityBadge::sizeHint() const
{
    if (m_badge.isProgress)
        return {kSpinnerSide, kSpinnerSide};
    const QFontMetrics metrics(font());
    return {2 * kPaddingX + kDot + kGap + metrics.horizontalAdvance(text()),
            2 * kPaddingY + metrics.height()};
}

bool ReachabilityBadge::hitButton(const QPoint &position) const
{
    return !m_badge.isProgress && QAbstractButton::hitButton(position);
}

void ReachabilityBadge::paintEvent(QPaintEvent *)
{
    if (m_badge.isProgress)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(rgb(m_badge.backgroundRgb));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setBrush(rgb(m_badge.dotRgb));
    painter.drawEllipse(QRectF(kPaddingX, (capsule.height() - kDot) / 2.0, kDot, kDot));
    painter.setPen(rgb(DevicePreviewBadge::kTextRgb));
    painter.setFont(font());
    painter.drawText(
        QRectF(kPaddingX + kDot + kGap, 0, capsule.width() - kPaddingX - kDot - kGap, capsule.height()),
        Qt::AlignVCenter | Qt::TextSingleLine, text());
}

} // namespace devnook
