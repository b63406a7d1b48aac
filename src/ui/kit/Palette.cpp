#include "Palette.h"

using namespace Qt::StringLiterals;

namespace devnook::Palette {

namespace {

QColor rgba(int red, int green, int blue, double alpha = 1.0)
{
    QColor color(red, green, blue);
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QColor grey(double white, double alpha)
{
    const int level = qRound(white * 255.0);
    return rgba(level, level, level, alpha);
}

const ThemePalette kLight{
    .label = rgba(0, 0, 0, 0.85),
    .secondaryLabel = rgba(0, 0, 0, 0.5),
    .tertiaryLabel = rgba(0, 0, 0, 0.26),
    .quaternaryLabel = rgba(0, 0, 0, 0.1),
    .windowBackground = rgba(236, 236, 236),
    .controlBackground = rgba(255, 255, 255),
    .separator = rgba(0, 0, 0, 0.1),
    .accent = rgba(0, 122, 255),
    .red = rgba(255, 59, 48),
    .green = rgba(40, 205, 65),
    .orange = rgba(255, 149, 0),
    .groupedBackground = rgba(242, 242, 242),
    .chartGridLine = grey(0.78, 0.7),
};

const ThemePalette kDark{
    .label = rgba(255, 255, 255, 0.85),
    .secondaryLabel = rgba(255, 255, 255, 0.55),
    .tertiaryLabel = rgba(255, 255, 255, 0.25),
    .quaternaryLabel = rgba(255, 255, 255, 0.1),
    .windowBackground = rgba(50, 50, 50),
    .controlBackground = rgba(30, 30, 30),
    .separator = rgba(255, 255, 255, 0.1),
    .accent = rgba(10, 132, 255),
    .red = rgba(255, 69, 58),
    .green = rgba(50, 215, 75),
    .orange = rgba(255, 159, 10),
    .groupedBackground = rgba(44, 44, 46),
    .chartGridLine = grey(0.72, 0.55),
};

// Text colours with alpha drawn over the window background, for roles that
// Fusion blends poorly.
QColor opaqueOver(const QColor &color, const QColor &background)
{
    const float alpha = color.alphaF();
    return QColor::fromRgbF(color.redF() * alpha + background.redF() * (1 - alpha),
                            color.greenF() * alpha + background.greenF() * (1 - alpha),
                            color.blueF() * alpha + background.blueF() * (1 - alpha));
}

} // namespace

const ThemePalette &forScheme(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? kDark : kLight;
}

ColorScheme schemeOf(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? ColorScheme::dark : ColorScheme::light;
}

const ThemePalette &of(const QPalette &palette)
{
    return forScheme(schemeOf(palette));
}

QPalette qtPalette(ColorScheme scheme)
{
    const ThemePalette &colors = forScheme(scheme);
    const QColor window = colors.windowBackground;
    const QColor text = opaqueOver(colors.label, window);
    const QColor secondary = opaqueOver(colors.secondaryLabel, window);
    const QColor tertiary = opaqueOver(colors.tertiaryLabel, window);
    const QColor button = scheme == ColorScheme::dark ? QColor(70, 70, 72) : QColor(255, 255, 255);

    QPalette palette;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, colors.controlBackground);
        palette.setColor(group, QPalette::AlternateBase, colors.groupedBackground);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::PlaceholderText, tertiary);
        palette.setColor(group, QPalette::ToolTipBase, window);
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::Highlight, colors.accent);
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, colors.accent);
        palette.setColor(group, QPalette::BrightText, colors.red);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, window);
    palette.setColor(QPalette::Disabled, QPalette::Base, colors.controlBackground);
    palette.setColor(QPalette::Disabled, QPalette::Button, button);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, tertiary);
    palette.setColor(QPalette::Disabled, QPalette::PlaceholderText, tertiary);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, secondary);
    // Fusion etches disabled text with the light role, which doubles it on a
    // dark background; the design's disabled text is simply dimmed.
    palette.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    return palette;
}

QString css(const QColor &color)
{
    return u"rgba(%1, %2, %3, %4)"_s.arg(color.red()).arg(color.green()).arg(color.blue()).arg(color.alpha());
}

} // namespace devnook::Palette
