#pragma once

#include "DevicePreviewAnswer.h"
#include "DevicePreviewHTTPProxy.h"
#include "DevicePreviewHoldBudget.h"
#include "DevicePreviewRecords.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QUrl>

class QTcpServer;
class QTimer;

namespace devnook {

class DevicePreviewConnection;
class DevicePreviewDeviceSocket;
class DevicePreviewRelay;
class DevicePreviewUpstreamPool;
struct HttpProxyRequest;

// The part of a proxy that lives in its thread: the listener, the device
// connections and tunnels, the connections to the dev server and the rewrite lists.
class DevicePreviewProxyWorker : public QObject {
    Q_OBJECT

public:
    DevicePreviewProxyWorker(const QUrl &targetURL, const DevicePreviewProxyLimits &limits);
    // Closes what is still open while the lists that track it still exist.
    ~DevicePreviewProxyWorker() override;

    const QUrl &targetURL() const { return m_targetURL; }
    const DevicePreviewProxyLimits &limits() const { return m_limits; }
    DevicePreviewUpstreamPool &upstreamPool() { return *m_pool; }
    const QList<DevicePreviewURLReplacement> &originMappings() const { return m_originMappings; }
    // What all the proxy's connections may hold whole, together.
    DevicePreviewHoldBudget &holdBudget() { return m_holdBudget; }
    // How answers are rewritten under the current lists and limits.
    const DevicePreviewAnswer::Rules &answerRules() const { return m_answerRules; }

    // Listens on every interface, on a port the system picks; emits listening.
    void listen();
    void setReplacements(const QList<DevicePreviewURLReplacement> &contentReplacements,
                         const QList<DevicePreviewURLReplacement> &originMappings);
    // Closes the listener and every connection and tunnel.
    void shutdown();

    // Hands a device connection whose request asks for a WebSocket to a
    // tunnel, counted under the address the connection was admitted with.
    void tunnel(DevicePreviewDeviceSocket *device, const HttpProxyRequest &request,
                const QHostAddress &address);

    // Checks the connection's time limits every little while, until unwatch.
    void watch(DevicePreviewConnection *connection);
    void unwatch(DevicePreviewConnection *connection);

Q_SIGNALS:
    // Emitted once by listen: the port, or 0 when no listener could be made.
    void listening(quint16 port);

private:
    // Takes a connection the listener accepted, unless the device's own share
    // of the proxy is full, or the proxy is and no room can be made for it.
    void admit(qintptr descriptor);
    // Closes a connection for a new one from the address: the one answered
    // longest ago, since it only waits for its device to hang up; otherwise,
    // when the new one's request head is already whole, the one whose head has
    // been incomplete longest, so that trickling heads never turn a prompt
    // request away; otherwise one stalled on its device, so that one
    // address's unread answers never shut another device out. False when no
    // connection may be closed.
    bool makeRoomFor(int fd, const QHostAddress &address);
    // The connection stalled on its device longest among those of the
    // addresses that hold the most, when the newcomer's address holds fewer.
    DevicePreviewConnection *stalledInLargestShare(const QHostAddress &newcomer) const;
    // Stops taking connections for a moment; they wait in the system meanwhile.
    void rest();
    // Counts a connection or tunnel against its address until it is destroyed.
    void track(QObject *open, const QHostAddress &address);
    void sweep();

    QUrl m_targetURL;
    DevicePreviewProxyLimits m_limits;
    QTcpServer *m_server;
    DevicePreviewUpstreamPool *m_pool;
    DevicePreviewRelay *m_relay;
    QTimer *m_sweep;
    // Runs while the listener rests after turning a connection away or failing to take one.
    QTimer *m_rest;
    QList<DevicePreviewURLReplacement> m_originMappings;
    DevicePreviewAnswer::Rules m_answerRules;
    DevicePreviewHoldBudget m_holdBudget;
    QSet<DevicePreviewConnection *> m_watched;
    QSet<QObject *> m_open;
    QHash<QHostAddress, int> m_openByAddress;
};

} // namespace devnook
