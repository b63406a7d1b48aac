#pragma once

#include "core/environment/WindowHints.h"

namespace devnook {

// A desktop without taskbar and desktop hints (Wayland, offscreen).
class NullWindowHints final : public WindowHints {
public:
    void markAsFloatingPanel(quintptr) override {}
    void keepAsFloatingPanel(quintptr) override {}
};

} // namespace devnook
