#pragma once

#include "DevicePreviewAnswer.h"
#include "DevicePreviewHoldBudget.h"
#include "DevicePreviewUpload.h"
#include "DevicePreviewUpstream.h"
#include "HttpProxyRequest.h"

#include <QHostAddress>
#include <QObject>
#include <memory>
#include <optional>

namespace devnook {

class DevicePreviewDeviceSocket;
class DevicePreviewProxyWorker;

// One device connection: reads one request, forwards it to the dev server as
// it arrives, its body too, and writes the answer back as it arrives, then
// closes. A device may end its side once its request is sent: it still gets
// the answer, unless that is an event stream, which it has then left. Each
// side is read only as fast as the other takes what was read: the device's
// body while the dev server takes it, the dev server's answer while the
// device does. Owns its socket and the upstream exchange, so deleting it
// closes both.
class DevicePreviewConnection : public QObject, public DevicePreviewUpstream::Receiver {
    Q_OBJECT

public:
    // Takes the accepted descriptor of a device at the address.
    DevicePreviewConnection(int fd, QHostAddress address, DevicePreviewProxyWorker &worker);
    ~DevicePreviewConnection() override;

    // Cuts the connection off when the device or the dev server has kept it
    // waiting past its limit: the head not in within headTimeout, no byte of
    // the body for idleTimeout while the proxy would take one, no byte taken
    // of the answer for idleTimeout, or the dev server neither taking the
    // request nor answering for upstreamTimeout (then 502 "timeout").
    void checkTimers(ProxyClock::time_point now);

    // When the request head began to arrive, while it is still incomplete.
    std::optional<ProxyClock::time_point> incompleteHeadSince() const
    {
        return m_phase == Phase::head ? std::optional(m_since) : std::nullopt;
    }
    // When the whole answer was handed to the system, while the connection
    // waits for the device to hang up.
    std::optional<ProxyClock::time_point> answeredSince() const;
    // When the device last took bytes of the answer, or they began to wait
    // for it, while some wait.
    std::optional<ProxyClock::time_point> waitingOnDeviceSince() const;
    // Where the device connects from, as it was admitted.
    const QHostAddress &address() const { return m_address; }

private:
    // What is being read from the device.
    enum class Phase { head, body, done, closing };

    void answerHead(HttpResponseHead head) override;
    // True when the answer is an event stream still going and the device has ended its side.
    bool streamsToNoOne() const;
    void answerBody(QByteArrayView bytes) override;
    void answerEnd() override;
    void answerFailed(const QString &identifier) override;
    void requestTaken() override;

    void readRequest();
    // True while the next bytes of the request can be taken from the device.
    bool takesRequestBytes() const;
    void requestHead(HttpRequestParser::Head head);
    void requestEnd();
    void requestFailed(int status);
    // Sends bytes of the request on, to a connection taken for it first.
    void forward(const QByteArray &bytes);
    void written();
    void send(const QByteArray &bytes);
    void releaseAnswerHold();
    // Writes the last bytes, then closes once they are sent and the device has ended its side.
    void finish(const QByteArray &bytes);
    // Closes at once, with a reset, so the device cannot take a cut answer for a whole one.
    void cutOff();

    DevicePreviewDeviceSocket *m_socket;
    QHostAddress m_address;
    DevicePreviewProxyWorker &m_worker;
    HttpRequestParser m_parser;
    // Bytes read from the device; those before m_position are parsed.
    QByteArray m_input;
    qsizetype m_position = 0;
    bool m_needMore = true;
    bool m_reading = false;
    // Reading stopped because the dev server had not taken enough of the body.
    bool m_heldBack = false;
    // A WebSocket request whose body is read past before it is tunnelled.
    std::optional<HttpProxyRequest> m_upgrade;
    HttpRequestParser::Framing m_framing = HttpRequestParser::Framing::none;
    bool m_idempotent = false;
    std::optional<DevicePreviewUpload> m_upload;
    std::unique_ptr<DevicePreviewUpstream> m_upstream;
    DevicePreviewAnswer::Asked m_asked;
    std::optional<DevicePreviewAnswer> m_answer;
    // The share of the proxy's hold budget for the chunked body held, then for the answer collected.
    DevicePreviewHoldBudget::Hold m_hold;
    Phase m_phase = Phase::head;
    // When the connection was accepted, then when the device last sent a
    // body byte or the proxy last began to wait for one.
    ProxyClock::time_point m_since;
    // When the device last took bytes, or output began to wait for it.
    ProxyClock::time_point m_lastTaken;
};

} // namespace devnook
