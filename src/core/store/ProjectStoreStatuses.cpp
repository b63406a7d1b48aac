// The git, .env and folder state of the project folders, read off the main
// thread.
#include "ProjectStore.h"
#include "core/environment/BackgroundReads.h"

#include <QPointer>
#include <utility>

namespace devnook {

namespace {

// A project deleted while its folder was read must not get its entry back.
template <typename T> void keepListed(QHash<QUuid, T> &entries, const QSet<QUuid> &listed)
{
    entries.removeIf([&listed](const auto &entry) { return !listed.contains(entry.key()); });
}

} // namespace

// Each run publishes on a later turn than its request, after its reads: reads
// can end before they are awaited (nothing to read, or a main thread that
// waited for the processor), and a run that ended inside its request would
// publish inside the caller and leave the requests that follow unfolded.
bool ProjectStore::beginRefresh(RefreshRun &run)
{
    if (run.isRunning) {
        run.isPending = true;
        return false;
    }
    run.isRunning = true;
    return true;
}

void ProjectStore::refreshGitStatuses()
{
    // Hundreds of git processes per refresh: never two sets at once.
    if (beginRefresh(m_gitRefresh))
        readGitStatuses(m_projects);
}

void ProjectStore::refreshEnvProfiles()
{
    if (beginRefresh(m_envRefresh))
        readEnvProfiles(m_projects);
}

void ProjectStore::refreshFolderFacts()
{
    if (beginRefresh(m_folderRefresh))
        readFolderFacts(m_projects);
}

void ProjectStore::endRefresh(RefreshRun &run, void (ProjectStore::*again)())
{
    run.isRunning = false;
    if (std::exchange(run.isPending, false))
        (this->*again)();
    // The reads of every project leave megabytes free; once none runs, they
    // go back to the system.
    if (!m_gitRefresh.isRunning && !m_envRefresh.isRunning && !m_folderRefresh.isRunning)
        releaseFreeMemory();
}

void ProjectStore::refreshGitStatus(const DevProject &project)
{
    readGitStatus(project);
}

void ProjectStore::refreshEnvProfile(const DevProject &project)
{
    readEnvProfile(project);
}

QCoro::Task<> ProjectStore::readGitStatuses(QList<DevProject> snapshot)
{
    QPointer<ProjectStore> self(this);
    const QList<std::optional<ProjectGitStatus>> read = co_await readEach(
        snapshot, [](const DevProject &project) { return GitStatusService::readStatus(project.folderPath); });
    co_await afterCurrentWork();
    if (!self)
        co_return;
    QHash<QUuid, ProjectGitStatus> statuses;
    for (qsizetype i = 0; i < snapshot.size(); ++i)
        if (read[i])
            statuses.insert(snapshot[i].id, *read[i]);
    keepListed(statuses, projectIDs());
    m_gitStatuses = std::move(statuses);
    Q_EMIT gitStatusesChanged();
    endRefresh(m_gitRefresh, &ProjectStore::refreshGitStatuses);
}

QCoro::Task<> ProjectStore::readEnvProfiles(QList<DevProject> snapshot)
{
    QPointer<ProjectStore> self(this);
    const QList<std::optional<ProjectEnvDetail>> read =
        co_await readEach(snapshot, [](const DevProject &project) {
            return EnvProfileService::readDetail(project.folderPath);
        });
    co_await afterCurrentWork();
    if (!self)
        co_return;
    QHash<QUuid, ProjectEnvProfile> profiles;
    QHash<QUuid, ProjectEnvDetail> details;
    for (qsizetype i = 0; i < snapshot.size(); ++i) {
        if (read[i]) {
            profiles.insert(snapshot[i].id, ProjectEnvProfile::fromDetail(*read[i]));
            details.insert(snapshot[i].id, *read[i]);
        }
    }
    const QSet<QUuid> listed = projectIDs();
    keepListed(profiles, listed);
    keepListed(details, listed);
    m_envProfiles = std::move(profiles);
    m_envDetails = std::move(details);
    Q_EMIT envProfilesChanged();
    endRefresh(m_envRefresh, &ProjectStore::refreshEnvProfiles);
}

QCoro::Task<> ProjectStore::readFolderFacts(QList<DevProject> snapshot)
{
    QPointer<ProjectStore> self(this);
    QHash<QUuid, ProjectFolderFacts> facts = co_await ProjectFolderFactsService::facts(std::move(snapshot));
    co_await afterCurrentWork();
    if (!self)
        co_return;
    keepListed(facts, projectIDs());
    m_folderFacts = std::move(facts);
    Q_EMIT folderFactsChanged();
    endRefresh(m_folderRefresh, &ProjectStore::refreshFolderFacts);
}

QCoro::Task<> ProjectStore::readGitStatus(DevProject project)
{
    QPointer<ProjectStore> self(this);
    const std::optional<ProjectGitStatus> status = co_await GitStatusService::status(project);
    if (!self || !findProject(project.id))
        co_return;
    if (status)
        m_gitStatuses.insert(project.id, *status);
    else
        m_gitStatuses.remove(project.id);
    Q_EMIT gitStatusesChanged();
}

QCoro::Task<> ProjectStore::readEnvProfile(DevProject project)
{
    QPointer<ProjectStore> self(this);
    const std::optional<ProjectEnvDetail> detail = co_await EnvProfileService::detail(project);
    if (!self || !findProject(project.id))
        co_return;
    setEnvEntry(project.id, detail);
    Q_EMIT envProfilesChanged();
}

void ProjectStore::setEnvEntry(const QUuid &projectID, const std::optional<ProjectEnvDetail> &detail)
{
    if (detail) {
        m_envDetails.insert(projectID, *detail);
        m_envProfiles.insert(projectID, ProjectEnvProfile::fromDetail(*detail));
    } else {
        m_envDetails.remove(projectID);
        m_envProfiles.remove(projectID);
    }
}

void ProjectStore::dropStatuses(const QUuid &projectID)
{
    m_gitStatuses.remove(projectID);
    setEnvEntry(projectID, std::nullopt);
    m_folderFacts.remove(projectID);
    m_usageSummaries.remove(projectID);
    m_usageTrackingStates.remove(projectID);
    Q_EMIT gitStatusesChanged();
    Q_EMIT envProfilesChanged();
    Q_EMIT folderFactsChanged();
    Q_EMIT usageSummariesChanged();
    Q_EMIT usageTrackingStatesChanged();
}

QSet<QUuid> ProjectStore::projectIDs() const
{
    QSet<QUuid> ids;
    ids.reserve(m_projects.size());
    for (const DevProject &project : m_projects)
        ids.insert(project.id);
    return ids;
}

} // namespace devnook
