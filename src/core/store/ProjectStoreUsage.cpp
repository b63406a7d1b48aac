// When usage sessions open, pause and resume, and the two usage maps.
#include "IdleTimeSource.h"
#include "ProjectStore.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"
#include "core/projects/AppSettings.h"
#include "core/usage/UsageCalendar.h"
#include "core/usage/UsageTrackingService.h"

#include <QPointer>
#include <utility>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Input older than this counts as the user being away; exactly this counts.
constexpr double kIdleThresholdSeconds = 900.0;

} // namespace

void ProjectStore::startUsageTracking(const QUuid &projectID)
{
    const DevProject *project = findProject(projectID);
    if (!project)
        return;
    const ProjectUsageSessionSource source =
        m_pendingUsageSources.value(projectID, ProjectUsageSessionSource::playButton);
    m_pendingUsageSources.remove(projectID);
    m_services.usage.start(*project, source, m_services.clock.now());
    refreshUsageSummary(projectID);
    refreshUsageTrackingState(projectID);
}

void ProjectStore::stopUsageTracking(const QUuid &projectID)
{
    m_autoPausedUsageProjectIDs.remove(projectID);
    // A paused session recorded its time when it was paused.
    if (m_services.usage.stop(projectID, m_services.clock.now()))
        refreshUsageSummary(projectID);
    refreshUsageTrackingState(projectID);
}

void ProjectStore::setUsageSummaries(QHash<QUuid, ProjectUsageSummary> summaries)
{
    m_usageSummaries = std::move(summaries);
    Q_EMIT usageSummariesChanged();
}

void ProjectStore::refreshUsageSummary(const QUuid &projectID)
{
    m_usageSummaries.insert(
        projectID, m_services.usage.summary(projectID, UsageCalendar::current(), m_services.clock.now()));
    Q_EMIT usageSummariesChanged();
}

void ProjectStore::refreshUsageTrackingState(const QUuid &projectID)
{
    m_usageTrackingStates.insert(projectID,
                                 m_services.usage.trackingState(projectID, m_services.clock.now()));
    Q_EMIT usageTrackingStatesChanged();
}

void ProjectStore::refreshUsageTrackingStates()
{
    const Timestamp now = m_services.clock.now();
    QHash<QUuid, UsageTrackingState> states;
    for (const DevProject &project : std::as_const(m_projects))
        states.insert(project.id, m_services.usage.trackingState(project.id, now));
    m_usageTrackingStates = std::move(states);
    Q_EMIT usageTrackingStatesChanged();
}

void ProjectStore::toggleUsageTrackingPause(const DevProject &project)
{
    const Timestamp now = m_services.clock.now();
    const UsageTrackingState state = m_services.usage.trackingState(project.id, now);
    if (!state.isActive)
        return;
    if (state.isPaused) {
        m_services.usage.resume(project.id, now);
        m_autoPausedUsageProjectIDs.remove(project.id);
        log(project.id, L10n::text(u"usage_tracking_resumed_log"_s));
    } else {
        m_services.usage.pause(project.id, now);
        log(project.id, L10n::text(u"usage_tracking_paused_log"_s));
    }
    refreshUsageSummary(project.id);
    refreshUsageTrackingState(project.id);
}

QCoro::Task<> ProjectStore::reconcileUsageIdleState()
{
    if (m_services.settings.pauseUsageTrackingWhenIdle()) {
        QPointer<ProjectStore> self(this);
        const int sleepsBefore = m_sleepCount;
        const double idleSeconds = co_await m_services.idleTime.secondsSinceLastInput();
        // A reading from before a sleep says nothing about the user now, and
        // must not resume what the sleep paused; the wake checks again.
        if (!self || m_sleepCount != sleepsBefore)
            co_return;
        // The setting may have been switched off while the desktop answered.
        if (m_services.settings.pauseUsageTrackingWhenIdle() && idleSeconds >= kIdleThresholdSeconds) {
            pauseUsageTrackingForIdleIfNeeded(
                m_services.clock.now().addSeconds(kIdleThresholdSeconds - idleSeconds));
            co_return;
        }
    }
    resumeAutoPausedUsageTrackingIfNeeded();
}

void ProjectStore::pauseUsageTrackingForIdleIfNeeded(Timestamp at)
{
    const Timestamp now = m_services.clock.now();
    for (const DevProject &project : std::as_const(m_projects)) {
        const UsageTrackingState state = m_services.usage.trackingState(project.id, now);
        // Paused sessions, by hand or by an earlier check, stay as they are.
        if (!state.isActive || state.isPaused)
            continue;
        m_services.usage.pause(project.id, at);
        m_autoPausedUsageProjectIDs.insert(project.id);
        log(project.id, L10n::text(u"usage_tracking_auto_paused_log"_s));
        refreshUsageSummary(project.id);
        refreshUsageTrackingState(project.id);
    }
}

void ProjectStore::resumeAutoPausedUsageTrackingIfNeeded()
{
    const QSet<QUuid> paused = std::exchange(m_autoPausedUsageProjectIDs, {});
    for (const QUuid &projectID : paused) {
        m_services.usage.resume(projectID, m_services.clock.now());
        if (findProject(projectID))
            log(projectID, L10n::text(u"usage_tracking_auto_resumed_log"_s));
        refreshUsageSummary(projectID);
        refreshUsageTrackingState(projectID);
    }
}

void ProjectStore::machineWillSleep()
{
    ++m_sleepCount;
    if (m_services.settings.pauseUsageTrackingWhenIdle())
        pauseUsageTrackingForIdleIfNeeded(m_services.clock.now());
    // The machine may not wake again: like quit, the one wait for the disk.
    m_services.usage.waitForFiles();
}

void ProjectStore::machineDidWake()
{
    reconcileUsageIdleState();
}

void ProjectStore::observeUsageFiles()
{
    connect(&m_services.usage, &UsageTrackingService::sessionsLoaded, this,
            &ProjectStore::usageSessionsLoaded);
    connect(&m_services.usage, &UsageTrackingService::fileProblemChanged, this,
            &ProjectStore::updateLastError);
    updateLastError();
}

void ProjectStore::usageSessionsLoaded()
{
    // A refresh waiting for its release computes them then, once.
    if (m_statusRefreshesHeld && m_statusRefreshRequested)
        return;
    refreshUsageFigures();
}

void ProjectStore::refreshUsageFigures()
{
    // Before the history is read they would be empty; its reading brings them.
    if (m_services.usage.isLoaded())
        setUsageSummaries(m_services.usage.summaries(m_projects));
    refreshUsageTrackingStates();
}

} // namespace devnook
