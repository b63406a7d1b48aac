#pragma once

#include "DevicePreviewRelay.h"

#include <QObject>
#include <QUrl>

class QSslSocket;
class QTcpSocket;

namespace devnook {

struct HttpProxyRequest;

// A WebSocket between a device and the dev server: the upgrade request is
// replayed on a new connection to the local origin (TLS for https, accepting
// a development certificate), then bytes are copied both ways unread, by the
// proxy's relay for a plain connection. Closing either side closes both;
// deleting the tunnel closes both at once.
class DevicePreviewTunnel : public QObject {
    Q_OBJECT

public:
    // Takes the device socket. A target without host or usable port gets
    // 400 "Invalid WebSocket destination".
    DevicePreviewTunnel(QTcpSocket *device, const HttpProxyRequest &request, const QUrl &targetURL,
                        DevicePreviewRelay &relay, QObject *parent);
    ~DevicePreviewTunnel() override;

private:
    void upstreamReady();
    // Hands both plain sockets to the relay; Qt's sockets are let go.
    void relayPlainSockets();
    // Copies what the source has while the destination is not too far behind.
    void pump(QTcpSocket *from, QTcpSocket *to);
    void close();

    QTcpSocket *m_device;
    QSslSocket *m_upstream;
    DevicePreviewRelay &m_relay;
    DevicePreviewRelay::Pair *m_pair = nullptr;
    QByteArray m_replay;
    bool m_secure = false;
    bool m_open = false;
};

} // namespace devnook
