#pragma once

#include <QByteArray>
#include <optional>

namespace devnook::test {

// The body that chunked coding carries, read strictly: none when a chunk is
// malformed, or the last chunk or anything after it is missing or extra.
inline std::optional<QByteArray> dechunked(QByteArrayView bytes)
{
    QByteArray body;
    while (true) {
        const qsizetype lineEnd = bytes.indexOf("\r\n");
        if (lineEnd <= 0)
            return std::nullopt;
        bool ok = false;
        const qsizetype size = bytes.first(lineEnd).toByteArray().toLongLong(&ok, 16);
        if (!ok || size < 0)
            return std::nullopt;
        bytes = bytes.sliced(lineEnd + 2);
        if (size == 0)
            return bytes == "\r\n" ? std::optional<QByteArray>(body) : std::nullopt;
        if (bytes.size() < size + 2 || bytes.sliced(size, 2) != "\r\n")
            return std::nullopt;
        body += bytes.first(size);
        bytes = bytes.sliced(size + 2);
    }
}

} // namespace devnook::test
