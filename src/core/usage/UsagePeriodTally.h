#pragma once

#include "ProjectUsageSession.h"
#include "UsagePeriods.h"
#include "UsageRecords.h"
#include "UsageStatistics.h"

#include <QHash>
#include <QList>
#include <QUuid>
#include <array>
#include <optional>

namespace devnook {

// Every figure of one period, worked out in one pass over its sessions: the
// tracked time, the sessions and the last end, the time per project, client
// and stack, and the time per day. A session counts its overlap with the
// range times its tracked fraction (pauses spread evenly over it), and
// nothing after now, which has not been tracked yet: a session edited to end
// later counts up to now, whatever the period.
class UsagePeriodTally {
public:
    UsagePeriodTally(const PeriodRange &range, Timestamp now, const UsageCalendar &calendar);

    const PeriodRange &range() const { return m_range; }

    // Counts the session when it overlaps the range: when it ends after the
    // range's start and starts no later than its end.
    void add(const ProjectUsageSession &session);
    bool overlaps(const ProjectUsageSession &session) const
    {
        return session.endedAt > m_range.start && !(session.startedAt > m_range.end);
    }

    // The tracked time of the sessions inside the range, up to now. Sessions
    // are cut at the midnights where ranges start, but those of another time
    // zone, recorded before the user travelled, may reach across a start.
    double totalDuration() const { return m_total; }
    // The sessions counted, each piece of one cut at midnight once.
    int sessionCount() const { return m_sessionCount; }
    // The latest end among them, nothing without sessions.
    std::optional<Timestamp> lastEnd() const { return m_lastEnd; }

    // The time inside the range per group of the dimension, groups in the
    // order they first had time, each with more than none. By project the
    // group is the project's id and recorded name; by client or stack it is
    // the trimmed text, blanks falling under the unassigned label.
    QList<UsageStatistics::GroupedDuration> groups(UsageDistributionDimension dimension) const;

    // One bucket for every day of the range, oldest first, days without time
    // included.
    QList<UsageDailyBucket> dailyBuckets() const;

    // The projects with time, the days with time, and the time per such day.
    UsagePeriodHighlightStats highlights(const QList<UsageDailyBucket> &buckets) const;

private:
    // The time of one recorded project name, client and stack: every other
    // grouping is a sum of these.
    struct Strand {
        QUuid projectID;
        QString projectName;
        QString client;
        QString stack;
        double seconds = 0.0;
        // The next strand of the same project, or -1.
        qsizetype nextOfProject = -1;
    };

    qsizetype strandOf(const ProjectUsageSession &session);
    // The day of the range that holds the instant, one of the range.
    qsizetype dayOf(Timestamp instant);
    void addToDays(Timestamp from, Timestamp to, double fraction);

    PeriodRange m_range;
    // The range's end or now, whichever comes first.
    Timestamp m_countedUntil;
    QDate m_firstDay;
    // The first moment of each day of the range, then of the day after it.
    QList<Timestamp> m_dayStarts;
    QList<double> m_daySeconds;
    // The day the last session fell in: sessions come mostly in order.
    qsizetype m_lastDay = 0;
    double m_total = 0.0;
    int m_sessionCount = 0;
    std::optional<Timestamp> m_lastEnd;
    QList<Strand> m_strands;
    // The latest strand of each project; the others follow nextOfProject.
    QHash<QUuid, qsizetype> m_lastStrandOfProject;
    // The strand last found for a project, in a slot chosen by the id's first
    // bits, which are random: most sessions find theirs here, without hashing.
    struct RecentStrand {
        QUuid projectID;
        qsizetype strand = -1;
    };
    std::array<RecentStrand, 1024> m_recentStrands{};
};

} // namespace devnook
