#include "UsageSessionSplitting.h"

#include "UsageLimits.h"

#include <algorithm>

namespace devnook::UsageSessionSplitting {

QList<ProjectUsageSession> splitByDay(const ProjectUsageSession &session, const UsageCalendar &calendar)
{
    if (!(session.startedAt < session.endedAt) || !UsageLimits::isPlausibleInstant(session.startedAt)
        || !UsageLimits::isPlausibleInstant(session.endedAt))
        return {};
    const double total = session.startedAt.secondsTo(session.endedAt);
    const Timestamp firstMidnight = calendar.startOfNextDay(session.startedAt);
    if (!(firstMidnight < session.endedAt)) {
        // One piece: the same pause as the spread below, without its rounding,
        // so a session read from the file is written back unchanged.
        ProjectUsageSession piece = session;
        piece.pausedDuration = std::clamp(session.pausedDuration, 0.0, total);
        return {piece};
    }
    const double pausedShare = 1.0 - session.trackedDuration() / total;
    QList<ProjectUsageSession> pieces;
    Timestamp cursor = session.startedAt;
    Timestamp next = firstMidnight;
    while (cursor < session.endedAt) {
        const Timestamp pieceEnd = std::min(next, session.endedAt);
        const double length = cursor.secondsTo(pieceEnd);
        if (!(length > 0.0))
            break;
        ProjectUsageSession piece = session;
        if (!pieces.isEmpty())
            piece.id = QUuid::createUuid();
        piece.startedAt = cursor;
        piece.endedAt = pieceEnd;
        piece.pausedDuration = std::max(0.0, pausedShare * length);
        pieces.append(std::move(piece));
        cursor = pieceEnd;
        next = calendar.startOfNextDay(cursor);
    }
    return pieces;
}

void sortByStart(QList<ProjectUsageSession> &sessions)
{
    std::stable_sort(sessions.begin(), sessions.end(),
                     [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
}

QList<ProjectUsageSession> normalizedByDay(const QList<ProjectUsageSession> &sessions, const UsageCalendar &calendar)
{
    QList<ProjectUsageSession> pieces;
    pieces.reserve(sessions.size());
    for (const ProjectUsageSession &session : sessions)
        pieces.append(splitByDay(session, calendar));
    sortByStart(pieces);
    return pieces;
}

} // namespace devnook::UsageSessionSplitting
