#pragma once

#include "DevicePreviewResponse.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QNetworkReply;
class QTcpSocket;

namespace devnook {

class DevicePreviewProxyWorker;
struct HttpProxyRequest;

// One device connection: reads one request, forwards it to the dev server and
// writes the answer back, then closes. Owns its socket and the dev server's
// reply, so deleting it closes both.
class DevicePreviewConnection : public QObject {
    Q_OBJECT

public:
    DevicePreviewConnection(QTcpSocket *socket, DevicePreviewProxyWorker &worker);

private:
    void readRequest();
    void forward(const HttpProxyRequest &request);
    void answerReceived();
    void bodyReceived();
    void replyFinished();
    void upstreamTimedOut();
    // Starts passing the body on as it arrives.
    void startStreaming();
    void pumpStream();
    // Writes the last bytes, then closes once they are sent.
    void finish(const QByteArray &bytes);

    QTcpSocket *m_socket;
    DevicePreviewProxyWorker &m_worker;
    QByteArray m_received;
    QTimer m_headTimer;
    QTimer m_upstreamTimer;
    QPointer<QNetworkReply> m_reply;
    DevicePreviewResponse::Forwarded m_answer;
    bool m_timedOut = false;
    bool m_streaming = false;
};

} // namespace devnook
