#include "DevicePreviewResponse.h"

#include "DevicePreviewProxyRewriter.h"
#include "HttpProxyRequest.h"

#include <QStringDecoder>
#include <memory>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewResponse {

namespace {

// A decoded body may not grow past what the proxy would hold of any body.
constexpr qsizetype kMaxDecodedBytes = HttpRequestParser::kMaxBodyBytes;

bool named(const QByteArray &name, QByteArrayView expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

QByteArray headerValue(const RawHeaders &headers, QByteArrayView name)
{
    for (const auto &[key, value] : headers) {
        if (named(key, name))
            return value;
    }
    return {};
}

// Header lines with rewritten values; the proxy's own framing headers are
// left to the caller, and Qt's joined Set-Cookie values become separate lines.
QByteArray rewrittenHeaderLines(const RawHeaders &headers, const QList<QByteArrayView> &skipped,
                                const QList<DevicePreviewURLReplacement> &replacements)
{
    QByteArray lines;
    for (const auto &[name, value] : headers) {
        if (std::any_of(skipped.begin(), skipped.end(), [&name](QByteArrayView s) { return named(name, s); }))
            continue;
        const bool isCookie = named(name, "set-cookie");
        const QList<QByteArray> values = isCookie ? value.split('\n') : QList<QByteArray>{value};
        for (const QByteArray &one : values) {
            QString text = DevicePreviewProxyRewriter::rewritten(QString::fromUtf8(one), replacements);
            if (isCookie)
                text = DevicePreviewProxyRewriter::previewCompatibleCookie(text);
            lines += name + ": " + text.toUtf8() + "\r\n";
        }
    }
    return lines;
}

QByteArray statusLine(const Forwarded &answer)
{
    const QByteArray reason = answer.reason.isEmpty() ? "Status"_ba : answer.reason;
    return "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason + "\r\n";
}

std::optional<QString> utf8Text(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

struct InflateStream {
    z_stream stream{};
    bool initialised = false;
    ~InflateStream()
    {
        if (initialised)
            inflateEnd(&stream);
    }
};

std::optional<QByteArray> inflated(const QByteArray &body, int windowBits)
{
    InflateStream guard;
    if (inflateInit2(&guard.stream, windowBits) != Z_OK)
        return std::nullopt;
    guard.initialised = true;
    guard.stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.data()));
    guard.stream.avail_in = static_cast<uInt>(body.size());
    QByteArray out;
    char buffer[64 * 1024];
    while (true) {
        guard.stream.next_out = reinterpret_cast<Bytef *>(buffer);
        guard.stream.avail_out = sizeof buffer;
        const int result = inflate(&guard.stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END)
            return std::nullopt;
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - guard.stream.avail_out));
        if (out.size() > kMaxDecodedBytes)
            return std::nullopt;
        if (result == Z_STREAM_END)
            return out;
        if (guard.stream.avail_in == 0 && guard.stream.avail_out != 0)
            return std::nullopt; // cut short
    }
}

} // namespace

std::optional<QByteArray> decoded(const QByteArray &body, const QByteArray &contentEncoding)
{
    const QByteArray coding = contentEncoding.trimmed().toLower();
    if (coding == "gzip" || coding == "x-gzip")
        return inflated(body, 16 + MAX_WBITS);
    if (coding == "deflate") {
        // "deflate" is meant as a zlib stream, yet some servers send it raw.
        if (auto zlib = inflated(body, MAX_WBITS))
            return zlib;
        return inflated(body, -MAX_WBITS);
    }
    return std::nullopt;
}

QByteArray complete(const Forwarded &answer, const QList<DevicePreviewURLReplacement> &contentReplacements,
                    const QList<DevicePreviewURLReplacement> &originMappings)
{
    QByteArray body = answer.body;
    QList<QByteArrayView> skipped = {"content-length", "connection", "transfer-encoding", "content-encoding"};
    const QByteArray encoding = headerValue(answer.headers, "content-encoding");
    bool compressed = false;
    if (!encoding.isEmpty() && !named(encoding.trimmed(), "identity")) {
        if (std::optional<QByteArray> plain = decoded(body, encoding))
            body = *plain;
        else
            compressed = true;
    }
    if (compressed)
        skipped.removeLast(); // passed on as it came, with its coding
    else if (const std::optional<QString> text = utf8Text(body))
        body = DevicePreviewProxyRewriter::rewritten(*text, contentReplacements).toUtf8();

    const QByteArray length = answer.isHead ? headerValue(answer.headers, "content-length").trimmed()
                                            : QByteArray::number(body.size());
    QByteArray message = statusLine(answer) +
                         rewrittenHeaderLines(answer.headers, skipped, contentReplacements + originMappings);
    if (!length.isEmpty())
        message += "Content-Length: " + length + "\r\n";
    return message + "Connection: close\r\n\r\n" + body;
}

QByteArray streamedHead(const Forwarded &answer,
                        const QList<DevicePreviewURLReplacement> &contentReplacements,
                        const QList<DevicePreviewURLReplacement> &originMappings)
{
    return statusLine(answer) +
           rewrittenHeaderLines(answer.headers, {"connection", "transfer-encoding"},
                                contentReplacements + originMappings) +
           "Connection: close\r\n\r\n";
}

QByteArray error(int status, const QString &message, const QString &identifier)
{
    const QByteArray body = message.toUtf8();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Error\r\n";
    if (!identifier.isEmpty())
        head += "X-Devnook-Proxy-Error: " + identifier.toUtf8() + "\r\n";
    head += "Content-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\nConnection: close\r\n\r\n";
    return head + body;
}

QString proxyErrorIdentifier(QNetworkReply::NetworkError error, bool timedOut)
{
    if (timedOut || error == QNetworkReply::TimeoutError)
        return u"timeout"_s;
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
        return u"connection-refused"_s;
    case QNetworkReply::SslHandshakeFailedError:
        return u"secure-connection-failed"_s;
    default:
        return u"local-service-unavailable"_s;
    }
}

} // namespace devnook::DevicePreviewResponse
