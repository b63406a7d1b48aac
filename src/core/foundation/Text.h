#pragma once

#include <QString>
#include <QStringView>

namespace devnook::Text {

// Trims whitespace and newline characters at both ends.
QString trimmed(QStringView text);

// True when nothing but whitespace and newlines is left after trimming.
bool isBlank(QStringView text);

// True for every character that ends a line: LF, VT, FF, CR, NEL, LS and PS.
bool isLineBreak(QChar c);

} // namespace devnook::Text
