#pragma once

#include "DevicePreviewHoldBudget.h"
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
// pool. The request goes out as it is given, its body as the device sends it;
// the dev server's answer comes back as it arrives. A reused connection that
// the dev server turns out to have closed before answering anything is
// replaced by a new one, once, with the request sent again: so only a request
// that may be sent twice, and whose bytes are held until the answer begins,
// may reuse a connection.
class DevicePreviewUpstream : public QObject {
public:
    // Told, in order, what the answer brings, and when more of the request
    // may be sent. No call may delete the upstream.
    class Receiver {
    public:
        virtual ~Receiver() = default;
        virtual void answerHead(HttpResponseHead head) = 0;
        virtual void answerBody(QByteArrayView bytes) = 0;
        virtual void answerEnd() = 0;
        // The dev server could not be reached or its answer broke off; the
        // identifier names why ("connection-refused", …).
        virtual void answerFailed(const QString &identifier) = 0;
        // The dev server has taken request bytes, and takesMore() is true again.
        virtual void requestTaken() = 0;
    };

    // Request bytes waiting for the dev server beyond which takesMore() is false.
    static constexpr qint64 kMaxPendingRequestBytes = 64 * 1024;

    // Nothing is sent before send. answersHead: the request is HEAD. A
    // retryHold (the share of the hold budget for the request's body) lets the
    // request take a kept-alive connection; without one it takes a new one.
    DevicePreviewUpstream(DevicePreviewUpstreamPool &pool, bool answersHead,
                          std::optional<DevicePreviewHoldBudget::Hold> retryHold, Receiver &receiver);
    ~DevicePreviewUpstream() override;

    // Sends the next bytes of the request, its head first.
    void send(QByteArrayView bytes);
    // The whole request has been given to send.
    void endRequest();
    // True while the request bytes the dev server has yet to take leave room for more.
    bool takesMore() const;

    // Stops taking bytes from the dev server (it is then held back by TCP), or goes on.
    void setPaused(bool paused);
    // Since when the dev server has been awaited without taking or sending a
    // byte; none while paused, while the request waits for more bytes from
    // the device, or once the answer has ended or failed.
    std::optional<ProxyClock::time_point> waitingSince() const;
    // Gives up on the answer: the connection is closed, the receiver hears nothing more.
    void cancel();

private:
    void connectTo(QTcpSocket *socket);
    qint64 pendingRequestBytes() const;
    void progressed();
    void process();
    // The dev server closed the connection, and every byte before that has been read.
    void serverClosed();
    void socketFailed(QAbstractSocket::SocketError error);
    void finished(bool reusable);
    void failed(const QString &identifier);
    void closeSocket();

    DevicePreviewUpstreamPool &m_pool;
    Receiver &m_receiver;
    QPointer<QTcpSocket> m_socket;
    HttpResponseParser m_parser;
    // The request sent so far, kept until the answer begins to be sent again.
    std::optional<DevicePreviewHoldBudget::Hold> m_retryHold;
    QByteArray m_sent;
    QByteArray m_input;
    qsizetype m_position = 0;
    ProxyClock::time_point m_lastProgress;
    bool m_requestEnded = false;
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
