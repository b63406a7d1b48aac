#include "HttpProxyRequest.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr QByteArrayView kLineEnd = "\r\n";
constexpr QByteArrayView kHeadEnd = "\r\n\r\n";
// A chunk-size line longer than this is not a chunk size.
constexpr qsizetype kMaxChunkLineBytes = 4096;
// Chunk framing may add overhead, but not without bound.
constexpr qsizetype kMaxChunkedBytes = 2 * HttpRequestParser::kMaxBodyBytes;

using HttpRequestParser::BadRequest;
using HttpRequestParser::Incomplete;

bool isTokenChar(char c)
{
    static constexpr QByteArrayView kSymbols = "!#$%&'*+-.^_`|~";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || kSymbols.contains(c);
}

bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

// A CR that is not followed by LF, or an LF that does not follow a CR; a CR
// at the very end may still get its LF.
bool hasBareLineBreak(QByteArrayView data)
{
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r'))
            return true;
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] != '\n')
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

std::optional<qint64> parsedDigits(QByteArrayView text, int base, qsizetype maxDigits)
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

struct Head {
    HttpProxyRequest request;
    std::optional<qint64> contentLength;
    bool chunked = false;
};

std::variant<Head, BadRequest> parsedHead(QByteArrayView bytes)
{
    const std::optional<QString> text = decodedUtf8(bytes);
    if (!text || text->contains(QChar(0)))
        return BadRequest{};
    const QStringList lines = text->split(u"\r\n"_s);
    const QStringList requestLine = lines.first().split(u' ', Qt::SkipEmptyParts);
    if (requestLine.size() < 2 || !isToken(requestLine.first().toLatin1()))
        return BadRequest{};

    Head head;
    head.request.method = requestLine.at(0);
    // Runs of spaces count as one separator; the protocol version is not used.
    head.request.path = requestLine.at(1);
    int contentLengthCount = 0;
    bool hasTransferEncoding = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype colon = line.indexOf(u':');
        // No colon, a space before it or a folded line: not a header.
        if (colon < 0 || !isToken(QStringView(line).first(colon).toLatin1()))
            return BadRequest{};
        const QString name = line.first(colon);
        QStringView value = QStringView(line).sliced(colon + 1);
        while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t'))
            value = value.sliced(1);
        while (!value.isEmpty() && (value.back() == u' ' || value.back() == u'\t'))
            value.chop(1);

        if (name.compare(u"content-length", Qt::CaseInsensitive) == 0) {
            ++contentLengthCount;
            head.contentLength = parsedDigits(value.toLatin1(), 10, 18);
            if (!head.contentLength)
                return BadRequest{};
        } else if (name.compare(u"transfer-encoding", Qt::CaseInsensitive) == 0) {
            hasTransferEncoding = true;
            if (value.compare(u"chunked", Qt::CaseInsensitive) != 0)
                return BadRequest{501};
            head.chunked = true;
        }
        auto existing = std::find_if(head.request.headers.begin(), head.request.headers.end(),
                                     [&name](const auto &header) { return header.first == name; });
        if (existing != head.request.headers.end())
            existing->second = value.toString();
        else
            head.request.headers.append({name, value.toString()});
    }
    // Two framings, or two lengths, are how requests get smuggled past a server.
    if (contentLengthCount > 1 || (contentLengthCount == 1 && hasTransferEncoding))
        return BadRequest{};
    if (head.contentLength && *head.contentLength > HttpRequestParser::kMaxBodyBytes)
        return BadRequest{413};
    return head;
}

// Decodes a chunked body starting at the front of data; the decoded body and
// the bytes it took.
using Chunks = std::variant<Incomplete, BadRequest, std::pair<QByteArray, qsizetype>>;

Chunks decodedChunks(QByteArrayView data)
{
    QList<QByteArrayView> chunks;
    qsizetype total = 0;
    qsizetype pos = 0;
    while (true) {
        if (pos > kMaxChunkedBytes)
            return BadRequest{413};
        const qsizetype lineEnd = data.indexOf(kLineEnd, pos);
        if (lineEnd < 0)
            return data.size() - pos > kMaxChunkLineBytes ? Chunks(BadRequest{}) : Chunks(Incomplete{});
        QByteArrayView sizeText = data.sliced(pos, lineEnd - pos);
        if (const qsizetype extension = sizeText.indexOf(';'); extension >= 0)
            sizeText = sizeText.first(extension);
        const std::optional<qint64> size = parsedDigits(sizeText.trimmed(), 16, 15);
        if (!size)
            return BadRequest{};
        pos = lineEnd + kLineEnd.size();
        if (*size == 0)
            break;
        if (total + *size > HttpRequestParser::kMaxBodyBytes)
            return BadRequest{413};
        if (data.size() < pos + *size + kLineEnd.size())
            return Incomplete{};
        if (data.sliced(pos + *size, kLineEnd.size()) != kLineEnd)
            return BadRequest{};
        chunks.append(data.sliced(pos, *size));
        total += *size;
        pos += *size + kLineEnd.size();
    }
    // Trailer fields follow the last chunk; they are read and dropped.
    qsizetype end = -1;
    if (data.sliced(pos).startsWith(kLineEnd))
        end = pos + kLineEnd.size();
    else if (const qsizetype trailerEnd = data.indexOf(kHeadEnd, pos); trailerEnd >= 0)
        end = trailerEnd + kHeadEnd.size();
    if (end < 0)
        return data.size() - pos > HttpRequestParser::kMaxHeadBytes ? Chunks(BadRequest{431})
                                                                    : Chunks(Incomplete{});
    if (hasBareLineBreak(data.sliced(pos, end - pos)))
        return BadRequest{};
    QByteArray body;
    body.reserve(total);
    for (const QByteArrayView chunk : chunks)
        body.append(chunk);
    return std::pair{body, end};
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

HttpRequestParser::Result HttpRequestParser::parse(QByteArrayView data)
{
    const qsizetype headEnd = data.indexOf(kHeadEnd);
    const QByteArrayView headBytes = headEnd < 0 ? data : data.first(headEnd);
    // A client that ends lines with LF alone would otherwise wait for ever.
    if (hasBareLineBreak(headBytes))
        return BadRequest{};
    if ((headEnd < 0 ? data.size() : headEnd + kHeadEnd.size()) > kMaxHeadBytes)
        return BadRequest{431};
    if (headEnd < 0)
        return Incomplete{};

    auto parsed = parsedHead(headBytes);
    if (const auto *bad = std::get_if<BadRequest>(&parsed))
        return *bad;
    Head &head = std::get<Head>(parsed);
    const QByteArrayView rest = data.sliced(headEnd + kHeadEnd.size());
    if (head.chunked) {
        auto decoded = decodedChunks(rest);
        if (const auto *bad = std::get_if<BadRequest>(&decoded))
            return *bad;
        if (std::holds_alternative<Incomplete>(decoded))
            return Incomplete{};
        auto &[body, used] = std::get<std::pair<QByteArray, qsizetype>>(decoded);
        head.request.body = std::move(body);
        head.request.trailingData = rest.sliced(used).toByteArray();
        return head.request;
    }
    const qsizetype length = head.contentLength.value_or(0);
    if (rest.size() < length)
        return Incomplete{};
    head.request.body = rest.first(length).toByteArray();
    head.request.trailingData = rest.sliced(length).toByteArray();
    return head.request;
}

} // namespace devnook
