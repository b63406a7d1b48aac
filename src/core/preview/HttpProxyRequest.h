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
    // The third piece of the request line ("HTTP/1.1"), or empty when there is none.
    QString protocol;
    // The whole body, chunked transfer coding removed (empty for a request
    // read with HttpRequestParser::next, whose body comes in pieces).
    QByteArray body;
    // Every byte received after the body: the first frames of a WebSocket.
    QByteArray trailingData;

    // The value of the first header named so in any letter case, or a null string.
    QString header(QStringView name) const;

    // True when the device said HTTP/1.1: it reads an answer in chunked coding.
    bool acceptsChunked() const { return protocol == u"HTTP/1.1"; }

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
//
// next() gives the request as it comes, its body in pieces, so that nothing
// of the body need be held; feed() and parse() collect the whole request.
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

    // How the device frames the body.
    enum class Framing {
        // Neither Content-Length nor Transfer-Encoding: no body.
        none,
        length,
        chunked,
    };

    // The head has arrived and is sound: the request without its body.
    struct Head {
        HttpProxyRequest request;
        Framing framing = Framing::none;
        // The announced length (at most kMaxBodyBytes); 0 unless framing is length.
        qint64 contentLength = 0;
    };
    // Body bytes, chunked coding removed; a view into the input.
    struct Body {
        QByteArrayView bytes;
    };
    // The body has ended; the bytes after it are not the request's.
    struct End {};
    using Event = std::variant<Incomplete, Head, Body, End, BadRequest>;

    // The next event from input, the bytes received and not yet consumed;
    // consumed tells how many of them it used. Pass the unconsumed bytes
    // again, with more after them, when it asks for more. After End or
    // BadRequest, nothing more is read.
    Event next(QByteArrayView input, qsizetype &consumed);

    using Result = std::variant<Incomplete, HttpProxyRequest, BadRequest>;

    // The parse of data taken as everything a connection has sent.
    static Result parse(QByteArrayView data);

    // Adds the bytes read next and parses what they complete, the whole body
    // held. After a request or a BadRequest, nothing more may be fed. Not to
    // be mixed with next().
    Result feed(QByteArrayView bytes);

    // True once the whole head has arrived and is sound; the body may still be coming.
    bool headComplete() const { return m_state != State::head; }

private:
    enum class State { head, length, chunked, done };

    static std::variant<Head, BadRequest> parsedHead(QByteArrayView bytes);
    Event nextHead(QByteArrayView input, qsizetype &consumed);

    State m_state = State::head;
    // How far the search for the end of the head has looked.
    qsizetype m_scanned = 0;
    qint64 m_remaining = 0;
    HttpChunkedDecoder m_chunks{HttpChunkedDecoder::LineEnds::strict, kMaxBodyBytes};
    // What feed() has received and not yet consumed, and the request it collects.
    QByteArray m_buffer;
    HttpProxyRequest m_request;
};

} // namespace devnook
