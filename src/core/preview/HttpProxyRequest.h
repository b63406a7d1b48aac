#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <variant>

namespace devnook {

// One request read from a device, its head validated and its body decoded.
struct HttpProxyRequest {
    QString method;
    // The request target as received.
    QString path;
    // Name and value as received (value trimmed of spaces and tabs); a name
    // that occurs twice keeps its last value.
    QList<QPair<QString, QString>> headers;
    // The whole body, chunked transfer coding removed.
    QByteArray body;
    // Every byte received after the body: the first frames of a WebSocket.
    QByteArray trailingData;

    // The value of the first header named so in any letter case, or a null string.
    QString header(QStringView name) const;

    // True when an "Upgrade" header (any case) says exactly "websocket" (any case).
    bool isWebSocketUpgrade() const;

    // The head replayed to the local server of a tunnel: the request line and
    // headers as received but for one "Host: host:port" line, then the trailing data.
    QByteArray forwardedWebSocketRequest(const QString &host, int port) const;

    bool operator==(const HttpProxyRequest &) const = default;
};

// The parse of the bytes read so far from one connection.
namespace HttpRequestParser {

inline constexpr qsizetype kMaxHeadBytes = 64 * 1024;
inline constexpr qsizetype kMaxBodyBytes = 64 * 1024 * 1024;

// More bytes are needed.
struct Incomplete {
    bool operator==(const Incomplete &) const = default;
};

// The bytes can never become a request; answer with this status and close.
struct BadRequest {
    int status = 400;
    bool operator==(const BadRequest &) const = default;
};

using Result = std::variant<Incomplete, HttpProxyRequest, BadRequest>;

// Parses one HTTP/1.1 request: CR LF line ends only, token header names, at
// most one Content-Length and never with Transfer-Encoding, chunked bodies
// decoded. A head over kMaxHeadBytes gives 431, a body over kMaxBodyBytes 413;
// both are known before the whole is received.
Result parse(QByteArrayView data);

} // namespace HttpRequestParser

} // namespace devnook
