#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageCalendar.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

const QString kAutoPaused = u"Usage tracking paused while you are away."_s;
const QString kAutoResumed = u"Usage tracking resumed: you are back."_s;
const QString kPaused = u"Usage tracking paused."_s;
const QString kResumed = u"Usage tracking resumed."_s;

DevProject project(const QString &name)
{
    DevProject result;
    result.id = QUuid::createUuid();
    result.name = name;
    result.folderPath = u"/nonexistent/"_s + name;
    return result;
}

} // namespace

class ProjectStoreUsageTest : public QObject {
    Q_OBJECT

private:
    test::ScopedTimeZone m_zone{"UTC"};
    QTemporaryDir m_dir;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;
    std::unique_ptr<test::ScriptedProcessManager> m_manager;
    test::ScriptedReadiness m_readiness;
    test::ScriptedPorts m_ports;
    std::unique_ptr<test::StoreDoubles> m_doubles;
    std::unique_ptr<ProjectStore> m_store;
    DevProject m_shop = project(u"Shop"_s);
    DevProject m_blog = project(u"Blog"_s);

    ProjectStore &store() { return *m_store; }
    test::StoreDoubles &doubles() { return *m_doubles; }

    void report(const DevProject &p, DevProcessState state) { Q_EMIT m_manager->stateDidChange(p.id, state); }
    void idleCheck(double idleSeconds)
    {
        doubles().idle.seconds = idleSeconds;
        QCoro::waitFor(store().reconcileUsageIdleState());
    }
    bool isPaused(const DevProject &p) const
    {
        const UsageTrackingState state = m_store->usageTrackingStates().value(p.id);
        return state.isActive && state.isPaused;
    }
    bool isRunning(const DevProject &p) const
    {
        const UsageTrackingState state = m_store->usageTrackingStates().value(p.id);
        return state.isActive && !state.isPaused;
    }
    // Tracked seconds of the project so far, live time included.
    double tracked(const DevProject &p) const
    {
        return m_doubles->usage.summary(p.id, UsageCalendar::current(), m_clock.now()).total;
    }
    QStringList usageLines(const DevProject &p) const
    {
        QStringList lines;
        for (const DevProcessLogLine &line : m_store->processLogs().value(p.id)) {
            if (line.text.startsWith(u"Usage tracking"_s))
                lines.append(line.text);
        }
        return lines;
    }
    // A finished session of the project from start to start + hours.
    void session(const DevProject &p, Timestamp start, double hours)
    {
        m_clock.set(start);
        report(p, DevProcessState::running);
        m_clock.advance(hours * 3600);
        report(p, DevProcessState::stopped);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        m_clock.set(test::localTime(2026, 3, 10, 9, 0));
        m_persistence = std::make_unique<JSONProjectPersistence>(m_dir.filePath(u"data"_s), m_clock);
        QVERIFY(m_persistence->saveProjects({m_shop, m_blog}).isOk());
        m_manager = std::make_unique<test::ScriptedProcessManager>(m_clock);
        m_doubles = std::make_unique<test::StoreDoubles>(m_dir.filePath(u"data"_s), m_clock);
        doubles().settings.setPauseUsageTrackingWhenIdle(true);
        m_store = std::make_unique<ProjectStore>(
            doubles().services(*m_persistence, *m_manager, m_readiness, m_ports, m_clock));
    }

    void cleanup()
    {
        m_store.reset();
        m_doubles.reset();
        m_manager.reset();
    }

    void theFirstIdleCheckComesAMinuteAfterCreation()
    {
        doubles().idle.seconds = 2000;
        report(m_shop, DevProcessState::running);
        QCOMPARE(doubles().idle.reads, 0);

        auto *timer = store().findChild<QTimer *>(u"usageIdleTimer"_s);
        QVERIFY(timer);
        QVERIFY(timer->isActive() && !timer->isSingleShot());
        QCOMPARE(timer->interval(), 60000);
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(doubles().idle.reads, 1);
        QVERIFY(isPaused(m_shop));
    }

    void idleChecksPauseAsOfTheLastInputPlusFifteenMinutes_data()
    {
        QTest::addColumn<double>("idle");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<double>("trackedSeconds");
        QTest::newRow("just under 900 s") << 899.9 << false << 1800.0;
        QTest::newRow("exactly 900 s, paused as of the check") << 900.0 << true << 1800.0;
        QTest::newRow("1200 s, paused 300 s back") << 1200.0 << true << 1500.0;
        QTest::newRow("away since before the start") << 4000.0 << true << 0.0;
    }

    void idleChecksPauseAsOfTheLastInputPlusFifteenMinutes()
    {
        QFETCH(double, idle);
        QFETCH(bool, paused);
        QFETCH(double, trackedSeconds);
        report(m_shop, DevProcessState::running);
        m_clock.advance(1800);

        idleCheck(idle);
        QVERIFY(paused ? isPaused(m_shop) : isRunning(m_shop));
        QCOMPARE(tracked(m_shop), trackedSeconds);
        QCOMPARE(usageLines(m_shop), paused ? QStringList{kAutoPaused} : QStringList{});
        if (paused)
            QCOMPARE(store().usageSummaries().value(m_shop.id).total, trackedSeconds);

        // A repeated check while the user stays away changes nothing.
        m_clock.advance(60);
        idleCheck(idle);
        QCOMPARE(usageLines(m_shop).size(), paused ? 1 : 0);
    }

    void aReturningUserGetsBackOnlyWhatTheStorePaused()
    {
        store().toggleUsageTrackingPause(m_blog);
        QVERIFY(usageLines(m_blog).isEmpty());
        report(m_shop, DevProcessState::running);
        report(m_blog, DevProcessState::running);
        store().toggleUsageTrackingPause(m_blog);

        m_clock.advance(1000);
        idleCheck(1000);
        QVERIFY(isPaused(m_shop));
        QCOMPARE(usageLines(m_blog), QStringList{kPaused});

        // Back after 300 s; the time until the check is not tracked.
        m_clock.advance(300);
        idleCheck(10);
        QVERIFY(isRunning(m_shop));
        QVERIFY(isPaused(m_blog));
        QCOMPARE(usageLines(m_shop), (QStringList{kAutoPaused, kAutoResumed}));
        QCOMPARE(usageLines(m_blog), QStringList{kPaused});
        m_clock.advance(100);
        QCOMPARE(tracked(m_shop), 1000.0);

        // A session resumed by hand is no longer the store's to resume.
        idleCheck(900);
        store().toggleUsageTrackingPause(m_shop);
        idleCheck(0);
        QCOMPARE(usageLines(m_shop), (QStringList{kAutoPaused, kAutoResumed, kAutoPaused, kResumed}));

        // Switching the setting off resumes at the next check, without asking
        // the desktop.
        idleCheck(900);
        doubles().settings.setPauseUsageTrackingWhenIdle(false);
        const int reads = doubles().idle.reads;
        idleCheck(5000);
        QVERIFY(isRunning(m_shop));
        QVERIFY(isPaused(m_blog));
        QCOMPARE(doubles().idle.reads, reads);
    }

    void sleepPausesAtOnceAndWakeRunsTheCheck()
    {
        report(m_shop, DevProcessState::running);
        m_clock.advance(100);
        doubles().power.sleep();
        QVERIFY(isPaused(m_shop));
        // The pause reached the session file before the machine sleeps.
        QVERIFY(test::readFile(doubles().usage.sessionsFilePath()).contains(m_shop.name.toUtf8()));

        m_clock.advance(3600);
        doubles().idle.seconds = 5;
        doubles().power.wake();
        QVERIFY(isRunning(m_shop));
        m_clock.advance(50);
        QCOMPARE(tracked(m_shop), 150.0);

        // An answer that comes after the machine went to sleep resumes nothing.
        doubles().idle.answerLater = true;
        QCoro::Task<> check = store().reconcileUsageIdleState();
        doubles().power.sleep();
        QCoro::waitFor(check);
        QVERIFY(isPaused(m_shop));
        doubles().idle.answerLater = false;

        // Nobody woke it: it stays paused.
        doubles().idle.seconds = 3600;
        doubles().power.wake();
        QVERIFY(isPaused(m_shop));

        doubles().settings.setPauseUsageTrackingWhenIdle(false);
        doubles().power.wake();
        QVERIFY(isRunning(m_shop));
        doubles().power.sleep();
        QVERIFY(isRunning(m_shop));
    }

    void periodFiguresOfOneProject()
    {
        session(m_shop, test::localTime(2026, 3, 9, 10), 1);
        session(m_shop, test::localTime(2026, 3, 9, 14), 2);
        session(m_blog, test::localTime(2026, 3, 9, 16), 4);
        // Still running at the queries, three hours in.
        m_clock.set(test::localTime(2026, 3, 10, 8));
        report(m_shop, DevProcessState::running);
        m_clock.set(test::localTime(2026, 3, 10, 11));

        const UsageDateRange twoDays{test::localTime(2026, 3, 10, 18), test::localTime(2026, 3, 9, 7)};
        const auto custom = UsageDateFilterOption::custom;
        const ProjectUsagePeriodStats stats = store().usageProjectPeriodStats(m_shop.id, custom, twoDays);
        QCOMPARE(stats.totalDuration, 6 * 3600.0);
        QCOMPARE(stats.sessionCount, 3);
        QCOMPARE(stats.averageSessionDuration, 2 * 3600.0);
        QCOMPARE(stats.averageDailyDuration, 3 * 3600.0);
        QCOMPARE(stats.lastSessionAt, std::optional<Timestamp>(test::localTime(2026, 3, 10, 11)));
        QCOMPARE(store().usageTotalDuration(custom, twoDays), 10 * 3600.0);

        // A rolling period ignores the custom range.
        const auto today = UsageDateFilterOption::today;
        QCOMPARE(store().usageProjectPeriodStats(m_shop.id, today, twoDays).sessionCount, 1);
        QCOMPARE(store().usageTotalDuration(today, twoDays), 3 * 3600.0);

        QList<Timestamp> starts;
        for (const ProjectUsageSession &s : store().usageProjectSessions(m_shop.id, custom, twoDays))
            starts.append(s.startedAt);
        QCOMPARE(starts, (QList<Timestamp>{test::localTime(2026, 3, 10, 8), test::localTime(2026, 3, 9, 14),
                                           test::localTime(2026, 3, 9, 10)}));
        const auto exported = store().exportAllUsageData(custom, twoDays, UsageExportFormat::csv);
        QVERIFY(exported.isOk());
        const QList<QByteArray> rows = exported.value().trimmed().split('\n');
        QCOMPARE(rows.size(), 5);
        QVERIFY(rows[1].contains("2026-03-09T10:00:00Z"));
        QVERIFY(rows[4].contains("2026-03-10T08:00:00Z"));

        // A project without sessions: zeros, and every day of the period.
        const QUuid unknown = QUuid::createUuid();
        QCOMPARE(store().usageProjectPeriodStats(unknown, custom, twoDays), ProjectUsagePeriodStats{});
        const QList<UsageDailyBucket> buckets = store().usageProjectDailyBuckets(unknown, custom, twoDays);
        QCOMPARE(buckets.size(), 2);
        QCOMPARE(buckets[0].duration + buckets[1].duration, 0.0);

        store().copyUsageSummary(m_blog);
        QCOMPARE(doubles().clipboard.texts.size(), 1);
        QVERIFY(doubles().clipboard.texts[0].startsWith(u"Devnook \u2014 Blog\n"_s));
    }
};

QTEST_GUILESS_MAIN(ProjectStoreUsageTest)
#include "ProjectStoreUsageTest.moc"
