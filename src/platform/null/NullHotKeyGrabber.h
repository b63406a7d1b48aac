#pragma once

#include "core/environment/HotKeyGrabber.h"

namespace devnook {

// A desktop without a global hot key.
class NullHotKeyGrabber final : public HotKeyGrabber {
public:
    bool grab(std::function<void()>) override { return false; }
};

} // namespace devnook
