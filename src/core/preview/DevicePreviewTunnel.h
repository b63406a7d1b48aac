#pragma once

#include <QObject>
#include <QUrl>

class QSslSocket;
class QTcpSocket;

namespace devnook {

struct HttpProxyRequest;

// A WebSocket between a device and the dev server: the upgrade request is
// replayed on a new connection to the local origin (TLS for https, accepting
// a development certificate), then bytes are copied both ways unread. Closing
// either side closes both; deleting the tunnel closes both at once.
class DevicePreviewTunnel : public QObject {
    Q_OBJECT

public:
    // Takes the device socket. A target without host or usable port gets
    // 400 "Invalid WebSocket destination".
    DevicePreviewTunnel(QTcpSocket *device, const HttpProxyRequest &request, const QUrl &targetURL,
                        QObject *parent);

private:
    void upstreamReady();
    // Copies what the source has while the destination is not too far behind.
    void pump(QTcpSocket *from, QTcpSocket *to);
    void close();

    QTcpSocket *m_device;
    QSslSocket *m_upstream;
    QByteArray m_replay;
    bool m_open = false;
};

} // namespace devnook
