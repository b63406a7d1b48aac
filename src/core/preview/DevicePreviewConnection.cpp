#include "DevicePreviewConnection.h"

#include "DevicePreviewOrigins.h"
#include "DevicePreviewProxyRewriter.h"
#include "DevicePreviewProxyWorker.h"
#include "DevicePreviewResponse.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// What a device socket buffers from the kernel.
constexpr qint64 kReadBufferBytes = 256 * 1024;
// Output that may wait for the device before reading from the dev server pauses.
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

// Methods that may be sent twice without harm.
bool isIdempotent(const QString &method)
{
    static const QStringList idempotent = {u"GET"_s,   u"HEAD"_s, u"OPTIONS"_s,
                                           u"TRACE"_s, u"PUT"_s,  u"DELETE"_s};
    return idempotent.contains(method);
}

// The request as the dev server gets it: origin-form target, the local
// origin as Host, the device's headers with LAN origins made local, an
// uncompressed answer asked for, and the body with its length.
QByteArray upstreamRequest(const HttpProxyRequest &request, const QUrl &destination,
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
    text += "Accept-Encoding: identity\r\n";
    // A body the device framed keeps a length, an empty one included.
    if (!request.body.isEmpty() || !request.header(u"content-length").isNull() ||
        !request.header(u"transfer-encoding").isNull())
        text += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    return text + "\r\n" + request.body;
}

} // namespace

DevicePreviewConnection::DevicePreviewConnection(QTcpSocket *socket, DevicePreviewProxyWorker &worker)
    : QObject(&worker), m_socket(socket), m_worker(worker), m_since(ProxyClock::now()), m_lastTaken(m_since)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QIODevice::readyRead, this, &DevicePreviewConnection::readRequest);
    connect(m_socket, &QAbstractSocket::disconnected, this, [this] {
        // Nothing more of the answer is wanted.
        if (m_upstream)
            m_upstream->cancel();
        deleteLater();
    });
    connect(m_socket, &QIODevice::bytesWritten, this, &DevicePreviewConnection::written);
    m_worker.watch(this);
    readRequest();
}

DevicePreviewConnection::~DevicePreviewConnection()
{
    m_worker.unwatch(this);
}

void DevicePreviewConnection::checkTimers(ProxyClock::time_point now)
{
    if (!m_socket)
        return; // handed to a tunnel
    const DevicePreviewProxyLimits &limits = m_worker.limits();
    // A device that trickles its head (slowloris), or stalls its body or its reading.
    if ((m_phase == Phase::head && now - m_since > limits.headTimeout) ||
        (m_phase == Phase::body && now - m_since > limits.idleTimeout) ||
        (m_socket->bytesToWrite() > 0 && now - m_lastTaken > limits.idleTimeout)) {
        cutOff();
        return;
    }
    if (m_phase != Phase::answer || !m_upstream || (m_answer && m_answer->isUnmodifiedStream()))
        return;
    // A stream may stay quiet for as long as it likes; anything else has a time limit.
    if (const std::optional<ProxyClock::time_point> since = m_upstream->waitingSince();
        since && now - *since > limits.upstreamTimeout) {
        m_upstream->cancel();
        answerFailed(u"timeout"_s);
    }
}

void DevicePreviewConnection::readRequest()
{
    const HttpRequestParser::Result result = m_parser.feed(m_socket->readAll());
    if (std::holds_alternative<HttpRequestParser::Incomplete>(result)) {
        // Once the head is in, the body may take as long as it keeps coming.
        if (m_parser.headComplete()) {
            m_phase = Phase::body;
            m_since = ProxyClock::now();
        }
        return;
    }
    disconnect(m_socket, &QIODevice::readyRead, this, &DevicePreviewConnection::readRequest);
    m_phase = Phase::answer;
    if (const auto *bad = std::get_if<HttpRequestParser::BadRequest>(&result)) {
        finish(DevicePreviewResponse::error(bad->status,
                                            DevicePreviewResponse::requestErrorMessage(bad->status)));
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
    m_asked = {request.method == u"HEAD", request.acceptsChunked()};
    m_upstream = std::make_unique<DevicePreviewUpstream>(
        m_worker.upstreamPool(), upstreamRequest(request, *destination, m_worker.originMappings()),
        m_asked.head, isIdempotent(request.method), *this);
}

void DevicePreviewConnection::answerHead(HttpResponseHead head)
{
    DevicePreviewAnswer::Rules rules = m_worker.answerRules();
    m_hold = m_worker.holdBudget().take(
        DevicePreviewAnswer::heldAtMost(head, m_asked, m_worker.limits().collectBytes));
    rules.collectBytes = m_hold.bytes();
    m_answer.emplace(std::move(head), m_asked, std::move(rules));
    send(m_answer->start());
}

void DevicePreviewConnection::answerBody(QByteArrayView bytes)
{
    send(m_answer->body(bytes));
    if (m_answer->isBroken())
        cutOff();
    else if (m_socket->bytesToWrite() > kMaxPendingWriteBytes)
        m_upstream->setPaused(true);
}

void DevicePreviewConnection::answerEnd()
{
    const QByteArray rest = m_answer->end();
    if (m_answer->isBroken())
        cutOff();
    else
        finish(rest);
}

void DevicePreviewConnection::answerFailed(const QString &identifier)
{
    if (m_answer && m_answer->headSent())
        cutOff();
    else
        finish(DevicePreviewResponse::error(502, u"Local service did not respond"_s, identifier));
}

void DevicePreviewConnection::written()
{
    m_lastTaken = ProxyClock::now();
    releaseAnswerHold();
    if (m_upstream && m_socket->bytesToWrite() <= kMaxPendingWriteBytes)
        m_upstream->setPaused(false);
}

void DevicePreviewConnection::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_socket->bytesToWrite() == 0)
        m_lastTaken = ProxyClock::now();
    m_socket->write(bytes);
    m_socket->flush();
    releaseAnswerHold();
}

void DevicePreviewConnection::releaseAnswerHold()
{
    // What was collected is held until the kernel has taken it; a stream
    // holds no more than a little of its own.
    if (m_answer && m_answer->headSent() && m_socket->bytesToWrite() == 0)
        m_hold.release();
}

void DevicePreviewConnection::finish(const QByteArray &bytes)
{
    m_phase = Phase::closing;
    send(bytes);
    m_socket->disconnectFromHost();
}

void DevicePreviewConnection::cutOff()
{
    m_phase = Phase::closing;
    if (m_upstream)
        m_upstream->cancel();
    m_socket->abort();
    deleteLater();
}

} // namespace devnook
