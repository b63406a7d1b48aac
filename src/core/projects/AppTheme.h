#pragma once

#include <QList>
#include <QString>

namespace devnook {

// The appearance the user chose.
enum class AppTheme { system, light, dark };

namespace AppThemes {

// Every theme, in the order the settings list them.
const QList<AppTheme> &all();

// The raw value, also the identifier and the stored value ("system").
QString rawValue(AppTheme theme);

// The theme of a raw value, matched exactly; system for any other text.
AppTheme fromStoredValue(const QString &text);

// The localised title ("theme_system" and so on).
QString localizedTitle(AppTheme theme);

} // namespace AppThemes

} // namespace devnook
