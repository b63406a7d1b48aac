#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace devnook {

enum class TooltipPlacement { top, bottom };

namespace TooltipGeometry {

inline constexpr double kGap = 8.0;
inline constexpr double kMargin = 8.0;
inline constexpr int kShowDelayMs = 180;
// Assumed until the bubble has been measured.
inline constexpr QSizeF kAssumedBubbleSize{80.0, 30.0};

// Where the bubble goes: the preferred side unless only the other one fits.
TooltipPlacement resolvedPlacement(const QRectF &control, const QSizeF &bubble, const QSizeF &container,
                                   TooltipPlacement preferred);

// The bubble's centre in the container (y grows downwards), kept 8 pixels
// inside it; when the container is too small the right and bottom bounds win.
// A zero bubble size means "not measured yet".
QPointF bubbleCenter(const QRectF &control, const QSizeF &measuredBubble, const QSizeF &container,
                     TooltipPlacement preferred);

} // namespace TooltipGeometry

} // namespace devnook
