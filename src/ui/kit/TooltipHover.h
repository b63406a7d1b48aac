#pragma once

#include <QObject>
#include <QTimer>

namespace devnook {

// When one control's tooltip shows: 180 ms after the pointer came to rest on
// it, hidden again when the pointer leaves or the control disappears.
class TooltipHover final : public QObject {
    Q_OBJECT

public:
    explicit TooltipHover(QObject *parent = nullptr);

    void pointerEntered();
    void pointerLeft();
    // The control was hidden or removed: hide at once, drop any pending show.
    void controlDisappeared();

    bool isVisible() const { return m_visible; }
    // True while the show delay runs.
    bool isPending() const { return m_delay.isActive(); }
    // Milliseconds left of the show delay, or -1 when none runs.
    int remainingDelay() const { return m_delay.remainingTime(); }

Q_SIGNALS:
    // Emitted when the tooltip should appear (true) or go (false); a control
    // that disappears takes its tooltip away without animation.
    void visibilityChanged(bool visible, bool animated);

private:
    void setVisible(bool visible, bool animated);

    QTimer m_delay;
    bool m_hovering = false;
    bool m_visible = false;
};

} // namespace devnook
