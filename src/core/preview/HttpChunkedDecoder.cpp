#include "HttpChunkedDecoder.h"

#include "HttpSyntax.h"

namespace devnook {

HttpChunkedDecoder::HttpChunkedDecoder(LineEnds lineEnds, qint64 maxBodyBytes)
    : m_lineEnds(lineEnds), m_maxBodyBytes(maxBodyBytes)
{}

qsizetype HttpChunkedDecoder::lineFeed(QByteArrayView input)
{
    const qsizetype found = input.indexOf('\n', m_scanned);
    m_scanned = found < 0 ? input.size() : 0;
    return found;
}

bool HttpChunkedDecoder::takeLineEnd(QByteArrayView &line) const
{
    if (line.endsWith('\r'))
        line.chop(1);
    else if (m_lineEnds == LineEnds::strict)
        return false;
    return m_lineEnds == LineEnds::lenient || !line.contains('\r');
}

HttpChunkedDecoder::Event HttpChunkedDecoder::next(QByteArrayView input, qsizetype &consumed)
{
    consumed = 0;
    while (true) {
        const QByteArrayView rest = input.sliced(consumed);
        switch (m_state) {
        case State::sizeLine: {
            const qsizetype end = lineFeed(rest);
            if (end < 0)
                return rest.size() > kMaxSizeLineBytes ? Event(Bad{}) : Event(NeedMore{});
            QByteArrayView line = rest.first(end);
            if (!takeLineEnd(line))
                return Bad{};
            if (const qsizetype extension = line.indexOf(';'); extension >= 0)
                line = line.first(extension);
            const std::optional<qint64> size =
                HttpSyntax::parsedDigits(HttpSyntax::withoutBlanks(line), 16, 15);
            if (!size)
                return Bad{};
            // The bound is on the whole body, whatever the chunks it comes in.
            if (*size > m_maxBodyBytes - m_total)
                return Bad{413};
            consumed += end + 1;
            m_remaining = *size;
            m_state = *size == 0 ? State::trailer : State::data;
            break;
        }
        case State::data: {
            if (rest.isEmpty())
                return NeedMore{};
            const qsizetype taken = static_cast<qsizetype>(std::min<qint64>(m_remaining, rest.size()));
            consumed += taken;
            m_remaining -= taken;
            m_total += taken;
            if (m_remaining == 0)
                m_state = State::dataEnd;
            return Data{rest.first(taken)};
        }
        case State::dataEnd: {
            if (rest.startsWith("\r\n") || (m_lineEnds == LineEnds::lenient && rest.startsWith('\n'))) {
                consumed += rest.startsWith('\n') ? 1 : 2;
                m_state = State::sizeLine;
                break;
            }
            return rest.isEmpty() || rest == "\r" ? Event(NeedMore{}) : Event(Bad{});
        }
        case State::trailer: {
            // Trailer lines until an empty one; their content is dropped.
            const qsizetype end = lineFeed(rest);
            if (end < 0)
                return m_trailerBytes + rest.size() > kMaxTrailerBytes ? Event(Bad{431}) : Event(NeedMore{});
            QByteArrayView line = rest.first(end);
            if (!takeLineEnd(line))
                return Bad{};
            consumed += end + 1;
            m_trailerBytes += end + 1;
            if (m_trailerBytes > kMaxTrailerBytes)
                return Bad{431};
            if (line.isEmpty())
                m_state = State::done;
            break;
        }
        case State::done:
            return Done{};
        }
    }
}

} // namespace devnook
