#pragma once

#include "core/environment/HotKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QList>

namespace devnook {

// Ctrl+Shift+L grabbed on the X11 root window, also with Caps Lock and Num
// Lock on, so the key reaches Devnook from any application.
class XcbHotKeyGrabber final : public HotKeyGrabber, private QAbstractNativeEventFilter {
public:
    XcbHotKeyGrabber() = default;
    ~XcbHotKeyGrabber() override;

    // False without an X11 connection (Wayland, offscreen) or when another
    // client holds the key.
    bool grab(std::function<void()> pressed) override;

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void ungrab();

    std::function<void()> m_pressed;
    QList<quint8> m_keycodes;
    bool m_filterInstalled = false;
};

} // namespace devnook
