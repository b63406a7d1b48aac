#include "ProjectStore.h"

#include "DevicePreviewHooks.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"
#include "core/foundation/PowerEvents.h"
#include "core/processes/DevProcessManager.h"
#include "core/projects/AppSettings.h"
#include "core/projects/ProjectPersisting.h"
#include "core/usage/UsageTrackingService.h"

#include <QCoroTimer>
#include <QDebug>
#include <QPointer>
#include <chrono>
#include <utility>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr std::chrono::seconds kUsageIdleCheckInterval{60};

// What the user must know about a catalogue that was damaged or repaired;
// nothing when it loaded whole.
std::optional<QString> loadReport(const LoadedCatalogue &catalogue)
{
    QStringList lines;
    if (!catalogue.unreadable.isEmpty())
        lines.append(catalogue.unreadable.told(u"projects_not_read"_s, u"projects_not_read_more"_s));
    if (catalogue.renumberedCount > 0)
        lines.append(L10n::plural(u"projects_given_new_ids"_s, catalogue.renumberedCount));
    if (!catalogue.keptAsidePath.isEmpty())
        lines.append(L10n::format(u"catalogue_kept_aside"_s, {catalogue.keptAsidePath}));
    if (!catalogue.keepAsideError.isEmpty())
        lines.append(L10n::format(u"catalogue_not_kept_aside"_s, {catalogue.keepAsideError}));
    if (!catalogue.rewriteError.isEmpty())
        lines.append(L10n::format(u"could_not_save_projects"_s, {catalogue.rewriteError}));
    if (lines.isEmpty())
        return std::nullopt;
    return lines.join(u'\n');
}

} // namespace

ProjectStore::ProjectStore(ProjectStoreServices services, QObject *parent)
    : QObject(parent), m_services(services)
{
    connect(&m_services.processManager, &DevProcessManager::stateDidChange, this,
            &ProjectStore::processStateReported);
    connect(&m_services.processManager, &DevProcessManager::logsDidChange, this,
            &ProjectStore::processLogsReported);
    if (const QString problem = m_services.settings.storageProblem(); !problem.isEmpty())
        m_settingsProblem = L10n::format(u"settings_not_usable"_s, {problem});
    load();
    observeUsageFiles();
    // Queued, so that a click is handled after whatever the notifier was doing.
    connect(&m_services.notifications, &LocalNotificationService::openProjectLogsRequested, this,
            &ProjectStore::openLogsRequested, Qt::QueuedConnection);
    // Direct, so that the pause is written before the machine may sleep.
    connect(&m_services.power, &PowerEvents::willSleep, this, &ProjectStore::machineWillSleep);
    connect(&m_services.power, &PowerEvents::didWake, this, &ProjectStore::machineDidWake);
    m_usageIdleTimer.setObjectName(u"usageIdleTimer"_s);
    m_usageIdleTimer.setInterval(kUsageIdleCheckInterval);
    connect(&m_usageIdleTimer, &QTimer::timeout, this, &ProjectStore::reconcileUsageIdleState);
    m_usageIdleTimer.start();
}

bool ProjectStore::hasActiveProcesses() const
{
    for (const DevProcessState state : m_processStates) {
        if (state == DevProcessState::starting || state == DevProcessState::running)
            return true;
    }
    return false;
}

void ProjectStore::refreshProjectStatuses()
{
    if (m_statusRefreshesHeld) {
        m_statusRefreshRequested = true;
        return;
    }
    refreshGitStatuses();
    refreshEnvProfiles();
    refreshFolderFacts();
    refreshUsageFigures();
}

void ProjectStore::holdStatusRefreshes()
{
    m_statusRefreshesHeld = true;
}

void ProjectStore::releaseStatusRefreshes()
{
    m_statusRefreshesHeld = false;
    if (std::exchange(m_statusRefreshRequested, false))
        refreshProjectStatuses();
}

void ProjectStore::finishUsageTrackingForQuit()
{
    m_services.usage.stopAll(m_services.clock.now());
    refreshUsageFigures();
}

void ProjectStore::load()
{
    auto loaded = m_services.persistence.loadProjects();
    if (loaded) {
        LoadedCatalogue catalogue = std::move(loaded).value();
        setProjects(sorted(std::move(catalogue.projects)));
        m_catalogueReport = loadReport(catalogue);
        setCatalogueError(std::nullopt);
        // The folders are read when the application first asks for the
        // statuses, once its panel is on screen.
        refreshUsageFigures();
        return;
    }
    // The persistence has already kept the unreadable file aside, so the
    // empty list may be written over it later.
    setProjects({});
    refreshUsageFigures();
    setCatalogueError(L10n::format(u"could_not_load_projects"_s, {loaded.error()}));
}

void ProjectStore::persist()
{
    const auto saved = m_services.persistence.saveProjects(m_projects);
    setCatalogueError(saved ? std::nullopt
                            : std::optional(L10n::format(u"could_not_save_projects"_s, {saved.error()})));
}

void ProjectStore::setProjects(QList<DevProject> projects)
{
    m_projects = std::move(projects);
    Q_EMIT projectsChanged();
}

void ProjectStore::setCatalogueError(std::optional<QString> error)
{
    m_catalogueError = std::move(error);
    updateLastError();
}

void ProjectStore::updateLastError()
{
    QStringList problems;
    if (m_catalogueError)
        problems.append(*m_catalogueError);
    if (m_catalogueReport)
        problems.append(*m_catalogueReport);
    if (m_settingsProblem)
        problems.append(*m_settingsProblem);
    if (const QString usage = m_services.usage.fileProblem(); !usage.isEmpty())
        problems.append(usage);
    std::optional<QString> error = problems.isEmpty() ? std::nullopt : std::optional(problems.join(u'\n'));
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    // Also on standard error, so that a failure is seen wherever the
    // interface does not show it.
    if (m_lastError)
        qWarning().noquote() << *m_lastError;
    Q_EMIT lastErrorChanged();
}

void ProjectStore::dismissProblems()
{
    m_catalogueError.reset();
    m_catalogueReport.reset();
    m_settingsProblem.reset();
    m_services.usage.dismissFileProblem();
    updateLastError();
}

void ProjectStore::setInitializing(QSet<QUuid> &marks, const QUuid &projectID, bool initializing)
{
    if (marks.contains(projectID) == initializing)
        return;
    if (initializing)
        marks.insert(projectID);
    else
        marks.remove(projectID);
    Q_EMIT initializingChanged(projectID);
}

const DevProject *ProjectStore::findProject(const QUuid &projectID) const
{
    const qsizetype index = storedIndex(projectID);
    return index < 0 ? nullptr : &m_projects[index];
}

void ProjectStore::log(const QUuid &projectID, const QString &text, bool isError)
{
    m_services.processManager.appendLog(text, projectID, isError);
}

void ProjectStore::logDeliveryFailure(const QUuid &projectID, DeliveryResult result)
{
    if (result == DeliveryResult::notAuthorized || result == DeliveryResult::addFailed)
        log(projectID, L10n::text(u"notification_delivery_failed"_s), true);
}

bool ProjectStore::isCurrentRun(const QUuid &projectID, const QUuid &runToken) const
{
    const auto current = m_readinessRunIDs.constFind(projectID);
    return current != m_readinessRunIDs.cend() && *current == runToken;
}

QCoro::Task<> ProjectStore::afterCurrentWork()
{
    // A zero timer fires once the event loop has run what is queued before it.
    static constexpr std::chrono::milliseconds kNextTurn{0};
    return QCoro::sleepFor(kNextTurn);
}

QCoro::Task<> ProjectStore::refreshDevicePreview(DevProject project)
{
    QPointer<ProjectStore> self(this);
    // Reads the effective URLs as they are once the current work is done.
    co_await afterCurrentWork();
    if (!self)
        co_return;
    co_await m_services.devicePreview.refreshIfActive(project, effectiveLocalURLOverrides(project));
    if (!self)
        co_return;
    m_services.devicePreview.refreshIfOpen(project);
}

} // namespace devnook
