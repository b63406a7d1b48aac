#pragma once

#include "TooltipGeometry.h"

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

namespace devnook {

// What a hovered control asks its window to show.
struct TooltipPayload {
    QString text;
    QRectF frame; // the control, in the window's coordinates
    TooltipPlacement placement = TooltipPlacement::bottom;

    bool operator==(const TooltipPayload &) const = default;
};

// The one tooltip layer of a window: covers the window, lets every click
// through, and draws the bubble of the latest control that asked.
class TooltipRoot final : public QWidget {
    Q_OBJECT

public:
    // Lays itself over the whole of the window.
    explicit TooltipRoot(QWidget *window);

    // The root installed on the widget's window, or null.
    static TooltipRoot *of(const QWidget *widget);

    // Shows the owner's payload; a later report wins over an earlier one.
    void present(const QObject *owner, const TooltipPayload &payload);
    // Takes the owner's payload away, fading out when animated.
    void dismiss(const QObject *owner, bool animated);

    std::optional<TooltipPayload> activePayload() const;
    // Where the bubble is drawn, in the window's coordinates; empty when none.
    QRectF bubbleRect() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF bubbleSize(const QString &text) const;

    QList<std::pair<const QObject *, TooltipPayload>> m_reports;
    std::optional<TooltipPayload> m_shown; // kept while fading out
    QVariantAnimation m_fade;
    qreal m_opacity = 0.0;
};

namespace Tooltip {

// Gives a control a tooltip drawn by its window's TooltipRoot; calling it
// again replaces the text. An empty text shows nothing.
void attach(QWidget *control, const QString &text, TooltipPlacement placement);

} // namespace Tooltip

} // namespace devnook
