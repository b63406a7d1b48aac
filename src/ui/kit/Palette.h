#pragma once

#include "core/projects/AppSettings.h"

#include <QColor>
#include <QPalette>

namespace devnook {

// The semantic colours every window paints with, one table per scheme.
struct ThemePalette {
    QColor label;
    QColor secondaryLabel;
    QColor tertiaryLabel;
    QColor quaternaryLabel;
    QColor windowBackground;
    QColor controlBackground;
    QColor separator;
    QColor accent;
    QColor red;
    QColor green;
    QColor orange;
    QColor groupedBackground;
    QColor chartGridLine;
};

namespace Palette {

// The fixed table of a scheme.
const ThemePalette &forScheme(ColorScheme scheme);

// The scheme a Qt palette was made for, told by its window colour.
ColorScheme schemeOf(const QPalette &palette);

// The table matching a widget's current Qt palette, for custom painting.
const ThemePalette &of(const QPalette &palette);

// The Qt palette of a scheme (Fusion roles filled from the table).
QPalette qtPalette(ColorScheme scheme);

// "rgba(r, g, b, a)" for style sheets.
QString css(const QColor &color);

} // namespace Palette

} // namespace devnook
