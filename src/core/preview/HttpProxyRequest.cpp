#include "HttpProxyRequest.h"

#include "HttpSyntax.h"

#include <QHash>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr QByteArrayView kHeadEnd = "\r\n\r\n";

// A CR that is not followed by LF, or an LF that does not follow a CR, at
// `from` or after; a CR at the very end may still get its LF unless the head
// is complete.
bool hasBareLineBreak(QByteArrayView data, qsizetype from, bool complete)
{
    for (qsizetype i = from; i < data.size(); ++i) {
        if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r'))
            return true;
        if (data[i] == '\r' && (i + 1 < data.size() ? data[i + 1] != '\n' : complete))
            return true;
    }
    return false;
}

std::optional<QString> decodedUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isToken(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 128 && HttpSyntax::isTokenChar(static_cast<char>(c.unicode()));
    });
}

} // namespace

QString HttpProxyRequest::header(QStringView name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool HttpProxyRequest::isWebSocketUpgrade() const
{
    return std::any_of(headers.begin(), headers.end(), [](const auto &header) {
        return header.first.compare(u"upgrade", Qt::CaseInsensitive) == 0 &&
               header.second.compare(u"websocket", Qt::CaseInsensitive) == 0;
    });
}

QByteArray HttpProxyRequest::forwardedWebSocketRequest(const QString &host, int port) const
{
    const QString hostLine = u"Host: "_s + host + u':' + QString::number(port) + u"\r\n";
    QString head = method + u' ' + path + u" HTTP/1.1\r\n";
    bool hostWritten = false;
    for (const auto &[name, value] : headers) {
        if (name.compare(u"host", Qt::CaseInsensitive) == 0) {
            if (!hostWritten)
                head += hostLine;
            hostWritten = true;
        } else if (name.compare(u"content-length", Qt::CaseInsensitive) != 0 &&
                   name.compare(u"transfer-encoding", Qt::CaseInsensitive) != 0) {
            // The body is not replayed, so no header may announce one.
            head += name + u": " + value + u"\r\n";
        }
    }
    if (!hostWritten)
        head += hostLine;
    return (head + u"\r\n").toUtf8() + trailingData;
}

std::variant<HttpRequestParser::Head, HttpRequestParser::BadRequest>
HttpRequestParser::parsedHead(QByteArrayView bytes)
{
    const std::optional<QString> text = decodedUtf8(bytes);
    if (!text || text->contains(QChar(0)))
        return BadRequest{};
    const QStringList lines = text->split(u"\r\n"_s);
    if (lines.size() - 1 > kMaxHeaderLines)
        return BadRequest{431};
    const QStringList requestLine = lines.first().split(u' ', Qt::SkipEmptyParts);
    if (requestLine.size() < 2 || !isToken(requestLine.first()))
        return BadRequest{};

    Head head;
    head.request.method = requestLine.at(0);
    // Runs of spaces count as one separator.
    head.request.path = requestLine.at(1);
    head.request.protocol = requestLine.value(2);
    int contentLengthCount = 0;
    bool hasTransferEncoding = false;
    QHash<QString, qsizetype> indexByName;
    indexByName.reserve(lines.size());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype colon = line.indexOf(u':');
        // No colon, a space before it or a folded line: not a header.
        if (colon < 0 || !isToken(QStringView(line).first(colon)))
            return BadRequest{};
        const QString name = line.first(colon);
        QStringView value = QStringView(line).sliced(colon + 1);
        while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t'))
            value = value.sliced(1);
        while (!value.isEmpty() && (value.back() == u' ' || value.back() == u'\t'))
            value.chop(1);

        if (name.compare(u"content-length", Qt::CaseInsensitive) == 0) {
            ++contentLengthCount;
            const std::optional<qint64> length = HttpSyntax::parsedDigits(value.toLatin1(), 10, 18);
            if (!length)
                return BadRequest{};
            head.contentLength = *length;
            head.framing = Framing::length;
        } else if (name.compare(u"transfer-encoding", Qt::CaseInsensitive) == 0) {
            hasTransferEncoding = true;
            if (value.compare(u"chunked", Qt::CaseInsensitive) != 0)
                return BadRequest{501};
            head.framing = Framing::chunked;
        }
        if (const auto existing = indexByName.constFind(name); existing != indexByName.cend()) {
            head.request.headers[*existing].second = value.toString();
        } else {
            indexByName.insert(name, head.request.headers.size());
            head.request.headers.append({name, value.toString()});
        }
    }
    // Two framings, or two lengths, are how requests get smuggled past a server.
    if (contentLengthCount > 1 || (contentLengthCount == 1 && hasTransferEncoding))
        return BadRequest{};
    if (head.contentLength > kMaxBodyBytes)
        return BadRequest{413};
    return head;
}

HttpRequestParser::Event HttpRequestParser::nextHead(QByteArrayView input, qsizetype &consumed)
{
    // Only the bytes that arrived since the last look are searched.
    const qsizetype headEnd = input.indexOf(kHeadEnd, std::max<qsizetype>(0, m_scanned - 3));
    const QByteArrayView headBytes = headEnd < 0 ? input : input.first(headEnd);
    // A client that ends lines with LF alone would otherwise wait for ever.
    if (hasBareLineBreak(headBytes, std::max<qsizetype>(0, m_scanned - 1), headEnd >= 0))
        return BadRequest{};
    if ((headEnd < 0 ? input.size() : headEnd + kHeadEnd.size()) > kMaxHeadBytes)
        return BadRequest{431};
    if (headEnd < 0) {
        m_scanned = input.size();
        return Incomplete{};
    }
    auto parsed = parsedHead(headBytes);
    if (const auto *bad = std::get_if<BadRequest>(&parsed))
        return *bad;
    Head &head = std::get<Head>(parsed);
    consumed = headEnd + kHeadEnd.size();
    m_scanned = 0;
    m_remaining = head.contentLength;
    m_state = head.framing == Framing::chunked ? State::chunked : State::length;
    return std::move(head);
}

HttpRequestParser::Event HttpRequestParser::next(QByteArrayView input, qsizetype &consumed)
{
    consumed = 0;
    switch (m_state) {
    case State::head:
        return nextHead(input, consumed);
    case State::length: {
        if (m_remaining == 0) {
            m_state = State::done;
            return End{};
        }
        if (input.isEmpty())
            return Incomplete{};
        consumed = static_cast<qsizetype>(std::min<qint64>(m_remaining, input.size()));
        m_remaining -= consumed;
        return Body{input.first(consumed)};
    }
    case State::chunked: {
        const HttpChunkedDecoder::Event event = m_chunks.next(input, consumed);
        if (const auto *data = std::get_if<HttpChunkedDecoder::Data>(&event))
            return Body{data->bytes};
        if (std::holds_alternative<HttpChunkedDecoder::NeedMore>(event))
            return Incomplete{};
        if (const auto *bad = std::get_if<HttpChunkedDecoder::Bad>(&event))
            return BadRequest{bad->status};
        m_state = State::done;
        return End{};
    }
    case State::done:
        break;
    }
    return End{};
}

HttpRequestParser::Result HttpRequestParser::parse(QByteArrayView data)
{
    HttpRequestParser parser;
    return parser.feed(data);
}

HttpRequestParser::Result HttpRequestParser::feed(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    qsizetype position = 0;
    while (true) {
        qsizetype used = 0;
        Event event = next(QByteArrayView(m_buffer).sliced(position), used);
        position += used;
        if (auto *head = std::get_if<Head>(&event)) {
            m_request = std::move(head->request);
        } else if (const auto *body = std::get_if<Body>(&event)) {
            m_request.body.append(body->bytes);
        } else if (std::holds_alternative<Incomplete>(event)) {
            m_buffer.remove(0, position);
            return Incomplete{};
        } else if (const auto *bad = std::get_if<BadRequest>(&event)) {
            return *bad;
        } else {
            m_request.trailingData = m_buffer.sliced(position);
            return std::move(m_request);
        }
    }
}

} // namespace devnook
