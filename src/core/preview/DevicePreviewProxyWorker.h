#pragma once

#include "DevicePreviewHTTPProxy.h"
#include "DevicePreviewRecords.h"

#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QTcpServer;
class QTcpSocket;

namespace devnook {

struct HttpProxyRequest;

// The part of a proxy that lives in its thread: the listener, the device
// connections and tunnels, the HTTP client and the rewrite lists.
class DevicePreviewProxyWorker : public QObject {
    Q_OBJECT

public:
    DevicePreviewProxyWorker(const QUrl &targetURL, const DevicePreviewProxyLimits &limits);

    const QUrl &targetURL() const { return m_targetURL; }
    const DevicePreviewProxyLimits &limits() const { return m_limits; }
    QNetworkAccessManager &network() { return *m_network; }
    const QList<DevicePreviewURLReplacement> &contentReplacements() const { return m_contentReplacements; }
    const QList<DevicePreviewURLReplacement> &originMappings() const { return m_originMappings; }

    // Listens on every interface, on a port the system picks; emits listening.
    void listen();
    void setReplacements(const QList<DevicePreviewURLReplacement> &contentReplacements,
                         const QList<DevicePreviewURLReplacement> &originMappings);
    // Closes the listener and every connection and tunnel.
    void shutdown();

    // Hands a device connection whose request asks for a WebSocket to a tunnel.
    void tunnel(QTcpSocket *device, const HttpProxyRequest &request);

Q_SIGNALS:
    // Emitted once by listen: the port, or 0 when no listener could be made.
    void listening(quint16 port);

private:
    void accept();
    // Counts a connection or tunnel until it is destroyed.
    void track(QObject *open);

    QUrl m_targetURL;
    DevicePreviewProxyLimits m_limits;
    QTcpServer *m_server;
    QNetworkAccessManager *m_network;
    QList<DevicePreviewURLReplacement> m_contentReplacements;
    QList<DevicePreviewURLReplacement> m_originMappings;
    int m_open = 0;
};

} // namespace devnook
