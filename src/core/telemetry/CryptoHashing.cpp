#include "CryptoHashing.h"

#include <QCryptographicHash>

namespace devnook::CryptoHashing {

QString sha256(const QString &text, const QString &salt)
{
    return sha256((text + salt).toUtf8());
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace devnook::CryptoHashing
