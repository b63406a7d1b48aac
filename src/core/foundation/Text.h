#pragma once

#include <QString>
#include <QStringView>

namespace devnook::Text {

// Trims whitespace and newline characters at both ends.
QString trimmed(QStringView text);

// True when nothing but whitespace and newlines is left after trimming.
bool isBlank(QStringView text);

} // namespace devnook::Text
