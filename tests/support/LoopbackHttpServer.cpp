#include "LoopbackHttpServer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSslServer>
#include <QTcpSocket>

namespace devnook::test {

namespace {

// Above the ports dev servers and other local services usually take.
constexpr int kFirstChosenPort = 10000;

// Where the range the kernel takes ports from for port 0 and for outgoing
// connections begins.
int firstEphemeralPort()
{
    QFile file(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
    bool ok = false;
    const int first =
        file.open(QIODevice::ReadOnly) ? file.readAll().simplified().split(' ').value(0).toInt(&ok) : 0;
    return ok ? first : 32768;
}

} // namespace

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

std::unique_ptr<LoopbackHttpServer> LoopbackHttpServer::listeningDevServer()
{
    auto server = std::make_unique<LoopbackHttpServer>(QHostAddress::LocalHost, QList<int>{200}, Behaviour::devServer);
    return server->listen() ? std::move(server) : nullptr;
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
    // A port the kernel picked for us would be just as likely to go to the
    // next program that listens on port 0, and the tests leave it unbound
    // for a while; below the kernel's own range nobody is handed it.
    const int firstKernelPort = firstEphemeralPort();
    for (int attempt = 0; attempt < 100 && firstKernelPort > kFirstChosenPort; ++attempt) {
        const auto port =
            static_cast<quint16>(QRandomGenerator::global()->bounded(kFirstChosenPort, firstKernelPort));
        if (QTcpServer server; server.listen(address, port))
            return port;
    }
    QTcpServer server;
    server.listen(address);
    return server.serverPort();
}

void LoopbackHttpServer::handleConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        socket->setProperty("connection", m_connections++);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_incoming.remove(socket); });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { readRequests(socket); });
    }
}

bool LoopbackHttpServer::readHead(Incoming &incoming)
{
    const qsizetype headEnd = incoming.buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    Request request;
    request.head = incoming.buffer.first(headEnd + 4);
    const QList<QByteArray> lines = incoming.buffer.first(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    incoming.length = 0;
    incoming.chunked = false;
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "host")
            request.host = value;
        else if (name == "content-type")
            request.contentType = value;
        else if (name == "content-length")
            incoming.length = value.toLongLong();
        else if (name == "transfer-encoding")
            incoming.chunked = value.toLower() == "chunked";
    }
    incoming.request = request;
    incoming.bodyStart = headEnd + 4;
    return true;
}

bool LoopbackHttpServer::readBody(Incoming &incoming)
{
    QByteArray &buffer = incoming.buffer;
    if (!incoming.chunked) {
        if (buffer.size() < incoming.bodyStart + incoming.length)
            return false;
        incoming.request->body = buffer.mid(incoming.bodyStart, incoming.length);
        buffer.remove(0, incoming.bodyStart + incoming.length);
        return true;
    }
    // Each whole chunk is taken off as it comes; the rest waits for more.
    while (true) {
        const qsizetype lineEnd = buffer.indexOf("\r\n", incoming.bodyStart);
        if (lineEnd < 0)
            return false;
        const qsizetype size =
            buffer.mid(incoming.bodyStart, lineEnd - incoming.bodyStart).toLongLong(nullptr, 16);
        if (size == 0) {
            // The last chunk, then trailer lines up to an empty one.
            const qsizetype end = buffer.indexOf("\r\n\r\n", lineEnd);
            if (end < 0)
                return false;
            buffer.remove(0, end + 4);
            return true;
        }
        if (buffer.size() < lineEnd + 2 + size + 2)
            return false;
        incoming.request->body += buffer.mid(lineEnd + 2, size);
        buffer.remove(incoming.bodyStart, lineEnd + 2 + size + 2 - incoming.bodyStart);
    }
}

// Keep-alive requests come one after another on the same socket; a request
// is handled once its head and its whole body have arrived.
void LoopbackHttpServer::readRequests(QTcpSocket *socket)
{
    if (m_upgradeHandler && !m_incoming.contains(socket)) {
        const QByteArray head = socket->peek(64 * 1024).toLower();
        if (head.contains("\r\nupgrade: websocket\r\n")) {
            disconnect(socket, &QTcpSocket::readyRead, socket, nullptr);
            m_upgradeHandler(socket);
            return;
        }
    }
    Incoming &incoming = m_incoming[socket];
    incoming.buffer += socket->readAll();
    while (incoming.request || readHead(incoming)) {
        if (m_behaviour == Behaviour::devServer && incoming.request->target == "/stall") {
            // A dev server that takes the head and no more: TCP holds the sender back.
            disconnect(socket, &QTcpSocket::readyRead, socket, nullptr);
            socket->setReadBufferSize(1);
            m_requests.append(*incoming.request);
            Q_EMIT requestReceived();
            return;
        }
        if (!readBody(incoming))
            break;
        Request request = *std::exchange(incoming.request, std::nullopt);
        request.connection = socket->property("connection").toInt();
        m_requests.append(request);
        if (m_behaviour == Behaviour::devServer)
            answerDevServer(socket, request);
        else
            answer(socket, request);
        Q_EMIT requestReceived();
    }
}

void LoopbackHttpServer::answer(QTcpSocket *socket, const Request &request)
{
    if (m_behaviour == Behaviour::neverAnswer ||
        (m_behaviour == Behaviour::holdFirst && m_requests.size() == 1))
        return;
    if (m_behaviour == Behaviour::dropHead && request.method == "HEAD") {
        socket->abort();
        return;
    }
    const int status = m_statuses.at(std::min<qsizetype>(m_requests.size() - 1, m_statuses.size() - 1));
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Length: 0\r\n\r\n");
}

} // namespace devnook::test
