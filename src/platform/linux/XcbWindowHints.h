#pragma once

#include "core/environment/WindowHints.h"

namespace devnook {

// Sets _NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER and
// _NET_WM_STATE_STICKY on an X11 window, keeping the states Qt and the window
// manager put there, and _NET_WM_DESKTOP to every desktop. Once the window
// is mapped, asks the window manager for them, with _NET_WM_STATE_ABOVE.
class XcbWindowHints final : public WindowHints {
public:
    void markAsFloatingPanel(quintptr nativeWindow) override;
    void keepAsFloatingPanel(quintptr nativeWindow) override;
};

} // namespace devnook
