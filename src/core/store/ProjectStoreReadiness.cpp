#include "DevicePreviewHooks.h"
#include "ProjectLogsPresenter.h"
#include "ProjectStore.h"
#include "core/environment/ProjectCommandService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/processes/DevServerURLDiscoveryService.h"
#include "core/processes/PortInspectionService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "core/projects/URLNormalizationService.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

QCoro::Task<std::optional<WorkspaceReadyEndpoint>>
ProjectStore::waitForReadyLocalhostEndpoint(DevProject project, QUuid runToken, Timestamp discoverySince,
                                            bool logProgress)
{
    const QString configuredURL = Text::trimmed(project.localhostURL);
    if (configuredURL.isEmpty())
        co_return std::nullopt;
    // A remembered conflict serves one wait only; its port is left out while
    // the same process still holds it.
    QSet<int> excludedPorts;
    if (const auto conflict = m_continuedDespitePortConflict.constFind(project.id);
        conflict != m_continuedDespitePortConflict.cend()) {
        const PortConflictInfo remembered = *conflict;
        m_continuedDespitePortConflict.erase(conflict);
        const auto listener = m_services.ports.listener(remembered.port);
        if (listener && listener->pid == remembered.pid)
            excludedPorts.insert(remembered.port);
    }
    if (logProgress) {
        for (const int port : std::as_const(excludedPorts))
            log(project.id, L10n::format(u"localhost_wait_alternate_port"_s, {QString::number(port)}));
        log(project.id, L10n::format(u"waiting_for_localhost_log"_s, {configuredURL}));
    }
    QPointer<ProjectStore> self(this);
    auto candidates = [self, project, discoverySince, configuredURL]() -> QList<WorkspaceReadyEndpoint> {
        return self ? self->readinessCandidates(project, discoverySince, configuredURL)
                    : QList<WorkspaceReadyEndpoint>();
    };
    // Nobody waits for a run that has ended or been replaced.
    auto stillWanted = [self, projectID = project.id, runToken] {
        return self && self->isCurrentRun(projectID, runToken);
    };
    co_return co_await m_services.readiness.waitUntilReadyEndpoint(configuredURL, excludedPorts, candidates,
                                                                   stillWanted);
}

QList<WorkspaceReadyEndpoint> ProjectStore::readinessCandidates(const DevProject &project,
                                                                Timestamp discoverySince,
                                                                const QString &configuredURL) const
{
    // Addresses the server printed since the start, then the services' own.
    QList<WorkspaceReadyEndpoint> candidates;
    const QStringList discovered = DevServerURLDiscoveryService::candidateURLs(
        m_processLogs.value(project.id), discoverySince, configuredURL);
    for (const QString &url : discovered)
        candidates.append({url, std::nullopt, std::nullopt});
    for (const ProjectService &service : project.services) {
        const QString url = Text::trimmed(service.localhostURL);
        if (!url.isEmpty())
            candidates.append({url, service.id, service.displayName()});
    }
    return candidates;
}

void ProjectStore::registerEffectiveLocalURL(const WorkspaceReadyEndpoint &endpoint,
                                             const QUuid &fallbackProjectID)
{
    const QString url = URLNormalizationService::normalized(endpoint.url);
    if (url.isEmpty())
        return;
    const QString key =
        endpoint.serviceID ? serviceURLKey(*endpoint.serviceID) : projectURLKey(fallbackProjectID);
    m_effectiveLocalURLs.insert(key, url);
    Q_EMIT effectiveLocalURLsChanged();
}

void ProjectStore::notifyDevProcessStartedIfNeeded(const QUuid &projectID)
{
    // Once per start, however often the processes report running.
    if (m_handledReadinessProjectIDs.contains(projectID))
        return;
    m_handledReadinessProjectIDs.insert(projectID);
    const auto runToken = m_readinessRunIDs.constFind(projectID);
    if (runToken == m_readinessRunIDs.cend())
        return;
    const DevProject *project = findProject(projectID);
    if (!project) {
        setInitializing(m_initializingDevProcesses, projectID, false);
        return;
    }
    runPlayReadiness(*project, *runToken, m_services.clock.now());
}

QCoro::Task<> ProjectStore::runPlayReadiness(DevProject project, QUuid runToken, Timestamp discoverySince)
{
    QPointer<ProjectStore> self(this);
    co_await afterCurrentWork();
    if (!self || !isCurrentRun(project.id, runToken))
        co_return;
    if (Text::isBlank(project.localhostURL)) {
        const DeliveryResult delivery =
            co_await m_services.notifications.notifyDevProcessStartedWithoutURL(project.name);
        if (!self || !isCurrentRun(project.id, runToken))
            co_return;
        logDeliveryFailure(project.id, delivery);
    } else {
        const auto endpoint =
            co_await waitForReadyLocalhostEndpoint(project, runToken, discoverySince, false);
        if (!self || !isCurrentRun(project.id, runToken))
            co_return;
        if (endpoint) {
            registerEffectiveLocalURL(*endpoint, project.id);
            // The browser opens before the notification is posted.
            if (project.openLocalURLAfterStart)
                m_services.commands.openURL(endpoint->url);
            const DeliveryResult delivery =
                co_await m_services.notifications.notifyDevProcessStarted(project.name, endpoint->url);
            if (!self || !isCurrentRun(project.id, runToken))
                co_return;
            co_await m_services.devicePreview.refreshIfActive(project, effectiveLocalURLOverrides(project));
            if (!self || !isCurrentRun(project.id, runToken))
                co_return;
            m_services.devicePreview.refreshIfOpen(project);
            logDeliveryFailure(project.id, delivery);
        } else {
            // Failed processes have ended the run before this point, and
            // posted their own notification.
            co_await notifyDevProcessReadinessFailed(project.id);
            if (!self || !isCurrentRun(project.id, runToken))
                co_return;
        }
    }
    setInitializing(m_initializingDevProcesses, project.id, false);
}

QCoro::Task<> ProjectStore::notifyDevProcessReadinessFailed(QUuid projectID)
{
    const DevProject *project = findProject(projectID);
    if (!project)
        co_return;
    QPointer<ProjectStore> self(this);
    const DeliveryResult delivery =
        co_await m_services.notifications.notifyDevProcessReadinessFailed(project->name, projectID);
    if (self)
        logDeliveryFailure(projectID, delivery);
}

void ProjectStore::notifyDevProcessFailed(const QUuid &projectID)
{
    if (const DevProject *project = findProject(projectID))
        postDevProcessFailed(*project);
}

QCoro::Task<> ProjectStore::postDevProcessFailed(DevProject project)
{
    QPointer<ProjectStore> self(this);
    co_await afterCurrentWork();
    if (!self)
        co_return;
    const DeliveryResult delivery =
        co_await m_services.notifications.notifyDevProcessFailed(project.name, project.id);
    if (self)
        logDeliveryFailure(project.id, delivery);
}

void ProjectStore::openLogsRequested(const QUuid &projectID)
{
    if (const DevProject *project = findProject(projectID))
        m_services.logsPresenter.show(*project);
}

} // namespace devnook
