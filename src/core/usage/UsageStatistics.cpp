#include "UsageStatistics.h"

#include <algorithm>

namespace devnook::UsageStatistics {

namespace {

// The session's tracked seconds between the two instants.
double trackedBetween(const ProjectUsageSession &session, Timestamp from, Timestamp to)
{
    const double overlap = from.secondsTo(to);
    const auto fraction = session.trackedFraction();
    if (!fraction || !(overlap > 0.0))
        return 0.0;
    return overlap * *fraction;
}

} // namespace

double duration(const QList<ProjectUsageSession> &sessions, std::optional<Timestamp> since,
                std::optional<Timestamp> until)
{
    double total = 0.0;
    for (const ProjectUsageSession &session : sessions) {
        const Timestamp from = since ? std::max(session.startedAt, *since) : session.startedAt;
        const Timestamp to = until ? std::min(session.endedAt, *until) : session.endedAt;
        total += trackedBetween(session, from, to);
    }
    return total;
}

} // namespace devnook::UsageStatistics
