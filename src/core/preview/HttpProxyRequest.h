#pragma once

#include "HttpChunkedDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>
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

// Reads one HTTP/1.1 request from the bytes of a connection as they arrive:
// CR LF line ends only, token header names, at most kMaxHeaderLines header
// lines, at most one Content-Length and never with Transfer-Encoding, chunked
// bodies decoded. A head over kMaxHeadBytes or with too many lines gives 431,
// a body over kMaxBodyBytes 413; both are known before the whole is received.
// Each byte is parsed once, however the request is cut into reads.
class HttpRequestParser {
public:
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    static constexpr qsizetype kMaxBodyBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxHeaderLines = 100;

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

    // The parse of data taken as everything a connection has sent.
    static Result parse(QByteArrayView data);

    // Adds the bytes read next and parses what they complete. After a request
    // or a BadRequest, nothing more may be fed.
    Result feed(QByteArrayView bytes);

    // True once the whole head has arrived and is sound; the body may still be coming.
    bool headComplete() const { return m_head.has_value(); }

private:
    struct Head {
        HttpProxyRequest request;
        qint64 contentLength = 0;
        bool chunked = false;
    };
    static std::variant<Head, BadRequest> parsedHead(QByteArrayView bytes);
    Result feedHead();
    Result feedBody();

    // Bytes received and not yet consumed.
    QByteArray m_buffer;
    // How far the search for the end of the head has looked.
    qsizetype m_scanned = 0;
    std::optional<Head> m_head;
    HttpChunkedDecoder m_chunks{HttpChunkedDecoder::LineEnds::strict, kMaxBodyBytes};
};

} // namespace devnook
