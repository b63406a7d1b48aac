#include "DevicePreviewHooks.h"
#include "ProjectLogsPresenter.h"
#include "ProjectStore.h"
#include "core/analytics/AnalyticsService.h"
#include "core/environment/ProjectCommandService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/processes/DevProcessManager.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "core/projects/URLNormalizationService.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

void ProjectStore::startWorkspace(const DevProject &project)
{
    m_services.analytics.signal(AnalyticsEvent::workspaceStarted,
                                analyticsParameters(project, u"workspace"_s));
    markUsed(project);
    setInitializing(m_initializingWorkspaces, project.id, true);
    // The workspace takes over a play start still waiting for readiness;
    // its mark would otherwise never be cleared, as its token is replaced.
    setInitializing(m_initializingDevProcesses, project.id, false);
    m_handledReadinessProjectIDs.insert(project.id);
    const QUuid runToken = QUuid::createUuid();
    m_readinessRunIDs.insert(project.id, runToken);
    log(project.id, L10n::text(u"starting_workspace_log"_s));

    const DevProcessState state = m_processStates.value(project.id, DevProcessState::stopped);
    const bool mustStart = state == DevProcessState::stopped || state == DevProcessState::failed;
    if (mustStart && !ensurePortAvailable(project)) {
        signalProcessStartFailed(project, ProjectUsageSessionSource::startWorkspace, u"start-blocked"_s);
        setInitializing(m_initializingWorkspaces, project.id, false);
        m_handledReadinessProjectIDs.remove(project.id);
        m_readinessRunIDs.remove(project.id);
        return;
    }
    if (!Text::isBlank(project.editorCommand)) {
        log(project.id, L10n::text(u"opening_editor_log"_s));
        m_services.commands.openEditorInBackground(project);
    }
    if (mustStart) {
        log(project.id, L10n::text(u"starting_dev_process_log"_s));
        m_pendingUsageSources.insert(project.id, ProjectUsageSessionSource::startWorkspace);
        m_services.processManager.start(project);
    } else {
        log(project.id, L10n::text(u"dev_process_already_running_log"_s));
    }
    if (Text::isBlank(project.localhostURL)) {
        log(project.id, L10n::text(u"no_localhost_configured_log"_s));
        openWorkspaceLinks(project, {});
        setInitializing(m_initializingWorkspaces, project.id, false);
        return;
    }
    runWorkspaceReadiness(project, runToken, m_services.clock.now());
}

QCoro::Task<> ProjectStore::runWorkspaceReadiness(DevProject project, QUuid runToken,
                                                  Timestamp discoverySince)
{
    QPointer<ProjectStore> self(this);
    co_await afterCurrentWork();
    if (!self || !isCurrentRun(project.id, runToken))
        co_return;
    const auto endpoint = co_await waitForReadyLocalhostEndpoint(project, runToken, discoverySince, true);
    // A newer start or the end of the processes has taken over.
    if (!self || !isCurrentRun(project.id, runToken))
        co_return;

    if (!endpoint) {
        // Fixed English, like the process manager's own lines.
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_services.readiness.timeout());
        log(project.id, u"Localhost did not become ready after %1 seconds"_s.arg(seconds.count()), true);
        setInitializing(m_initializingWorkspaces, project.id, false);
        // Failed processes have ended the run before this point, and posted
        // their own notification.
        co_await notifyWorkspaceFailed(project.id);
        if (!self || !isCurrentRun(project.id, runToken))
            co_return;
        m_services.logsPresenter.show(project);
        co_return;
    }

    registerEffectiveLocalURL(*endpoint, project.id);
    logWorkspaceReady(project, *endpoint);
    const DeliveryResult delivery =
        co_await m_services.notifications.notifyWorkspaceReady(project.name, endpoint->url);
    if (!self || !isCurrentRun(project.id, runToken))
        co_return;
    logDeliveryFailure(project.id, delivery);
    QSet<QString> opened;
    if (project.openLocalURLAfterStart) {
        m_services.commands.openURL(endpoint->url);
        opened.insert(URLNormalizationService::normalized(endpoint->url));
    }
    openWorkspaceLinks(project, opened);
    co_await m_services.devicePreview.refreshIfActive(project, effectiveLocalURLOverrides(project));
    if (!self || !isCurrentRun(project.id, runToken))
        co_return;
    m_services.devicePreview.refreshIfOpen(project);
    setInitializing(m_initializingWorkspaces, project.id, false);
}

void ProjectStore::logWorkspaceReady(const DevProject &project, const WorkspaceReadyEndpoint &endpoint)
{
    const std::optional<QString> serviceName =
        endpoint.serviceName ? endpoint.serviceName : readyServiceName(project, endpoint.url);
    QString line;
    if (serviceName) {
        line = L10n::format(u"service_localhost_ready"_s, {*serviceName, endpoint.url});
    } else if (endpoint.url == URLNormalizationService::normalized(project.localhostURL)) {
        line = L10n::text(project.openLocalURLAfterStart ? u"localhost_ready_open_browser"_s
                                                         : u"localhost_ready_no_browser"_s);
    } else {
        line = L10n::format(project.openLocalURLAfterStart ? u"localhost_ready_alternate"_s
                                                           : u"localhost_ready_alternate_no_browser"_s,
                            {endpoint.url});
    }
    log(project.id, line);
}

void ProjectStore::openWorkspaceLinks(const DevProject &project, QSet<QString> excluding)
{
    // Several links to one page, or a link to the page the browser has just
    // opened, open once.
    QStringList urls;
    for (const ProjectLink &link : project.workspaceLinks) {
        if (!link.openWithWorkspace)
            continue;
        const QString url = URLNormalizationService::normalized(link.url);
        if (url.isEmpty() || excluding.contains(url))
            continue;
        excluding.insert(url);
        urls.append(url);
    }
    if (urls.isEmpty())
        return;
    log(project.id, L10n::format(u"opening_workspace_links"_s, {QString::number(urls.size())}));
    for (const QString &url : urls)
        m_services.commands.openURL(url);
}

QCoro::Task<> ProjectStore::notifyWorkspaceFailed(QUuid projectID)
{
    const DevProject *project = findProject(projectID);
    if (!project)
        co_return;
    QPointer<ProjectStore> self(this);
    const DeliveryResult delivery =
        co_await m_services.notifications.notifyWorkspaceFailed(project->name, projectID);
    if (self)
        logDeliveryFailure(projectID, delivery);
}

std::optional<QString> ProjectStore::readyServiceName(const DevProject &project, const QString &url)
{
    const QString target = URLNormalizationService::normalized(url);
    if (target.isEmpty())
        return std::nullopt;
    for (const ProjectService &service : project.services) {
        if (URLNormalizationService::normalized(service.localhostURL) == target)
            return service.displayName();
    }
    return std::nullopt;
}

} // namespace devnook
