#pragma once

#include "ProjectUsageSession.h"
#include "UsageCalendar.h"

#include <QList>

namespace devnook::UsageSessionSplitting {

// Cuts the session at the local midnights it crosses. The first piece keeps
// the session's id, later pieces get new ones; each piece carries the
// session's tracked fraction, so the pauses add up to the session's pause
// (capped at its length). A session that is not countable (no length,
// reversed, longer than a year, outside the plausible window) gives nothing.
QList<ProjectUsageSession> splitByDay(const ProjectUsageSession &session, const UsageCalendar &calendar);

// Every session split, the pieces in list order, then stably sorted by start,
// earliest first.
QList<ProjectUsageSession> normalizedByDay(const QList<ProjectUsageSession> &sessions,
                                           const UsageCalendar &calendar);

// Stably sorts by start, earliest first.
void sortByStart(QList<ProjectUsageSession> &sessions);

// Stably sorts by start, latest first: sessions that start together keep
// their order.
void sortByStartLatestFirst(QList<ProjectUsageSession> &sessions);

} // namespace devnook::UsageSessionSplitting
