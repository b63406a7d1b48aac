#pragma once

#include <QIcon>
#include <QPixmap>

namespace devnook::AppIcon {

// The application's icon, drawn from its SVG at any size.
QIcon icon();

// The icon every alert carries: 64 × 64, rendered once and kept.
const QPixmap &alertPixmap();

// The alert icon of a warning: the same, with a caution sign in its corner.
const QPixmap &warningAlertPixmap();

} // namespace devnook::AppIcon
