#pragma once

#include "DevicePreviewRecords.h"

#include <QObject>
#include <QThread>
#include <QUrl>
#include <chrono>
#include <memory>

namespace devnook {

class DevicePreviewProxyWorker;

// The bounds that keep one proxy safe on a network its user does not control.
struct DevicePreviewProxyLimits {
    // A device must send its whole request head within this time.
    std::chrono::milliseconds headTimeout{std::chrono::seconds(10)};
    // A device that sends no byte of its request body, or takes no byte of
    // the answer, for this long is cut off.
    std::chrono::milliseconds idleTimeout{std::chrono::seconds(60)};
    // A dev server that takes no byte of the request and sends none of the
    // answer for this long has timed out.
    std::chrono::milliseconds upstreamTimeout{std::chrono::seconds(60)};
    // Once answered, a device may still send for this long before its
    // connection is closed: a close with bytes unread would reset the answer.
    std::chrono::milliseconds lingerTime{std::chrono::seconds(3)};
    // Device connections (tunnels included) the proxy holds. Beyond this a new
    // one is closed at once, unless a connection answered earlier can be
    // closed instead (the one answered longest ago), or its request head came
    // whole: then the connection whose head has been incomplete longest is.
    // Failing both, a device whose address holds fewer connections than the
    // address that holds the most takes the place of one of that address's
    // connections stalled on its device (the one stalled longest).
    int maxConnections = 256;
    // The connections one device address may hold; beyond this a new one is closed at once.
    int maxConnectionsPerAddress = 64;
    // A connection whose device has taken none of the answer queued for it
    // for this long is stalled on its device: it may give way to another address.
    std::chrono::milliseconds stallTime{std::chrono::seconds(1)};
    // Answers up to this size are sent whole with their exact length; longer
    // ones are rewritten as they stream, in chunked coding. Request bodies up
    // to this size may be held: a chunked one to be sent with its length, one
    // that may be sent twice to go on a kept-alive connection.
    qsizetype collectBytes = 512 * 1024;
    // What the whole proxy holds that way at once; beyond it, bodies stream.
    qint64 heldBytes = 16 * 1024 * 1024;
};

// Publishes one local origin on every interface: reads one request per device
// connection, forwards it to the origin and rewrites local addresses in the
// answer, or tunnels a WebSocket. All of its work runs in its own thread;
// these operations are called from the owner's thread.
class DevicePreviewHTTPProxy : public QObject {
    Q_OBJECT

public:
    // No proxy when the local URL has no host.
    static std::unique_ptr<DevicePreviewHTTPProxy> create(const QUrl &localURL,
                                                          const DevicePreviewProxyLimits &limits = {});
    // Stops, then waits for the proxy's thread to end.
    ~DevicePreviewHTTPProxy() override;

    const QUrl &targetURL() const { return m_targetURL; }

    // Starts listening on a port the system chooses; startFinished follows once.
    void start();

    // Replaces both rewrite lists for requests forwarded and answers built from now on.
    void update(const QList<DevicePreviewURLReplacement> &contentReplacements,
                const QList<DevicePreviewURLReplacement> &originMappings);

    // Closes the listener, every device connection and tunnel, and cancels
    // requests waiting for the dev server.
    void stop();

Q_SIGNALS:
    // Emitted once after start: the listening port, or 0 when no listener could be made.
    void startFinished(quint16 port);

private:
    DevicePreviewHTTPProxy(const QUrl &localURL, const DevicePreviewProxyLimits &limits);

    QUrl m_targetURL;
    QThread m_thread;
    DevicePreviewProxyWorker *m_worker;
};

} // namespace devnook
