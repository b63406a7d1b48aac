// Starting, pausing, resuming and stopping sessions, and editing the recorded ones.
#include "UsageTrackingService.h"

#include "UsageLimits.h"
#include "UsageSessionSplitting.h"

#include <algorithm>

namespace devnook {

double UsageTrackingService::ActiveSession::trackedDuration(Timestamp at) const
{
    const double elapsed = std::max(0.0, startedAt.secondsTo(std::max(startedAt, at)));
    double paused = pausedDuration;
    if (pausedAt)
        paused += std::max(0.0, pausedAt->secondsTo(at));
    return std::max(0.0, elapsed - paused);
}

ProjectUsageSession UsageTrackingService::stretchOf(const ActiveSession &session, Timestamp endedAt)
{
    const Timestamp end = std::max(session.startedAt, endedAt);
    double paused = session.pausedDuration;
    if (session.pausedAt)
        paused += std::max(0.0, session.pausedAt->secondsTo(end));
    return ProjectUsageSession{session.stretchID,    session.projectID, session.projectName, session.client,
                               session.stack,        session.source,    session.startedAt,   end,
                               std::max(0.0, paused)};
}

QList<ProjectUsageSession> UsageTrackingService::completedSegments(const ActiveSession &session,
                                                                   Timestamp endedAt)
{
    ProjectUsageSession stretch = stretchOf(session, endedAt);
    // Not stored, so not under the stretch's id: an id of their own on every listing.
    stretch.id = QUuid::createUuid();
    if (!(stretch.trackedDuration() > 0.0))
        return {};
    return UsageSessionSplitting::splitByDay(stretch, UsageCalendar::current());
}

QList<ProjectUsageSession> UsageTrackingService::record(const ProjectUsageSession &session)
{
    switch (UsageLimits::shapeOf(session)) {
    case UsageLimits::SessionShape::countable: {
        if (!(session.trackedDuration() > 0.0))
            return {};
        const QList<ProjectUsageSession> pieces =
            UsageSessionSplitting::splitByDay(session, UsageCalendar::current());
        if (!pieces.isEmpty() && (!m_earliestStart || pieces.first().startedAt < *m_earliestStart))
            m_earliestStart = pieces.first().startedAt;
        m_completedSessions.append(pieces);
        return pieces;
    }
    case UsageLimits::SessionShape::empty:
        return {};
    default:
        // A clock that jumped: kept whole, never cut into thousands of days.
        m_uncountedSessions.append(session);
        reportFileProblem();
        return {};
    }
}

void UsageTrackingService::start(const DevProject &project, ProjectUsageSessionSource source, Timestamp at)
{
    if (m_activeSessions.contains(project.id))
        return;
    m_activeSessions.insert(project.id, ActiveSession{project.id, project.name, project.client, project.stack,
                                                      source, at, 0.0, std::nullopt});
    updateCheckpointTimer();
}

void UsageTrackingService::pause(const QUuid &projectID, Timestamp at)
{
    const auto it = m_activeSessions.find(projectID);
    if (it == m_activeSessions.end() || it->pausedAt)
        return;
    const Timestamp end = std::max(it->startedAt, at);
    record(stretchOf(*it, end));
    it->startedAt = end;
    it->pausedDuration = 0.0;
    it->pausedAt = end;
    updateCheckpointTimer();
    saveSessions();
}

void UsageTrackingService::resume(const QUuid &projectID, Timestamp at)
{
    const auto it = m_activeSessions.find(projectID);
    if (it == m_activeSessions.end() || !it->pausedAt)
        return;
    it->startedAt = std::max(*it->pausedAt, at);
    it->pausedDuration = 0.0;
    it->pausedAt.reset();
    it->stretchID = QUuid::createUuid();
    updateCheckpointTimer();
}

std::optional<ProjectUsageSession> UsageTrackingService::stop(const QUuid &projectID, Timestamp at)
{
    const auto it = m_activeSessions.find(projectID);
    if (it == m_activeSessions.end())
        return std::nullopt;
    const ActiveSession session = *it;
    m_activeSessions.erase(it);
    updateCheckpointTimer();
    if (session.pausedAt)
        return std::nullopt;
    const QList<ProjectUsageSession> pieces = record(stretchOf(session, at));
    saveSessions();
    if (pieces.isEmpty())
        return std::nullopt;
    return pieces.last();
}

void UsageTrackingService::stopAll(Timestamp at)
{
    const QList<QUuid> projectIDs = m_activeSessions.keys();
    for (const QUuid &projectID : projectIDs)
        stop(projectID, at);
    waitForFiles();
}

UsageTrackingState UsageTrackingService::trackingState(const QUuid &projectID, Timestamp now) const
{
    const auto it = m_activeSessions.constFind(projectID);
    if (it == m_activeSessions.cend())
        return {};
    double paused = it->pausedDuration;
    if (it->pausedAt)
        paused += std::max(0.0, it->pausedAt->secondsTo(now));
    return UsageTrackingState{true, it->pausedAt.has_value(), it->trackedDuration(now), paused};
}

void UsageTrackingService::clearSessions(const QUuid &projectID)
{
    m_activeSessions.remove(projectID);
    updateCheckpointTimer();
    if (!m_loaded)
        m_clearedBeforeLoading.insert(projectID);
    removeSessionsOf({projectID});
    findEarliestStart();
    saveSessions();
}

void UsageTrackingService::removeSessionsOf(const QSet<QUuid> &projectIDs)
{
    const auto ofProjects = [&](const ProjectUsageSession &session) {
        return projectIDs.contains(session.projectID);
    };
    m_completedSessions.removeIf(ofProjects);
    m_uncountedSessions.removeIf(ofProjects);
    m_sessionsKeptAsStored.removeIf(
        [&](const SessionKeptAsStored &kept) { return projectIDs.contains(kept.projectID); });
}

std::optional<ProjectUsageSession> UsageTrackingService::updateSession(const QUuid &id, Timestamp startedAt,
                                                                       Timestamp endedAt)
{
    const auto it = std::find_if(m_completedSessions.begin(), m_completedSessions.end(),
                                 [&](const ProjectUsageSession &session) { return session.id == id; });
    if (it == m_completedSessions.end())
        return std::nullopt;
    ProjectUsageSession edited = *it;
    edited.startedAt = std::min(startedAt, endedAt);
    edited.endedAt = std::max(startedAt, endedAt);
    edited.pausedDuration = 0.0;
    m_completedSessions.erase(it);
    record(edited);
    UsageSessionSplitting::sortByStart(m_completedSessions);
    findEarliestStart();
    saveSessions();
    return edited;
}

QList<ProjectUsageSession> UsageTrackingService::longSessions(const QUuid &projectID, double threshold,
                                                              Timestamp now) const
{
    QList<ProjectUsageSession> sessions;
    forEachSessionOf(projectID, now, [&](const ProjectUsageSession &session) {
        if (session.trackedDuration() >= threshold)
            sessions.append(session);
    });
    UsageSessionSplitting::sortByStartLatestFirst(sessions);
    return sessions;
}

QList<ProjectUsageSession> UsageTrackingService::livePieces(const std::optional<QUuid> &projectID,
                                                            Timestamp now) const
{
    QList<ProjectUsageSession> pieces;
    for (const ActiveSession &session : m_activeSessions) {
        if (!session.pausedAt && (!projectID || session.projectID == *projectID))
            pieces.append(completedSegments(session, std::max(session.startedAt, now)));
    }
    return pieces;
}

void UsageTrackingService::findEarliestStart()
{
    const auto earliest = std::min_element(
        m_completedSessions.cbegin(), m_completedSessions.cend(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
    m_earliestStart =
        earliest == m_completedSessions.cend() ? std::nullopt : std::optional<Timestamp>(earliest->startedAt);
}

} // namespace devnook
