#pragma once

#include "HttpProxyResponse.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QUrl>
#include <chrono>
#include <optional>

namespace devnook {

using ProxyClock = std::chrono::steady_clock;

// Connections to one dev server that are kept alive between requests, all in
// the proxy's thread. A connection is plain TCP, or TLS accepting whatever
// certificate the dev server shows, as the origin's scheme says.
class DevicePreviewUpstreamPool : public QObject {
public:
    // Idle connections kept at most; more are closed when they come back.
    static constexpr int kMaxIdle = 32;
    // An idle connection unused for this long is closed.
    static constexpr std::chrono::seconds kIdleLifetime{30};

    DevicePreviewUpstreamPool(const QUrl &origin, QObject *parent);

    // An idle connection when mayReuse and there is one still open (reused is
    // then true), otherwise a new one that is connecting. The caller owns it.
    QTcpSocket *take(bool mayReuse, bool &reused);
    // A connection whose last answer ended cleanly, for the next request.
    void giveBack(QTcpSocket *socket);
    // Closes the idle connections unused since before `oldest`.
    void closeIdleSince(ProxyClock::time_point oldest);
    // Closes every idle connection.
    void clear();
    bool hasIdle() const { return !m_idle.isEmpty(); }

private:
    struct Idle {
        QTcpSocket *socket;
        ProxyClock::time_point since;
    };
    void drop(QTcpSocket *socket);

    QString m_host;
    bool m_secure;
    quint16 m_port;
    QList<Idle> m_idle;
};

// One request to the dev server and its answer, over a connection from the
// pool. A reused connection that the dev server turns out to have closed
// before answering is replaced by a new one, once; only idempotent requests
// reuse connections, so only they are sent twice.
class DevicePreviewUpstream : public QObject {
public:
    // Told, in order, what the answer brings. Neither call may delete the upstream.
    class Receiver {
    public:
        virtual ~Receiver() = default;
        virtual void answerHead(HttpResponseHead head) = 0;
        virtual void answerBody(QByteArrayView bytes) = 0;
        virtual void answerEnd() = 0;
        // The dev server could not be reached or its answer broke off; the
        // identifier names why ("connection-refused", …).
        virtual void answerFailed(const QString &identifier) = 0;
    };

    // Sends the request bytes at once. answersHead: the request is HEAD.
    DevicePreviewUpstream(DevicePreviewUpstreamPool &pool, QByteArray request, bool answersHead,
                          bool idempotent, Receiver &receiver);
    ~DevicePreviewUpstream() override;

    // Stops taking bytes from the dev server (it is then held back by TCP), or goes on.
    void setPaused(bool paused);
    // Since when the answer has been awaited without a byte; none while
    // paused or once the answer has ended or failed.
    std::optional<ProxyClock::time_point> waitingSince() const;
    // Gives up on the answer: the connection is closed, the receiver hears nothing more.
    void cancel();

private:
    void connectTo(QTcpSocket *socket);
    void process();
    // The dev server closed the connection, and every byte before that has been read.
    void serverClosed();
    void socketFailed(QAbstractSocket::SocketError error);
    void finished(bool reusable);
    void failed(const QString &identifier);
    void closeSocket();

    DevicePreviewUpstreamPool &m_pool;
    QByteArray m_request;
    bool m_idempotent;
    Receiver &m_receiver;
    QPointer<QTcpSocket> m_socket;
    HttpResponseParser m_parser;
    QByteArray m_input;
    qsizetype m_position = 0;
    ProxyClock::time_point m_lastByte;
    bool m_reused = false;
    bool m_answered = false;
    bool m_paused = false;
    bool m_closedByServer = false;
    // The parser waits for bytes beyond those in m_input.
    bool m_needMore = true;
    bool m_processing = false;
    bool m_done = false;
};

} // namespace devnook
