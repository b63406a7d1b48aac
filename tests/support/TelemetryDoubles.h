#pragma once

#include "core/telemetry/ApplicationActivity.h"
#include "core/telemetry/DisplayFacts.h"

namespace devnook::test {

// Display facts a test sets by hand; headless until it does.
class FixedDisplayFacts final : public DisplayFacts {
public:
    std::optional<Screen> mainScreen() const override { return screen; }
    std::optional<Qt::LayoutDirection> layoutDirection() const override { return direction; }
    std::optional<ColorScheme> colorScheme() const override { return scheme; }

    std::optional<Screen> screen;
    std::optional<Qt::LayoutDirection> direction;
    std::optional<ColorScheme> scheme;
};

// An application whose activation the test switches.
class ManualActivity final : public ApplicationActivity {
public:
    void activate() { Q_EMIT becameActive(); }
    void resign() { Q_EMIT resignedActive(); }
};

} // namespace devnook::test
