#include "Tooltip.h"

#include "Kit.h"
#include "Palette.h"
#include "TooltipHover.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr double kPadding = 6.0;
constexpr double kRadius = 8.0;
constexpr int kAppearMs = 80;
constexpr int kDisappearMs = 60;
// One line while the window is wide enough, wrapped at words when it is not.
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

QFont bubbleFont()
{
    return Kit::font(12, QFont::Medium);
}

// Watches one control's hovering and reports to the window's root.
class TooltipAttachment final : public QObject {
public:
    TooltipAttachment(QWidget *control, const QString &text, TooltipPlacement placement)
        : QObject(control), m_control(control), m_text(text), m_placement(placement)
    {
        setObjectName(u"devnookTooltipAttachment"_s);
        control->installEventFilter(this);
        connect(&m_hover, &TooltipHover::visibilityChanged, this, &TooltipAttachment::report);
    }

    ~TooltipAttachment() override
    {
        if (m_root)
            m_root->dismiss(this, false);
    }

    void update(const QString &text, TooltipPlacement placement)
    {
        m_text = text;
        m_placement = placement;
        if (m_hover.isVisible())
            report(true, false);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Enter:
            m_hover.pointerEntered();
            break;
        case QEvent::Leave:
            m_hover.pointerLeft();
            break;
        case QEvent::Hide:
        case QEvent::ParentAboutToChange:
            m_hover.controlDisappeared();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void report(bool visible, bool animated)
    {
        if (!visible) {
            if (m_root)
                m_root->dismiss(this, animated);
            return;
        }
        m_root = TooltipRoot::of(m_control);
        if (!m_root || m_text.isEmpty())
            return;
        const QPoint origin = m_control->mapTo(m_control->window(), QPoint(0, 0));
        m_root->present(this, {m_text, QRectF(origin, m_control->size()), m_placement});
    }

    QWidget *m_control;
    QString m_text;
    TooltipPlacement m_placement;
    TooltipHover m_hover;
    QPointer<TooltipRoot> m_root;
};

} // namespace

TooltipRoot::TooltipRoot(QWidget *window) : QWidget(window)
{
    setObjectName(u"devnookTooltipRoot"_s);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(window->rect());
    window->installEventFilter(this);
    connect(&m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_opacity = value.toReal();
        update();
    });
    connect(&m_fade, &QVariantAnimation::finished, this, [this] {
        if (m_opacity <= 0.0)
            m_shown.reset();
        update();
    });
}

TooltipRoot *TooltipRoot::of(const QWidget *widget)
{
    return widget ? widget->window()->findChild<TooltipRoot *>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void TooltipRoot::present(const QObject *owner, const TooltipPayload &payload)
{
    m_reports.removeIf([owner](const auto &report) { return report.first == owner; });
    m_reports.append({owner, payload});
    const bool wasShown = m_opacity > 0.0 && m_shown.has_value();
    m_shown = payload;
    raise();
    m_fade.stop();
    if (!wasShown) {
        m_fade.setStartValue(0.0);
        m_fade.setEndValue(1.0);
        m_fade.setEasingCurve(QEasingCurve::OutCubic);
        m_fade.setDuration(kAppearMs);
        m_fade.start();
    } else {
        m_opacity = 1.0;
    }
    update();
}

void TooltipRoot::dismiss(const QObject *owner, bool animated)
{
    const qsizetype before = m_reports.size();
    m_reports.removeIf([owner](const auto &report) { return report.first == owner; });
    if (m_reports.size() == before)
        return;
    if (!m_reports.isEmpty()) {
        m_shown = m_reports.last().second;
        update();
        return;
    }
    m_fade.stop();
    if (animated) {
        m_fade.setStartValue(m_opacity);
        m_fade.setEndValue(0.0);
        m_fade.setDuration(kDisappearMs);
        m_fade.start();
    } else {
        m_opacity = 0.0;
        m_shown.reset();
        update();
    }
}

std::optional<TooltipPayload> TooltipRoot::activePayload() const
{
    if (m_reports.isEmpty())
        return std::nullopt;
    return m_reports.last().second;
}

QSizeF TooltipRoot::bubbleSize(const QString &text) const
{
    const QFontMetricsF metrics(bubbleFont());
    const double maxWidth = std::max(0.0, width() - 2 * TooltipGeometry::kMargin);
    const double advance = metrics.horizontalAdvance(text);
    const double lineWidth = advance + 2 * kPadding + 1;
    if (lineWidth <= maxWidth)
        return {lineWidth, metrics.height() + 2 * kPadding};
    // Wider than the window: wrapped, so that none of it is cut off, onto
    // as few lines as at the full width but of about the same length each.
    const double widest = std::max(1.0, maxWidth - 2 * kPadding - 1);
    const double fewestLines = metrics.boundingRect(QRectF(0, 0, widest, 0), kTextFlags, text).height();
    double textWidth = std::min(widest, advance / std::ceil(advance / widest));
    QRectF wrapped = metrics.boundingRect(QRectF(0, 0, textWidth, 0), kTextFlags, text);
    while (wrapped.height() > fewestLines) {
        textWidth = std::min(widest, textWidth + std::max(1.0, metrics.averageCharWidth()));
        wrapped = metrics.boundingRect(QRectF(0, 0, textWidth, 0), kTextFlags, text);
    }
    return {std::min(wrapped.width() + 2 * kPadding + 1, maxWidth), wrapped.height() + 2 * kPadding};
}

QRectF TooltipRoot::bubbleRect() const
{
    if (!m_shown)
        return {};
    const QSizeF size = bubbleSize(m_shown->text);
    const QPointF center =
        TooltipGeometry::bubbleCenter(m_shown->frame, size, QSizeF(this->size()), m_shown->placement);
    return {center.x() - size.width() / 2, center.y() - size.height() / 2, size.width(), size.height()};
}

bool TooltipRoot::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void TooltipRoot::paintEvent(QPaintEvent *)
{
    if (!m_shown || m_opacity <= 0.0)
        return;
    const ThemePalette &colors = Palette::of(palette());
    const QRectF bubble = bubbleRect();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    // A soft shadow 6 pixels below: a few widening translucent layers.
    painter.setPen(Qt::NoPen);
    for (int step = 1; step <= 4; ++step) {
        const double grow = step * 2.0;
        painter.setBrush(QColor(0, 0, 0, 7));
        painter.drawRoundedRect(bubble.translated(0, 6).adjusted(-grow / 2, -grow / 2, grow / 2, grow / 2),
                                kRadius + grow / 2, kRadius + grow / 2);
    }
    QPainterPath shape;
    shape.addRoundedRect(bubble.adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    painter.fillPath(shape, colors.windowBackground);
    painter.setPen(QPen(colors.separator, 1));
    painter.drawPath(shape);
    painter.setPen(colors.label);
    painter.setFont(bubbleFont());
    painter.drawText(bubble.adjusted(kPadding, kPadding, -kPadding, -kPadding), kTextFlags, m_shown->text);
}

namespace Tooltip {

void attach(QWidget *control, const QString &text, TooltipPlacement placement)
{
    auto *existing = dynamic_cast<TooltipAttachment *>(
        control->findChild<QObject *>(u"devnookTooltipAttachment"_s, Qt::FindDirectChildrenOnly));
    if (existing) {
        existing->update(text, placement);
        return;
    }
    new TooltipAttachment(control, text, placement);
}

} // namespace Tooltip

} // namespace devnook
