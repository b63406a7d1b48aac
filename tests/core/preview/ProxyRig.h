#pragma once

#include "core/preview/DevicePreviewHTTPProxy.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

namespace devnook::test {

using namespace std::chrono_literals;

// Limits small enough for tests to reach in milliseconds.
inline DevicePreviewProxyLimits testLimits()
{
    DevicePreviewProxyLimits limits;
    limits.headTimeout = 300ms;
    limits.upstreamTimeout = 500ms;
    limits.maxConnections = 8;
    limits.rewriteCap = 2048;
    return limits;
}

// A started proxy for one local URL, rewriting that origin to a made-up LAN
// origin in bodies and to another in headers; devices reach it on 127.0.0.1.
struct ProxyRig {
    explicit ProxyRig(const QString &localOrigin, const DevicePreviewProxyLimits &limits = testLimits())
        : proxy(DevicePreviewHTTPProxy::create(QUrl(localOrigin), limits))
    {
        QSignalSpy started(proxy.get(), &DevicePreviewHTTPProxy::startFinished);
        proxy->start();
        if (started.wait(5000))
            port = started.first().first().value<quint16>();
        lanOrigin = u"http://192.168.1.5:" + QString::number(port);
        proxy->update({{localOrigin, lanOrigin}},
                      {{localOrigin, u"http://10.0.0.9:" + QString::number(port)}});
    }

    // A device connection to the proxy, reading everything it is sent.
    std::unique_ptr<QTcpSocket> connect(const QByteArray &bytes = {}) const
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, port);
        socket->write(bytes);
        return socket;
    }

    // Sends a request and returns all the proxy wrote until it closed.
    QByteArray exchange(const QByteArray &request) const
    {
        std::unique_ptr<QTcpSocket> socket = connect(request);
        QByteArray received;
        QObject::connect(socket.get(), &QTcpSocket::readyRead, socket.get(),
                         [&received, &socket] { received += socket->readAll(); });
        QSignalSpy closed(socket.get(), &QTcpSocket::disconnected);
        if (socket->state() != QAbstractSocket::UnconnectedState)
            closed.wait(5000);
        return socket->isOpen() ? received + socket->readAll() : received;
    }

    std::unique_ptr<DevicePreviewHTTPProxy> proxy;
    quint16 port = 0;
    QString lanOrigin;
};

} // namespace devnook::test
