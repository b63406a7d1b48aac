#include "core/usage/UsageTrackingService.h"

#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/LocalTime.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

namespace {

DevProject makeProject(const QString &name)
{
    DevProject project;
    project.id = QUuid::createUuid();
    project.name = name;
    project.client = u"  Acme "_s;
    project.stack = u"Vue"_s;
    return project;
}

double hours(double value)
{
    return value * 3600.0;
}

} // namespace

class UsageTrackingServiceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<UsageTrackingService> m_service;
    DevProject m_project = makeProject(u"Shop"_s);

    QByteArray fileBytes() const { return test::readFile(m_service->sessionsFilePath()); }
    void reload() { m_service = std::make_unique<UsageTrackingService>(m_home.path(), m_clock); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        reload();
    }

    void runningStretchIsCutAtEveryLocalMidnight_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<Timestamp>("start");
        QTest::addColumn<Timestamp>("stop");
        QTest::addColumn<QList<double>>("pieceHours");

        const test::ScopedTimeZone madrid("Europe/Madrid");
        QTest::newRow("ordinary night") << QByteArray("Europe/Madrid") << localTime(2024, 5, 14, 22)
                                        << localTime(2024, 5, 15, 2) << QList<double>{2, 2};
        QTest::newRow("night into a 23-hour day") << QByteArray("Europe/Madrid") << localTime(2024, 3, 30, 22)
                                                  << localTime(2024, 3, 31, 4) << QList<double>{2, 3};
        QTest::newRow("weekend over a 25-hour day")
            << QByteArray("Europe/Madrid") << localTime(2024, 10, 25, 10) << localTime(2024, 10, 28, 10)
            << QList<double>{14, 24, 25, 10};
        QTest::newRow("ends exactly at midnight") << QByteArray("Europe/Madrid") << localTime(2024, 5, 14, 20)
                                                  << localTime(2024, 5, 15) << QList<double>{4};
        {
            const test::ScopedTimeZone santiago("America/Santiago");
            // On 8 September 2024 the clocks went from 00:00 straight to 01:00.
            QTest::newRow("day whose first hour does not exist")
                << QByteArray("America/Santiago") << localTime(2024, 9, 7, 22) << localTime(2024, 9, 8, 3)
                << QList<double>{2, 2};
        }
    }

    void runningStretchIsCutAtEveryLocalMidnight()
    {
        QFETCH(QByteArray, zone);
        QFETCH(Timestamp, start);
        QFETCH(Timestamp, stop);
        QFETCH(QList<double>, pieceHours);
        const test::ScopedTimeZone timeZone(zone.constData());

        m_service->start(m_project, ProjectUsageSessionSource::startWorkspace, start);
        const auto last = m_service->stop(m_project.id, stop);

        const QList<ProjectUsageSession> stored = m_service->completedSessions();
        QCOMPARE(stored.size(), pieceHours.size());
        QVERIFY(last.has_value());
        QCOMPARE(*last, stored.last());
        QCOMPARE(stored.first().startedAt, start);
        QCOMPARE(stored.last().endedAt, stop);
        const UsageCalendar calendar;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            const ProjectUsageSession &piece = stored[i];
            QCOMPARE(piece.startedAt.secondsTo(piece.endedAt), hours(pieceHours[i]));
            QCOMPARE(piece.pausedDuration, 0.0);
            QCOMPARE(piece.source, ProjectUsageSessionSource::startWorkspace);
            QCOMPARE(piece.client, u"  Acme "_s);
            QCOMPARE(calendar.date(piece.startedAt), calendar.date(piece.endedAt.addSeconds(-0.001)));
            if (i > 0) {
                QCOMPARE(piece.startedAt, stored[i - 1].endedAt);
                QVERIFY(piece.id != stored[i - 1].id);
            }
        }
        reload();
        QCOMPARE(m_service->completedSessions(), stored);
    }

    void pauseAndResumeAcrossMidnightRecordOnlyRunningTime()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 23));
        m_service->pause(m_project.id, localTime(2024, 5, 14, 23, 30));
        const QByteArray afterPause = fileBytes();
        QVERIFY(afterPause.contains("\"pausedDuration\": 0"));

        const UsageTrackingState paused =
            m_service->trackingState(m_project.id, localTime(2024, 5, 15, 0, 10));
        QCOMPARE(paused, (UsageTrackingState{true, true, 0.0, 40 * 60.0}));

        m_service->resume(m_project.id, localTime(2024, 5, 15, 0, 10));
        QCOMPARE(fileBytes(), afterPause);
        QCOMPARE(m_service->trackingState(m_project.id, localTime(2024, 5, 15, 0, 40)),
                 (UsageTrackingState{true, false, 30 * 60.0, 0.0}));

        m_service->stop(m_project.id, localTime(2024, 5, 15, 1));
        const QList<ProjectUsageSession> stored = m_service->completedSessions();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[0].startedAt, localTime(2024, 5, 14, 23));
        QCOMPARE(stored[0].endedAt, localTime(2024, 5, 14, 23, 30));
        QCOMPARE(stored[1].startedAt, localTime(2024, 5, 15, 0, 10));
        QCOMPARE(stored[1].endedAt, localTime(2024, 5, 15, 1));
        QCOMPARE(m_service->trackingState(m_project.id, localTime(2024, 5, 15, 2)), UsageTrackingState{});
    }

    void startingTwiceKeepsTheFirstSession()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        m_service->start(m_project, ProjectUsageSessionSource::startWorkspace, t0);
        DevProject renamed = m_project;
        renamed.name = u"Renamed"_s;
        m_service->start(renamed, ProjectUsageSessionSource::playButton, t0.addSeconds(600));
        m_service->stop(m_project.id, t0.addSeconds(3600));
        QCOMPARE(m_service->completedSessions().size(), 1);
        const ProjectUsageSession &session = m_service->completedSessions().first();
        QCOMPARE(session.startedAt, t0);
        QCOMPARE(session.source, ProjectUsageSessionSource::startWorkspace);
        QCOMPARE(session.projectName, u"Shop"_s);
    }

    void timesOutOfOrderAreHeldAtTheSessionsOwnMoments()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        m_service->start(m_project, ProjectUsageSessionSource::playButton, t0);
        m_service->pause(m_project.id, t0.addSeconds(-60));
        QVERIFY(m_service->completedSessions().isEmpty());
        QVERIFY(QFileInfo::exists(m_service->sessionsFilePath()));
        QCOMPARE(m_service->trackingState(m_project.id, t0.addSeconds(120)).pausedDuration, 120.0);

        m_service->resume(m_project.id, t0.addSeconds(-300));
        QCOMPARE(m_service->trackingState(m_project.id, t0.addSeconds(60)),
                 (UsageTrackingState{true, false, 60.0, 0.0}));
        QCOMPARE(m_service->stop(m_project.id, t0.addSeconds(-10)), std::nullopt);
        QVERIFY(m_service->completedSessions().isEmpty());
    }

    void stoppingAPausedSessionRecordsAndWritesNothingMore()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        m_service->start(m_project, ProjectUsageSessionSource::playButton, t0);
        m_service->pause(m_project.id, t0.addSeconds(600));
        QVERIFY(QFile::remove(m_service->sessionsFilePath()));
        QCOMPARE(m_service->stop(m_project.id, t0.addSeconds(900)), std::nullopt);
        QVERIFY(!QFileInfo::exists(m_service->sessionsFilePath()));
        QCOMPARE(m_service->completedSessions().size(), 1);
        QCOMPARE(m_service->trackingState(m_project.id, t0.addSeconds(900)).isActive, false);
        m_service->resume(m_project.id, t0.addSeconds(1000));
        QCOMPARE(m_service->trackingState(m_project.id, t0.addSeconds(1000)).isActive, false);
    }

    void stopAllRecordsEveryRunningSession()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        const DevProject other = makeProject(u"Blog"_s);
        const DevProject pausedOne = makeProject(u"Docs"_s);
        m_service->start(m_project, ProjectUsageSessionSource::playButton, t0);
        m_service->start(other, ProjectUsageSessionSource::playButton, t0.addSeconds(60));
        m_service->start(pausedOne, ProjectUsageSessionSource::playButton, t0);
        m_service->pause(pausedOne.id, t0.addSeconds(30));
        m_service->stopAll(t0.addSeconds(600));

        QCOMPARE(m_service->completedSessions().size(), 3);
        for (const DevProject &project : {m_project, other, pausedOne})
            QVERIFY(!m_service->trackingState(project.id, t0.addSeconds(600)).isActive);
        reload();
        QCOMPARE(m_service->completedSessions().size(), 3);
    }

    void liveSessionsShowRunningPiecesOnly()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        const DevProject pausedOne = makeProject(u"Docs"_s);
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 23));
        m_service->start(pausedOne, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 22));
        m_service->pause(pausedOne.id, localTime(2024, 5, 14, 22, 30));

        const Timestamp now = localTime(2024, 5, 15, 1);
        const QList<ProjectUsageSession> all = m_service->allSessions(now);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].projectID, pausedOne.id);
        QCOMPARE(all[1].startedAt, localTime(2024, 5, 14, 23));
        QCOMPARE(all[2].endedAt, now);
        QVERIFY(m_service->allSessions(now)[1].id != all[1].id);
        QCOMPARE(m_service->sessionsForSummary(pausedOne.id, now).size(), 1);
        QCOMPARE(m_service->sessionsForSummary(m_project.id, now).size(), 2);
        QCOMPARE(m_service->completedSessions().size(), 1);
    }

    void clearingDropsOneProjectOnly()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        const DevProject other = makeProject(u"Blog"_s);
        for (int i = 0; i < 3; ++i) {
            const DevProject &project = i == 1 ? other : m_project;
            m_service->start(project, ProjectUsageSessionSource::playButton, t0.addSeconds(i * 1000));
            m_service->stop(project.id, t0.addSeconds(i * 1000 + 500));
        }
        m_service->start(m_project, ProjectUsageSessionSource::playButton, t0.addSeconds(5000));
        m_service->clearSessions(m_project.id);

        QCOMPARE(m_service->completedSessions().size(), 1);
        QCOMPARE(m_service->completedSessions().first().projectID, other.id);
        QVERIFY(!m_service->trackingState(m_project.id, t0.addSeconds(6000)).isActive);
        reload();
        QCOMPARE(m_service->completedSessions().size(), 1);
    }

    void editingReplacesTimesAndKeepsTheListSorted()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        for (int day = 10; day <= 12; ++day) {
            m_service->start(m_project, ProjectUsageSessionSource::startWorkspace,
                             localTime(2024, 5, day, 9));
            m_service->stop(m_project.id, localTime(2024, 5, day, 10));
        }
        const ProjectUsageSession original = m_service->completedSessions()[2];

        // Given backwards and reaching over midnight.
        const auto edited =
            m_service->updateSession(original.id, localTime(2024, 5, 9, 1), localTime(2024, 5, 8, 22));
        QVERIFY(edited.isOk());
        ProjectUsageSession expected = original;
        expected.startedAt = localTime(2024, 5, 8, 22);
        expected.endedAt = localTime(2024, 5, 9, 1);
        QCOMPARE(edited.value(), expected);

        const QList<ProjectUsageSession> stored = m_service->completedSessions();
        QCOMPARE(stored.size(), 4);
        QCOMPARE(stored[0].id, original.id);
        QCOMPARE(stored[0].endedAt, localTime(2024, 5, 9));
        QCOMPARE(stored[1].startedAt, localTime(2024, 5, 9));
        QCOMPARE(stored[2].startedAt, localTime(2024, 5, 10, 9));
        reload();
        QCOMPARE(m_service->completedSessions(), stored);

        const auto removed =
            m_service->updateSession(stored[2].id, localTime(2024, 5, 10, 9), localTime(2024, 5, 10, 9));
        QVERIFY(removed.isOk() && removed.value().has_value());
        QCOMPARE(m_service->completedSessions().size(), 3);
        reload();
        QCOMPARE(m_service->completedSessions().size(), 3);

        const QByteArray before = fileBytes();
        const auto unknown =
            m_service->updateSession(QUuid::createUuid(), localTime(2024, 5, 1), localTime(2024, 5, 2));
        QVERIFY(unknown.isOk());
        QCOMPARE(unknown.value(), std::nullopt);
        QCOMPARE(fileBytes(), before);
    }

    void anEditThatCannotBeSavedIsReportedAndKeptInMemory()
    {
        const Timestamp t0 = localTime(2024, 5, 14, 9);
        m_service->start(m_project, ProjectUsageSessionSource::playButton, t0);
        m_service->stop(m_project.id, t0.addSeconds(600));
        const QByteArray before = fileBytes();
        const QUuid id = m_service->completedSessions().first().id;
        {
            const test::FileSizeLimit limit(16);
            const auto edited = m_service->updateSession(id, t0, t0.addSeconds(1200));
            QVERIFY(!edited.isOk());
            QVERIFY(!edited.error().isEmpty());
        }
        QCOMPARE(fileBytes(), before);
        QCOMPARE(m_service->completedSessions().first().endedAt, t0.addSeconds(1200));
        m_service->clearSessions(QUuid::createUuid());
        reload();
        QCOMPARE(m_service->completedSessions().first().endedAt, t0.addSeconds(1200));
    }

    void longSessionsHaveAtLeastTheThreshold()
    {
        const test::ScopedTimeZone timeZone("Europe/Madrid");
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 13, 8));
        m_service->stop(m_project.id, localTime(2024, 5, 13, 16));
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 14, 8));
        m_service->stop(m_project.id, localTime(2024, 5, 14, 15, 59, 59));
        m_service->start(m_project, ProjectUsageSessionSource::playButton, localTime(2024, 5, 15, 8));

        const QList<ProjectUsageSession> long8 =
            m_service->longSessions(m_project.id, 28800, localTime(2024, 5, 15, 17));
        QCOMPARE(long8.size(), 2);
        QCOMPARE(long8[0].startedAt, localTime(2024, 5, 15, 8));
        QCOMPARE(long8[1].startedAt, localTime(2024, 5, 13, 8));
    }
};

QTEST_GUILESS_MAIN(UsageTrackingServiceTest)
#include "UsageTrackingServiceTest.moc"
