#include "core/usage/UsageStatistics.h"

#include "UsageTestSupport.h"
#include "core/foundation/KeyValueStore.h"
#include "core/usage/UsageColors.h"
#include "core/usage/UsageFilterPreferences.h"
#include "core/usage/UsagePeriodTally.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::inZone;
using test::localTime;
using test::makeProject;
using test::makeSession;
using test::wall;

namespace {

const QList<QByteArray> kZones{"Europe/Madrid", "America/Santiago"};
const QString kShopID = u"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s;
const QString kBlogID = u"3D4E5F60-7182-4394-A5B6-C7D8E9F0A1B2"_s;

DevProject withClientColor(DevProject project, const QString &color)
{
    project.clientColorHex = color;
    return project;
}

QList<UsageDailyBucket> dailyBuckets(const QList<ProjectUsageSession> &sessions, const PeriodRange &range)
{
    UsagePeriodTally tally(range, range.end, {});
    for (const ProjectUsageSession &session : sessions)
        tally.add(session);
    return tally.dailyBuckets();
}

} // namespace

class UsageStatisticsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageHome> m_home;
    const DevProject m_shop =
        withClientColor(makeProject(u"Shop"_s, u" Acme "_s, u"Next.js "_s, kShopID), u" 3366cc "_s);
    const DevProject m_blog = makeProject(u"blog"_s, u"  "_s, u"Elixir"_s, kBlogID);

    UsageTrackingService &service() { return *m_home->service; }

    // The overview's total over the range, which its breakdown by project
    // and its days must hold too, as must the project window's total.
    void expectOverviewTotal(const PeriodRange &range, Timestamp now, double seconds)
    {
        using enum UsageDistributionDimension;
        const UsageOverviewFigures figures =
            service().overviewFigures(project, project, {m_shop}, range, {}, now);
        QCOMPARE(figures.totalDuration, seconds);
        double breakdown = 0.0;
        for (const UsageProjectTableRow &row : figures.tableRows)
            breakdown += row.duration;
        QCOMPARE(breakdown, seconds);
        double days = 0.0;
        for (const UsageDailyBucket &bucket : figures.dailyBuckets)
            days += bucket.duration;
        QCOMPARE(days, seconds);
        QCOMPARE(service().tally(m_shop.id, range, {}, now).totalDuration(), seconds);
    }

private Q_SLOTS:
    void init() { m_home = std::make_unique<test::UsageHome>(); }
    void cleanup() { m_home.reset(); }

    void rollingPeriodsStartOnTheCalendarsBoundaries_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<UsageRollupPeriod>("period");
        QTest::addColumn<Qt::DayOfWeek>("firstDay");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("start");
        using P = UsageRollupPeriod;
        const auto row = [](const QByteArray &zone, const char *name, P period, Qt::DayOfWeek firstDay,
                            const QDateTime &now, const QDateTime &start) {
            QTest::addRow("%s: %s", zone.constData(), name) << zone << period << firstDay << now << start;
        };
        for (const QByteArray &zone : kZones) {
            row(zone, "today", P::today, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 5, 31));
            row(zone, "week from Monday", P::week, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 5, 27));
            row(zone, "week from Sunday", P::week, Qt::Sunday, wall(2024, 5, 31, 15), wall(2024, 5, 26));
            row(zone, "Sunday, week from Sunday", P::week, Qt::Sunday, wall(2024, 6, 2, 9), wall(2024, 6, 2));
            row(zone, "month", P::month, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 5, 1));
            row(zone, "three months in a leap year", P::threeMonths, Qt::Monday, wall(2024, 5, 31, 15),
                wall(2024, 2, 29));
            row(zone, "three months", P::threeMonths, Qt::Monday, wall(2023, 5, 31, 15), wall(2023, 2, 28));
            row(zone, "three months over new year", P::threeMonths, Qt::Monday, wall(2024, 3, 15, 9),
                wall(2023, 12, 15));
            row(zone, "year", P::year, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 1, 1));
            row(zone, "week over a change of clocks", P::week, Qt::Sunday, wall(2024, 4, 3, 12),
                wall(2024, 3, 31));
        }
        // The first hour of 8 September 2024 did not exist in Santiago.
        row("America/Santiago", "a day that starts at one", P::today, Qt::Monday, wall(2024, 9, 8, 15),
            wall(2024, 9, 8, 1));
        row("Europe/Madrid", "a day of 23 hours", P::today, Qt::Monday, wall(2024, 3, 31, 23, 30),
            wall(2024, 3, 31));
    }

    void rollingPeriodsStartOnTheCalendarsBoundaries()
    {
        QFETCH(QByteArray, zone);
        QFETCH(UsageRollupPeriod, period);
        QFETCH(Qt::DayOfWeek, firstDay);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, start);
        const test::ScopedTimeZone timeZone(zone.constData());
        QCOMPARE(service().periodRange(period, UsageCalendar{firstDay}, inZone(now)),
                 (PeriodRange{inZone(start), inZone(now)}));
    }

    void theUsersWeekBeginsOnTheLocalesFirstDay()
    {
        for (const auto &[locale, day] :
             {std::pair{u"en_US"_s, Qt::Sunday}, std::pair{u"ca_ES"_s, Qt::Monday}}) {
            const test::ScopedLocale scopedLocale{QLocale(locale)};
            QCOMPARE(UsageCalendar::current().firstDayOfWeek, day);
        }
    }

    void allTimeStartsAtTheEarliestStoredDay()
    {
        const Timestamp now = localTime(2024, 5, 31, 15);
        service().start(m_shop, ProjectUsageSessionSource::playButton, localTime(2024, 1, 1, 9));
        // An open session does not count: thirty days up to today.
        QCOMPARE(service().periodRange(UsageRollupPeriod::all, {}, now),
                 (PeriodRange{localTime(2024, 5, 2), now}));

        service().stop(m_shop.id, localTime(2024, 1, 1, 10));
        m_home->record(m_blog, localTime(2023, 12, 30, 23, 30), localTime(2023, 12, 31, 1));
        QCOMPARE(service().periodRange(UsageRollupPeriod::all, {}, now),
                 (PeriodRange{localTime(2023, 12, 30), now}));
        // Also as the history reads back, and after the earliest goes.
        m_home->reload();
        QCOMPARE(service().periodRange(UsageRollupPeriod::all, {}, now).start, localTime(2023, 12, 30));
        service().clearSessions(m_blog.id);
        QCOMPARE(service().periodRange(UsageRollupPeriod::all, {}, now).start, localTime(2024, 1, 1));
        const ProjectUsageSession shop = service().completedSessions().constFirst();
        service().updateSession(shop.id, localTime(2024, 3, 1, 9), localTime(2024, 3, 1, 10));
        QCOMPARE(service().periodRange(UsageRollupPeriod::all, {}, now).start, localTime(2024, 3, 1));
    }

    void customRangesCoverWholeDays_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::newRow("Madrid: over a day of 23 hours")
            << QByteArray("Europe/Madrid") << wall(2024, 3, 30, 9) << wall(2024, 3, 31, 9)
            << wall(2024, 3, 30) << wall(2024, 3, 31, 23, 59, 59);
        QTest::newRow("Madrid: backwards over a day of 25 hours")
            << QByteArray("Europe/Madrid") << wall(2024, 10, 27, 22) << wall(2024, 10, 26, 1)
            << wall(2024, 10, 26) << wall(2024, 10, 27, 23, 59, 59);
        QTest::newRow("Santiago: a day that starts at one")
            << QByteArray("America/Santiago") << wall(2024, 9, 8, 9) << wall(2024, 9, 8, 20)
            << wall(2024, 9, 8, 1) << wall(2024, 9, 8, 23, 59, 59);
    }

    void customRangesCoverWholeDays()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        const test::ScopedTimeZone timeZone(zone.constData());
        QCOMPARE(UsageTrackingService::periodRange(UsageDateRange{inZone(from), inZone(to)}, {}),
                 (PeriodRange{inZone(start), inZone(end)}));
    }

    void sessionsAreSelectedByOverlap()
    {
        const PeriodRange range{localTime(2024, 5, 13), localTime(2024, 5, 14, 23, 59, 59)};
        m_home->record(m_shop, localTime(2024, 5, 12, 22), localTime(2024, 5, 13));
        m_home->record(m_shop, localTime(2024, 5, 12, 10), localTime(2024, 5, 12, 11));
        m_home->record(m_blog, localTime(2024, 5, 14, 23, 59, 59), localTime(2024, 5, 15, 0, 30));
        m_home->record(m_shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 10));
        // A paused session shows what ran before the pause; a running one is
        // cut at midnight.
        const DevProject docs = makeProject(u"Docs"_s);
        service().start(docs, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 9));
        service().pause(docs.id, localTime(2024, 5, 14, 9, 30));
        service().start(m_blog, ProjectUsageSessionSource::playButton, localTime(2024, 5, 13, 23));

        const Timestamp now = localTime(2024, 5, 14, 21);
        const QList<ProjectUsageSession> selected = service().sessionsInPeriod(range, now);
        QCOMPARE(selected.size(), 5);
        QCOMPARE(selected[0].startedAt, localTime(2024, 5, 14, 23, 59, 59));
        QCOMPARE(selected[1].startedAt, localTime(2024, 5, 13, 9));
        QCOMPARE(selected[2].endedAt, localTime(2024, 5, 14, 9, 30));
        QCOMPARE(selected[3].endedAt, localTime(2024, 5, 14));
        QCOMPARE(selected[4].endedAt, now);
        QCOMPARE(service().sessionsInPeriod(m_shop.id, range, now).size(), 1);
    }

    void filterPreferencesOutliveTheWindowAndIgnoreWhatCannotBeUsed()
    {
        namespace Prefs = UsageFilterPreferences;
        QTemporaryDir config;
        const QString ini = config.filePath(u"Devnook.conf"_s);
        const QUuid projectID = QUuid::createUuid();
        const QString filterKey = Prefs::projectFilterKey(projectID);
        const QString startKey = Prefs::projectCustomStartKey(projectID);
        const QString endKey = Prefs::projectCustomEndKey(projectID);
        const Timestamp now = localTime(2024, 5, 31, 15, 20);
        const UsageDateRange lastSevenDays{localTime(2024, 5, 25), now};
        const UsageDateRange picked{localTime(2024, 5, 18, 15, 30), localTime(2024, 5, 12, 9)};
        {
            SettingsKeyValueStore defaults(ini);
            QCOMPARE(Prefs::filter(defaults, filterKey), UsageDateFilterOption::week);
            QCOMPARE(Prefs::customRange(defaults, startKey, endKey, {}, now), lastSevenDays);
            Prefs::setFilter(defaults, UsageDateFilterOption::threeMonths, filterKey);
            Prefs::setCustomRange(defaults, picked, startKey, endKey);
        }
        SettingsKeyValueStore reopened(ini);
        QCOMPARE(Prefs::filter(reopened, filterKey), UsageDateFilterOption::threeMonths);
        QCOMPARE(Prefs::customRange(reopened, startKey, endKey, {}, now), picked);

        reopened.setValue(filterKey, u"Week"_s);
        reopened.setValue(startKey, u"2024-05-01"_s);
        // A hand-edited year 9999 would make a day list of millions of days.
        reopened.setValue(endKey, QDateTime(QDate(9999, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(Prefs::filter(reopened, filterKey), UsageDateFilterOption::week);
        QCOMPARE(Prefs::customRange(reopened, startKey, endKey, {}, now), lastSevenDays);
    }

    void sessionsCountTheirTrackedShareOfTheOverlap_data()
    {
        QTest::addColumn<QList<double>>("minutes");
        QTest::addColumn<double>("since");
        QTest::addColumn<double>("until");
        QTest::addColumn<double>("expectedMinutes");
        // A session from minute 0 to 60 with 15 paused; bounds in minutes, -1 for none.
        QTest::newRow("half inside") << QList<double>{0, 60, 15} << 30.0 << -1.0 << 22.5;
        QTest::newRow("no bounds") << QList<double>{0, 60, 15} << -1.0 << -1.0 << 45.0;
        QTest::newRow("upper bound") << QList<double>{0, 60, 15} << -1.0 << 20.0 << 15.0;
        QTest::newRow("touching the start") << QList<double>{0, 60, 15} << 60.0 << -1.0 << 0.0;
        QTest::newRow("pause longer than the session") << QList<double>{0, 60, 90} << -1.0 << -1.0 << 0.0;
        QTest::newRow("ends before it starts") << QList<double>{60, 0, 0} << -1.0 << -1.0 << 0.0;
    }

    void sessionsCountTheirTrackedShareOfTheOverlap()
    {
        QFETCH(QList<double>, minutes);
        QFETCH(double, since);
        QFETCH(double, until);
        QFETCH(double, expectedMinutes);
        // A missing bound lies a year away.
        const auto minute = [](double value, double missing = 0.0) {
            return localTime(2024, 5, 13, 9).addSeconds((value < 0 ? missing : value) * 60);
        };
        const auto session = makeSession(m_shop, minute(minutes[0]), minute(minutes[1]), minutes[2] * 60);
        const double year = 366 * 24 * 60;
        QCOMPARE(session.trackedBetween(minute(since, -year), minute(until, year)), expectedMinutes * 60);
    }

    void dailyBucketsListEveryDayOfThePeriod_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("labels");
        const QStringList english{u"Mon 13"_s, u"Tue 14"_s, u"Wed 15"_s, u"Thu 16"_s,
                                  u"Fri 17"_s, u"Sat 18"_s, u"Sun 19"_s};
        const QStringList catalan{u"dl. 13"_s, u"dt. 14"_s, u"dc. 15"_s, u"dj. 16"_s,
                                  u"dv. 17"_s, u"ds. 18"_s, u"dg. 19"_s};
        for (const char *zone : {"Europe/Madrid", "America/Santiago"}) {
            QTest::addRow("%s, English", zone) << QByteArray(zone) << u"en_US"_s << english;
            QTest::addRow("%s, Catalan", zone) << QByteArray(zone) << u"ca_ES"_s << catalan;
        }
    }

    void dailyBucketsListEveryDayOfThePeriod()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, locale);
        QFETCH(QStringList, labels);
        const test::ScopedTimeZone timeZone(zone.constData());
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        const PeriodRange week{localTime(2024, 5, 13), localTime(2024, 5, 19, 23, 59, 59)};
        // Not cut at midnight: an hour on each side, half of it paused.
        const QList<ProjectUsageSession> sessions{
            makeSession(m_shop, localTime(2024, 5, 14, 23), localTime(2024, 5, 15, 1), 3600),
            makeSession(m_blog, localTime(2024, 5, 12, 22), localTime(2024, 5, 13, 2)),
            makeSession(m_blog, localTime(2024, 5, 19, 23), localTime(2024, 5, 20, 1))};

        const QList<UsageDailyBucket> buckets = dailyBuckets(sessions, week);
        QCOMPARE(buckets.size(), 7);
        const QList<double> expected{7200, 1800, 1800, 0, 0, 0, 3599};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(buckets[i], (UsageDailyBucket{u"2024-05-%1"_s.arg(13 + i), localTime(2024, 5, 13 + i),
                                                   labels[i], expected[i]}));
    }

    void dailyBucketsFollowDaysOfEveryLength_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<double>("middleHours");
        // Madrid's clocks went back on 27 October 2024 and forward on 31 March.
        QTest::newRow("a day of 25 hours") << QDate(2024, 10, 26) << 25.0;
        QTest::newRow("a day of 23 hours") << QDate(2024, 3, 30) << 23.0;
    }

    void dailyBucketsFollowDaysOfEveryLength()
    {
        QFETCH(QDate, first);
        QFETCH(double, middleHours);
        const auto at = [](QDate day, int hour = 0) {
            return localTime(day.year(), day.month(), day.day(), hour);
        };
        const QDate last = first.addDays(2);
        const PeriodRange range{at(first), at(last).addSeconds(24 * 3600.0 - 1)};
        const auto buckets =
            dailyBuckets({makeSession(m_shop, at(first.addDays(-1), 12), at(last.addDays(1), 12))}, range);
        QCOMPARE(buckets.size(), 3);
        QCOMPARE(buckets[1].date, at(first.addDays(1)));
        QCOMPARE(buckets[2].date, at(last));
        QCOMPARE((QList<double>{buckets[0].duration, buckets[1].duration, buckets[2].duration}),
                 (QList<double>{24 * 3600.0, middleHours * 3600.0, 24 * 3600.0 - 1}));
    }

    void highlightsAverageOverActiveDays()
    {
        m_home->record(m_shop, localTime(2024, 5, 14, 9), localTime(2024, 5, 14, 11));
        m_home->record(m_blog, localTime(2024, 5, 16, 9), localTime(2024, 5, 16, 10));
        m_home->record(m_shop, localTime(2024, 5, 16, 12), localTime(2024, 5, 16, 15));
        m_home->record(m_shop, localTime(2024, 5, 1, 12), localTime(2024, 5, 1, 15));
        const Timestamp now = localTime(2024, 5, 19, 18);

        QCOMPARE(service().periodHighlightStats(
                     UsageDateRange{localTime(2024, 5, 19), localTime(2024, 5, 13)}, {}, now),
                 (UsagePeriodHighlightStats{2, 3 * 3600.0, 2}));
        QCOMPARE(service().periodHighlightStats(UsageRollupPeriod::today, {}, now),
                 UsagePeriodHighlightStats{});
        QCOMPARE(service().periodHighlightStats(UsageRollupPeriod::month, {}, now).daysWithActivity, 3);
    }

    // An older version stored pauses inside its sessions: only the tracked
    // share of such a session counts, in the total as in the breakdown.
    void aPauseStoredInASessionCountsInNoFigure()
    {
        const Timestamp start = localTime(2024, 5, 14, 9);
        test::writeFile(service().sessionsFilePath(),
                        u"[{\"id\": \"%1\", \"projectID\": \"%2\", \"projectName\": \"Shop\", "
                        "\"client\": \"\", \"stack\": \"\", \"source\": \"playButton\", "
                        "\"startedAt\": %3, \"endedAt\": %4, \"pausedDuration\": 1800}]"_s
                            .arg(QUuid::createUuid().toString(QUuid::WithoutBraces), kShopID)
                            .arg(start.secondsSinceReference(), 0, 'f', 0)
                            .arg(start.addSeconds(7200).secondsSinceReference(), 0, 'f', 0)
                            .toUtf8());
        m_home->reload();
        QCOMPARE(service().completedSessions().size(), 1);
        expectOverviewTotal(service().periodRange(UsageRollupPeriod::week, {}, localTime(2024, 5, 16, 9)),
                            localTime(2024, 5, 16, 9), 5400.0);
    }

    // Sessions are cut at the midnights of the zone they were recorded in. A
    // user who travels meanwhile has sessions across the new zone's
    // midnights, here across the first moment of the last three months: only
    // the part inside counts, in the total, the breakdown and the first day.
    void aSessionAcrossThePeriodsStartCountsOnlyInside()
    {
        {
            const test::ScopedTimeZone recordedIn("UTC");
            m_home->record(m_shop, localTime(2024, 2, 29, 17, 30), localTime(2024, 2, 29, 19, 30));
        }
        const test::ScopedTimeZone travelledTo("Asia/Kolkata");
        const Timestamp now = localTime(2024, 6, 1, 12);
        const PeriodRange threeMonths = service().periodRange(UsageRollupPeriod::threeMonths, {}, now);
        QCOMPARE(threeMonths.start, localTime(2024, 3, 1));
        expectOverviewTotal(threeMonths, now, 3600.0);
        QCOMPARE(service().tally(threeMonths, {}, now).dailyBuckets().constFirst().duration, 3600.0);
    }

    void slicesAreOrderedAndColoured_data()
    {
        QTest::addColumn<UsageDistributionDimension>("dimension");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<quint32>>("colors");
        // Shop and blog tie at two hours; "blog" sorts before "Shop" whatever the case.
        QTest::newRow("project") << UsageDistributionDimension::project
                                 << QStringList{u"Docs"_s, u"blog"_s, u"Shop"_s}
                                 << QList<quint32>{0xF97316, 0x84CC16, 0xF59E0B};
        QTest::newRow("client") << UsageDistributionDimension::client
                                << QStringList{u"No client"_s, u"Acme"_s}
                                << QList<quint32>{UsageColors::kUnassignedGrey, 0x3366CC};
        QTest::newRow("stack") << UsageDistributionDimension::stack
                               << QStringList{u"Vue 3"_s, u"Elixir"_s, u"Next.js"_s}
                               << QList<quint32>{0x42B883, 0x8B5CF6, 0x0070F3};
    }

    void slicesAreOrderedAndColoured()
    {
        QFETCH(UsageDistributionDimension, dimension);
        QFETCH(QStringList, labels);
        QFETCH(QList<quint32>, colors);
        const DevProject docs =
            makeProject(u"Docs"_s, {}, u"Vue 3"_s, u"11111111-2222-4333-8444-555555555555"_s);
        m_home->record(m_shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 11));
        m_home->record(m_blog, localTime(2024, 5, 14, 9), localTime(2024, 5, 14, 11));
        m_home->record(docs, localTime(2024, 5, 15, 9), localTime(2024, 5, 15, 12));
        const QList<DevProject> projects{m_shop, m_blog, docs};
        const Timestamp now = localTime(2024, 5, 16, 9);

        QStringList actualLabels;
        QList<quint32> actualColors;
        for (const auto &slice :
             service().distributionSlices(dimension, projects, UsageRollupPeriod::week, {}, now)) {
            actualLabels.append(slice.label);
            actualColors.append(slice.colorHex);
            QCOMPARE(slice.percentage, slice.duration / (7 * 3600.0));
        }
        QCOMPARE(actualLabels, labels);
        QCOMPARE(actualColors, colors);
        QVERIFY(
            service().distributionSlices(dimension, projects, UsageRollupPeriod::today, {}, now).isEmpty());
    }

    // The slices above show exact, contained and unknown stack names.
    void stackColoursOfUnclearLabels()
    {
        QCOMPARE(UsageColors::stackColor(u"django api"_s), 0x092E20u);
        QCOMPARE(UsageColors::stackColor(u"No stack"_s), UsageColors::kUnassignedGrey);
    }

    void clientColoursComeFromTheFirstProjectOfTheClient_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("colorText");
        QTest::addColumn<QString>("label");
        QTest::addColumn<quint32>("color");
        QTest::newRow("plus sign") << u"Acme"_s << u"+ff"_s << u"Acme"_s << 0xFFu;
        QTest::newRow("number sign") << u"Acme"_s << u"#3366CC"_s << u"Acme"_s << 0xEF4444u;
        QTest::newRow("too long") << u"Acme"_s << u"1FFFFFFFF"_s << u"Acme"_s << 0xEF4444u;
        QTest::newRow("unassigned with a colour") << u" "_s << u"00FF00"_s << u"No client"_s << 0x00FF00u;
        QTest::newRow("no listed project") << u"Other"_s << u"00FF00"_s << u"Self"_s << 0xEF4444u;
    }

    void clientColoursComeFromTheFirstProjectOfTheClient()
    {
        QFETCH(QString, client);
        QFETCH(QString, colorText);
        QFETCH(QString, label);
        QFETCH(quint32, color);
        const QList<DevProject> projects{withClientColor(makeProject(u"Shop"_s, client), colorText),
                                         withClientColor(makeProject(u"Blog"_s, client), u"123456"_s)};
        const UsageStatistics::GroupingKey key{label, label, std::nullopt};
        QCOMPARE(UsageColors::groupColor(key, UsageDistributionDimension::client, projects), color);
    }

    void tableRowsKeepRecordedNames()
    {
        DevProject renamed = m_shop;
        renamed.name = u"Shop 2"_s;
        m_home->record(m_shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 10));
        m_home->record(renamed, localTime(2024, 5, 13, 11), localTime(2024, 5, 13, 14));
        m_home->record(makeProject(u"Gone"_s, u"X"_s), localTime(2024, 5, 13, 15),
                       localTime(2024, 5, 13, 17));
        m_home->record(m_blog, localTime(2024, 5, 13, 18), localTime(2024, 5, 13, 19));

        const auto rows = service().projectTableRows({m_shop, m_blog}, UsageRollupPeriod::today, {},
                                                     localTime(2024, 5, 13, 20));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0],
                 (UsageProjectTableRow{m_shop.id, u"Shop 2"_s, u"Acme"_s, 3 * 3600.0, 3.0 / 7, 0xF59E0B}));
        QCOMPARE(rows[1].projectName, u"Gone"_s);
        QCOMPARE(rows[1].clientName, std::nullopt);
        QCOMPARE(rows[2].projectName, u"blog"_s);
        QCOMPARE(rows[2].clientName, std::nullopt);
        QCOMPARE(rows[3].id, m_shop.id);
        QCOMPARE(rows[3].colorHex, rows[0].colorHex);
    }
};

QTEST_GUILESS_MAIN(UsageStatisticsTest)
#include "UsageStatisticsTest.moc"
