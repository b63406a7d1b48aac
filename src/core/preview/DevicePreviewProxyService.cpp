#include "DevicePreviewProxyService.h"

#include "DevicePreviewOrigins.h"
#include "core/analytics/AnalyticsService.h"
#include "core/foundation/BootTimeTimer.h"
#include "core/foundation/PowerEvents.h"
#include "core/foundation/Wakeup.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

DevicePreviewProxyService::DevicePreviewProxyService(DevicePreviewProxyServices services,
                                                     const DevicePreviewProxyLimits &limits, QObject *parent)
    : QObject(parent), m_services(services), m_limits(limits)
{
    connect(&m_services.power, &PowerEvents::didWake, this, &DevicePreviewProxyService::machineDidWake);
}

DevicePreviewProxyService::~DevicePreviewProxyService() = default;

QCoro::Task<QList<DevicePreviewTarget>>
DevicePreviewProxyService::proxiedTargets(QList<DevicePreviewTarget> targets, QUuid projectID)
{
    if (targets.isEmpty()) {
        deactivate(projectID);
        co_return {};
    }
    const bool wasActive = m_activeProjectIDs.contains(projectID);
    m_activeProjectIDs.insert(projectID);
    if (!wasActive)
        m_services.analytics.signal(AnalyticsEvent::devicePreviewStarted,
                                    {{u"configured-target-count"_s, QString::number(targets.size())}});
    m_healthByProjectID.insert(projectID, DevicePreviewHealthSummary::checking());
    m_targetsByProjectID.insert(projectID, targets);
    Q_EMIT previewStateChanged();

    QPointer<DevicePreviewProxyService> self(this);
    for (const DevicePreviewTarget &target : targets) {
        co_await proxyPort(target.localURL);
        if (!self)
            co_return {};
    }
    removeUnusedProxies();
    updateReplacements();
    // Switched off while its proxies started: no health loop for it.
    if (m_activeProjectIDs.contains(projectID))
        startHealthRefreshIfNeeded(projectID);

    QList<DevicePreviewTarget> proxied;
    for (const DevicePreviewTarget &target : targets)
        proxied.append(proxiedTarget(target));
    co_return proxied;
}

QCoro::Task<std::optional<quint16>> DevicePreviewProxyService::proxyPort(QUrl localURL)
{
    const QString origin = DevicePreviewOrigins::origin(localURL);
    if (m_ports.contains(origin))
        co_return m_ports.value(origin);
    if (!m_proxies.contains(origin)) {
        std::unique_ptr<DevicePreviewHTTPProxy> proxy = DevicePreviewHTTPProxy::create(localURL, m_limits);
        if (!proxy)
            co_return std::nullopt;
        DevicePreviewHTTPProxy *started = proxy.get();
        connect(started, &DevicePreviewHTTPProxy::startFinished, this, [this, origin, started](quint16 port) {
            const auto entry = m_proxies.find(origin);
            if (entry == m_proxies.end() || entry->second.get() != started)
                return;
            if (port != 0)
                m_ports.insert(origin, port);
            else
                m_proxies.erase(entry);
            Q_EMIT proxyStartSettled(origin);
        });
        m_proxies.emplace(origin, std::move(proxy));
        started->start();
    }
    // Another activation may already wait for this origin's proxy: both take its port.
    QPointer<DevicePreviewProxyService> self(this);
    Wakeup settled;
    connect(this, &DevicePreviewProxyService::proxyStartSettled, &settled,
            [&settled, origin](const QString &done) {
                if (done == origin)
                    settled.wake();
            });
    connect(this, &QObject::destroyed, &settled, &Wakeup::wake);
    co_await settled.wait();
    if (!self)
        co_return std::nullopt;
    if (m_ports.contains(origin))
        co_return m_ports.value(origin);
    co_return std::nullopt;
}

DevicePreviewTarget DevicePreviewProxyService::proxiedTarget(const DevicePreviewTarget &target) const
{
    DevicePreviewTarget proxied{target.name, target.localURL, target.replacesReferences, {}};
    const auto port = m_ports.constFind(DevicePreviewOrigins::origin(target.localURL));
    if (port == m_ports.constEnd())
        return proxied;
    for (const DevicePreviewService::LanInterface &interface : m_services.lanInterfaces.interfaces()) {
        if (const std::optional<QUrl> url =
                DevicePreviewOrigins::lanURL(target.localURL, interface.address, *port))
            proxied.candidates.append({interface.name, interface.address, *url});
    }
    return proxied;
}

void DevicePreviewProxyService::removeUnusedProxies()
{
    QSet<QString> used;
    for (const QList<DevicePreviewTarget> &targets : std::as_const(m_targetsByProjectID)) {
        for (const DevicePreviewTarget &target : targets)
            used.insert(DevicePreviewOrigins::origin(target.localURL));
    }
    for (auto entry = m_proxies.begin(); entry != m_proxies.end();) {
        if (used.contains(entry->first)) {
            ++entry;
            continue;
        }
        const QString origin = entry->first;
        const bool starting = !m_ports.contains(origin);
        m_ports.remove(origin);
        // Destroying the proxy stops it and closes its connections and tunnels.
        entry = m_proxies.erase(entry);
        // An activation waiting for this start must not wait for ever.
        if (starting)
            Q_EMIT proxyStartSettled(origin);
    }
}

void DevicePreviewProxyService::updateReplacements()
{
    const QList<DevicePreviewService::LanInterface> interfaces = m_services.lanInterfaces.interfaces();
    QList<DevicePreviewURLReplacement> contentReplacements;
    QList<DevicePreviewURLReplacement> originMappings;
    for (const QList<DevicePreviewTarget> &targets : std::as_const(m_targetsByProjectID)) {
        for (const DevicePreviewTarget &target : targets) {
            const QString origin = DevicePreviewOrigins::origin(target.localURL);
            const auto port = m_ports.constFind(origin);
            if (port == m_ports.constEnd())
                continue;
            for (const DevicePreviewService::LanInterface &interface : interfaces) {
                if (const auto url = DevicePreviewOrigins::lanURL(target.localURL, interface.address, *port))
                    originMappings.append({origin, DevicePreviewOrigins::origin(*url)});
            }
            // Bodies name one LAN address only: the first interface's.
            if (target.replacesReferences && !interfaces.isEmpty()) {
                if (const auto url =
                        DevicePreviewOrigins::lanURL(target.localURL, interfaces.first().address, *port))
                    contentReplacements.append({origin, DevicePreviewOrigins::origin(*url)});
            }
        }
    }
    for (const auto &[origin, proxy] : m_proxies)
        proxy->update(contentReplacements, originMappings);
}

void DevicePreviewProxyService::deactivate(const QUuid &projectID)
{
    m_activeProjectIDs.remove(projectID);
    m_healthByProjectID.remove(projectID);
    m_lastHealthCheckByProjectID.remove(projectID);
    m_targetsByProjectID.remove(projectID);
    m_healthTimers.erase(projectID);
    removeUnusedProxies();
    updateReplacements();
    Q_EMIT previewStateChanged();
}

void DevicePreviewProxyService::deactivateAll()
{
    const bool hadAny = !m_activeProjectIDs.isEmpty() || !m_proxies.empty();
    m_activeProjectIDs.clear();
    m_healthByProjectID.clear();
    m_lastHealthCheckByProjectID.clear();
    m_targetsByProjectID.clear();
    m_healthTimers.clear();
    removeUnusedProxies();
    updateReplacements();
    if (hadAny)
        Q_EMIT previewStateChanged();
}

QCoro::Task<> DevicePreviewProxyService::refreshIfActive(DevProject project,
                                                         QHash<QString, QString> effectiveLocalURLs)
{
    if (!m_activeProjectIDs.contains(project.id))
        co_return;
    const QList<DevicePreviewTarget> targets =
        DevicePreviewService::targets(project, effectiveLocalURLs, m_services.lanInterfaces.interfaces());
    QPointer<DevicePreviewProxyService> self(this);
    const QList<DevicePreviewTarget> proxied = co_await proxiedTargets(targets, project.id);
    if (!self)
        co_return;
    co_await refreshHealth(proxied, project.id);
}

} // namespace devnook
