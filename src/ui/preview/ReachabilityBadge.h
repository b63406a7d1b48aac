#pragma once

#include "core/preview/DevicePreviewBadge.h"

#include <QAbstractButton>

namespace devnook {

class ProgressSpinner;

// The reachability of one LAN address: a mini progress indicator until a
// result is in, then a coloured pill with a dot and a title that asks for
// another check when clicked.
class ReachabilityBadge final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ReachabilityBadge(QWidget *parent = nullptr);

    void setBadge(const DevicePreviewBadge &badge);
    const DevicePreviewBadge &badge() const { return m_badge; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // Only the pill takes clicks.
    bool hitButton(const QPoint &position) const override;

private:
    DevicePreviewBadge m_badge;
    ProgressSpinner *m_spinner = nullptr;
};

} // namespace devnook
