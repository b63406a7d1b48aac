#pragma once

#include "DevicePreviewHTTPProxy.h"
#include "DevicePreviewRecords.h"
#include "DevicePreviewService.h"
#include "core/foundation/Clock.h"
#include "core/projects/DevProject.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <chrono>
#include <map>
#include <memory>

namespace devnook {

class AnalyticsService;
class BootTimeTimer;
class DevicePreviewReachabilityProbe;
class PowerEvents;

// This machine's LAN addresses, read afresh on every call.
class LanInterfaceSource {
public:
    virtual ~LanInterfaceSource() = default;
    // Usable interfaces in display order; empty when there is none.
    virtual QList<DevicePreviewService::LanInterface> interfaces() const = 0;
};

// The interfaces the system lists, ranked.
class SystemLanInterfaces final : public LanInterfaceSource {
public:
    QList<DevicePreviewService::LanInterface> interfaces() const override
    {
        return DevicePreviewService::localIPv4Interfaces();
    }
};

// What the proxy service uses.
struct DevicePreviewProxyServices {
    AnalyticsService &analytics;
    const LanInterfaceSource &lanInterfaces;
    DevicePreviewReachabilityProbe &probe;
    const Clock &clock;
    // A wake starts every pending health check at once.
    PowerEvents &power;
};

// Switches projects' device previews on and off: one LAN proxy per local
// origin that an active project needs, its port, the rewrite lists of every
// proxy, and a health summary per active project, re-checked every 30 s,
// sleep included, and at once after a wake. Lives on the main thread.
class DevicePreviewProxyService : public QObject {
    Q_OBJECT

public:
    explicit DevicePreviewProxyService(DevicePreviewProxyServices services,
                                       const DevicePreviewProxyLimits &limits = {},
                                       QObject *parent = nullptr);
    ~DevicePreviewProxyService() override;

    static constexpr std::chrono::seconds kHealthPeriod{30};

    const QSet<QUuid> &activeProjectIDs() const { return m_activeProjectIDs; }
    const QHash<QUuid, DevicePreviewHealthSummary> &healthByProjectID() const { return m_healthByProjectID; }
    const QHash<QUuid, Timestamp> &lastHealthCheckByProjectID() const { return m_lastHealthCheckByProjectID; }

    // Switches the project's preview on (or refreshes it) and returns its
    // targets with one candidate per interface at their proxy; a target whose
    // proxy could not start has none. An empty list switches the preview off.
    QCoro::Task<QList<DevicePreviewTarget>> proxiedTargets(QList<DevicePreviewTarget> targets,
                                                           QUuid projectID);

    // Switches one project's preview off; proxies no other active project uses stop.
    void deactivate(const QUuid &projectID);
    // Switches every preview off.
    void deactivateAll();

    // Rebuilds an active project's targets and checks them; finishes at once
    // for an inactive project.
    QCoro::Task<> refreshIfActive(DevProject project, QHash<QString, QString> effectiveLocalURLs);

    // Stores a check's result for an active project; dropped for an inactive one.
    void updateHealth(const QUuid &projectID, const QHash<QString, DevicePreviewReachability> &reachability);

Q_SIGNALS:
    // Emitted when the active projects, a health summary or a check time changed.
    void previewStateChanged();

    // Emitted when the start of the proxy for an origin has ended, either way.
    void proxyStartSettled(const QString &origin);

private:
    QCoro::Task<std::optional<quint16>> proxyPort(QUrl localURL);
    DevicePreviewTarget proxiedTarget(const DevicePreviewTarget &target) const;
    void removeUnusedProxies();
    void updateReplacements();

    // DevicePreviewHealth.cpp
    void startHealthRefreshIfNeeded(const QUuid &projectID);
    void machineDidWake();
    QCoro::Task<> refreshHealthForActiveProject(QUuid projectID);
    QCoro::Task<> refreshHealth(QList<DevicePreviewTarget> targets, QUuid projectID);

    DevicePreviewProxyServices m_services;
    DevicePreviewProxyLimits m_limits;
    QSet<QUuid> m_activeProjectIDs;
    QHash<QUuid, DevicePreviewHealthSummary> m_healthByProjectID;
    QHash<QUuid, Timestamp> m_lastHealthCheckByProjectID;
    std::map<QString, std::unique_ptr<DevicePreviewHTTPProxy>> m_proxies;
    QHash<QString, quint16> m_ports;
    QHash<QUuid, QList<DevicePreviewTarget>> m_targetsByProjectID;
    // Each active project's timer of its next periodic check, named
    // "devicePreviewHealth"; active while that check is pending.
    std::map<QUuid, std::unique_ptr<BootTimeTimer>> m_healthTimers;
};

} // namespace devnook
