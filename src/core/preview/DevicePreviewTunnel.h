#pragma once

#include "DevicePreviewRelay.h"

#include <QObject>
#include <QUrl>

class QSslSocket;

namespace devnook {

class DevicePreviewDeviceSocket;
struct HttpProxyRequest;

// A WebSocket between a device and the dev server: the upgrade request is
// replayed on a new connection to the local origin (TLS for https, accepting
// a development certificate), then bytes are copied both ways unread, by the
// proxy's relay for a plain connection. When either side ends its stream,
// the other gets what was sent before it, then the end, and both are closed;
// deleting the tunnel closes both at once.
class DevicePreviewTunnel : public QObject {
    Q_OBJECT

public:
    // Takes the device socket. A target without host or usable port gets
    // 400 "Invalid WebSocket destination".
    DevicePreviewTunnel(DevicePreviewDeviceSocket *device, const HttpProxyRequest &request,
                        const QUrl &targetURL, DevicePreviewRelay &relay, QObject *parent);
    ~DevicePreviewTunnel() override;

private:
    void upstreamReady();
    // Hands both plain sockets to the relay; the sockets here are let go.
    void relayPlainSockets();
    // Copy what one side has while the other is not too far behind.
    void pumpToUpstream();
    void pumpToDevice();
    void close();

    DevicePreviewDeviceSocket *m_device;
    QSslSocket *m_upstream;
    DevicePreviewRelay &m_relay;
    DevicePreviewRelay::Pair *m_pair = nullptr;
    QByteArray m_replay;
    bool m_secure = false;
    bool m_open = false;
};

} // namespace devnook
