#include "UsageSessionSplitting.h"

#include "UsageDayCache.h"
#include "UsageLimits.h"

#include <algorithm>

namespace devnook::UsageSessionSplitting {

namespace {

// Appends the pieces to the list rather than returning a list of its own: a
// long history is mostly sessions of one piece.
void appendPieces(const ProjectUsageSession &session, UsageDayCache &days, QList<ProjectUsageSession> &pieces)
{
    if (UsageLimits::shapeOf(session) != UsageLimits::SessionShape::countable)
        return;
    const double total = session.startedAt.secondsTo(session.endedAt);
    const UsageDay *day = &days.dayContaining(session.startedAt);
    if (!(day->next < session.endedAt)) {
        // One piece: the same pause as the spread below, without its rounding,
        // so a session read from the file is written back unchanged.
        pieces.append(session);
        pieces.last().pausedDuration = std::clamp(session.pausedDuration, 0.0, total);
        return;
    }
    const double pausedShare = 1.0 - session.trackedDuration() / total;
    const qsizetype firstPiece = pieces.size();
    Timestamp cursor = session.startedAt;
    while (cursor < session.endedAt) {
        const Timestamp pieceEnd = std::min(day->next, session.endedAt);
        const double length = cursor.secondsTo(pieceEnd);
        if (!(length > 0.0))
            break;
        ProjectUsageSession piece = session;
        if (pieces.size() > firstPiece)
            piece.id = QUuid::createUuid();
        piece.startedAt = cursor;
        piece.endedAt = pieceEnd;
        piece.pausedDuration = std::max(0.0, pausedShare * length);
        pieces.append(std::move(piece));
        cursor = pieceEnd;
        day = &days.dayAfter(*day);
    }
}

} // namespace

QList<ProjectUsageSession> splitByDay(const ProjectUsageSession &session, const UsageCalendar &calendar)
{
    UsageDayCache days(calendar);
    QList<ProjectUsageSession> pieces;
    appendPieces(session, days, pieces);
    return pieces;
}

void sortByStart(QList<ProjectUsageSession> &sessions)
{
    const auto earlier = [](const ProjectUsageSession &a, const ProjectUsageSession &b) {
        return a.startedAt < b.startedAt;
    };
    // A stored list is already in order; checking is much cheaper than sorting.
    if (std::is_sorted(sessions.cbegin(), sessions.cend(), earlier))
        return;
    std::stable_sort(sessions.begin(), sessions.end(), earlier);
}

void sortByStartLatestFirst(QList<ProjectUsageSession> &sessions)
{
    const auto earlier = [](const ProjectUsageSession &a, const ProjectUsageSession &b) {
        return a.startedAt < b.startedAt;
    };
    if (!std::is_sorted(sessions.cbegin(), sessions.cend(), earlier)) {
        std::stable_sort(
            sessions.begin(), sessions.end(),
            [&](const ProjectUsageSession &a, const ProjectUsageSession &b) { return earlier(b, a); });
        return;
    }
    // Stored lists come earliest first: turned round, with each run of equal
    // starts turned back.
    std::reverse(sessions.begin(), sessions.end());
    for (auto run = sessions.begin(); run != sessions.end();) {
        const auto end = std::find_if(
            run, sessions.end(), [&](const ProjectUsageSession &s) { return s.startedAt != run->startedAt; });
        std::reverse(run, end);
        run = end;
    }
}

QList<ProjectUsageSession> normalizedByDay(const QList<ProjectUsageSession> &sessions,
                                           const UsageCalendar &calendar)
{
    UsageDayCache days(calendar);
    QList<ProjectUsageSession> pieces;
    pieces.reserve(sessions.size());
    for (const ProjectUsageSession &session : sessions)
        appendPieces(session, days, pieces);
    sortByStart(pieces);
    return pieces;
}

} // namespace devnook::UsageSessionSplitting
