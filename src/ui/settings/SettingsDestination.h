#pragma once

#include <QString>

namespace devnook {

// The part of the settings page to reveal when the window opens.
enum class SettingsDestination { top };

// The name of the element the destination scrolls to ("top").
inline QString scrollIdentifier(SettingsDestination destination)
{
    switch (destination) {
    case SettingsDestination::top:
        break;
    }
    return QStringLiteral("top");
}

} // namespace devnook
