#include "DevicePreviewConnection.h"

#include "DevicePreviewOrigins.h"
#include "DevicePreviewProxyRewriter.h"
#include "DevicePreviewProxyWorker.h"
#include "HttpProxyRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Bytes held per direction: what a socket buffers from the kernel, and what
// may wait to be written before reading pauses.
constexpr qint64 kReadBufferBytes = 256 * 1024;
constexpr qint64 kMaxPendingWriteBytes = 64 * 1024;

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

bool isEventStream(const QNetworkReply &reply)
{
    return reply.header(QNetworkRequest::ContentTypeHeader)
        .toString()
        .trimmed()
        .startsWith(u"text/event-stream", Qt::CaseInsensitive);
}

// Qt reports an HTTP status of 400 or more as an error; those are answers too.
bool isHttpAnswer(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError ||
           (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

} // namespace

DevicePreviewConnection::DevicePreviewConnection(QTcpSocket *socket, DevicePreviewProxyWorker &worker)
    : QObject(&worker), m_socket(socket), m_worker(worker)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    connect(m_socket, &QTcpSocket::readyRead, this, &DevicePreviewConnection::readRequest);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &DevicePreviewConnection::pumpStream);
    // A device that trickles its head (slowloris) is cut off.
    m_headTimer.setSingleShot(true);
    connect(&m_headTimer, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    m_headTimer.start(worker.limits().headTimeout);
    m_upstreamTimer.setSingleShot(true);
    connect(&m_upstreamTimer, &QTimer::timeout, this, &DevicePreviewConnection::upstreamTimedOut);
    readRequest();
}

void DevicePreviewConnection::readRequest()
{
    m_received += m_socket->readAll();
    HttpRequestParser::Result result = HttpRequestParser::parse(m_received);
    if (std::holds_alternative<HttpRequestParser::Incomplete>(result))
        return;
    m_headTimer.stop();
    disconnect(m_socket, &QTcpSocket::readyRead, this, &DevicePreviewConnection::readRequest);
    m_received.clear();
    if (const auto *bad = std::get_if<HttpRequestParser::BadRequest>(&result)) {
        finish(DevicePreviewResponse::error(bad->status, u"Bad request"_s));
        return;
    }
    forward(std::get<HttpProxyRequest>(result));
}

void DevicePreviewConnection::forward(const HttpProxyRequest &request)
{
    if (request.isWebSocketUpgrade()) {
        disconnect(m_socket, nullptr, this, nullptr);
        m_worker.tunnel(std::exchange(m_socket, nullptr), request);
        deleteLater();
        return;
    }
    const std::optional<QUrl> destination =
        DevicePreviewOrigins::destinationURL(request.path, m_worker.targetURL());
    if (!destination) {
        finish(DevicePreviewResponse::error(400, u"Invalid preview URL"_s));
        return;
    }
    QNetworkRequest outgoing(*destination);
    outgoing.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    outgoing.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    outgoing.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    outgoing.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    outgoing.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // The dev server's own certificate is accepted, self-signed ones included.
    if (destination->scheme() == u"https") {
        QSslConfiguration tls = outgoing.sslConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        outgoing.setSslConfiguration(tls);
    }
    const QStringList tokens = connectionTokens(request);
    for (const auto &[name, value] : request.headers) {
        if (!isDroppedRequestHeader(name, tokens))
            outgoing.setRawHeader(
                name.toUtf8(),
                DevicePreviewProxyRewriter::toLocal(value, m_worker.originMappings()).toUtf8());
    }
    outgoing.setRawHeader("Accept-Encoding", "identity");

    m_answer.isHead = request.method == u"HEAD";
    QNetworkAccessManager &network = m_worker.network();
    if (m_answer.isHead)
        m_reply = network.head(outgoing);
    else if (request.method == u"GET" && request.body.isEmpty())
        m_reply = network.get(outgoing);
    else
        m_reply = network.sendCustomRequest(outgoing, request.method.toUtf8(), request.body);
    m_reply->setParent(this);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &DevicePreviewConnection::answerReceived);
    connect(m_reply, &QNetworkReply::readyRead, this, &DevicePreviewConnection::bodyReceived);
    connect(m_reply, &QNetworkReply::finished, this, &DevicePreviewConnection::replyFinished);
    m_upstreamTimer.start(m_worker.limits().upstreamTimeout);
}

void DevicePreviewConnection::answerReceived()
{
    m_upstreamTimer.start(m_worker.limits().upstreamTimeout);
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (!m_answer.isHead && m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
        (isEventStream(*m_reply) || (length.isValid() && length.toLongLong() > m_worker.limits().rewriteCap)))
        startStreaming();
}

void DevicePreviewConnection::bodyReceived()
{
    if (m_streaming) {
        pumpStream();
        return;
    }
    m_upstreamTimer.start(m_worker.limits().upstreamTimeout);
    m_answer.body += m_reply->readAll();
    if (m_answer.body.size() > m_worker.limits().rewriteCap)
        startStreaming();
}

void DevicePreviewConnection::startStreaming()
{
    m_streaming = true;
    // A stream may stay quiet for as long as it likes.
    m_upstreamTimer.stop();
    m_reply->setReadBufferSize(kReadBufferBytes);
    m_answer.status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_answer.reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    m_answer.headers = m_reply->rawHeaderPairs();
    m_socket->write(DevicePreviewResponse::streamedHead(m_answer, m_worker.contentReplacements(),
                                                        m_worker.originMappings()));
    m_socket->write(std::exchange(m_answer.body, {}));
    pumpStream();
}

void DevicePreviewConnection::pumpStream()
{
    if (!m_streaming || !m_reply)
        return;
    // Reading the dev server pauses while the device is behind.
    while (m_socket->bytesToWrite() < kMaxPendingWriteBytes && m_reply->bytesAvailable() > 0)
        m_socket->write(m_reply->read(kMaxPendingWriteBytes));
    if (m_reply->isFinished() && m_reply->bytesAvailable() == 0)
        finish({});
}

void DevicePreviewConnection::upstreamTimedOut()
{
    m_timedOut = true;
    m_reply->abort();
}

void DevicePreviewConnection::replyFinished()
{
    m_upstreamTimer.stop();
    if (m_streaming) {
        pumpStream();
        return;
    }
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && !m_timedOut && isHttpAnswer(m_reply->error())) {
        m_answer.status = status.toInt();
        m_answer.reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
        m_answer.headers = m_reply->rawHeaderPairs();
        m_answer.body += m_reply->readAll();
        finish(DevicePreviewResponse::complete(m_answer, m_worker.contentReplacements(),
                                               m_worker.originMappings()));
        return;
    }
    finish(DevicePreviewResponse::error(
        502, u"Local service did not respond"_s,
        DevicePreviewResponse::proxyErrorIdentifier(m_reply->error(), m_timedOut)));
}

void DevicePreviewConnection::finish(const QByteArray &bytes)
{
    m_streaming = false;
    m_socket->write(bytes);
    m_socket->disconnectFromHost();
}

} // namespace devnook
