#pragma once

#include "core/environment/AppearanceWatcher.h"

namespace devnook {

// A desktop that never reports a light or dark switch.
class NullAppearanceWatcher final : public AppearanceWatcher {
public:
    void watch(std::function<void(bool)>) override {}
};

} // namespace devnook
