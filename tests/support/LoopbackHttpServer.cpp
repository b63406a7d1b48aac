#include "LoopbackHttpServer.h"

#include <QSslServer>
#include <QTcpSocket>

namespace devnook::test {

LoopbackHttpServer::LoopbackHttpServer(QHostAddress address, QList<int> statuses, Behaviour behaviour,
                                       QObject *parent)
    : QObject(parent), m_server(std::make_unique<QTcpServer>()), m_address(std::move(address)),
      m_statuses(std::move(statuses)), m_behaviour(behaviour)
{
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &LoopbackHttpServer::handleConnection);
}

void LoopbackHttpServer::useTls(const QSslConfiguration &configuration)
{
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(configuration);
    m_server = std::move(server);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &LoopbackHttpServer::handleConnection);
}

bool LoopbackHttpServer::listen(quint16 port)
{
    return m_server->listen(m_address, port);
}

QString LoopbackHttpServer::origin() const
{
    const bool tls = qobject_cast<QSslServer *>(m_server.get()) != nullptr;
    return (tls ? QStringLiteral("https://127.0.0.1:") : QStringLiteral("http://127.0.0.1:")) +
           QString::number(port());
}

quint16 LoopbackHttpServer::freePort(const QHostAddress &address)
{
    QTcpServer server;
    server.listen(address);
    return server.serverPort();
}

void LoopbackHttpServer::handleConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (m_behaviour == Behaviour::devServer) {
            connect(socket, &QTcpSocket::readyRead, socket,
                    [this, socket] { readDevServerRequests(socket); });
            continue;
        }
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            // Each request of the tests fits in one read; keep-alive requests
            // come one after another on the same socket.
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                Request request;
                request.method = line.split(' ').value(0);
                while (socket->canReadLine()) {
                    const QByteArray header = socket->readLine().trimmed();
                    if (header.isEmpty())
                        break;
                    if (header.toLower().startsWith("host:"))
                        request.host = header.mid(5).trimmed();
                }
                m_requests.append(request);
                answer(socket, request);
            }
        });
    }
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
