#pragma once

#include "Palette.h"

#include <QObject>

namespace devnook {

class AppSettings;

// Keeps every window of the application in the settings' colour scheme. A
// change swaps the application's palette and the windows' style sheets, which
// Qt re-polishes in place: widgets, their text, drafts and scroll positions
// all survive.
class ThemeApplier final : public QObject {
    Q_OBJECT

public:
    // Applies the current scheme at once and again on every theme change.
    explicit ThemeApplier(AppSettings &settings, QObject *parent = nullptr);

    // The style sheet that colours the kit's roles for a palette table.
    static QString styleSheet(const ThemePalette &colors);

private:
    void apply();

    AppSettings &m_settings;
};

} // namespace devnook
