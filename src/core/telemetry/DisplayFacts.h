#pragma once

#include <Qt>
#include <optional>

namespace devnook {

// What the desktop tells the telemetry client's default payload about the
// screen, the layout and the colours the app paints with.
class DisplayFacts {
public:
    struct Screen {
        double height = 0.0;
        double width = 0.0;
        double scaleFactor = 1.0;
    };
    enum class ColorScheme { light, dark };

    virtual ~DisplayFacts() = default;

    // The main screen's size in device-independent pixels; none when headless.
    virtual std::optional<Screen> mainScreen() const = 0;
    // The application's layout direction; none without a GUI application.
    virtual std::optional<Qt::LayoutDirection> layoutDirection() const = 0;
    // The scheme the app resolved from its theme; none when it cannot tell.
    virtual std::optional<ColorScheme> colorScheme() const = 0;
};

} // namespace devnook
