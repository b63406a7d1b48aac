#include "DevicePreviewTunnel.h"

#include "DevicePreviewResponse.h"
#include "HttpProxyRequest.h"

#include <QSslSocket>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;
// Reading a side stops while the other has this much left to write.
constexpr qint64 kMaxPendingWriteBytes = 64 * 1024;

} // namespace

DevicePreviewTunnel::DevicePreviewTunnel(QTcpSocket *device, const HttpProxyRequest &request,
                                         const QUrl &targetURL, QObject *parent)
    : QObject(parent), m_device(device), m_upstream(new QSslSocket(this))
{
    m_device->setParent(this);
    m_device->setReadBufferSize(kChunkBytes);
    m_upstream->setReadBufferSize(kChunkBytes);
    connect(m_device, &QTcpSocket::disconnected, this, &DevicePreviewTunnel::close);

    const bool secure = targetURL.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
    const int port = targetURL.port(secure ? 443 : 80);
    if (targetURL.host().isEmpty() || port <= 0 || port > 65535) {
        m_device->write(DevicePreviewResponse::error(400, u"Invalid WebSocket destination"_s));
        m_device->disconnectFromHost();
        return;
    }
    m_replay = request.forwardedWebSocketRequest(targetURL.host(), port);
    connect(m_upstream, &QSslSocket::disconnected, this, &DevicePreviewTunnel::close);
    connect(m_upstream, &QSslSocket::errorOccurred, this, &DevicePreviewTunnel::close);
    if (secure) {
        // A dev server's certificate is its own; it is accepted as forwarding does.
        m_upstream->setPeerVerifyMode(QSslSocket::VerifyNone);
        connect(m_upstream, &QSslSocket::encrypted, this, &DevicePreviewTunnel::upstreamReady);
        m_upstream->connectToHostEncrypted(targetURL.host(), static_cast<quint16>(port));
    } else {
        connect(m_upstream, &QSslSocket::connected, this, &DevicePreviewTunnel::upstreamReady);
        m_upstream->connectToHost(targetURL.host(), static_cast<quint16>(port));
    }
}

void DevicePreviewTunnel::upstreamReady()
{
    m_open = true;
    m_upstream->write(std::exchange(m_replay, {}));
    connect(m_device, &QTcpSocket::readyRead, this, [this] { pump(m_device, m_upstream); });
    connect(m_upstream, &QTcpSocket::readyRead, this, [this] { pump(m_upstream, m_device); });
    connect(m_upstream, &QTcpSocket::bytesWritten, this, [this] { pump(m_device, m_upstream); });
    connect(m_device, &QTcpSocket::bytesWritten, this, [this] { pump(m_upstream, m_device); });
    pump(m_device, m_upstream);
    pump(m_upstream, m_device);
}

void DevicePreviewTunnel::pump(QTcpSocket *from, QTcpSocket *to)
{
    while (to->bytesToWrite() < kMaxPendingWriteBytes && from->bytesAvailable() > 0)
        to->write(from->read(kChunkBytes));
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
