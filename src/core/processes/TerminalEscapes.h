#pragma once

#include <QString>
#include <QStringView>

namespace devnook::TerminalEscapes {

// The text without terminal escape sequences: control sequences (ESC [ ...
// final byte), operating-system commands (ESC ] ... BEL or ESC \) and
// two-character escapes. Tools that colour their output put these inside
// the addresses they print.
QString stripped(QStringView text);

} // namespace devnook::TerminalEscapes
