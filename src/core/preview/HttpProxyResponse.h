#pragma once

#include "HttpChunkedDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <variant>

namespace devnook {

using HttpHeaderList = QList<QPair<QByteArray, QByteArray>>;

// The head of a dev server's answer, as received.
struct HttpResponseHead {
    int status = 0;
    // The text after the status code, as sent; empty when there is none.
    QByteArray reason;
    // Name and value as received (value trimmed of spaces and tabs); a name
    // that occurs several times (Set-Cookie) keeps every line, in order.
    HttpHeaderList headers;

    // The value of the first header named so in any letter case, or a null array.
    QByteArray header(QByteArrayView name) const;
    // The elements of the comma-separated values of every header named so
    // (any case), without blanks; views into the headers.
    QList<QByteArrayView> tokens(QByteArrayView name) const;
    // True when a header named so (any case) lists the token (any case).
    bool hasToken(QByteArrayView name, QByteArrayView token) const;

    bool operator==(const HttpResponseHead &) const = default;
};

// Reads one HTTP/1.x answer from the bytes of a connection to a dev server as
// they arrive: interim 1xx answers are skipped, then the final head, then the
// body, delimited by Content-Length, the chunked coding or the end of the
// connection, and none after a HEAD request, 1xx, 204 or 304. Lines may end
// with CR LF or a bare LF. Each byte is looked at once, however the answer is
// cut into reads.
class HttpResponseParser {
public:
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    static constexpr qsizetype kMaxHeaderLines = 256;
    static constexpr int kMaxInterimAnswers = 16;

    // More bytes are needed.
    struct NeedMore {};
    // The final head has arrived.
    struct Head {
        HttpResponseHead head;
    };
    // Body bytes, transfer coding removed; a view into the input.
    struct Body {
        QByteArrayView bytes;
    };
    // The answer has ended. Reusable when the connection may carry the next
    // request: HTTP/1.1 without "Connection: close" (HTTP/1.0 with
    // "keep-alive"), and a body not delimited by the close.
    struct End {
        bool reusable = false;
    };
    // The bytes are not an HTTP answer, or a framing that cannot be trusted.
    struct Bad {};
    using Event = std::variant<NeedMore, Head, Body, End, Bad>;

    // answersHead: the request was HEAD, so the answer has no body whatever its headers say.
    explicit HttpResponseParser(bool answersHead = false);

    // The next event from input, the bytes received and not yet consumed;
    // consumed tells how many of them it used. Pass the unconsumed bytes again,
    // with more after them, when it asks for more. After End, nothing more is read.
    Event next(QByteArrayView input, qsizetype &consumed);

    // The connection was closed after everything passed to next: End when the
    // body runs to the close or has ended, Bad when the answer was cut short.
    Event closed() const;

private:
    enum class State { head, noBody, length, chunked, toClose, done };

    // The index just past the empty line that ends the head, or -1.
    qsizetype headEnd(QByteArrayView input);
    // Parses a whole head; sets the framing of the body that follows.
    Event parsedHead(QByteArrayView bytes);

    bool m_answersHead;
    State m_state = State::head;
    qsizetype m_scanned = 0;
    int m_interimAnswers = 0;
    bool m_reusable = false;
    qint64 m_remaining = 0;
    HttpChunkedDecoder m_chunks{HttpChunkedDecoder::LineEnds::lenient};
};

} // namespace devnook
