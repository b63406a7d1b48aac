#include "DevicePreviewResponse.h"

#include "DevicePreviewProxyRewriter.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewResponse {

namespace {

bool named(QByteArrayView name, QByteArrayView expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

QByteArray rewrittenValue(const QByteArray &value, const QList<DevicePreviewURLReplacement> &replacements)
{
    // Every origin starts "scheme://", plainly or JSON-escaped; most values have neither.
    if (replacements.isEmpty() || (!value.contains("://") && !value.contains(":\\/\\/")))
        return value;
    return DevicePreviewProxyRewriter::rewritten(QString::fromUtf8(value), replacements).toUtf8();
}

} // namespace

QByteArray reasonPhrase(int status)
{
    static const QHash<int, QByteArray> phrases = {
        {100, "Continue"},
        {101, "Switching Protocols"},
        {102, "Processing"},
        {103, "Early Hints"},
        {200, "OK"},
        {201, "Created"},
        {202, "Accepted"},
        {203, "Non-Authoritative Information"},
        {204, "No Content"},
        {205, "Reset Content"},
        {206, "Partial Content"},
        {207, "Multi-Status"},
        {208, "Already Reported"},
        {226, "IM Used"},
        {300, "Multiple Choices"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {305, "Use Proxy"},
        {307, "Temporary Redirect"},
        {308, "Permanent Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {402, "Payment Required"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {406, "Not Acceptable"},
        {407, "Proxy Authentication Required"},
        {408, "Request Timeout"},
        {409, "Conflict"},
        {410, "Gone"},
        {411, "Length Required"},
        {412, "Precondition Failed"},
        {413, "Content Too Large"},
        {414, "URI Too Long"},
        {415, "Unsupported Media Type"},
        {416, "Range Not Satisfiable"},
        {417, "Expectation Failed"},
        {418, "I'm a teapot"},
        {421, "Misdirected Request"},
        {422, "Unprocessable Content"},
        {423, "Locked"},
        {424, "Failed Dependency"},
        {425, "Too Early"},
        {426, "Upgrade Required"},
        {428, "Precondition Required"},
        {429, "Too Many Requests"},
        {431, "Request Header Fields Too Large"},
        {451, "Unavailable For Legal Reasons"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
        {505, "HTTP Version Not Supported"},
        {506, "Variant Also Negotiates"},
        {507, "Insufficient Storage"},
        {508, "Loop Detected"},
        {510, "Not Extended"},
        {511, "Network Authentication Required"},
    };
    return phrases.value(status);
}

QByteArray head(const HttpResponseHead &answer, const QList<QByteArrayView> &dropped,
                const QList<DevicePreviewURLReplacement> &replacements, std::optional<qint64> contentLength,
                bool chunked)
{
    QByteArray text = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' +
                      (answer.reason.isEmpty() ? reasonPhrase(answer.status) : answer.reason) + "\r\n";
    // Headers that describe this connection only; the proxy frames its own.
    QList<QByteArrayView> skipped = answer.tokens("connection");
    skipped += {"connection", "keep-alive", "transfer-encoding"};
    skipped += dropped;
    for (const auto &[name, value] : answer.headers) {
        if (std::any_of(skipped.begin(), skipped.end(), [&name](QByteArrayView d) { return named(name, d); }))
            continue;
        QByteArray rewritten = rewrittenValue(value, replacements);
        if (named(name, "set-cookie"))
            rewritten =
                DevicePreviewProxyRewriter::previewCompatibleCookie(QString::fromUtf8(rewritten)).toUtf8();
        text += name + ": " + rewritten + "\r\n";
    }
    if (contentLength)
        text += "Content-Length: " + QByteArray::number(*contentLength) + "\r\n";
    if (chunked)
        text += "Transfer-Encoding: chunked\r\n";
    return text + "Connection: close\r\n\r\n";
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

QString requestErrorMessage(int status)
{
    switch (status) {
    case 413:
        return u"The request body is larger than the preview accepts"_s;
    case 431:
        return u"The request head is larger than the preview accepts"_s;
    case 501:
        return u"The request body uses a transfer coding the preview does not know"_s;
    default:
        return u"The request is not well-formed HTTP/1.1"_s;
    }
}

QString proxyErrorIdentifier(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::RemoteHostClosedError:
        return u"connection-refused"_s;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return u"secure-connection-failed"_s;
    default:
        return u"local-service-unavailable"_s;
    }
}

} // namespace devnook::DevicePreviewResponse
