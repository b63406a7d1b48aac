#pragma once

#include <QString>

namespace devnook::AppVersion {

// "<version> (<build>)" of this build, e.g. "0.1.0 (1)".
QString displayString();

// The same text from given values; an empty version or build falls back to
// "0.2.3" and "43".
QString displayString(const QString &shortVersion, const QString &build);

} // namespace devnook::AppVersion
