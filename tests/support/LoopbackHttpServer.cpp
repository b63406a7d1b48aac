#include "LoopbackHttpServer.h"

#include <QTcpSocket>

namespace devnook::test {

LoopbackHttpServer::LoopbackHttpServer(QHostAddress address, QList<int> statuses, Behaviour behaviour,
                                       QObject *parent)
    : QObject(parent), m_address(std::move(address)), m_statuses(std::move(statuses)), m_behaviour(behaviour)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::handleConnection);
}

bool LoopbackHttpServer::listen(quint16 port)
{
    return m_server.listen(m_address, port);
}

quint16 LoopbackHttpServer::freePort(const QHostAddress &address)
{
    QTcpServer server;
    server.listen(address);
    return server.serverPort();
}

void LoopbackHttpServer::handleConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { readRequests(socket); });
    }
}

// Keep-alive requests come one after another on the same socket; a request
// is handled once its headers and its whole body have arrived.
void LoopbackHttpServer::readRequests(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            break;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        Request request;
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        qsizetype length = 0;
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "host")
                request.host = value;
            else if (name == "content-type")
                request.contentType = value;
            else if (name == "content-length")
                length = value.toLongLong();
        }
        if (buffer.size() < headerEnd + 4 + length)
            break;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        m_requests.append(request);
        answer(socket, request);
        Q_EMIT requestReceived();
    }
    socket->setProperty("pending", buffer);
}

void LoopbackHttpServer::answer(QTcpSocket *socket, const Request &request)
{
    if (m_behaviour == Behaviour::neverAnswer)
        return;
    if (m_behaviour == Behaviour::dropHead && request.method == "HEAD") {
        socket->abort();
        return;
    }
    const int status = m_statuses.at(std::min<qsizetype>(m_requests.size() - 1, m_statuses.size() - 1));
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Length: 0\r\n\r\n");
}

} // namespace devnook::test
