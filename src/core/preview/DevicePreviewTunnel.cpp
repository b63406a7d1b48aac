#include "DevicePreviewTunnel.h"

#include "DevicePreviewDeviceSocket.h"
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

DevicePreviewTunnel::DevicePreviewTunnel(DevicePreviewDeviceSocket *device, const HttpProxyRequest &request,
                                         const QUrl &targetURL, DevicePreviewRelay &relay, QObject *parent)
    : QObject(parent), m_device(device), m_upstream(new QSslSocket(this)), m_relay(relay),
      m_secure(targetURL.scheme().compare(u"https", Qt::CaseInsensitive) == 0)
{
    m_device->setParent(this);
    m_upstream->setReadBufferSize(kChunkBytes);
    connect(m_device, &DevicePreviewDeviceSocket::closed, this, &DevicePreviewTunnel::close);

    const int port = targetURL.port(m_secure ? 443 : 80);
    if (targetURL.host().isEmpty() || port <= 0 || port > 65535) {
        m_device->write(DevicePreviewResponse::error(400, u"Invalid WebSocket destination"_s));
        m_device->finish();
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
    m_upstream->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!m_secure) {
        relayPlainSockets();
        return;
    }
    m_open = true;
    m_upstream->write(std::exchange(m_replay, {}));
    connect(m_device, &DevicePreviewDeviceSocket::readyRead, this, &DevicePreviewTunnel::pumpToUpstream);
    connect(m_upstream, &QTcpSocket::readyRead, this, &DevicePreviewTunnel::pumpToDevice);
    connect(m_upstream, &QTcpSocket::bytesWritten, this, &DevicePreviewTunnel::pumpToUpstream);
    // Told from within Qt's own sending, where closing the socket is not safe.
    connect(m_upstream, &QSslSocket::encryptedBytesWritten, this, &DevicePreviewTunnel::pumpToUpstream,
            Qt::QueuedConnection);
    connect(m_device, &DevicePreviewDeviceSocket::bytesWritten, this, &DevicePreviewTunnel::pumpToDevice);
    pumpToUpstream();
    pumpToDevice();
}

void DevicePreviewTunnel::relayPlainSockets()
{
    // What the device sent that was not read yet waits for the relay; so does the end of its stream.
    const int device = m_device->take();
    // A duplicate keeps the connection open once Qt's socket lets go of its own.
    const int upstream = ::dup(static_cast<int>(m_upstream->socketDescriptor()));
    disconnect(m_upstream, nullptr, this, nullptr);
    m_upstream->abort();
    if (device < 0 || upstream < 0) {
        for (const int fd : {device, upstream}) {
            if (fd >= 0)
                ::close(fd);
        }
        deleteLater();
        return;
    }
    // Called on a relay thread; deleteLater is safe from there.
    m_pair = m_relay.add(device, upstream, std::exchange(m_replay, {}), [this] { deleteLater(); });
}

void DevicePreviewTunnel::pumpToUpstream()
{
    // What is written is encrypted at once: it waits as encrypted bytes.
    while (m_upstream->bytesToWrite() + m_upstream->encryptedBytesToWrite() < kMaxPendingWriteBytes) {
        const QByteArray bytes = m_device->read(kChunkBytes);
        if (bytes.isEmpty())
            break;
        m_upstream->write(bytes);
        // Sent now rather than on the next turn of the event loop: messages
        // are small and many. Copying stops only while bytes still wait, so a
        // bytesWritten is still to come (Qt emits none from within its own).
        if (m_upstream->state() == QAbstractSocket::ConnectedState)
            m_upstream->flush();
    }
    // The dev server gets the rest, then the end of the stream.
    if (m_device->inputEnded())
        m_upstream->disconnectFromHost();
}

void DevicePreviewTunnel::pumpToDevice()
{
    while (m_device->bytesToWrite() < kMaxPendingWriteBytes && m_upstream->bytesAvailable() > 0)
        m_device->write(m_upstream->read(kChunkBytes));
}

void DevicePreviewTunnel::close()
{
    // What one side sent before closing still reaches the other.
    if (m_open) {
        m_open = false;
        pumpToUpstream();
        pumpToDevice();
    }
    m_device->finish();
    // With the device gone, what waits for a dev server that may never read
    // has no one to wait for.
    if (m_device->descriptor() < 0)
        m_upstream->abort();
    else
        m_upstream->disconnectFromHost();
    if (m_device->descriptor() < 0 && m_upstream->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}

} // namespace devnook
