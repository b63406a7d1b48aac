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

// The list-mode size stored under "Devnook.panelSize": at least 420 × 560,
// and no larger than the visible screen minus the margins. A missing entry,
// a non-number, a non-finite or a non-positive value counts as no entry.
QSize savedSize(const QVariant &stored, const QRect &visibleScreen);

// The value stored under "Devnook.panelSize" for a panel size.
QVariant storedValue(const QSize &size);

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
