#pragma once

#include <QStringList>

namespace devnook::StatusTitle {

inline constexpr int kLimit = 42;
inline constexpr int kCut = 39;

// "Alpha, Beta, +1" for the running projects' names; at most 42 characters,
// longer titles cut to 39 and "...". Empty when nothing runs.
QString forNames(const QStringList &activeNames);

// The tray's tooltip: the title, or the product name when nothing runs.
QString trayToolTip(const QString &title);

} // namespace devnook::StatusTitle
