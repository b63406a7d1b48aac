#include "UsageStatistics.h"

#include "UsageDateTexts.h"
#include "UsageDayCache.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/foundation/UuidText.h"

#include <QHash>
#include <algorithm>

using namespace Qt::StringLiterals;

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

// Finds the group of each session. A long history repeats the same few
// hundred projects, clients and stacks, so each distinct stored text is
// worked out once and its group found by the session's own fields.
class GroupIndex {
public:
    explicit GroupIndex(UsageDistributionDimension dimension) : m_dimension(dimension)
    {
        if (dimension != UsageDistributionDimension::project)
            m_unassigned =
                L10n::text(dimension == UsageDistributionDimension::client ? u"usage_unassigned_client"_s
                                                                           : u"usage_unassigned_stack"_s);
    }

    // The index of the session's group in the list, added when new.
    qsizetype indexOf(const ProjectUsageSession &session, QList<GroupedDuration> &groups)
    {
        if (m_dimension == UsageDistributionDimension::project) {
            const std::pair<QUuid, QString> fields{session.projectID, session.projectName};
            auto it = m_byProject.constFind(fields);
            if (it == m_byProject.cend()) {
                const GroupingKey key{UuidText::format(session.projectID), session.projectName,
                                      session.projectID};
                it = m_byProject.insert(fields, groupOf(key, groups));
            }
            return *it;
        }
        const QString &raw =
            m_dimension == UsageDistributionDimension::client ? session.client : session.stack;
        auto it = m_byText.constFind(raw);
        if (it == m_byText.cend()) {
            const QString trimmed = Text::trimmed(raw);
            const QString text = trimmed.isEmpty() ? m_unassigned : trimmed;
            it = m_byText.insert(raw, groupOf(GroupingKey{text, text, std::nullopt}, groups));
        }
        return *it;
    }

private:
    qsizetype groupOf(const GroupingKey &key, QList<GroupedDuration> &groups)
    {
        auto it = m_byKey.constFind(key);
        if (it == m_byKey.cend()) {
            it = m_byKey.insert(key, groups.size());
            groups.append(GroupedDuration{key, 0.0});
        }
        return *it;
    }

    UsageDistributionDimension m_dimension;
    QString m_unassigned;
    QHash<std::pair<QUuid, QString>, qsizetype> m_byProject;
    QHash<QString, qsizetype> m_byText;
    QHash<GroupingKey, qsizetype> m_byKey;
};

} // namespace

size_t qHash(const GroupingKey &key, size_t seed)
{
    return qHashMulti(seed, key.id, key.label, key.projectID.value_or(QUuid()));
}

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

QList<GroupedDuration> groupedDurations(const QList<ProjectUsageSession> &sessions,
                                        UsageDistributionDimension dimension, const PeriodRange &range)
{
    GroupIndex index(dimension);
    QList<GroupedDuration> groups;
    for (const ProjectUsageSession &session : sessions) {
        const double seconds = trackedBetween(session, std::max(session.startedAt, range.start),
                                              std::min(session.endedAt, range.end));
        if (seconds > 0.0)
            groups[index.indexOf(session, groups)].duration += seconds;
    }
    return groups;
}

QList<UsageDailyBucket> dailyBuckets(const QList<ProjectUsageSession> &sessions, const PeriodRange &range,
                                     const UsageCalendar &calendar)
{
    UsageDayCache days(calendar);
    const QDate first = days.dayContaining(range.start).date;
    const QDate last = days.dayContaining(range.end).date;
    if (first > last)
        return {};
    // Every day of the range has its entry, also when nothing was tracked.
    QList<double> seconds(first.daysTo(last) + 1, 0.0);
    for (const ProjectUsageSession &session : sessions) {
        const Timestamp start = std::max(range.start, session.startedAt);
        const Timestamp end = std::min(range.end, session.endedAt);
        const double fraction = session.trackedFraction().value_or(0.0);
        for (const UsageDay *day = &days.dayContaining(start); start < end && day->start < end;
             day = &days.dayAfter(*day)) {
            const double length = std::max(day->start, start).secondsTo(std::min(day->next, end));
            const qsizetype index = first.daysTo(day->date);
            // The clipping above keeps every day inside the range; the check
            // guards the list should the zone's rules disagree with themselves.
            if (length > 0.0 && index >= 0 && index < seconds.size())
                seconds[index] += length * fraction;
        }
    }
    QList<UsageDailyBucket> buckets;
    buckets.reserve(seconds.size());
    const UsageDateTexts texts;
    for (qsizetype i = 0; i < seconds.size(); ++i) {
        const QDate date = first.addDays(i);
        buckets.append(UsageDailyBucket{date.toString(Qt::ISODate), days.day(date).start,
                                        texts.dayLabel(date), seconds[i]});
    }
    return buckets;
}

} // namespace devnook::UsageStatistics
