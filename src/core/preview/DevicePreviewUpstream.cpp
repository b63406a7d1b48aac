#include "DevicePreviewUpstream.h"

#include "DevicePreviewResponse.h"

#include <QScopedValueRollback>
#include <QSslSocket>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// What Qt reads ahead from the dev server; beyond it TCP holds the dev server back.
constexpr qint64 kReadBufferBytes = 64 * 1024;

bool canFlush(QTcpSocket *socket)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return false;
    const auto *tls = qobject_cast<QSslSocket *>(socket);
    return !tls || tls->isEncrypted();
}

} // namespace

DevicePreviewUpstreamPool::DevicePreviewUpstreamPool(const QUrl &origin, QObject *parent)
    : QObject(parent), m_host(origin.host()),
      m_secure(origin.scheme().compare(u"https", Qt::CaseInsensitive) == 0),
      m_port(static_cast<quint16>(origin.port(m_secure ? 443 : 80)))
{}

QTcpSocket *DevicePreviewUpstreamPool::take(bool mayReuse, bool &reused)
{
    while (mayReuse && !m_idle.isEmpty()) {
        // The connection used last is the one most likely still open.
        QTcpSocket *socket = m_idle.takeLast().socket;
        disconnect(socket, nullptr, this, nullptr);
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0) {
            socket->setParent(nullptr);
            reused = true;
            return socket;
        }
        delete socket;
    }
    reused = false;
    QTcpSocket *socket = nullptr;
    if (m_secure) {
        auto *tls = new QSslSocket;
        // A dev server's certificate is its own, self-signed ones included.
        tls->setPeerVerifyMode(QSslSocket::VerifyNone);
        tls->connectToHostEncrypted(m_host, m_port);
        socket = tls;
    } else {
        socket = new QTcpSocket;
        socket->connectToHost(m_host, m_port);
    }
    socket->setReadBufferSize(kReadBufferBytes);
    // Requests and answers are written whole; nothing is gained by waiting.
    connect(socket, &QAbstractSocket::connected, socket,
            [socket] { socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    return socket;
}

void DevicePreviewUpstreamPool::giveBack(QTcpSocket *socket)
{
    if (m_idle.size() >= kMaxIdle) {
        socket->deleteLater();
        return;
    }
    socket->setParent(this);
    // Closed by the dev server, or talking out of turn: of no further use.
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] { drop(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] { drop(socket); });
    connect(socket, &QIODevice::readyRead, this, [this, socket] { drop(socket); });
    m_idle.append({socket, ProxyClock::now()});
}

void DevicePreviewUpstreamPool::drop(QTcpSocket *socket)
{
    const auto found = std::find_if(m_idle.begin(), m_idle.end(),
                                    [socket](const Idle &idle) { return idle.socket == socket; });
    if (found == m_idle.end())
        return;
    m_idle.erase(found);
    disconnect(socket, nullptr, this, nullptr);
    socket->deleteLater();
}

void DevicePreviewUpstreamPool::closeIdleSince(ProxyClock::time_point oldest)
{
    while (!m_idle.isEmpty() && m_idle.first().since < oldest)
        delete m_idle.takeFirst().socket;
}

void DevicePreviewUpstreamPool::clear()
{
    while (!m_idle.isEmpty())
        delete m_idle.takeFirst().socket;
}

DevicePreviewUpstream::DevicePreviewUpstream(DevicePreviewUpstreamPool &pool, bool answersHead,
                                             std::optional<DevicePreviewHoldBudget::Hold> retryHold,
                                             Receiver &receiver)
    : m_pool(pool), m_receiver(receiver), m_parser(answersHead), m_retryHold(std::move(retryHold))
{
    connectTo(m_pool.take(m_retryHold.has_value(), m_reused));
}

DevicePreviewUpstream::~DevicePreviewUpstream()
{
    closeSocket();
}

void DevicePreviewUpstream::connectTo(QTcpSocket *socket)
{
    m_socket = socket;
    socket->setParent(this);
    connect(socket, &QIODevice::readyRead, this, &DevicePreviewUpstream::process);
    connect(socket, &QAbstractSocket::errorOccurred, this, &DevicePreviewUpstream::socketFailed);
    connect(socket, &QIODevice::bytesWritten, this, &DevicePreviewUpstream::progressed);
    if (auto *tls = qobject_cast<QSslSocket *>(socket))
        connect(tls, &QSslSocket::encryptedBytesWritten, this, &DevicePreviewUpstream::progressed);
    m_lastProgress = ProxyClock::now();
    // A request sent again goes out as it went the first time.
    if (!m_sent.isEmpty())
        socket->write(m_sent);
}

void DevicePreviewUpstream::send(QByteArrayView bytes)
{
    if (!m_socket || bytes.isEmpty())
        return;
    // The dev server is waited for from the moment it has something to take.
    if (pendingRequestBytes() == 0)
        m_lastProgress = ProxyClock::now();
    if (m_retryHold)
        m_sent.append(bytes);
    // Written at once on an open connection, or as soon as a new one is.
    m_socket->write(bytes.data(), bytes.size());
    if (canFlush(m_socket))
        m_socket->flush();
}

void DevicePreviewUpstream::endRequest()
{
    if (pendingRequestBytes() == 0)
        m_lastProgress = ProxyClock::now();
    m_requestEnded = true;
}

qint64 DevicePreviewUpstream::pendingRequestBytes() const
{
    if (!m_socket)
        return 0;
    const auto *tls = qobject_cast<const QSslSocket *>(m_socket.data());
    // Read from the buffer itself: until it is connected, a TLS socket tells
    // of none of the bytes it holds for its handshake to end.
    return m_socket->QIODevice::bytesToWrite() + (tls ? tls->encryptedBytesToWrite() : 0);
}

bool DevicePreviewUpstream::takesMore() const
{
    return m_socket && !m_done && pendingRequestBytes() < kMaxPendingRequestBytes;
}

void DevicePreviewUpstream::progressed()
{
    m_lastProgress = ProxyClock::now();
    if (!m_requestEnded && takesMore())
        m_receiver.requestTaken();
}

void DevicePreviewUpstream::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (!paused) {
        // The wait for the dev server starts again from here.
        m_lastProgress = ProxyClock::now();
        process();
    }
}

std::optional<ProxyClock::time_point> DevicePreviewUpstream::waitingSince() const
{
    if (m_done || m_paused || (!m_requestEnded && pendingRequestBytes() == 0))
        return std::nullopt;
    return m_lastProgress;
}

void DevicePreviewUpstream::cancel()
{
    m_done = true;
    closeSocket();
}

void DevicePreviewUpstream::process()
{
    // A receiver that resumes reading from inside a call is served by the loop below.
    if (m_processing)
        return;
    const QScopedValueRollback processing(m_processing, true);
    while (!m_paused && !m_done && m_socket) {
        if (m_needMore) {
            if (m_socket->bytesAvailable() == 0)
                break;
            m_input.remove(0, m_position);
            m_position = 0;
            m_input += m_socket->readAll();
            m_needMore = false;
            m_lastProgress = ProxyClock::now();
            if (!m_answered) {
                // Once the answer has begun, the request is never sent again.
                m_answered = true;
                m_sent = QByteArray();
                m_retryHold.reset();
            }
        }
        qsizetype used = 0;
        HttpResponseParser::Event event = m_parser.next(QByteArrayView(m_input).sliced(m_position), used);
        m_position += used;
        if (std::holds_alternative<HttpResponseParser::NeedMore>(event)) {
            m_needMore = true;
        } else if (auto *head = std::get_if<HttpResponseParser::Head>(&event)) {
            m_receiver.answerHead(std::move(head->head));
        } else if (const auto *body = std::get_if<HttpResponseParser::Body>(&event)) {
            m_receiver.answerBody(body->bytes);
        } else if (const auto *end = std::get_if<HttpResponseParser::End>(&event)) {
            finished(end->reusable);
        } else {
            failed(u"local-service-unavailable"_s);
        }
    }
    // Everything the dev server sent before it closed has been read.
    if (m_closedByServer && !m_paused && !m_done && m_socket && m_socket->bytesAvailable() == 0 && m_needMore)
        serverClosed();
}

void DevicePreviewUpstream::serverClosed()
{
    if (std::holds_alternative<HttpResponseParser::End>(m_parser.closed())) {
        finished(false);
    } else if (m_reused && !m_answered) {
        // An idle connection the dev server had closed: once more on a new one.
        closeSocket();
        m_closedByServer = false;
        m_reused = false;
        connectTo(m_pool.take(false, m_reused));
    } else {
        failed(u"connection-refused"_s);
    }
}

void DevicePreviewUpstream::socketFailed(QAbstractSocket::SocketError error)
{
    if (m_done)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        m_closedByServer = true;
        process();
        return;
    }
    failed(DevicePreviewResponse::proxyErrorIdentifier(error));
}

void DevicePreviewUpstream::finished(bool reusable)
{
    m_done = true;
    QTcpSocket *socket = m_socket;
    disconnect(socket, nullptr, this, nullptr);
    m_socket = nullptr;
    // Bytes beyond the answer would be taken for the next one, and a request
    // not sent whole would be finished by it: such a connection is not kept.
    if (reusable && m_requestEnded && !m_closedByServer && m_position == m_input.size() &&
        socket->bytesAvailable() == 0 && socket->bytesToWrite() == 0 &&
        socket->state() == QAbstractSocket::ConnectedState)
        m_pool.giveBack(socket);
    else
        socket->deleteLater();
    m_receiver.answerEnd();
}

void DevicePreviewUpstream::failed(const QString &identifier)
{
    m_done = true;
    closeSocket();
    m_receiver.answerFailed(identifier);
}

void DevicePreviewUpstream::closeSocket()
{
    if (!m_socket)
        return;
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->deleteLater();
    m_socket = nullptr;
}

} // namespace devnook
