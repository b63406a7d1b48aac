#pragma once

#include "DevicePreviewAnswer.h"
#include "DevicePreviewUpstream.h"
#include "HttpProxyRequest.h"

#include <QObject>
#include <memory>
#include <optional>

class QTcpSocket;

namespace devnook {

class DevicePreviewProxyWorker;

// One device connection: reads one request, forwards it to the dev server and
// writes the answer back as it arrives, then closes. Reading from the dev
// server pauses while the device has more than a little left to take. Owns
// its socket and the upstream exchange, so deleting it closes both.
class DevicePreviewConnection : public QObject, public DevicePreviewUpstream::Receiver {
    Q_OBJECT

public:
    DevicePreviewConnection(QTcpSocket *socket, DevicePreviewProxyWorker &worker);
    ~DevicePreviewConnection() override;

    // Cuts the connection off when the device or the dev server has kept it
    // waiting past its limit: the head not in within headTimeout, no byte of
    // the body or no byte taken of the answer for idleTimeout, or the dev
    // server silent for upstreamTimeout (then 502 "timeout").
    void checkTimers(ProxyClock::time_point now);

    // When the request head began to arrive, while it is still incomplete.
    std::optional<ProxyClock::time_point> incompleteHeadSince() const
    {
        return m_phase == Phase::head ? std::optional(m_since) : std::nullopt;
    }

private:
    enum class Phase { head, body, answer, closing };

    void answerHead(HttpResponseHead head) override;
    void answerBody(QByteArrayView bytes) override;
    void answerEnd() override;
    void answerFailed(const QString &identifier) override;
    void readRequest();
    void forward(const HttpProxyRequest &request);
    void written();
    void send(const QByteArray &bytes);
    // Writes the last bytes, then closes once they are sent.
    void finish(const QByteArray &bytes);
    // Closes at once, so the device cannot take a cut answer for a whole one.
    void cutOff();

    QTcpSocket *m_socket;
    DevicePreviewProxyWorker &m_worker;
    HttpRequestParser m_parser;
    std::unique_ptr<DevicePreviewUpstream> m_upstream;
    std::optional<DevicePreviewAnswer> m_answer;
    bool m_answersHead = false;
    Phase m_phase = Phase::head;
    // When the connection was accepted, then when the last body byte came.
    ProxyClock::time_point m_since;
    // When the device last took bytes, or output began to wait for it.
    ProxyClock::time_point m_lastTaken;
};

} // namespace devnook
