// The proxy service's health checks: a periodic pass per active project and
// the probes of one check, all in parallel.
#include "DevicePreviewProxyService.h"
#include "DevicePreviewReachabilityProbe.h"
#include "core/foundation/BootTimeTimer.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

void DevicePreviewProxyService::startHealthRefreshIfNeeded(const QUuid &projectID)
{
    if (m_healthTimers.contains(projectID))
        return;
    // The next pass is timed from the end of the last one, on a clock that
    // counts a sleep too; deleting the timer (switching the preview off)
    // ends the loop.
    auto timer = std::make_unique<BootTimeTimer>(kHealthPeriod);
    timer->setObjectName(u"devicePreviewHealth"_s);
    connect(timer.get(), &BootTimeTimer::timeout, this,
            [this, projectID] { refreshHealthForActiveProject(projectID); });
    timer->setParent(this);
    timer->start();
    m_healthTimers.emplace(projectID, std::move(timer));
}

void DevicePreviewProxyService::machineDidWake()
{
    // Whatever the sleep left of a wait, the health shown is as old as the
    // sleep: every pending check starts now. A check under way restarts its
    // timer when it ends.
    QList<QUuid> pending;
    for (const auto &[projectID, timer] : m_healthTimers) {
        if (timer->isActive())
            pending.append(projectID);
    }
    // A pass tells its watchers, who may switch previews off meanwhile.
    for (const QUuid &projectID : pending) {
        const auto timer = m_healthTimers.find(projectID);
        if (timer == m_healthTimers.end())
            continue;
        timer->second->stop();
        refreshHealthForActiveProject(projectID);
    }
}

QCoro::Task<> DevicePreviewProxyService::refreshHealthForActiveProject(QUuid projectID)
{
    if (!m_activeProjectIDs.contains(projectID) || !m_targetsByProjectID.contains(projectID))
        co_return;
    m_healthByProjectID.insert(projectID, DevicePreviewHealthSummary::checking());
    Q_EMIT previewStateChanged();
    // Candidates anew: a changed LAN address is probed at its new address.
    QList<DevicePreviewTarget> targets;
    for (const DevicePreviewTarget &target : m_targetsByProjectID.value(projectID))
        targets.append(proxiedTarget(target));
    QPointer<DevicePreviewProxyService> self(this);
    co_await refreshHealth(targets, projectID);
    if (!self)
        co_return;
    if (const auto timer = m_healthTimers.find(projectID); timer != m_healthTimers.end())
        timer->second->start();
}

QCoro::Task<> DevicePreviewProxyService::refreshHealth(QList<DevicePreviewTarget> targets, QUuid projectID)
{
    QList<DevicePreviewCandidate> candidates;
    for (const DevicePreviewTarget &target : targets)
        candidates.append(target.candidates);
    // Every probe starts now; awaiting them in turn lasts as long as the slowest.
    QPointer<DevicePreviewProxyService> self(this);
    std::vector<QCoro::Task<DevicePreviewReachability>> probes;
    for (const DevicePreviewCandidate &candidate : candidates)
        probes.push_back(m_services.probe.reachability(candidate));
    QHash<QString, DevicePreviewReachability> reachability;
    for (qsizetype i = 0; i < candidates.size(); ++i)
        reachability.insert(candidates.at(i).id(), co_await probes[static_cast<size_t>(i)]);
    if (self)
        updateHealth(projectID, reachability);
}

void DevicePreviewProxyService::updateHealth(const QUuid &projectID,
                                             const QHash<QString, DevicePreviewReachability> &reachability)
{
    if (!m_activeProjectIDs.contains(projectID))
        return;
    const auto available = std::count_if(reachability.begin(), reachability.end(), [](const auto &value) {
        return value.state == DevicePreviewReachability::State::available;
    });
    m_healthByProjectID.insert(projectID,
                               DevicePreviewHealthSummary::result(static_cast<int>(available),
                                                                  static_cast<int>(reachability.size())));
    m_lastHealthCheckByProjectID.insert(projectID, m_services.clock.now());
    Q_EMIT previewStateChanged();
}

} // namespace devnook
