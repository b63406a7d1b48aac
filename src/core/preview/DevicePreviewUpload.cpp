#include "DevicePreviewUpload.h"

#include "DevicePreviewProxyRewriter.h"
#include "HttpSyntax.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Headers for this hop only, which must not reach the dev server, and those
// the proxy sets itself.
bool isDroppedRequestHeader(const QString &name, const QStringList &connectionTokens)
{
    static const QStringList dropped = {u"host"_s,
                                        u"connection"_s,
                                        u"content-length"_s,
                                        u"accept-encoding"_s,
                                        u"keep-alive"_s,
                                        u"proxy-connection"_s,
                                        u"te"_s,
                                        u"trailer"_s,
                                        u"transfer-encoding"_s,
                                        u"upgrade"_s};
    const QString lower = name.toLower();
    return dropped.contains(lower) || connectionTokens.contains(lower);
}

QStringList connectionTokens(const HttpProxyRequest &request)
{
    QStringList tokens;
    for (const auto &[name, value] : request.headers) {
        if (name.compare(u"connection", Qt::CaseInsensitive) == 0) {
            for (const QString &token : value.split(u',', Qt::SkipEmptyParts))
                tokens.append(token.trimmed().toLower());
        }
    }
    return tokens;
}

// The request as the dev server gets it, up to its framing: origin-form
// target, the local origin as Host, the device's headers with LAN origins
// made local, and an uncompressed answer asked for.
QByteArray upstreamHead(const HttpProxyRequest &request, const QUrl &destination,
                        const QList<DevicePreviewURLReplacement> &originMappings)
{
    QByteArray target = destination.path(QUrl::FullyEncoded).toUtf8();
    if (target.isEmpty())
        target = "/";
    if (destination.hasQuery())
        target += '?' + destination.query(QUrl::FullyEncoded).toUtf8();
    QByteArray text = request.method.toUtf8() + ' ' + target +
                      " HTTP/1.1\r\nHost: " + destination.authority(QUrl::FullyEncoded).toUtf8() + "\r\n";
    const QStringList tokens = connectionTokens(request);
    for (const auto &[name, value] : request.headers) {
        if (!isDroppedRequestHeader(name, tokens))
            text += name.toUtf8() + ": " +
                    DevicePreviewProxyRewriter::toLocal(value, originMappings).toUtf8() + "\r\n";
    }
    return text + "Accept-Encoding: identity\r\n";
}

QByteArray lengthHeader(qint64 length)
{
    return "Content-Length: " + QByteArray::number(length) + "\r\n";
}

} // namespace

DevicePreviewUpload::DevicePreviewUpload(const HttpProxyRequest &request, HttpRequestParser::Framing framing,
                                         qint64 contentLength, const QUrl &destination,
                                         const QList<DevicePreviewURLReplacement> &originMappings,
                                         qint64 holdBytes)
    : m_head(upstreamHead(request, destination, originMappings)),
      m_mode(framing == HttpRequestParser::Framing::chunked ? Mode::holding : Mode::passing),
      m_holdBytes(holdBytes)
{
    if (framing == HttpRequestParser::Framing::length)
        m_length = contentLength;
}

QByteArray DevicePreviewUpload::headWith(const QByteArray &framingHeader)
{
    return std::exchange(m_head, QByteArray()) + framingHeader + "\r\n";
}

QByteArray DevicePreviewUpload::start()
{
    if (m_mode != Mode::passing)
        return {};
    // A body the device framed keeps a length, an empty one included.
    return headWith(m_length ? lengthHeader(*m_length) : QByteArray());
}

QByteArray DevicePreviewUpload::body(QByteArrayView bytes)
{
    switch (m_mode) {
    case Mode::passing:
        return bytes.toByteArray();
    case Mode::chunking:
        return HttpSyntax::chunk(bytes);
    case Mode::holding:
        break;
    }
    m_held.append(bytes);
    if (m_held.size() <= m_holdBytes)
        return {};
    m_mode = Mode::chunking;
    return headWith("Transfer-Encoding: chunked\r\n") +
           HttpSyntax::chunk(std::exchange(m_held, QByteArray()));
}

QByteArray DevicePreviewUpload::end()
{
    switch (m_mode) {
    case Mode::passing:
        return {};
    case Mode::chunking:
        return HttpSyntax::kLastChunk.toByteArray();
    case Mode::holding:
        break;
    }
    m_mode = Mode::passing;
    m_length = m_held.size();
    return headWith(lengthHeader(*m_length)) + std::exchange(m_held, QByteArray());
}

} // namespace devnook
