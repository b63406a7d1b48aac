#include "UsageTestSupport.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;
using test::wall;
using Source = ProjectUsageSessionSource;

class UsageTrackingServiceTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::UsageHome> m_home;
    const DevProject m_project = test::makeProject(u"Shop"_s, u"  Acme "_s, u"Vue"_s);

    UsageTrackingService &service() { return *m_home->service; }
    QByteArray fileBytes()
    {
        service().waitForFiles();
        return test::readFile(service().sessionsFilePath());
    }

private Q_SLOTS:
    void init() { m_home = std::make_unique<test::UsageHome>(); }
    void cleanup() { m_home.reset(); }

    void runningStretchIsCutAtEveryLocalMidnight_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("stop");
        QTest::addColumn<QList<double>>("pieceHours");
        const QByteArray madrid("Europe/Madrid");
        QTest::newRow("ordinary night")
            << madrid << wall(2024, 5, 14, 22) << wall(2024, 5, 15, 2) << QList<double>{2, 2};
        QTest::newRow("night into a 23-hour day")
            << madrid << wall(2024, 3, 30, 22) << wall(2024, 3, 31, 4) << QList<double>{2, 3};
        QTest::newRow("weekend over a 25-hour day")
            << madrid << wall(2024, 10, 25, 10) << wall(2024, 10, 28, 10) << QList<double>{14, 24, 25, 10};
        QTest::newRow("ends exactly at midnight")
            << madrid << wall(2024, 5, 14, 20) << wall(2024, 5, 15) << QList<double>{4};
        // On 8 September 2024 the clocks went from 00:00 straight to 01:00.
        QTest::newRow("day whose first hour does not exist")
            << QByteArray("America/Santiago") << wall(2024, 9, 7, 22) << wall(2024, 9, 8, 3)
            << QList<double>{2, 2};
    }

    void runningStretchIsCutAtEveryLocalMidnight()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, stop);
        QFETCH(QList<double>, pieceHours);
        const test::ScopedTimeZone timeZone(zone.constData());

        service().start(m_project, Source::startWorkspace, test::inZone(start));
        const auto last = service().stop(m_project.id, test::inZone(stop));
        const QList<ProjectUsageSession> stored = service().completedSessions();
        QCOMPARE(stored.size(), pieceHours.size());
        QVERIFY(last);
        QCOMPARE(*last, stored.last());
        Timestamp pieceStart = test::inZone(start);
        QSet<QUuid> ids;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            const Timestamp pieceEnd = pieceStart.addSeconds(pieceHours[i] * 3600);
            QCOMPARE(stored[i],
                     (ProjectUsageSession{stored[i].id, m_project.id, u"Shop"_s, u"  Acme "_s, u"Vue"_s,
                                          Source::startWorkspace, pieceStart, pieceEnd, 0.0}));
            ids.insert(stored[i].id);
            pieceStart = pieceEnd;
        }
        QCOMPARE(pieceStart, test::inZone(stop));
        QCOMPARE(ids.size(), stored.size());
        m_home->reload();
        QCOMPARE(service().completedSessions(), stored);
    }

    void pauseAndResumeAcrossMidnightRecordOnlyRunningTime()
    {
        service().start(m_project, Source::playButton, localTime(2024, 5, 14, 23));
        service().pause(m_project.id, localTime(2024, 5, 14, 23, 30));
        const QByteArray afterPause = fileBytes();
        QVERIFY(afterPause.contains("\"pausedDuration\": 0"));
        QCOMPARE(service().trackingState(m_project.id, localTime(2024, 5, 15, 0, 10)),
                 (UsageTrackingState{true, true, 0.0, 40 * 60.0}));

        service().resume(m_project.id, localTime(2024, 5, 15, 0, 10));
        QCOMPARE(fileBytes(), afterPause);
        QCOMPARE(service().trackingState(m_project.id, localTime(2024, 5, 15, 0, 40)),
                 (UsageTrackingState{true, false, 30 * 60.0, 0.0}));

        service().stop(m_project.id, localTime(2024, 5, 15, 1));
        const QList<ProjectUsageSession> stored = service().completedSessions();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[0].endedAt, localTime(2024, 5, 14, 23, 30));
        QCOMPARE(stored[1].startedAt, localTime(2024, 5, 15, 0, 10));
        QCOMPARE(stored[1].endedAt, localTime(2024, 5, 15, 1));
        QCOMPARE(service().trackingState(m_project.id, localTime(2024, 5, 15, 2)), UsageTrackingState{});
    }

    void timesOutOfOrderAreHeldAtTheSessionsOwnMoments()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        service().start(m_project, Source::playButton, t0);
        service().pause(m_project.id, t0.addSeconds(-60));
        QVERIFY(service().completedSessions().isEmpty());
        QVERIFY(!fileBytes().isEmpty());
        QCOMPARE(service().trackingState(m_project.id, t0.addSeconds(120)).pausedDuration, 120.0);

        service().resume(m_project.id, t0.addSeconds(-300));
        QCOMPARE(service().trackingState(m_project.id, t0.addSeconds(60)),
                 (UsageTrackingState{true, false, 60.0, 0.0}));
        QCOMPARE(service().stop(m_project.id, t0.addSeconds(-10)), std::nullopt);
        QVERIFY(service().completedSessions().isEmpty());
    }

    void stoppingAPausedSessionRecordsAndWritesNothingMore()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        service().start(m_project, Source::playButton, t0);
        service().pause(m_project.id, t0.addSeconds(600));
        service().waitForFiles();
        QVERIFY(QFile::remove(service().sessionsFilePath()));
        QCOMPARE(service().stop(m_project.id, t0.addSeconds(900)), std::nullopt);
        service().waitForFiles();
        QVERIFY(!QFileInfo::exists(service().sessionsFilePath()));
        QCOMPARE(service().completedSessions().size(), 1);
        service().resume(m_project.id, t0.addSeconds(1000));
        QVERIFY(!service().trackingState(m_project.id, t0.addSeconds(1000)).isActive);
    }

    void stopAllRecordsEveryOpenSessionFromItsFirstStart()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        const DevProject other = test::makeProject(u"Blog"_s);
        const DevProject pausedOne = test::makeProject(u"Docs"_s);
        DevProject renamed = m_project;
        renamed.name = u"Renamed"_s;
        service().start(m_project, Source::startWorkspace, t0);
        // Starting again goes on with the first start's time, source and name.
        service().start(renamed, Source::playButton, t0.addSeconds(600));
        service().start(other, Source::playButton, t0.addSeconds(60));
        service().start(pausedOne, Source::playButton, t0);
        service().pause(pausedOne.id, t0.addSeconds(30));
        service().stopAll(t0.addSeconds(3600));
        for (const DevProject &project : {m_project, other, pausedOne})
            QVERIFY(!service().trackingState(project.id, t0.addSeconds(3600)).isActive);
        m_home->reload();
        QCOMPARE(service().completedSessions().size(), 3);
        QList<ProjectUsageSession> shop;
        service().forEachSessionOf(m_project.id, t0.addSeconds(3600),
                                   [&](const ProjectUsageSession &session) { shop.append(session); });
        QCOMPARE(shop, (QList<ProjectUsageSession>{{shop.value(0).id, m_project.id, u"Shop"_s, u"  Acme "_s,
                                                    u"Vue"_s, Source::startWorkspace, t0, t0.addSeconds(3600),
                                                    0.0}}));
    }

    // Latest start first; sessions that start together keep their order.
    void longSessionsComeLatestFirst()
    {
        const Timestamp day = localTime(2024, 5, 14, 8);
        m_home->record(m_project, day, day.addSeconds(9 * 3600));
        m_home->record(m_project, day, day.addSeconds(8 * 3600));
        m_home->record(m_project, day.addSeconds(-86400), day.addSeconds(-86400 + 3600));
        m_home->record(m_project, day.addSeconds(86400), day.addSeconds(86400 + 10 * 3600));
        for (int read = 0; read < 2; ++read) {
            QList<double> hours;
            for (const ProjectUsageSession &session : service().longSessions(m_project.id, 8 * 3600, day))
                hours.append(session.trackedDuration() / 3600);
            QCOMPARE(hours, (QList<double>{10, 9, 8}));
            // Read back, the history is in order of start.
            m_home->reload();
        }
    }

    // Live pieces are not stored: every listing gives them ids of their own,
    // never the running stretch's.
    void livePiecesGetNewIdsOnEveryListing()
    {
        service().start(m_project, Source::playButton, localTime(2024, 5, 14, 22));
        const Timestamp now = localTime(2024, 5, 15, 1);
        QSet<QUuid> ids;
        for (int listing = 0; listing < 2; ++listing) {
            service().forEachSession(now, [&](const ProjectUsageSession &piece) { ids.insert(piece.id); });
            for (const ProjectUsageSession &piece : service().longSessions(m_project.id, 0, now))
                ids.insert(piece.id);
        }
        QCOMPARE(ids.size(), 8);
    }

    void clearingDropsOneProjectOnly()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        const DevProject other = test::makeProject(u"Blog"_s);
        m_home->record(m_project, t0, t0.addSeconds(500));
        m_home->record(other, t0.addSeconds(1000), t0.addSeconds(1500));
        service().start(m_project, Source::playButton, t0.addSeconds(5000));
        service().clearSessions(m_project.id);
        QVERIFY(!service().trackingState(m_project.id, t0.addSeconds(6000)).isActive);
        m_home->reload();
        QCOMPARE(service().completedSessions().size(), 1);
        QCOMPARE(service().completedSessions().first().projectID, other.id);
    }

    void editingReplacesTimesAndKeepsTheListSorted()
    {
        for (int day = 10; day <= 12; ++day)
            m_home->record(m_project, localTime(2024, 5, day, 9), localTime(2024, 5, day, 10));
        ProjectUsageSession expected = service().completedSessions()[2];
        expected.startedAt = localTime(2024, 5, 8, 22);
        expected.endedAt = localTime(2024, 5, 9, 1);

        // Given backwards and reaching over midnight.
        const auto edited = service().updateSession(expected.id, expected.endedAt, expected.startedAt);
        QCOMPARE(edited, expected);
        m_home->reload();
        const QList<ProjectUsageSession> stored = service().completedSessions();
        QCOMPARE(stored.size(), 4);
        QCOMPARE(stored[0].id, expected.id);
        QCOMPARE(stored[0].endedAt, localTime(2024, 5, 9));
        QCOMPARE(stored[1].startedAt, localTime(2024, 5, 9));
        QCOMPARE(stored[2].startedAt, localTime(2024, 5, 10, 9));

        const auto removed = service().updateSession(stored[2].id, stored[2].startedAt, stored[2].startedAt);
        QVERIFY(removed.has_value());
        m_home->reload();
        QCOMPARE(service().completedSessions().size(), 3);

        const QByteArray before = fileBytes();
        const auto unknown =
            service().updateSession(QUuid::createUuid(), localTime(2024, 5, 1), localTime(2024, 5, 2));
        QVERIFY(!unknown);
        QCOMPARE(fileBytes(), before);
    }

    void anEditThatCannotBeSavedIsReportedAndKeptInMemory()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        m_home->record(m_project, t0, t0.addSeconds(600));
        const QByteArray before = fileBytes();
        const QUuid id = service().completedSessions().first().id;
        {
            const test::FileSizeLimit limit(16);
            QVERIFY(service().updateSession(id, t0, t0.addSeconds(1200)));
            service().waitForFiles();
        }
        QVERIFY2(service().fileProblem().startsWith(u"Could not save the usage history: "_s),
                 qPrintable(service().fileProblem()));
        QCOMPARE(fileBytes(), before);
        // The next save writes the edit.
        service().clearSessions(QUuid::createUuid());
        QVERIFY(fileBytes() != before);
        QCOMPARE(service().fileProblem(), QString());
        m_home->reload();
        QCOMPARE(service().completedSessions().first().endedAt, t0.addSeconds(1200));
    }

    void longSessionsHaveAtLeastTheThreshold()
    {
        m_home->record(m_project, localTime(2024, 5, 13, 8), localTime(2024, 5, 13, 16));
        m_home->record(m_project, localTime(2024, 5, 14, 8), localTime(2024, 5, 14, 15, 59, 59));
        service().start(m_project, Source::playButton, localTime(2024, 5, 15, 8));
        const auto found = service().longSessions(m_project.id, 8 * 3600, localTime(2024, 5, 15, 17));
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].startedAt, localTime(2024, 5, 15, 8));
        QCOMPARE(found[1].startedAt, localTime(2024, 5, 13, 8));
    }

    void summaryWindowsFollowTheCalendar_data()
    {
        QTest::addColumn<Qt::DayOfWeek>("firstDayOfWeek");
        QTest::addColumn<double>("week");
        // Sunday 19 May 2024; an hour on each day from Wednesday 1 May.
        QTest::newRow("weeks from Monday") << Qt::Monday << 7 * 3600.0;
        QTest::newRow("weeks from Sunday") << Qt::Sunday << 3600.0;
    }

    void summaryWindowsFollowTheCalendar()
    {
        QFETCH(Qt::DayOfWeek, firstDayOfWeek);
        QFETCH(double, week);
        for (int day = 1; day <= 19; ++day)
            m_home->record(m_project, localTime(2024, 5, day, 9), localTime(2024, 5, day, 10));
        m_home->record(m_project, localTime(2024, 4, 30, 23, 30), localTime(2024, 5, 1, 0, 30));

        const ProjectUsageSummary summary =
            service().summary(m_project.id, UsageCalendar{firstDayOfWeek}, localTime(2024, 5, 19, 18));
        QCOMPARE(summary, (ProjectUsageSummary{3600, week, 19 * 3600.0 + 1800, 20 * 3600.0, 21,
                                               20 * 3600.0 / 21, localTime(2024, 5, 19, 10)}));
    }

    void summariesCoverEachListedProject()
    {
        const DevProject other = test::makeProject(u"Blog"_s);
        const DevProject idle = test::makeProject(u"Idle"_s);
        m_home->record(m_project, localTime(2024, 5, 15, 9), localTime(2024, 5, 15, 10));
        m_home->record(other, localTime(2024, 5, 15, 11), localTime(2024, 5, 15, 11, 15));
        service().start(other, Source::playButton, localTime(2024, 5, 15, 12));
        m_home->clock.set(localTime(2024, 5, 15, 12, 45));

        const auto summaries = service().summaries({m_project, other, idle});
        QCOMPARE(summaries.size(), 3);
        QCOMPARE(summaries.value(m_project.id).total, 3600.0);
        QCOMPARE(summaries.value(other.id).total, 3600.0);
        QCOMPARE(summaries.value(other.id).sessionCount, 2);
        QCOMPARE(summaries.value(other.id).lastSessionAt, m_home->clock.now());
        QCOMPARE(summaries.value(idle.id), ProjectUsageSummary::empty());
    }
};

QTEST_GUILESS_MAIN(UsageTrackingServiceTest)
#include "UsageTrackingServiceTest.moc"
