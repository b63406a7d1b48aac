#include "UsagePeriodTally.h"

#include "UsageDateTexts.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/foundation/UuidText.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Texts of one project's sessions are mostly one shared string: comparing
// where they point saves comparing what they hold.
bool sameText(const QString &a, const QString &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

template <typename Strand> bool isStrandOf(const Strand &strand, const ProjectUsageSession &session)
{
    return sameText(strand.projectName, session.projectName) && sameText(strand.client, session.client) &&
           sameText(strand.stack, session.stack);
}

} // namespace

UsagePeriodTally::UsagePeriodTally(const PeriodRange &range, Timestamp now, const UsageCalendar &calendar)
    : m_range(range), m_countedUntil(std::min(range.end, now)), m_firstDay(calendar.date(range.start))
{
    const QDate lastDay = calendar.date(range.end);
    if (m_firstDay > lastDay)
        return;
    const qsizetype days = m_firstDay.daysTo(lastDay) + 1;
    m_daySeconds.fill(0.0, days);
    m_dayStarts.reserve(days + 1);
    m_dayStarts.append(calendar.startOfDay(m_firstDay));
    for (qsizetype i = 0; i < days; ++i)
        m_dayStarts.append(calendar.startOfDayAfter(m_firstDay.addDays(i), m_dayStarts.last()));
}

void UsagePeriodTally::add(const ProjectUsageSession &session)
{
    if (!overlaps(session))
        return;
    ++m_sessionCount;
    if (!m_lastEnd || *m_lastEnd < session.endedAt)
        m_lastEnd = session.endedAt;
    const std::optional<double> fraction = session.trackedFraction();
    if (!fraction)
        return;
    const Timestamp end = std::min(session.endedAt, m_countedUntil);
    const Timestamp from = std::max(session.startedAt, m_range.start);
    const double inRange = from.secondsTo(end) * *fraction;
    if (!(inRange > 0.0))
        return;
    m_total += inRange;
    m_strands[strandOf(session)].seconds += inRange;
    addToDays(from, end, *fraction);
}

qsizetype UsagePeriodTally::strandOf(const ProjectUsageSession &session)
{
    RecentStrand &recent = m_recentStrands[session.projectID.data1 % m_recentStrands.size()];
    if (recent.strand >= 0 && recent.projectID == session.projectID &&
        isStrandOf(std::as_const(m_strands)[recent.strand], session))
        return recent.strand;
    qsizetype found = m_lastStrandOfProject.value(session.projectID, -1);
    while (found >= 0 && !isStrandOf(std::as_const(m_strands)[found], session))
        found = std::as_const(m_strands)[found].nextOfProject;
    if (found < 0) {
        found = m_strands.size();
        m_strands.append(Strand{session.projectID, session.projectName, session.client, session.stack, 0.0,
                                m_lastStrandOfProject.value(session.projectID, -1)});
        m_lastStrandOfProject.insert(session.projectID, found);
    }
    recent = RecentStrand{session.projectID, found};
    return found;
}

qsizetype UsagePeriodTally::dayOf(Timestamp instant)
{
    const QList<Timestamp> &starts = m_dayStarts;
    if (!(starts[m_lastDay] <= instant && instant < starts[m_lastDay + 1])) {
        const auto after = std::upper_bound(starts.cbegin(), starts.cend() - 1, instant);
        m_lastDay = std::max<qsizetype>(0, after - starts.cbegin() - 1);
    }
    return m_lastDay;
}

void UsagePeriodTally::addToDays(Timestamp from, Timestamp to, double fraction)
{
    // The clipping keeps from and to inside the range's days, if it has any.
    if (m_daySeconds.isEmpty())
        return;
    const Timestamp *starts = m_dayStarts.constData();
    double *seconds = m_daySeconds.data();
    for (qsizetype day = dayOf(from); day < m_daySeconds.size(); ++day) {
        const double length = std::max(starts[day], from).secondsTo(std::min(starts[day + 1], to));
        if (length > 0.0)
            seconds[day] += length * fraction;
        if (!(starts[day + 1] < to))
            break;
    }
}

QList<UsageStatistics::GroupedDuration> UsagePeriodTally::groups(UsageDistributionDimension dimension) const
{
    QString unassigned;
    if (dimension != UsageDistributionDimension::project)
        unassigned =
            L10n::text(dimension == UsageDistributionDimension::client ? u"usage_unassigned_client"_s
                                                                       : u"usage_unassigned_stack"_s);
    QList<UsageStatistics::GroupedDuration> groups;
    QHash<UsageStatistics::GroupingKey, qsizetype> indexOf;
    for (const Strand &strand : m_strands) {
        UsageStatistics::GroupingKey key;
        if (dimension == UsageDistributionDimension::project) {
            key = {UuidText::format(strand.projectID), strand.projectName, strand.projectID};
        } else {
            const QString text =
                Text::trimmed(dimension == UsageDistributionDimension::client ? strand.client : strand.stack);
            key.id = key.label = text.isEmpty() ? unassigned : text;
        }
        auto it = indexOf.constFind(key);
        if (it == indexOf.cend()) {
            it = indexOf.insert(key, groups.size());
            groups.append(UsageStatistics::GroupedDuration{key, 0.0});
        }
        groups[*it].duration += strand.seconds;
    }
    return groups;
}

QList<UsageDailyBucket> UsagePeriodTally::dailyBuckets() const
{
    QList<UsageDailyBucket> buckets;
    buckets.reserve(m_daySeconds.size());
    const UsageDateTexts texts;
    for (qsizetype i = 0; i < m_daySeconds.size(); ++i) {
        const QDate date = m_firstDay.addDays(i);
        buckets.append(UsageDailyBucket{UsageDateTexts::isoDate(date), m_dayStarts[i], texts.dayLabel(date),
                                        m_daySeconds[i]});
    }
    return buckets;
}

UsagePeriodHighlightStats UsagePeriodTally::highlights(const QList<UsageDailyBucket> &buckets) const
{
    const QList<UsageStatistics::GroupedDuration> projects = groups(UsageDistributionDimension::project);
    double total = 0.0;
    for (const UsageStatistics::GroupedDuration &project : projects)
        total += project.duration;
    const auto activeDays =
        std::count_if(buckets.cbegin(), buckets.cend(),
                      [](const UsageDailyBucket &bucket) { return bucket.duration > 0.0; });
    UsagePeriodHighlightStats stats;
    stats.activeProjectCount = static_cast<int>(projects.size());
    stats.daysWithActivity = static_cast<int>(activeDays);
    if (activeDays > 0)
        stats.averageDailyDuration = total / static_cast<double>(activeDays);
    return stats;
}

} // namespace devnook
