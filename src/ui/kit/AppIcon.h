#pragma once

#include <QIcon>
#include <QPixmap>

namespace devnook::AppIcon {

// The application's icon, drawn from its SVG at any size.
QIcon icon();

// The icon every alert carries: 64 × 64, rendered once and kept.
const QPixmap &alertPixmap();

} // namespace devnook::AppIcon
