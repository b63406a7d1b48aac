#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <optional>

// The small pieces of HTTP/1.1 syntax that the parsers and the proxy's
// framing share.
namespace devnook::HttpSyntax {

inline bool isTokenChar(char c)
{
    constexpr QByteArrayView kSymbols = "!#$%&'*+-.^_`|~";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || kSymbols.contains(c);
}

// A header name or method: one or more token characters.
inline bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

// The text without spaces and tabs at either end.
inline QByteArrayView withoutBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

// Digits only (no sign, no blanks), at most maxDigits of them; none otherwise.
inline std::optional<qint64> parsedDigits(QByteArrayView text, int base, qsizetype maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        const int digit = (c >= '0' && c <= '9')                 ? c - '0'
                          : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (base == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                                 : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

// One chunk of a chunked body; none for no bytes, which would end the body.
inline QByteArray chunk(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    QByteArray chunk = QByteArray::number(bytes.size(), 16);
    chunk.reserve(chunk.size() + bytes.size() + 4);
    return chunk.append("\r\n").append(bytes).append("\r\n");
}

inline constexpr QByteArrayView kLastChunk = "0\r\n\r\n";

} // namespace devnook::HttpSyntax
