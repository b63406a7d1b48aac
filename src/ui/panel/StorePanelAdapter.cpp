#include "StorePanelAdapter.h"

#include "core/preview/DevicePreviewProxyService.h"
#include "core/store/ProjectStore.h"

namespace devnook {

StorePanelAdapter::StorePanelAdapter(ProjectStore &store, DevicePreviewProxyService &previews,
                                     QObject *parent)
    : PanelStore(parent), m_store(store), m_previews(previews)
{
    connect(&m_store, &ProjectStore::projectsChanged, this, &PanelStore::projectsChanged);
    connect(&m_store, &ProjectStore::processStateChanged, this, &PanelStore::projectStateChanged);
    connect(&m_store, &ProjectStore::initializingChanged, this, &PanelStore::projectStateChanged);
    connect(&m_store, &ProjectStore::gitStatusesChanged, this, &PanelStore::statusesChanged);
    connect(&m_store, &ProjectStore::envProfilesChanged, this, &PanelStore::statusesChanged);
    connect(&m_store, &ProjectStore::folderFactsChanged, this, &PanelStore::statusesChanged);
    connect(&m_store, &ProjectStore::usageTrackingStatesChanged, this, &PanelStore::statusesChanged);
    connect(&m_store, &ProjectStore::lastErrorChanged, this, &PanelStore::lastErrorChanged);
    connect(&m_previews, &DevicePreviewProxyService::previewStateChanged, this,
            &PanelStore::devicePreviewChanged);
}

const QList<DevProject> &StorePanelAdapter::projects() const
{
    return m_store.projects();
}

const QHash<QUuid, ProjectGitStatus> &StorePanelAdapter::gitStatuses() const
{
    return m_store.gitStatuses();
}

const QHash<QUuid, ProjectEnvProfile> &StorePanelAdapter::envProfiles() const
{
    return m_store.envProfiles();
}

const QHash<QUuid, ProjectFolderFacts> &StorePanelAdapter::folderFacts() const
{
    return m_store.folderFacts();
}

UsageTrackingState StorePanelAdapter::usageTrackingState(const QUuid &projectID) const
{
    return m_store.usageTrackingStates().value(projectID);
}

DevProcessState StorePanelAdapter::displayProcessState(const DevProject &project) const
{
    return m_store.displayProcessState(project);
}

std::optional<QString> StorePanelAdapter::lastError() const
{
    return m_store.lastError();
}

void StorePanelAdapter::dismissLastError()
{
    m_store.dismissProblems();
}

bool StorePanelAdapter::isDevicePreviewActive(const QUuid &projectID) const
{
    return m_previews.activeProjectIDs().contains(projectID);
}

std::optional<DevicePreviewHealthSummary> StorePanelAdapter::devicePreviewHealth(const QUuid &projectID) const
{
    const auto health = m_previews.healthByProjectID().constFind(projectID);
    if (health == m_previews.healthByProjectID().cend())
        return std::nullopt;
    return *health;
}

void StorePanelAdapter::refreshProjectStatuses()
{
    m_store.refreshProjectStatuses();
}

void StorePanelAdapter::togglePinned(const DevProject &project)
{
    m_store.togglePinned(project);
}

void StorePanelAdapter::markUsed(const DevProject &project)
{
    m_store.markUsed(project);
}

void StorePanelAdapter::archive(const DevProject &project)
{
    m_store.archive(project);
}

void StorePanelAdapter::restore(const DevProject &project)
{
    m_store.restore(project);
}

void StorePanelAdapter::deleteProject(const DevProject &project)
{
    m_store.deleteProject(project);
}

void StorePanelAdapter::toggleDevProcess(const DevProject &project)
{
    m_store.toggleDevProcess(project);
}

void StorePanelAdapter::startWorkspace(const DevProject &project)
{
    m_store.startWorkspace(project);
}

void StorePanelAdapter::toggleUsageTrackingPause(const DevProject &project)
{
    m_store.toggleUsageTrackingPause(project);
}

} // namespace devnook
