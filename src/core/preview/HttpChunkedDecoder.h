#pragma once

#include <QByteArrayView>
#include <limits>
#include <variant>

namespace devnook {

// Removes the chunked transfer coding from a body as its bytes arrive: each
// byte is looked at once, however the body is cut into reads. Chunk
// extensions and trailer fields are read and dropped.
class HttpChunkedDecoder {
public:
    // A chunk-size line longer than this is not a chunk size.
    static constexpr qsizetype kMaxSizeLineBytes = 4096;
    // Trailer fields beyond this are refused like an oversized head.
    static constexpr qsizetype kMaxTrailerBytes = 64 * 1024;

    enum class LineEnds {
        // Every line ends with CR LF; a bare CR or LF is malformed.
        strict,
        // A bare LF ends a line too (tolerated from a dev server).
        lenient,
    };

    // More bytes are needed.
    struct NeedMore {};
    // Body bytes, a view into the input.
    struct Data {
        QByteArrayView bytes;
    };
    // The last chunk and the trailer have been read.
    struct Done {};
    // The coding is broken: 400, or 413 when the body passes the bound, or
    // 431 when the trailer does.
    struct Bad {
        int status = 400;
    };
    using Event = std::variant<NeedMore, Data, Done, Bad>;

    // The whole decoded body may not pass maxBodyBytes.
    explicit HttpChunkedDecoder(LineEnds lineEnds = LineEnds::strict,
                                qint64 maxBodyBytes = std::numeric_limits<qint64>::max());

    // The next event from input, the bytes received and not yet consumed;
    // consumed tells how many of them it used. Pass the unconsumed bytes again,
    // with more after them, when it asks for more.
    Event next(QByteArrayView input, qsizetype &consumed);

private:
    enum class State { sizeLine, data, dataEnd, trailer, done };

    // The end of the line that starts input, from where the last call stopped
    // looking: the index of its LF, or -1.
    qsizetype lineFeed(QByteArrayView input);
    // Whether the line (without its LF) ends as it must; the CR is dropped.
    bool takeLineEnd(QByteArrayView &line) const;

    LineEnds m_lineEnds;
    qint64 m_maxBodyBytes;
    State m_state = State::sizeLine;
    qint64 m_remaining = 0;
    qint64 m_total = 0;
    qsizetype m_scanned = 0;
    qsizetype m_trailerBytes = 0;
};

} // namespace devnook
