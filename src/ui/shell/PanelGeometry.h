#pragma once

#include <QRect>
#include <QSize>
#include <QVariant>
#include <optional>

namespace devnook::PanelGeometry {

inline constexpr QSize kListMinimum{420, 560};
inline constexpr QSize kFormMinimum{560, 620};
inline constexpr QSize kFormSize{620, 700};
inline constexpr int kMargin = 8;

// The list-mode size from the stored width and height: at least 420 × 560,
// and no larger than the visible screen minus the margins. A missing value, a
// non-number (text counts when it reads as a number, as the settings file
// keeps numbers as text), a non-finite or a non-positive value counts as none.
QSize savedSize(const QVariant &width, const QVariant &height, const QRect &visibleScreen);

// The tray icon's geometry when it tells where the icon is: nothing when it
// is empty, or sits at the origin as an icon does before the tray has
// embedded it.
std::optional<QRect> trayAnchor(const QRect &trayGeometry);

// Top-left of the panel: centred 8 pixels under the anchor (the tray icon,
// or the pointer at the click), kept 8 pixels inside the visible screen's
// sides and bottom; the top is not clamped. Without an anchor, the visible
// screen's top-right corner.
QPoint position(const std::optional<QRect> &anchor, const QSize &panel, const QRect &visibleScreen);

// A new frame of the target size around the current frame's centre, no
// larger than the visible screen minus 16 pixels and kept 8 pixels inside it;
// when both cannot hold, the right and top bounds win.
QRect resized(const QRect &current, const QSize &target, const QRect &visibleScreen);

} // namespace devnook::PanelGeometry
