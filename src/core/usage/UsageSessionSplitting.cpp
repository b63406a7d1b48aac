#include "UsageSessionSplitting.h"

#include "UsageDayCache.h"
#include "UsageLimits.h"

#include <algorithm>

namespace devnook::UsageSessionSplitting {

namespace {

QList<ProjectUsageSession> split(const ProjectUsageSession &session, UsageDayCache &days)
{
    if (!(session.startedAt < session.endedAt) || !UsageLimits::isPlausibleInstant(session.startedAt)
        || !UsageLimits::isPlausibleInstant(session.endedAt))
        return {};
    const double total = session.startedAt.secondsTo(session.endedAt);
    const UsageDay *day = &days.dayContaining(session.startedAt);
    if (!(day->next < session.endedAt)) {
        // One piece: the same pause as the spread below, without its rounding,
        // so a session read from the file is written back unchanged.
        ProjectUsageSession piece = session;
        piece.pausedDuration = std::clamp(session.pausedDuration, 0.0, total);
        return {piece};
    }
    const double pausedShare = 1.0 - session.trackedDuration() / total;
    QList<ProjectUsageSession> pieces;
    Timestamp cursor = session.startedAt;
    while (cursor < session.endedAt) {
        const Timestamp pieceEnd = std::min(day->next, session.endedAt);
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
        day = &days.dayAfter(*day);
    }
    return pieces;
}

} // namespace

QList<ProjectUsageSession> splitByDay(const ProjectUsageSession &session, const UsageCalendar &calendar)
{
    UsageDayCache days(calendar);
    return split(session, days);
}

void sortByStart(QList<ProjectUsageSession> &sessions)
{
    std::stable_sort(sessions.begin(), sessions.end(),
                     [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
}

QList<ProjectUsageSession> normalizedByDay(const QList<ProjectUsageSession> &sessions, const UsageCalendar &calendar)
{
    UsageDayCache days(calendar);
    QList<ProjectUsageSession> pieces;
    pieces.reserve(sessions.size());
    for (const ProjectUsageSession &session : sessions)
        pieces.append(split(session, days));
    sortByStart(pieces);
    return pieces;
}

} // namespace devnook::UsageSessionSplitting
