#pragma once

#include <QByteArray>
#include <QString>

namespace devnook::CryptoHashing {

// SHA-256 of the UTF-8 bytes of text followed directly by salt, as 64
// lower-case hexadecimal characters.
QString sha256(const QString &text, const QString &salt);

// SHA-256 of the bytes, in the same form.
QString sha256(const QByteArray &bytes);

} // namespace devnook::CryptoHashing
