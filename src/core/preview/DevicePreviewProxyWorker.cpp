#include "DevicePreviewProxyWorker.h"

#include "DevicePreviewConnection.h"
#include "DevicePreviewTunnel.h"
#include "HttpProxyRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>

namespace devnook {

DevicePreviewProxyWorker::DevicePreviewProxyWorker(const QUrl &targetURL,
                                                   const DevicePreviewProxyLimits &limits)
    : m_targetURL(targetURL), m_limits(limits), m_server(new QTcpServer(this)),
      m_network(new QNetworkAccessManager(this))
{
    // The dev server is local: a system proxy must not stand between.
    m_network->setProxy(QNetworkProxy::NoProxy);
    m_network->setCookieJar(nullptr);
    connect(m_server, &QTcpServer::newConnection, this, &DevicePreviewProxyWorker::accept);
}

void DevicePreviewProxyWorker::listen()
{
    Q_EMIT listening(m_server->listen(QHostAddress::Any, 0) ? m_server->serverPort() : quint16(0));
}

void DevicePreviewProxyWorker::setReplacements(const QList<DevicePreviewURLReplacement> &contentReplacements,
                                               const QList<DevicePreviewURLReplacement> &originMappings)
{
    m_contentReplacements = contentReplacements;
    m_originMappings = originMappings;
}

void DevicePreviewProxyWorker::shutdown()
{
    m_server->close();
    const QList<QObject *> open = children();
    for (QObject *child : open) {
        if (child != m_server && child != m_network)
            delete child;
    }
}

void DevicePreviewProxyWorker::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_open >= m_limits.maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        track(new DevicePreviewConnection(socket, *this));
    }
}

void DevicePreviewProxyWorker::tunnel(QTcpSocket *device, const HttpProxyRequest &request)
{
    track(new DevicePreviewTunnel(device, request, m_targetURL, this));
}

void DevicePreviewProxyWorker::track(QObject *open)
{
    ++m_open;
    connect(open, &QObject::destroyed, this, [this] { --m_open; });
}

} // namespace devnook
