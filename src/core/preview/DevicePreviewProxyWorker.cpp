#include "DevicePreviewProxyWorker.h"

#include "DevicePreviewConnection.h"
#include "DevicePreviewDeviceSocket.h"
#include "DevicePreviewRelay.h"
#include "DevicePreviewTunnel.h"
#include "DevicePreviewUpstream.h"
#include "HttpProxyRequest.h"

#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devnook {

namespace {

// Pending connections the system keeps for the listener: a burst from one
// device must not leave another's connection refused. Connections that have
// not spoken yet wait there too, so it is sized for a crowd of them.
constexpr int kListenBacklog = 4096;

// How long the listener rests after turning a connection away, or failing to
// take one. A device that comes straight back is not taken again at once: a
// crowd of them would otherwise keep the proxy busy closing connections. A
// prompt request waits this long at most.
constexpr std::chrono::milliseconds kListenerRest(100);

// A listener that hands over each accepted descriptor, before Qt makes a socket of it.
class Listener final : public QTcpServer {
public:
    Listener(std::function<void(qintptr)> admit, QObject *parent)
        : QTcpServer(parent), m_admit(std::move(admit))
    {}

protected:
    void incomingConnection(qintptr descriptor) override { m_admit(descriptor); }

private:
    std::function<void(qintptr)> m_admit;
};

// One key per device: an IPv4 peer reached over IPv6 counts as its IPv4 address.
QHostAddress deviceAddress(int fd)
{
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    QHostAddress address;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) == 0)
        address.setAddress(reinterpret_cast<sockaddr *>(&peer));
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4) : address;
}

// True when the bytes waiting on the connection hold a whole request head;
// they stay there for the connection to read.
bool hasWholeHead(int fd)
{
    const auto bytes = std::make_unique_for_overwrite<char[]>(HttpRequestParser::kMaxHeadBytes);
    const ssize_t peeked = ::recv(fd, bytes.get(), HttpRequestParser::kMaxHeadBytes, MSG_PEEK | MSG_DONTWAIT);
    return peeked > 0 && QByteArrayView(bytes.get(), peeked).contains("\r\n\r\n");
}

// The connection with the earliest time of the kind, if any has one.
template <typename Since>
DevicePreviewConnection *earliest(const QSet<DevicePreviewConnection *> &connections, Since since)
{
    DevicePreviewConnection *found = nullptr;
    ProxyClock::time_point foundSince = ProxyClock::time_point::max();
    for (DevicePreviewConnection *connection : connections) {
        const std::optional<ProxyClock::time_point> time = std::invoke(since, connection);
        if (time && *time < foundSince) {
            found = connection;
            foundSince = *time;
        }
    }
    return found;
}

} // namespace

DevicePreviewProxyWorker::DevicePreviewProxyWorker(const QUrl &targetURL,
                                                   const DevicePreviewProxyLimits &limits)
    : m_targetURL(targetURL), m_limits(limits),
      m_server(new Listener([this](qintptr descriptor) { admit(descriptor); }, this)),
      m_pool(new DevicePreviewUpstreamPool(targetURL, this)), m_relay(new DevicePreviewRelay(this)),
      m_sweep(new QTimer(this)),
      m_rest(new QTimer(this)), m_answerRules{DevicePreviewProxyRewriter::Stream({}),
                                              {},
                                              limits.collectBytes},
      m_holdBudget(limits.heldBytes)
{
    // Time limits are checked a few times within the shortest of them.
    const auto shortest = std::min({m_limits.headTimeout, m_limits.idleTimeout, m_limits.upstreamTimeout});
    m_sweep->setInterval(std::clamp<std::chrono::milliseconds>(shortest / 8, std::chrono::milliseconds(10),
                                                               std::chrono::seconds(1)));
    connect(m_sweep, &QTimer::timeout, this, &DevicePreviewProxyWorker::sweep);
    m_rest->setSingleShot(true);
    m_rest->setInterval(kListenerRest);
    connect(m_rest, &QTimer::timeout, this, [this] {
        if (m_server->isListening())
            m_server->resumeAccepting();
    });
    // The listener stops for good when an accept fails (no descriptor or
    // memory left, say); it is tried again after a rest instead.
    connect(m_server, &QTcpServer::acceptError, this, &DevicePreviewProxyWorker::rest);
}

DevicePreviewProxyWorker::~DevicePreviewProxyWorker()
{
    const QSet<QObject *> open = m_open;
    qDeleteAll(open);
}

void DevicePreviewProxyWorker::listen()
{
    m_server->setListenBacklogSize(kListenBacklog);
    if (!m_server->listen(QHostAddress::Any, 0)) {
        Q_EMIT listening(0);
        return;
    }
    // A connection is taken only once its first bytes are in: a device always
    // speaks first, so a prompt request is whole when it is taken, and one
    // that stays silent waits in the system instead of holding a slot.
    const auto deferSeconds = static_cast<int>(
        std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(m_limits.headTimeout).count()));
    ::setsockopt(static_cast<int>(m_server->socketDescriptor()), IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds,
                 sizeof deferSeconds);
    Q_EMIT listening(m_server->serverPort());
}

void DevicePreviewProxyWorker::setReplacements(const QList<DevicePreviewURLReplacement> &contentReplacements,
                                               const QList<DevicePreviewURLReplacement> &originMappings)
{
    m_originMappings = originMappings;
    m_answerRules.bodyRewriter = DevicePreviewProxyRewriter::Stream(contentReplacements);
    m_answerRules.headerReplacements = contentReplacements + originMappings;
}

void DevicePreviewProxyWorker::shutdown()
{
    m_server->close();
    m_rest->stop();
    const QSet<QObject *> open = m_open;
    qDeleteAll(open);
    m_pool->clear();
    m_sweep->stop();
}

void DevicePreviewProxyWorker::admit(qintptr descriptor)
{
    const auto fd = static_cast<int>(descriptor);
    const QHostAddress address = deviceAddress(fd);
    if (m_openByAddress.value(address) >= m_limits.maxConnectionsPerAddress ||
        (m_open.size() >= m_limits.maxConnections && !makeRoomFor(fd, address))) {
        ::close(fd);
        rest();
        return;
    }
    track(new DevicePreviewConnection(fd, address, *this), address);
}

void DevicePreviewProxyWorker::rest()
{
    m_server->pauseAccepting();
    if (!m_rest->isActive())
        m_rest->start();
}

bool DevicePreviewProxyWorker::makeRoomFor(int fd, const QHostAddress &address)
{
    DevicePreviewConnection *closed = earliest(m_watched, &DevicePreviewConnection::answeredSince);
    if (!closed && hasWholeHead(fd))
        closed = earliest(m_watched, &DevicePreviewConnection::incompleteHeadSince);
    if (!closed)
        closed = stalledInLargestShare(address);
    // Deleting it closes it, and its slot is counted free at once.
    delete closed;
    return closed != nullptr;
}

DevicePreviewConnection *DevicePreviewProxyWorker::stalledInLargestShare(const QHostAddress &newcomer) const
{
    int most = 0;
    for (const int held : m_openByAddress)
        most = std::max(most, held);
    // Only a device whose address holds fewer than the most takes a place,
    // so its own address is never among those that give one up.
    if (m_openByAddress.value(newcomer) >= most)
        return nullptr;
    const ProxyClock::time_point stalledBy = ProxyClock::now() - m_limits.stallTime;
    // Among addresses tied for the most, the one that has waited longest on its device goes.
    return earliest(m_watched, [&](const DevicePreviewConnection *connection) {
        const std::optional<ProxyClock::time_point> since = connection->waitingOnDeviceSince();
        return since && *since <= stalledBy && m_openByAddress.value(connection->address()) == most
                   ? since
                   : std::nullopt;
    });
}

void DevicePreviewProxyWorker::tunnel(DevicePreviewDeviceSocket *device, const HttpProxyRequest &request,
                                      const QHostAddress &address)
{
    track(new DevicePreviewTunnel(device, request, m_targetURL, *m_relay, this), address);
}

void DevicePreviewProxyWorker::track(QObject *open, const QHostAddress &address)
{
    m_open.insert(open);
    ++m_openByAddress[address];
    connect(open, &QObject::destroyed, this, [this, open, address] {
        m_open.remove(open);
        if (--m_openByAddress[address] == 0)
            m_openByAddress.remove(address);
    });
}

void DevicePreviewProxyWorker::watch(DevicePreviewConnection *connection)
{
    m_watched.insert(connection);
    if (!m_sweep->isActive())
        m_sweep->start();
}

void DevicePreviewProxyWorker::unwatch(DevicePreviewConnection *connection)
{
    m_watched.remove(connection);
}

void DevicePreviewProxyWorker::sweep()
{
    const ProxyClock::time_point now = ProxyClock::now();
    const QList<DevicePreviewConnection *> watched = m_watched.values();
    for (DevicePreviewConnection *connection : watched)
        connection->checkTimers(now);
    m_pool->closeIdleSince(now - DevicePreviewUpstreamPool::kIdleLifetime);
    if (m_watched.isEmpty() && !m_pool->hasIdle())
        m_sweep->stop();
}

} // namespace devnook
