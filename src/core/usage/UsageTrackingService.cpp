// Starting, pausing, resuming and stopping sessions, and editing the recorded ones.
#include "UsageTrackingService.h"

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

QList<ProjectUsageSession> UsageTrackingService::completedSegments(const ActiveSession &session,
                                                                   Timestamp endedAt)
{
    const Timestamp end = std::max(session.startedAt, endedAt);
    double paused = session.pausedDuration;
    if (session.pausedAt)
        paused += std::max(0.0, session.pausedAt->secondsTo(end));
    const ProjectUsageSession stretch{
        QUuid::createUuid(),  session.projectID, session.projectName, session.client,
        session.stack,        session.source,    session.startedAt,   end,
        std::max(0.0, paused)};
    if (!(stretch.trackedDuration() > 0.0))
        return {};
    return UsageSessionSplitting::splitByDay(stretch, UsageCalendar::current());
}

void UsageTrackingService::start(const DevProject &project, ProjectUsageSessionSource source, Timestamp at)
{
    if (m_activeSessions.contains(project.id))
        return;
    m_activeSessions.insert(project.id, ActiveSession{project.id, project.name, project.client, project.stack,
                                                      source, at, 0.0, std::nullopt});
}

void UsageTrackingService::pause(const QUuid &projectID, Timestamp at)
{
    const auto it = m_activeSessions.find(projectID);
    if (it == m_activeSessions.end() || it->pausedAt)
        return;
    const Timestamp end = std::max(it->startedAt, at);
    m_completedSessions.append(completedSegments(*it, end));
    it->startedAt = end;
    it->pausedDuration = 0.0;
    it->pausedAt = end;
    (void)saveSessions();
}

void UsageTrackingService::resume(const QUuid &projectID, Timestamp at)
{
    const auto it = m_activeSessions.find(projectID);
    if (it == m_activeSessions.end() || !it->pausedAt)
        return;
    it->startedAt = std::max(*it->pausedAt, at);
    it->pausedDuration = 0.0;
    it->pausedAt.reset();
}

std::optional<ProjectUsageSession> UsageTrackingService::stop(const QUuid &projectID, Timestamp at)
{
    const auto it = m_activeSessions.find(projectID);
    if (it == m_activeSessions.end())
        return std::nullopt;
    const ActiveSession session = *it;
    m_activeSessions.erase(it);
    if (session.pausedAt)
        return std::nullopt;
    const QList<ProjectUsageSession> pieces = completedSegments(session, std::max(session.startedAt, at));
    m_completedSessions.append(pieces);
    (void)saveSessions();
    if (pieces.isEmpty())
        return std::nullopt;
    return pieces.last();
}

void UsageTrackingService::stopAll(Timestamp at)
{
    const QList<QUuid> projectIDs = m_activeSessions.keys();
    for (const QUuid &projectID : projectIDs)
        stop(projectID, at);
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
    m_completedSessions.removeIf(
        [&](const ProjectUsageSession &session) { return session.projectID == projectID; });
    (void)saveSessions();
}

Result<std::optional<ProjectUsageSession>>
UsageTrackingService::updateSession(const QUuid &id, Timestamp startedAt, Timestamp endedAt)
{
    using UpdateResult = Result<std::optional<ProjectUsageSession>>;
    const auto it = std::find_if(m_completedSessions.begin(), m_completedSessions.end(),
                                 [&](const ProjectUsageSession &session) { return session.id == id; });
    if (it == m_completedSessions.end())
        return UpdateResult::success(std::nullopt);
    ProjectUsageSession edited = *it;
    edited.startedAt = std::min(startedAt, endedAt);
    edited.endedAt = std::max(startedAt, endedAt);
    edited.pausedDuration = 0.0;
    m_completedSessions.erase(it);
    m_completedSessions.append(UsageSessionSplitting::splitByDay(edited, UsageCalendar::current()));
    UsageSessionSplitting::sortByStart(m_completedSessions);
    if (auto saved = saveSessions(); !saved)
        return UpdateResult::failure(saved.error());
    return UpdateResult::success(edited);
}

QList<ProjectUsageSession> UsageTrackingService::longSessions(const QUuid &projectID, double threshold,
                                                              Timestamp now) const
{
    QList<ProjectUsageSession> sessions = sessionsForSummary(projectID, now);
    std::stable_sort(
        sessions.begin(), sessions.end(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt > b.startedAt; });
    sessions.removeIf(
        [&](const ProjectUsageSession &session) { return session.trackedDuration() < threshold; });
    return sessions;
}

QList<ProjectUsageSession> UsageTrackingService::allSessions(Timestamp now) const
{
    QList<ProjectUsageSession> sessions = m_completedSessions;
    for (const ActiveSession &session : m_activeSessions) {
        if (!session.pausedAt)
            sessions.append(completedSegments(session, std::max(session.startedAt, now)));
    }
    return sessions;
}

QList<ProjectUsageSession> UsageTrackingService::sessionsForSummary(const QUuid &projectID,
                                                                    Timestamp now) const
{
    QList<ProjectUsageSession> sessions;
    for (const ProjectUsageSession &session : m_completedSessions) {
        if (session.projectID == projectID)
            sessions.append(session);
    }
    const auto it = m_activeSessions.constFind(projectID);
    if (it != m_activeSessions.cend() && !it->pausedAt)
        sessions.append(completedSegments(*it, std::max(it->startedAt, now)));
    return sessions;
}

} // namespace devnook
