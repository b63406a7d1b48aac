#pragma once

#include "core/environment/WindowHints.h"

namespace devnook {

// A desktop without taskbar hints (Wayland, offscreen).
class NullWindowHints final : public WindowHints {
public:
    void keepOffTaskbarAndPager(quintptr) override {}
};

} // namespace devnook
