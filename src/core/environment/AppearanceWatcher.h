#pragma once

#include <functional>

namespace devnook {

// The desktop's light or dark preference.
class AppearanceWatcher {
public:
    virtual ~AppearanceWatcher() = default;

    // Calls back on the main thread each time the desktop's preference turns
    // out to differ from the last one known (true for dark).
    virtual void watch(std::function<void(bool prefersDark)> changed) = 0;
};

} // namespace devnook
