#pragma once

#include "core/environment/WindowHints.h"

namespace devnook {

// Sets _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER on an X11
// window, keeping the states Qt and the window manager put there.
class XcbWindowHints final : public WindowHints {
public:
    void keepOffTaskbarAndPager(quintptr nativeWindow) override;
};

} // namespace devnook
