#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QTcpServer>
#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;

namespace devnook::test {

// A small HTTP server on one loopback address, for probing tests. It answers
// every request with the next status of its list (the last one repeats) and
// an empty body, or misbehaves as told, or stands in for a dev server.
class LoopbackHttpServer : public QObject {
    Q_OBJECT

public:
    enum class Behaviour {
        answer,
        // Accepts and reads the request, then says nothing.
        neverAnswer,
        // Closes the connection on HEAD without a word; answers GET.
        dropHead,
        // Leaves the first request unanswered; answers the later ones.
        holdFirst,
        // A dev server that answers by path (see LoopbackDevServer.cpp):
        // /page, /redirect, /cookies, /gzip, /deflate, /bad-gzip, /chunked,
        // /events, /events/<ms>, /missing, /fail, /slow, /binary, /big, /odd-proxy-error, /echo,
        // /status/<code>, /keep-alive, /large/<bytes>, /once, /app, /@vite/client,
        // /upload, /stall, /trickle, /pause/<bytes>/<ms>, /extra and /cut-after-first.
        devServer,
    };

    // A request as the server read it, its body framed by Content-Length or chunked.
    struct Request {
        QByteArray method;
        QByteArray host;
        QByteArray target;
        QByteArray contentType;
        // The whole head, as received.
        QByteArray head;
        QByteArray body;
        // Which connection it came on, counted from 0 in the order they were accepted.
        int connection = 0;
    };

    explicit LoopbackHttpServer(QHostAddress address = QHostAddress::LocalHost, QList<int> statuses = {200},
                                Behaviour behaviour = Behaviour::answer, QObject *parent = nullptr);

    // Hands each connection whose first request asks for a WebSocket, its
    // head still unread, to the handler (a dev server's live-reload socket).
    void setUpgradeHandler(std::function<void(QTcpSocket *)> handler)
    {
        m_upgradeHandler = std::move(handler);
    }

    // The page /large/<bytes> serves: links naming the origin, that many
    // bytes; made once, so that asking for it first has it served at once.
    static QByteArray largePage(const QByteArray &origin, qsizetype bytes);
    // The data in gzip coding, as the dev server sends /gzip.
    static QByteArray gzipped(const QByteArray &data);

    // Answers over TLS with this configuration; call before listen.
    void useTls(const QSslConfiguration &configuration);

    // Starts listening; port 0 picks a free one.
    bool listen(quint16 port = 0);
    // A dev server stand-in listening on a free loopback port; null if it could not listen.
    static std::unique_ptr<LoopbackHttpServer> listeningDevServer();
    quint16 port() const { return m_server->serverPort(); }
    // "http://127.0.0.1:<port>" (https when over TLS).
    QString origin() const;

    const QList<Request> &requests() const { return m_requests; }

    // A port on the address that nothing listens on right now, and that the
    // system does not give to others who ask for any port.
    static quint16 freePort(const QHostAddress &address = QHostAddress::LocalHost);

Q_SIGNALS:
    // Emitted when a whole request has been read.
    void requestReceived();

private:
    // What a connection has sent that is not a whole request yet.
    struct Incoming {
        QByteArray buffer;
        // The head read, while its body is still coming.
        std::optional<Request> request;
        bool chunked = false;
        qsizetype bodyStart = 0;
        qsizetype length = 0;
    };

    void handleConnection();
    void readRequests(QTcpSocket *socket);
    // Reads a head from the start of incoming.buffer; false when it is not all there.
    static bool readHead(Incoming &incoming);
    // Reads the body after the head; false when it is not all there.
    static bool readBody(Incoming &incoming);
    void answer(QTcpSocket *socket, const Request &request);
    void answerDevServer(QTcpSocket *socket, const Request &request);
    void answerStatus(QTcpSocket *socket, int status);

    std::unique_ptr<QTcpServer> m_server;
    QHostAddress m_address;
    QList<int> m_statuses;
    Behaviour m_behaviour;
    QList<Request> m_requests;
    QHash<QTcpSocket *, Incoming> m_incoming;
    std::function<void(QTcpSocket *)> m_upgradeHandler;
    int m_connections = 0;
};

} // namespace devnook::test
