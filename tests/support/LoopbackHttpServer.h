#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

namespace devnook::test {

// A small HTTP server on one loopback address. It reads each request with its
// body and answers with the next status of its list (the last one repeats) and
// an empty body, or misbehaves as told.
class LoopbackHttpServer : public QObject {
    Q_OBJECT

public:
    enum class Behaviour {
        answer,
        // Accepts and reads the request, then says nothing.
        neverAnswer,
        // Closes the connection on HEAD without a word; answers GET.
        dropHead,
    };

    // A request as the server read it.
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray host;
        QByteArray contentType;
        QByteArray body;
    };

    explicit LoopbackHttpServer(QHostAddress address = QHostAddress::LocalHost, QList<int> statuses = {200},
                                Behaviour behaviour = Behaviour::answer, QObject *parent = nullptr);

    // Starts listening; port 0 picks a free one.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }

    const QList<Request> &requests() const { return m_requests; }

    // A port on the address that nothing listens on right now.
    static quint16 freePort(const QHostAddress &address = QHostAddress::LocalHost);

Q_SIGNALS:
    // Emitted when a whole request has been read.
    void requestReceived();

private:
    void handleConnection();
    void readRequests(class QTcpSocket *socket);
    void answer(class QTcpSocket *socket, const Request &request);

    QTcpServer m_server;
    QHostAddress m_address;
    QList<int> m_statuses;
    Behaviour m_behaviour;
    QList<Request> m_requests;
};

} // namespace devnook::test
