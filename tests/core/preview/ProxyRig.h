#pragma once

#include "core/preview/DevicePreviewHTTPProxy.h"
#include "support/PreviewRig.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <sys/socket.h>

namespace devnook::test {

// The test limits but for time limits no loaded machine comes near: for
// tests of anything but those limits.
inline DevicePreviewProxyLimits untimedLimits()
{
    DevicePreviewProxyLimits limits = testLimits();
    limits.headTimeout = 60s;
    limits.idleTimeout = 60s;
    limits.upstreamTimeout = 60s;
    return limits;
}

// A device connection to a proxy's port on 127.0.0.1, the bytes sent; from
// another loopback address (127.0.0.2, …) it stands for another device, from
// ::1 for one on IPv6.
inline std::unique_ptr<QTcpSocket> deviceConnection(quint16 port, const QByteArray &bytes,
                                                    const QHostAddress &from = QHostAddress::LocalHost)
{
    auto socket = std::make_unique<QTcpSocket>();
    QTcpSocket *raw = socket.get();
    QObject::connect(raw, &QTcpSocket::connected, raw, [raw, bytes] { raw->write(bytes); });
    socket->bind(from);
    socket->connectToHost(from.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress::LocalHostIPv6
                                                                           : QHostAddress::LocalHost,
                          port);
    return socket;
}

// Ends the device's sending side once all it was given has gone out, as `nc -N` does.
inline void endSendingOnceSent(QTcpSocket &socket)
{
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, [&socket] {
        if (socket.bytesToWrite() == 0)
            ::shutdown(static_cast<int>(socket.socketDescriptor()), SHUT_WR);
    });
}

// Sends a request, ending the sending side after it when told, and returns
// all the proxy wrote until it closed.
inline QByteArray deviceExchange(quint16 port, const QByteArray &request, bool endSending = false)
{
    std::unique_ptr<QTcpSocket> socket = deviceConnection(port, request);
    if (endSending)
        endSendingOnceSent(*socket);
    QByteArray received;
    QEventLoop closed;
    QObject::connect(socket.get(), &QTcpSocket::readyRead, socket.get(),
                     [&received, &socket] { received += socket->readAll(); });
    // Closed by the proxy, or refused by a port nothing listens on.
    QObject::connect(socket.get(), &QTcpSocket::stateChanged, &closed,
                     [&closed](QAbstractSocket::SocketState state) {
                         if (state == QAbstractSocket::UnconnectedState)
                             closed.quit();
                     });
    QTimer::singleShot(30000, &closed, [&closed, &received] {
        received += "[left open]";
        closed.quit();
    });
    if (socket->state() != QAbstractSocket::UnconnectedState)
        closed.exec();
    return socket->isOpen() ? received + socket->readAll() : received;
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

    std::unique_ptr<QTcpSocket> connect(const QByteArray &bytes = {},
                                        const QHostAddress &from = QHostAddress::LocalHost) const
    {
        return deviceConnection(port, bytes, from);
    }
    QByteArray exchange(const QByteArray &request, bool endSending = false) const
    {
        return deviceExchange(port, request, endSending);
    }

    std::unique_ptr<DevicePreviewHTTPProxy> proxy;
    quint16 port = 0;
    QString lanOrigin;
};

} // namespace devnook::test
