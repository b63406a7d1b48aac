#include "DevicePreviewConnection.h"

#include "DevicePreviewDeviceSocket.h"
#include "DevicePreviewOrigins.h"
#include "DevicePreviewProxyWorker.h"
#include "DevicePreviewResponse.h"

#include <QScopedValueRollback>
#include <netinet/in.h>
#include <netinet/tcp.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// What is read from a device at a time.
constexpr qint64 kReadBytes = 64 * 1024;
// Output that may wait for the device before reading from the dev server pauses.
constexpr qint64 kMaxPendingWriteBytes = 64 * 1024;
// What the system may hold unsent for a device. It then tells of each little
// the device takes, where a send buffer grown to megabytes would tell only
// once a third of it had drained: a device reading slowly on would seem idle.
constexpr int kMaxUnsentBytes = 64 * 1024;

// Methods that may be sent twice without harm.
bool isIdempotent(const QString &method)
{
    static const QStringList idempotent = {u"GET"_s,   u"HEAD"_s, u"OPTIONS"_s,
                                           u"TRACE"_s, u"PUT"_s,  u"DELETE"_s};
    return idempotent.contains(method);
}

} // namespace

DevicePreviewConnection::DevicePreviewConnection(int fd, QHostAddress address,
                                                 DevicePreviewProxyWorker &worker)
    : QObject(&worker), m_socket(new DevicePreviewDeviceSocket(fd, worker.limits().lingerTime, this)),
      m_address(std::move(address)), m_worker(worker), m_since(ProxyClock::now()), m_lastTaken(m_since)
{
    ::setsockopt(fd, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &kMaxUnsentBytes, sizeof kMaxUnsentBytes);
    connect(m_socket, &DevicePreviewDeviceSocket::readyRead, this, &DevicePreviewConnection::readRequest);
    connect(m_socket, &DevicePreviewDeviceSocket::closed, this, [this] {
        // Reset, or closed once answered: nothing more of the answer is wanted.
        if (m_upstream)
            m_upstream->cancel();
        deleteLater();
    });
    connect(m_socket, &DevicePreviewDeviceSocket::bytesWritten, this, &DevicePreviewConnection::written);
    connect(m_socket, &DevicePreviewDeviceSocket::endReceived, this, [this] {
        if (streamsToNoOne())
            cutOff();
    });
    m_worker.watch(this);
    readRequest();
}

DevicePreviewConnection::~DevicePreviewConnection()
{
    m_worker.unwatch(this);
}

std::optional<ProxyClock::time_point> DevicePreviewConnection::answeredSince() const
{
    return m_socket ? m_socket->lingeringSince() : std::nullopt;
}

std::optional<ProxyClock::time_point> DevicePreviewConnection::waitingOnDeviceSince() const
{
    return m_socket && m_socket->bytesToWrite() > 0 ? std::optional(m_lastTaken) : std::nullopt;
}

void DevicePreviewConnection::checkTimers(ProxyClock::time_point now)
{
    if (!m_socket)
        return; // handed to a tunnel
    const DevicePreviewProxyLimits &limits = m_worker.limits();
    // A device that trickles its head (slowloris), or stalls its body or its reading.
    if ((m_phase == Phase::head && now - m_since > limits.headTimeout) ||
        (m_phase == Phase::body && takesRequestBytes() && now - m_since > limits.idleTimeout) ||
        (m_socket->bytesToWrite() > 0 && now - m_lastTaken > limits.idleTimeout)) {
        cutOff();
        return;
    }
    if (m_phase == Phase::closing || !m_upstream || (m_answer && m_answer->isUnmodifiedStream()))
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
    // Sending on may let the dev server take more at once; the loop below goes on then.
    if (m_reading)
        return;
    const QScopedValueRollback reading(m_reading, true);
    while (m_phase == Phase::head || m_phase == Phase::body) {
        if (m_needMore) {
            // The device is read only as fast as the dev server takes its body.
            if (!takesRequestBytes()) {
                m_heldBack = true;
                break;
            }
            const QByteArray bytes = m_socket->read(kReadBytes);
            if (bytes.isEmpty()) {
                // Ended before the whole request: there is nothing to answer.
                if (m_socket->inputEnded())
                    cutOff();
                break;
            }
            m_input.remove(0, m_position);
            m_position = 0;
            m_input += bytes;
            m_needMore = false;
            if (m_phase == Phase::body)
                m_since = ProxyClock::now();
        }
        qsizetype used = 0;
        HttpRequestParser::Event event = m_parser.next(QByteArrayView(m_input).sliced(m_position), used);
        m_position += used;
        if (std::holds_alternative<HttpRequestParser::Incomplete>(event)) {
            m_needMore = true;
        } else if (auto *head = std::get_if<HttpRequestParser::Head>(&event)) {
            requestHead(std::move(*head));
        } else if (const auto *body = std::get_if<HttpRequestParser::Body>(&event)) {
            if (m_upload)
                forward(m_upload->body(body->bytes));
        } else if (std::holds_alternative<HttpRequestParser::End>(event)) {
            requestEnd();
        } else {
            requestFailed(std::get<HttpRequestParser::BadRequest>(event).status);
        }
    }
}

bool DevicePreviewConnection::takesRequestBytes() const
{
    switch (m_phase) {
    case Phase::head:
        return true;
    case Phase::body:
        // A body read past, or a chunked one held before anything is sent, is taken as it comes.
        return !m_upstream || m_upstream->takesMore();
    case Phase::done:
    case Phase::closing:
        break;
    }
    return false;
}

void DevicePreviewConnection::requestHead(HttpRequestParser::Head head)
{
    // Once the head is in, the body may take as long as it keeps coming.
    m_phase = Phase::body;
    m_since = ProxyClock::now();
    HttpProxyRequest &request = head.request;
    if (request.isWebSocketUpgrade()) {
        m_upgrade = std::move(request);
        return;
    }
    const std::optional<QUrl> destination =
        DevicePreviewOrigins::destinationURL(request.path, m_worker.targetURL());
    if (!destination) {
        finish(DevicePreviewResponse::error(400, u"Invalid preview URL"_s));
        return;
    }
    m_framing = head.framing;
    m_idempotent = isIdempotent(request.method);
    m_asked = {request.method == u"HEAD", request.acceptsChunked()};
    const DevicePreviewProxyLimits &limits = m_worker.limits();
    if (m_framing == HttpRequestParser::Framing::chunked)
        m_hold = m_worker.holdBudget().take(limits.collectBytes);
    m_upload.emplace(request, m_framing, head.contentLength, *destination, m_worker.originMappings(),
                     m_hold.bytes());
    forward(m_upload->start());
}

void DevicePreviewConnection::requestEnd()
{
    m_phase = Phase::done;
    if (m_upgrade) {
        // What the device sent after the head and its body are a WebSocket's first frames.
        m_upgrade->trailingData = m_input.sliced(m_position);
        disconnect(m_socket, nullptr, this, nullptr);
        m_worker.tunnel(std::exchange(m_socket, nullptr), *m_upgrade, m_address);
        deleteLater();
        return;
    }
    // Whatever comes after the request is not read, but a reset is noticed.
    m_socket->discardInput();
    forward(m_upload->end());
    m_upstream->endRequest();
}

void DevicePreviewConnection::requestFailed(int status)
{
    if (m_upstream)
        m_upstream->cancel();
    if (m_answer && m_answer->headSent())
        cutOff();
    else
        finish(DevicePreviewResponse::error(status, DevicePreviewResponse::requestErrorMessage(status)));
}

void DevicePreviewConnection::forward(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!m_upstream) {
        // A request may go on a kept-alive connection only if it can be sent
        // again: it may be, and its body is short enough to be held meanwhile.
        m_hold.release();
        std::optional<qint64> bodyLength = m_upload->length();
        if (m_framing == HttpRequestParser::Framing::none)
            bodyLength = 0;
        std::optional<DevicePreviewHoldBudget::Hold> retryHold;
        if (m_idempotent && bodyLength && *bodyLength <= m_worker.limits().collectBytes)
            retryHold = m_worker.holdBudget().takeAll(*bodyLength);
        m_upstream = std::make_unique<DevicePreviewUpstream>(m_worker.upstreamPool(), m_asked.head,
                                                             std::move(retryHold), *this);
    }
    m_upstream->send(bytes);
}

void DevicePreviewConnection::requestTaken()
{
    if (m_phase != Phase::body)
        return;
    // A device held back has not been silent: its time starts again from here.
    if (std::exchange(m_heldBack, false))
        m_since = ProxyClock::now();
    readRequest();
}

void DevicePreviewConnection::answerHead(HttpResponseHead head)
{
    DevicePreviewAnswer::Rules rules = m_worker.answerRules();
    m_hold = m_worker.holdBudget().take(DevicePreviewAnswer::heldAtMost(head, m_asked, rules.collectBytes));
    rules.collectBytes = m_hold.bytes();
    m_answer.emplace(std::move(head), m_asked, std::move(rules));
    if (streamsToNoOne())
        cutOff();
    else
        send(m_answer->start());
}

bool DevicePreviewConnection::streamsToNoOne() const
{
    // An event stream never ends by itself, and may stay quiet for good: a
    // device that ends its side of one (a browser closing an EventSource, or
    // leaving the page) has gone, though nothing would tell so before the
    // dev server next writes. Any other answer, or a stream that has ended,
    // is still wanted.
    return m_phase != Phase::closing && m_answer && m_answer->isUnmodifiedStream() && m_socket &&
           m_socket->inputEnded();
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
    m_socket->finish();
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
