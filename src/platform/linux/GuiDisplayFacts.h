#pragma once

#include "core/telemetry/DisplayFacts.h"

namespace devnook {

class AppSettings;

// The primary screen and layout of the GUI application, and the colour scheme
// the settings resolved from the theme. A headless session has no screen.
class GuiDisplayFacts final : public DisplayFacts {
public:
    explicit GuiDisplayFacts(const AppSettings &settings) : m_settings(settings) {}

    std::optional<Screen> mainScreen() const override;
    std::optional<Qt::LayoutDirection> layoutDirection() const override;
    std::optional<ColorScheme> colorScheme() const override;

private:
    const AppSettings &m_settings;
};

} // namespace devnook
