#pragma once

#include <QtGlobal>

namespace devnook {

// What the desktop is told about the floating panel's native window.
class WindowHints {
public:
    virtual ~WindowHints() = default;

    // Keeps the window out of the taskbar and the window switcher, and on
    // every virtual desktop. Call it before each showing, since a window
    // manager may drop the hints when the window is hidden. Does nothing
    // where the desktop has no such hints.
    virtual void markAsFloatingPanel(quintptr nativeWindow) = 0;
    // Asks the window manager for the same, and to keep the window on top,
    // right after the window was asked to show: a manager that withdraws the
    // hidden window late drops the states written for the next showing.
    // Does nothing where the desktop has no such hints.
    virtual void keepAsFloatingPanel(quintptr nativeWindow) = 0;
};

} // namespace devnook
