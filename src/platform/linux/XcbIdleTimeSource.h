#pragma once

#include "core/store/IdleTimeSource.h"

#include <QString>
#include <memory>

struct xcb_connection_t;

namespace devnook {

// The idle time the X server keeps for its screen saver, read over a
// connection of its own.
class XcbIdleTimeSource final : public IdleTimeSource {
public:
    // Connects to the display (DISPLAY when empty); nothing when it cannot be
    // reached or lacks the screen saver extension.
    static std::unique_ptr<XcbIdleTimeSource> connect(const QString &displayName = {});
    ~XcbIdleTimeSource() override;

    XcbIdleTimeSource(const XcbIdleTimeSource &) = delete;
    XcbIdleTimeSource &operator=(const XcbIdleTimeSource &) = delete;

    // 0 once the connection is broken.
    QCoro::Task<double> secondsSinceLastInput() override;

private:
    XcbIdleTimeSource(xcb_connection_t *connection, quint32 root);

    xcb_connection_t *m_connection;
    quint32 m_root;
};

} // namespace devnook
