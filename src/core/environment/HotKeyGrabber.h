#pragma once

#include <functional>

namespace devnook {

// The system-wide Ctrl+Shift+L that brings up the panel from any application.
class HotKeyGrabber {
public:
    virtual ~HotKeyGrabber() = default;

    // Grabs the key; calls back on the main thread on each press. False when
    // the desktop offers no grab (Wayland, no display) or refused it.
    virtual bool grab(std::function<void()> pressed) = 0;
};

} // namespace devnook
