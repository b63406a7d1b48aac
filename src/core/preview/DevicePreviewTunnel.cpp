#include "DevicePreviewTunnel.h"

#include "DevicePreviewResponse.h"
#include "HttpProxyRequest.h"

#include <QSslSocket>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;
// Reading a side stops while the other has this much left to write.
constexpr qint64 kMaxPendingWriteBytes = 64 * 1024;

} // namespace

DevicePreviewTunnel::DevicePreviewTunnel(QTcpSocket *device, const HttpProxyRequest &request,
                                         const QUrl &targetURL, DevicePreviewRelay &relay, QObject *parent)
    : QObject(parent), m_device(device), m_upstream(new QSslSocket(this)), m_relay(relay),
      m_secure(targetURL.scheme().compare(u"https", Qt::CaseInsensitive) == 0)
{
    m_device->setParent(this);
    m_device->setReadBufferSize(kChunkBytes);
    m_upstream->setReadBufferSize(kChunkBytes);
    connect(m_device, &QTcpSocket::disconnected, this, &DevicePreviewTunnel::close);

    const int port = targetURL.port(m_secure ? 443 : 80);
    if (targetURL.host().isEmpty() || port <= 0 || port > 65535) {
        m_device->write(DevicePreviewResponse::error(400, u"Invalid WebSocket destination"_s));
        m_device->disconnectFromHost();
        return;
    }
    m_replay = request.forwardedWebSocketRequest(targetURL.host(), port);
    connect(m_upstream, &QSslSocket::disconnected, this, &DevicePreviewTunnel::close);
    connect(m_upstream, &QSslSocket::errorOccurred, this, &DevicePreviewTunnel::close);
    if (m_secure) {
        // A dev server's certificate is its own; it is accepted as forwarding does.
        m_upstream->setPeerVerifyMode(QSslSocket::VerifyNone);
        connect(m_upstream, &QSslSocket::encrypted, this, &DevicePreviewTunnel::upstreamReady);
        m_upstream->connectToHostEncrypted(targetURL.host(), static_cast<quint16>(port));
    } else {
        connect(m_upstream, &QSslSocket::connected, this, &DevicePreviewTunnel::upstreamReady);
        m_upstream->connectToHost(targetURL.host(), static_cast<quint16>(port));
    }
}

DevicePreviewTunnel::~DevicePreviewTunnel()
{
    if (m_pair)
        m_relay.remove(m_pair);
}

void DevicePreviewTunnel::upstreamReady()
{
    // Messages are small and many: each goes out as it comes.
    m_device->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_upstream->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!m_secure) {
        relayPlainSockets();
        return;
    }
    m_open = true;
    m_upstream->write(std::exchange(m_replay, {}));
    connect(m_device, &QTcpSocket::readyRead, this, [this] { pump(m_device, m_upstream); });
    connect(m_upstream, &QTcpSocket::readyRead, this, [this] { pump(m_upstream, m_device); });
    connect(m_upstream, &QTcpSocket::bytesWritten, this, [this] { pump(m_device, m_upstream); });
    connect(m_device, &QTcpSocket::bytesWritten, this, [this] { pump(m_upstream, m_device); });
    pump(m_device, m_upstream);
    pump(m_upstream, m_device);
}

void DevicePreviewTunnel::relayPlainSockets()
{
    // Bytes Qt has already taken from the device follow the replayed head.
    QByteArray toUpstream = std::exchange(m_replay, {}) + m_device->readAll();
    // Duplicates keep both connections open once Qt's sockets let go of theirs.
    const int device = ::dup(static_cast<int>(m_device->socketDescriptor()));
    const int upstream = ::dup(static_cast<int>(m_upstream->socketDescriptor()));
    for (QTcpSocket *socket : {static_cast<QTcpSocket *>(m_device), static_cast<QTcpSocket *>(m_upstream)}) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
    }
    if (device < 0 || upstream < 0) {
        for (const int fd : {device, upstream}) {
            if (fd >= 0)
                ::close(fd);
        }
        deleteLater();
        return;
    }
    // Called on a relay thread; deleteLater is safe from there.
    m_pair = m_relay.add(device, upstream, std::move(toUpstream), [this] { deleteLater(); });
}

void DevicePreviewTunnel::pump(QTcpSocket *from, QTcpSocket *to)
{
    while (to->bytesToWrite() < kMaxPendingWriteBytes && from->bytesAvailable() > 0) {
        to->write(from->read(kChunkBytes));
        // Sent now rather than on the next turn of the event loop: messages
        // are small and many. Copying stops only while bytes still wait, so a
        // bytesWritten is still to come (Qt emits none from within its own).
        if (to->state() == QAbstractSocket::ConnectedState)
            to->flush();
    }
}

void DevicePreviewTunnel::close()
{
    // What one side sent before closing still reaches the other.
    if (m_open) {
        m_open = false;
        pump(m_device, m_upstream);
        pump(m_upstream, m_device);
    }
    m_device->disconnectFromHost();
    m_upstream->disconnectFromHost();
    if (m_device->state() == QAbstractSocket::UnconnectedState &&
        m_upstream->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}

} // namespace devnook
