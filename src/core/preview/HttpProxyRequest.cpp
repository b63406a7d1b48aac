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
    // Runs of spaces count as one separator; the protocol version is not used.
    head.request.path = requestLine.at(1);
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
        } else if (name.compare(u"transfer-encoding", Qt::CaseInsensitive) == 0) {
            hasTransferEncoding = true;
            if (value.compare(u"chunked", Qt::CaseInsensitive) != 0)
                return BadRequest{501};
            head.chunked = true;
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

HttpRequestParser::Result HttpRequestParser::parse(QByteArrayView data)
{
    HttpRequestParser parser;
    return parser.feed(data);
}

HttpRequestParser::Result HttpRequestParser::feed(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    return m_head ? feedBody() : feedHead();
}

HttpRequestParser::Result HttpRequestParser::feedHead()
{
    // Only the bytes that arrived since the last look are searched.
    const qsizetype headEnd = m_buffer.indexOf(kHeadEnd, std::max<qsizetype>(0, m_scanned - 3));
    const QByteArrayView headBytes =
        headEnd < 0 ? QByteArrayView(m_buffer) : QByteArrayView(m_buffer).first(headEnd);
    // A client that ends lines with LF alone would otherwise wait for ever.
    if (hasBareLineBreak(headBytes, std::max<qsizetype>(0, m_scanned - 1), headEnd >= 0))
        return BadRequest{};
    if ((headEnd < 0 ? m_buffer.size() : headEnd + kHeadEnd.size()) > kMaxHeadBytes)
        return BadRequest{431};
    if (headEnd < 0) {
        m_scanned = m_buffer.size();
        return Incomplete{};
    }
    auto parsed = parsedHead(headBytes);
    if (const auto *bad = std::get_if<BadRequest>(&parsed))
        return *bad;
    m_head = std::move(std::get<Head>(parsed));
    m_buffer.remove(0, headEnd + kHeadEnd.size());
    return feedBody();
}

HttpRequestParser::Result HttpRequestParser::feedBody()
{
    HttpProxyRequest &request = m_head->request;
    if (!m_head->chunked) {
        if (m_buffer.size() < m_head->contentLength)
            return Incomplete{};
        const qsizetype length = static_cast<qsizetype>(m_head->contentLength);
        request.trailingData = m_buffer.sliced(length);
        m_buffer.truncate(length);
        request.body = std::move(m_buffer);
        return std::move(request);
    }
    qsizetype position = 0;
    while (true) {
        qsizetype used = 0;
        const HttpChunkedDecoder::Event event =
            m_chunks.next(QByteArrayView(m_buffer).sliced(position), used);
        position += used;
        if (const auto *data = std::get_if<HttpChunkedDecoder::Data>(&event)) {
            request.body.append(data->bytes);
        } else if (std::holds_alternative<HttpChunkedDecoder::NeedMore>(event)) {
            m_buffer.remove(0, position);
            return Incomplete{};
        } else if (const auto *bad = std::get_if<HttpChunkedDecoder::Bad>(&event)) {
            return BadRequest{bad->status};
        } else {
            request.trailingData = m_buffer.sliced(position);
            return std::move(request);
        }
    }
}

} // namespace devnook
