#include "core/usage/UsageTrackingService.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

class UsageSummaryTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<test::ScopedTimeZone> m_timeZone;
    std::unique_ptr<UsageTrackingService> m_service;
    DevProject m_project;

    void record(Timestamp start, Timestamp end, const DevProject &project)
    {
        m_service->start(project, ProjectUsageSessionSource::playButton, start);
        m_service->stop(project.id, end);
    }

private Q_SLOTS:
    void init()
    {
        m_timeZone = std::make_unique<test::ScopedTimeZone>("Europe/Madrid");
        QDir(m_home.path()).removeRecursively();
        m_service = std::make_unique<UsageTrackingService>(m_home.path(), m_clock);
        m_project.id = QUuid::createUuid();
        m_project.name = u"Shop"_s;
    }
    void cleanup() { m_timeZone.reset(); }

    void runningSessionCountsItsLivePiecesPerDay()
    {
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 23));
        const Timestamp now = localTime(2024, 5, 15, 1);
        const ProjectUsageSummary summary = m_service->summary(m_project.id, UsageCalendar{}, now);
        QCOMPARE(summary, (ProjectUsageSummary{3600, 7200, 7200, 7200, 2, 3600, now}));
    }

    void pausedSessionCountsOnlyWhatItRecorded()
    {
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 15, 9));
        QCOMPARE(m_service->summary(m_project.id, UsageCalendar{}, localTime(2024, 5, 15, 9)),
                 ProjectUsageSummary::empty());
        m_service->pause(m_project.id, localTime(2024, 5, 15, 9));
        QCOMPARE(m_service->summary(m_project.id, UsageCalendar{}, localTime(2024, 5, 15, 12)),
                 ProjectUsageSummary::empty());

        m_service->resume(m_project.id, localTime(2024, 5, 15, 10));
        m_service->pause(m_project.id, localTime(2024, 5, 15, 10, 30));
        const ProjectUsageSummary summary =
            m_service->summary(m_project.id, UsageCalendar{}, localTime(2024, 5, 15, 12));
        QCOMPARE(summary.total, 1800.0);
        QCOMPARE(summary.sessionCount, 1);
        QCOMPARE(summary.lastSessionAt, localTime(2024, 5, 15, 10, 30));
    }

    void windowsFollowTheCalendar_data()
    {
        QTest::addColumn<Qt::DayOfWeek>("firstDayOfWeek");
        QTest::addColumn<double>("week");
        // Sunday 19 May 2024; an hour on each day from Wednesday 1 May.
        QTest::newRow("weeks from Monday") << Qt::Monday << 7 * 3600.0;
        QTest::newRow("weeks from Sunday") << Qt::Sunday << 3600.0;
    }

    void windowsFollowTheCalendar()
    {
        QFETCH(Qt::DayOfWeek, firstDayOfWeek);
        QFETCH(double, week);
        for (int day = 1; day <= 19; ++day)
            record(localTime(2024, 5, day, 9), localTime(2024, 5, day, 10), m_project);
        record(localTime(2024, 4, 30, 23, 30), localTime(2024, 5, 1, 0, 30), m_project);

        const ProjectUsageSummary summary =
            m_service->summary(m_project.id, UsageCalendar{firstDayOfWeek}, localTime(2024, 5, 19, 18));
        QCOMPARE(summary.today, 3600.0);
        QCOMPARE(summary.week, week);
        QCOMPARE(summary.month, 19 * 3600.0 + 1800.0);
        QCOMPARE(summary.total, 20 * 3600.0);
        QCOMPARE(summary.sessionCount, 21);
        QCOMPARE(summary.averageSessionDuration, 20 * 3600.0 / 21);
        QCOMPARE(summary.lastSessionAt, localTime(2024, 5, 19, 10));
    }

    void summariesCoverEachListedProject()
    {
        DevProject other;
        other.id = QUuid::createUuid();
        DevProject idle;
        idle.id = QUuid::createUuid();
        record(localTime(2024, 5, 15, 9), localTime(2024, 5, 15, 10), m_project);
        record(localTime(2024, 5, 15, 11), localTime(2024, 5, 15, 11, 15), other);
        m_service->start(other, ProjectUsageSessionSource::playButton, localTime(2024, 5, 15, 12));
        m_clock.set(localTime(2024, 5, 15, 12, 45));

        QVERIFY(m_service->summaries({}).isEmpty());
        const auto summaries = m_service->summaries({m_project, other, idle});
        QCOMPARE(summaries.size(), 3);
        QCOMPARE(summaries.value(m_project.id),
                 m_service->summary(m_project.id, UsageCalendar::current(), m_clock.now()));
        QCOMPARE(summaries.value(other.id).total, 3600.0);
        QCOMPARE(summaries.value(other.id).sessionCount, 2);
        QCOMPARE(summaries.value(other.id).lastSessionAt, m_clock.now());
        QCOMPARE(summaries.value(idle.id), ProjectUsageSummary::empty());
    }
};

QTEST_GUILESS_MAIN(UsageSummaryTest)
#include "UsageSummaryTest.moc"
