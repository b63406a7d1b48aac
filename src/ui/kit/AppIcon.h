#pragma once

#include <QIcon>

namespace devnook::AppIcon {

// The application's icon, drawn from its SVG at any size.
QIcon icon();

} // namespace devnook::AppIcon
