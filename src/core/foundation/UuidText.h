#pragma once

#include <QString>
#include <QStringView>
#include <QUuid>
#include <optional>

namespace devnook::UuidText {

// The canonical 36-character form, upper case, without braces.
QString format(const QUuid &uuid);

// Reads the 36-character form in either case; braces, other lengths and
// misplaced hyphens are refused.
std::optional<QUuid> parse(QStringView text);

} // namespace devnook::UuidText
