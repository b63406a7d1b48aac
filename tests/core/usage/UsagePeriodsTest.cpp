#include "core/foundation/KeyValueStore.h"
#include "core/usage/UsageFilterPreferences.h"
#include "core/usage/UsageTrackingService.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

const QList<QByteArray> kZones{"Europe/Madrid", "America/Santiago"};

Timestamp at(QDateTime local)
{
    return Timestamp::fromDateTime(local);
}

QDateTime wall(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
}

} // namespace

class UsagePeriodsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<UsageTrackingService> m_service;

    void record(const DevProject &project, Timestamp start, Timestamp end)
    {
        m_service->start(project, ProjectUsageSessionSource::playButton, start);
        m_service->stop(project.id, end);
    }

private Q_SLOTS:
    void init()
    {
        QDir(m_home.path()).removeRecursively();
        m_service = std::make_unique<UsageTrackingService>(m_home.path(), m_clock);
    }

    void rollingPeriodsStartOnTheCalendarsBoundaries_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<UsageRollupPeriod>("period");
        QTest::addColumn<Qt::DayOfWeek>("firstDay");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("start");

        using P = UsageRollupPeriod;
        for (const QByteArray &zone : kZones) {
            const auto row = [&](const char *name, P period, Qt::DayOfWeek firstDay, QDateTime now,
                                 QDateTime start) {
                QTest::addRow("%s: %s", zone.constData(), name) << zone << period << firstDay << now << start;
            };
            row("today", P::today, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 5, 31));
            row("week from Monday", P::week, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 5, 27));
            row("week from Sunday", P::week, Qt::Sunday, wall(2024, 5, 31, 15), wall(2024, 5, 26));
            row("Sunday, week from Sunday", P::week, Qt::Sunday, wall(2024, 6, 2, 9), wall(2024, 6, 2));
            row("month", P::month, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 5, 1));
            row("three months in a leap year", P::threeMonths, Qt::Monday, wall(2024, 5, 31, 15),
                wall(2024, 2, 29));
            row("three months", P::threeMonths, Qt::Monday, wall(2023, 5, 31, 15), wall(2023, 2, 28));
            row("year", P::year, Qt::Monday, wall(2024, 5, 31, 15), wall(2024, 1, 1));
            row("week from Sunday over a change of clocks", P::week, Qt::Sunday, wall(2024, 4, 3, 12),
                wall(2024, 3, 31));
        }
        // The first hour of 8 September 2024 did not exist in Santiago.
        QTest::newRow("Santiago: a day that starts at one")
            << QByteArray("America/Santiago") << P::today << Qt::Monday << wall(2024, 9, 8, 15)
            << wall(2024, 9, 8, 1);
        QTest::newRow("Madrid: a day of 23 hours") << QByteArray("Europe/Madrid") << P::today << Qt::Monday
                                                   << wall(2024, 3, 31, 23, 30) << wall(2024, 3, 31);
    }

    void rollingPeriodsStartOnTheCalendarsBoundaries()
    {
        QFETCH(QByteArray, zone);
        QFETCH(UsageRollupPeriod, period);
        QFETCH(Qt::DayOfWeek, firstDay);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, start);
        const test::ScopedTimeZone timeZone(zone.constData());
        // Wall times of the table are read in the zone under test.
        const Timestamp nowInZone = at(wall(now.date().year(), now.date().month(), now.date().day(),
                                            now.time().hour(), now.time().minute()));
        const Timestamp expected =
            at(wall(start.date().year(), start.date().month(), start.date().day(), start.time().hour()));

        QCOMPARE(UsageRollupPeriods::startDate(period, UsageCalendar{firstDay}, nowInZone), expected);
        QCOMPARE(m_service->periodRange(period, UsageCalendar{firstDay}, nowInZone),
                 (PeriodRange{expected, nowInZone}));
    }

    void theUsersWeekBeginsOnTheLocalesFirstDay()
    {
        {
            const test::ScopedLocale locale{QLocale(u"en_US"_s)};
            QCOMPARE(UsageCalendar::current().firstDayOfWeek, Qt::Sunday);
        }
        const test::ScopedLocale locale{QLocale(u"ca_ES"_s)};
        QCOMPARE(UsageCalendar::current().firstDayOfWeek, Qt::Monday);
    }

    void allTimeStartsAtTheEarliestStoredDay()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        const Timestamp now = localTime(2024, 5, 31, 15);
        DevProject project;
        project.id = QUuid::createUuid();
        m_service->start(project, ProjectUsageSessionSource::playButton, localTime(2024, 1, 1, 9));
        QCOMPARE(m_service->periodRange(UsageRollupPeriod::all, {}, now),
                 (PeriodRange{localTime(2024, 5, 2), now}));

        m_service->stop(project.id, localTime(2024, 1, 1, 10));
        DevProject other;
        other.id = QUuid::createUuid();
        record(other, localTime(2023, 12, 30, 23, 30), localTime(2023, 12, 31, 1));
        QVERIFY(m_service->completedSessions().first().startedAt > localTime(2023, 12, 30));
        QCOMPARE(m_service->periodRange(UsageRollupPeriod::all, {}, now),
                 (PeriodRange{localTime(2023, 12, 30), now}));
    }

    void customRangesCoverWholeDays_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<double>("hours");

        for (const QByteArray &zone : kZones) {
            QTest::addRow("%s: one day", zone.constData())
                << zone << wall(2024, 5, 12, 9) << wall(2024, 5, 12, 9) << wall(2024, 5, 12)
                << wall(2024, 5, 12, 23, 59, 59) << 24.0;
            QTest::addRow("%s: backwards", zone.constData())
                << zone << wall(2024, 5, 18, 15) << wall(2024, 5, 12, 9) << wall(2024, 5, 12)
                << wall(2024, 5, 18, 23, 59, 59) << 7 * 24.0;
        }
        QTest::newRow("Madrid: over a day of 23 hours")
            << QByteArray("Europe/Madrid") << wall(2024, 3, 30, 9) << wall(2024, 3, 31, 9)
            << wall(2024, 3, 30) << wall(2024, 3, 31, 23, 59, 59) << 47.0;
        QTest::newRow("Madrid: backwards over a day of 25 hours")
            << QByteArray("Europe/Madrid") << wall(2024, 10, 27, 22) << wall(2024, 10, 26, 1)
            << wall(2024, 10, 26) << wall(2024, 10, 27, 23, 59, 59) << 49.0;
        QTest::newRow("Santiago: a day that starts at one")
            << QByteArray("America/Santiago") << wall(2024, 9, 8, 9) << wall(2024, 9, 8, 20)
            << wall(2024, 9, 8, 1) << wall(2024, 9, 8, 23, 59, 59) << 23.0;
    }

    void customRangesCoverWholeDays()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(double, hours);
        const test::ScopedTimeZone timeZone(zone.constData());
        const auto inZone = [](const QDateTime &wallTime) {
            return at(QDateTime(wallTime.date(), wallTime.time(), Qt::LocalTime));
        };

        const PeriodRange range =
            UsageTrackingService::periodRange(UsageDateRange{inZone(from), inZone(to)}, {});
        QCOMPARE(range, (PeriodRange{inZone(start), inZone(end)}));
        QCOMPARE(range.start.secondsTo(range.end), hours * 3600 - 1);
        QCOMPARE(UsageTrackingService::periodRange(UsageDateRange{inZone(to), inZone(from)}, {}), range);
    }

    void normalisingARangeKeepsItsDays()
    {
        const test::ScopedTimeZone timeZone("America/Santiago");
        const UsageDateRange picked{localTime(2024, 5, 18, 15), localTime(2024, 5, 12, 9)};
        QCOMPARE(picked.normalized({}), (UsageDateRange{localTime(2024, 5, 12), localTime(2024, 5, 18)}));
        const UsageDateRange oneDay{localTime(2024, 5, 12, 15), localTime(2024, 5, 12, 9)};
        QCOMPARE(oneDay.normalized({}), (UsageDateRange{localTime(2024, 5, 12), localTime(2024, 5, 12)}));
    }

    void sessionsAreSelectedByOverlap()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        DevProject shop;
        shop.id = QUuid::createUuid();
        DevProject blog;
        blog.id = QUuid::createUuid();
        const PeriodRange range{localTime(2024, 5, 13), localTime(2024, 5, 14, 23, 59, 59)};
        record(shop, localTime(2024, 5, 12, 22), localTime(2024, 5, 13));
        record(shop, localTime(2024, 5, 12, 10), localTime(2024, 5, 12, 11));
        record(blog, localTime(2024, 5, 14, 23, 59, 59), localTime(2024, 5, 15, 0, 30));
        record(shop, localTime(2024, 5, 13, 9), localTime(2024, 5, 13, 10));
        m_service->start(blog, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 20));

        const Timestamp now = localTime(2024, 5, 14, 21);
        const QList<ProjectUsageSession> selected = m_service->sessionsInPeriod(range, now);
        QCOMPARE(selected.size(), 3);
        QCOMPARE(selected[0].startedAt, localTime(2024, 5, 14, 23, 59, 59));
        QCOMPARE(selected[1].startedAt, localTime(2024, 5, 13, 9));
        QCOMPARE(selected[2].endedAt, now);
        QCOMPARE(m_service->sessionsInPeriod(shop.id, range, now).size(), 1);
    }

    void filterPreferencesOutliveTheWindow()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        QTemporaryDir config;
        const QString ini = config.filePath(u"Devnook.conf"_s);
        const QUuid projectID = QUuid::fromString(u"9b1e2d3c-4f5a-4b6c-8d7e-0f1a2b3c4d5e"_s);
        const QString filterKey = UsageFilterPreferences::projectFilterKey(projectID);
        const QString startKey = UsageFilterPreferences::projectCustomStartKey(projectID);
        const QString endKey = UsageFilterPreferences::projectCustomEndKey(projectID);
        QCOMPARE(filterKey, u"Devnook.usage.project.filter.9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s);
        QCOMPARE(endKey, u"Devnook.usage.project.customEnd.9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s);
        const Timestamp now = localTime(2024, 5, 31, 15, 20);
        {
            const SettingsKeyValueStore defaults(ini);
            QCOMPARE(UsageFilterPreferences::filter(defaults, filterKey), UsageDateFilterOption::week);
            QCOMPARE(UsageFilterPreferences::customRange(defaults, startKey, endKey, {}, now),
                     (UsageDateRange{localTime(2024, 5, 25), now}));
        }
        const UsageDateRange picked{localTime(2024, 5, 18, 15, 30), localTime(2024, 5, 12, 9)};
        {
            SettingsKeyValueStore defaults(ini);
            UsageFilterPreferences::setFilter(defaults, UsageDateFilterOption::threeMonths, filterKey);
            UsageFilterPreferences::setCustomRange(defaults, picked, startKey, endKey);
        }
        const SettingsKeyValueStore reopened(ini);
        QCOMPARE(reopened.stringValue(filterKey), u"threeMonths"_s);
        QCOMPARE(UsageFilterPreferences::filter(reopened, filterKey), UsageDateFilterOption::threeMonths);
        QCOMPARE(UsageFilterPreferences::customRange(reopened, startKey, endKey, {}, now), picked);
    }

    void unusableStoredValuesFallBack()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        const Timestamp now = localTime(2024, 5, 31, 15, 20);
        MemoryKeyValueStore defaults;
        const QString filterKey = UsageFilterPreferences::kOverviewFilterKey;
        const QString startKey = UsageFilterPreferences::kOverviewCustomStartKey;
        const QString endKey = UsageFilterPreferences::kOverviewCustomEndKey;
        defaults.setValue(filterKey, u"Week"_s);
        defaults.setValue(startKey, u"2024-05-01"_s);
        // A hand-edited year 9999 would make a day list of millions of days.
        defaults.setValue(endKey, QDateTime(QDate(9999, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(UsageFilterPreferences::filter(defaults, filterKey), UsageDateFilterOption::week);
        QCOMPARE(UsageFilterPreferences::customRange(defaults, startKey, endKey, {}, now),
                 (UsageDateRange{localTime(2024, 5, 25), now}));
    }
};

QTEST_GUILESS_MAIN(UsagePeriodsTest)
#include "UsagePeriodsTest.moc"
