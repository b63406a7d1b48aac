#include "core/usage/UsageCalendar.h"
#include "support/FileSizeLimit.h"
#include "support/LocalTime.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTest>
#include <algorithm>
#include <optional>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

const QString kAutoPaused = u"Usage tracking paused while you are away."_s;
const QString kAutoResumed = u"Usage tracking resumed: you are back."_s;
const QString kPaused = u"Usage tracking paused."_s;
const QString kResumed = u"Usage tracking resumed."_s;

} // namespace

Q_DECLARE_METATYPE(std::optional<devnook::Timestamp>)
Q_DECLARE_METATYPE(devnook::UsageDateFilterOption)

// Usage tracking through the store: idle pause, sleep and wake, and queries.
class ProjectStoreUsageTest : public QObject {
    Q_OBJECT

private:
    test::ScopedTimeZone m_zone{"UTC"};
    std::unique_ptr<test::ScriptedStore> m_rig;
    const DevProject m_shop = test::makeProject(u"Shop"_s, u"/nonexistent/shop"_s);
    const DevProject m_blog = test::makeProject(u"Blog"_s, u"/nonexistent/blog"_s);

    ProjectStore &store() { return *m_rig->store; }
    void report(const DevProject &p, DevProcessState state) { m_rig->report(p.id, state); }
    void idleCheck(double idleSeconds)
    {
        m_rig->idle.seconds = idleSeconds;
        QCoro::waitFor(store().reconcileUsageIdleState());
    }
    QString tracking(const DevProject &p) const
    {
        const UsageTrackingState state = m_rig->store->usageTrackingStates().value(p.id);
        return !state.isActive ? u"off"_s : state.isPaused ? u"paused"_s : u"running"_s;
    }
    // Tracked seconds of the project so far, live time included.
    double tracked(const DevProject &p) const
    {
        return m_rig->usage.summary(p.id, UsageCalendar::current(), m_rig->clock.now()).total;
    }
    QStringList usageLines(const DevProject &p) const
    {
        return m_rig->logTexts(p.id).filter(u"Usage tracking"_s);
    }
    // A finished session of the project from start to start + hours.
    void session(const DevProject &p, Timestamp start, double hours)
    {
        m_rig->clock.set(start);
        report(p, DevProcessState::running);
        m_rig->clock.advance(hours * 3600);
        report(p, DevProcessState::stopped);
    }
    // The sessions' times and projects: live pieces get new ids at every query.
    static QList<std::tuple<QUuid, Timestamp, Timestamp>> spans(const QList<ProjectUsageSession> &sessions)
    {
        QList<std::tuple<QUuid, Timestamp, Timestamp>> result;
        for (const ProjectUsageSession &session : sessions)
            result.append({session.projectID, session.startedAt, session.endedAt});
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::ScriptedStore>();
        m_rig->clock.set(test::localTime(2026, 3, 10, 9, 0));
        m_rig->settings.setPauseUsageTrackingWhenIdle(true);
        m_rig->open({m_shop, m_blog});
    }

    void cleanup() { m_rig.reset(); }

    void theFirstIdleCheckComesAMinuteAfterCreation()
    {
        m_rig->idle.seconds = 2000;
        report(m_shop, DevProcessState::running);
        auto *timer = store().findChild<QTimer *>(u"usageIdleTimer"_s);
        QVERIFY(timer && timer->isActive() && !timer->isSingleShot());
        QCOMPARE(timer->interval(), 60000);
        QCOMPARE(m_rig->idle.reads, 0);
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(m_rig->idle.reads, 1);
        QCOMPARE(tracking(m_shop), u"paused"_s);
    }

    void idleChecksPauseAsOfTheLastInputPlusFifteenMinutes_data()
    {
        QTest::addColumn<double>("idle");
        QTest::addColumn<double>("trackedSeconds");
        QTest::newRow("just under 900 s") << 899.9 << 1800.0;
        QTest::newRow("exactly 900 s, paused as of the check") << 900.0 << 1800.0;
        QTest::newRow("1200 s, paused 300 s back") << 1200.0 << 1500.0;
        QTest::newRow("away since before the start") << 4000.0 << 0.0;
    }

    void idleChecksPauseAsOfTheLastInputPlusFifteenMinutes()
    {
        QFETCH(double, idle);
        QFETCH(double, trackedSeconds);
        const bool paused = idle >= 900;
        report(m_shop, DevProcessState::running);
        m_rig->clock.advance(1800);

        idleCheck(idle);
        QCOMPARE(tracking(m_shop), paused ? u"paused"_s : u"running"_s);
        QCOMPARE(tracked(m_shop), trackedSeconds);
        if (paused)
            QCOMPARE(store().usageSummaries().value(m_shop.id).total, trackedSeconds);
        // A repeated check while the user stays away changes nothing.
        m_rig->clock.advance(60);
        idleCheck(idle);
        QCOMPARE(usageLines(m_shop), paused ? QStringList{kAutoPaused} : QStringList{});
    }

    void aReturningUserGetsBackOnlyWhatTheStorePaused()
    {
        report(m_shop, DevProcessState::running);
        report(m_blog, DevProcessState::running);
        store().toggleUsageTrackingPause(m_blog);
        m_rig->clock.advance(1000);
        idleCheck(1000);
        QCOMPARE(tracking(m_shop), u"paused"_s);

        // Back after 300 s; the time until the check is not tracked.
        m_rig->clock.advance(300);
        idleCheck(10);
        QCOMPARE(tracking(m_shop), u"running"_s);
        QCOMPARE(tracking(m_blog), u"paused"_s);
        QCOMPARE(usageLines(m_shop), (QStringList{kAutoPaused, kAutoResumed}));
        QCOMPARE(usageLines(m_blog), QStringList{kPaused});
        m_rig->clock.advance(100);
        QCOMPARE(tracked(m_shop), 1000.0);

        // A session resumed by hand is no longer the store's to resume.
        idleCheck(900);
        store().toggleUsageTrackingPause(m_shop);
        idleCheck(0);
        QCOMPARE(usageLines(m_shop), (QStringList{kAutoPaused, kAutoResumed, kAutoPaused, kResumed}));

        // Switching the setting off resumes at the next check, without asking
        // the desktop.
        idleCheck(900);
        m_rig->settings.setPauseUsageTrackingWhenIdle(false);
        const int reads = m_rig->idle.reads;
        idleCheck(5000);
        QCOMPARE(tracking(m_shop), u"running"_s);
        QCOMPARE(tracking(m_blog), u"paused"_s);
        QCOMPARE(m_rig->idle.reads, reads);
    }

    void sleepPausesAtOnceAndWakeRunsTheCheck()
    {
        report(m_shop, DevProcessState::running);
        m_rig->clock.advance(100);
        Q_EMIT m_rig->power.willSleep();
        QCOMPARE(tracking(m_shop), u"paused"_s);
        // The pause reached the session file before the machine sleeps.
        QVERIFY(test::readFile(m_rig->usage.sessionsFilePath()).contains(m_shop.name.toUtf8()));

        m_rig->clock.advance(3600);
        m_rig->idle.seconds = 5;
        Q_EMIT m_rig->power.didWake();
        QCOMPARE(tracking(m_shop), u"running"_s);
        m_rig->clock.advance(50);
        QCOMPARE(tracked(m_shop), 150.0);

        // An answer that comes after the machine went to sleep resumes nothing.
        m_rig->idle.answerLater = true;
        QCoro::Task<> check = store().reconcileUsageIdleState();
        Q_EMIT m_rig->power.willSleep();
        QCoro::waitFor(check);
        QCOMPARE(tracking(m_shop), u"paused"_s);

        // Nobody at the machine after the wake: it stays paused.
        m_rig->idle.answerLater = false;
        m_rig->idle.seconds = 3600;
        Q_EMIT m_rig->power.didWake();
        QCOMPARE(tracking(m_shop), u"paused"_s);

        m_rig->settings.setPauseUsageTrackingWhenIdle(false);
        Q_EMIT m_rig->power.didWake();
        QCOMPARE(tracking(m_shop), u"running"_s);
        Q_EMIT m_rig->power.willSleep();
        QCOMPARE(tracking(m_shop), u"running"_s);
    }

    // Until a save goes through, a refused one is the store's error.
    void aRefusedUsageSaveIsTheStoresErrorUntilTheNextSave()
    {
        report(m_shop, DevProcessState::running);
        m_rig->clock.advance(600);
        {
            const test::FileSizeLimit limit(16);
            report(m_shop, DevProcessState::stopped);
            m_rig->usage.waitForFiles();
        }
        QVERIFY2(store().lastError().value_or(QString()).startsWith(u"Could not save the usage history: "_s),
                 qPrintable(store().lastError().value_or(QString())));
        session(m_blog, m_rig->clock.now(), 1);
        m_rig->usage.waitForFiles();
        QCOMPARE(store().lastError(), std::nullopt);
    }

    // Each window's single query gives every figure as its own query does,
    // also while a project runs, since this morning or since before midnight.
    void singleQueriesEqualTheSeparateOnes_data()
    {
        QTest::addColumn<std::optional<Timestamp>>("runningSince");
        QTest::addColumn<UsageDateFilterOption>("filter");
        const std::optional<Timestamp> none;
        for (const UsageDateFilterOption filter :
             {UsageDateFilterOption::today, UsageDateFilterOption::week, UsageDateFilterOption::all,
              UsageDateFilterOption::custom}) {
            const QByteArray name = UsageDateFilterOptions::rawValue(filter).toUtf8();
            QTest::addRow("nothing running, %s", name.constData()) << none << filter;
            QTest::addRow("running since the morning, %s", name.constData())
                << std::optional(test::localTime(2026, 3, 10, 8)) << filter;
            QTest::addRow("running since last night, %s", name.constData())
                << std::optional(test::localTime(2026, 3, 9, 22)) << filter;
        }
    }

    void singleQueriesEqualTheSeparateOnes()
    {
        QFETCH(std::optional<Timestamp>, runningSince);
        QFETCH(UsageDateFilterOption, filter);
        session(m_shop, test::localTime(2026, 3, 2, 10), 1);
        session(m_shop, test::localTime(2026, 3, 9, 14), 2);
        session(m_blog, test::localTime(2026, 3, 9, 16), 4);
        if (runningSince) {
            m_rig->clock.set(*runningSince);
            report(m_shop, DevProcessState::running);
        }
        m_rig->clock.set(test::localTime(2026, 3, 10, 11));
        const UsageDateRange twoDays{test::localTime(2026, 3, 10, 18), test::localTime(2026, 3, 9, 7)};

        using enum UsageDistributionDimension;
        for (const auto &[chart, table] : {std::pair{client, stack}, std::pair{stack, project}}) {
            UsageOverviewFigures expected{store().usageTotalDuration(filter, twoDays),
                                          store().usagePeriodHighlightStats(filter, twoDays),
                                          store().usageDailyBuckets(filter, twoDays),
                                          store().usageDistributionSlices(chart, filter, twoDays),
                                          {},
                                          {}};
            if (table == project)
                expected.tableRows = store().usageProjectTableRows(filter, twoDays);
            else
                expected.tableSlices = store().usageDistributionSlices(table, filter, twoDays);
            QVERIFY(store().usageOverviewFigures(filter, twoDays, chart, table) == expected);
        }
        const UsageProjectFigures figures = store().usageProjectFigures(m_shop.id, filter, twoDays);
        QCOMPARE(figures.stats, store().usageProjectPeriodStats(m_shop.id, filter, twoDays));
        QCOMPARE(figures.dailyBuckets, store().usageProjectDailyBuckets(m_shop.id, filter, twoDays));
        QCOMPARE(spans(figures.sessions), spans(store().usageProjectSessions(m_shop.id, filter, twoDays)));

        // The live stretch counts up to now, cut at midnight, in both windows.
        const Timestamp now = m_rig->clock.now();
        const double live = runningSince ? runningSince->secondsTo(now) : 0.0;
        const double liveToday =
            runningSince ? std::max(*runningSince, test::localTime(2026, 3, 10)).secondsTo(now) : 0.0;
        const double shopInPeriod = filter == UsageDateFilterOption::today ? liveToday
                                    : filter == UsageDateFilterOption::all ? 3 * 3600.0 + live
                                                                           : 2 * 3600.0 + live;
        QCOMPARE(figures.stats.totalDuration, shopInPeriod);
        const auto &rows = store().usageOverviewFigures(filter, twoDays, project, project).tableRows;
        const auto shopRow = std::find_if(
            rows.cbegin(), rows.cend(), [&](const UsageProjectTableRow &row) { return row.id == m_shop.id; });
        QCOMPARE(shopRow == rows.cend() ? 0.0 : shopRow->duration, shopInPeriod);
    }

    // A session edited to end later than now counts up to now in every
    // figure of both windows and in the summary the project's window copies.
    void aSessionEditedToEndLaterCountsUpToNow_data()
    {
        QTest::addColumn<UsageDateFilterOption>("filter");
        QTest::newRow("today") << UsageDateFilterOption::today;
        QTest::newRow("a custom range of today") << UsageDateFilterOption::custom;
        QTest::newRow("all") << UsageDateFilterOption::all;
    }

    void aSessionEditedToEndLaterCountsUpToNow()
    {
        QFETCH(UsageDateFilterOption, filter);
        session(m_shop, test::localTime(2026, 3, 10, 8), 1);
        const ProjectUsageSession recorded = m_rig->usage.completedSessions().constLast();
        m_rig->usage.updateSession(recorded.id, recorded.startedAt, test::localTime(2026, 3, 10, 15));
        m_rig->clock.set(test::localTime(2026, 3, 10, 11));
        store().refreshUsageSummary(m_shop.id);

        const UsageDateRange today{m_rig->clock.now(), m_rig->clock.now()};
        const double upToNow = 3 * 3600.0;
        QCOMPARE(store().usageProjectPeriodStats(m_shop.id, filter, today).totalDuration, upToNow);
        using enum UsageDistributionDimension;
        const UsageOverviewFigures overview = store().usageOverviewFigures(filter, today, project, project);
        QCOMPARE(overview.totalDuration, upToNow);
        QCOMPARE(overview.tableRows.value(0).duration, upToNow);
        const ProjectUsageSummary summary = store().usageSummaries().value(m_shop.id);
        QCOMPARE(summary.today, upToNow);
        QCOMPARE(summary.total, upToNow);
        QCOMPARE(summary.averageSessionDuration, upToNow);
        store().copyUsageSummary(m_shop);
        const QString copied = m_rig->clipboard.texts.constLast();
        QVERIFY(copied.contains(u"\nToday: 3h\n"_s));
        QVERIFY2(copied.contains(u"\nTotal: 3h\n"_s), qPrintable(copied));
    }

    // Saving the catalogue must not hide a history that still cannot be
    // written; the history's own next save clears it.
    void aCatalogueSaveKeepsShowingAUsageProblemWhileItLasts()
    {
        m_rig->usage.waitForFiles();
        const QString history = m_rig->usage.sessionsFilePath();
        QVERIFY(QDir().mkpath(history));
        session(m_shop, m_rig->clock.now(), 1);
        m_rig->usage.waitForFiles();
        const std::optional<QString> problem = store().lastError();
        QVERIFY2(problem.value_or(QString()).startsWith(u"Could not save the usage history: "_s),
                 qPrintable(problem.value_or(QString())));

        store().togglePinned(m_blog);
        QVERIFY(m_rig->stored().constFirst().isPinned);
        QCOMPARE(store().lastError(), problem);

        QVERIFY(QDir(history).removeRecursively());
        session(m_shop, m_rig->clock.now(), 1);
        m_rig->usage.waitForFiles();
        QCOMPARE(store().lastError(), std::nullopt);
        store().togglePinned(m_blog);
        QCOMPARE(store().lastError(), std::nullopt);
    }

    // The export of all usage lists the period's sessions earliest first,
    // wherever they are kept: a stretch still running began before the
    // sessions recorded since, and is kept after them.
    void theExportOfAllUsageIsInOrderOfStart()
    {
        m_rig->clock.set(test::localTime(2026, 3, 10, 8));
        report(m_shop, DevProcessState::running);
        session(m_blog, test::localTime(2026, 3, 10, 9), 1);
        session(m_blog, test::localTime(2026, 3, 9, 16), 1);
        m_rig->clock.set(test::localTime(2026, 3, 10, 11));

        QStringList starts;
        const QByteArray csv =
            store().exportAllUsageData(UsageDateFilterOption::week, {}, UsageExportFormat::csv).value();
        for (const QByteArray &row : csv.trimmed().split('\n').mid(1))
            starts.append(QString::fromUtf8(row.split(',').value(6)));
        QCOMPARE(starts, (QStringList{u"2026-03-09T16:00:00Z"_s, u"2026-03-10T08:00:00Z"_s,
                                      u"2026-03-10T09:00:00Z"_s}));
    }

    void periodQueries()
    {
        session(m_shop, test::localTime(2026, 3, 9, 10), 1);
        session(m_shop, test::localTime(2026, 3, 9, 14), 2);
        session(m_blog, test::localTime(2026, 3, 9, 16), 4);
        // Still running at the queries, three hours in.
        m_rig->clock.set(test::localTime(2026, 3, 10, 8));
        report(m_shop, DevProcessState::running);
        m_rig->clock.set(test::localTime(2026, 3, 10, 11));

        // A custom range counts whole days; a rolling period ignores it.
        const UsageDateRange twoDays{test::localTime(2026, 3, 10, 18), test::localTime(2026, 3, 9, 7)};
        const auto custom = UsageDateFilterOption::custom;
        QCOMPARE(store().usageTotalDuration(custom, twoDays), 10 * 3600.0);
        QCOMPARE(store().usageTotalDuration(UsageDateFilterOption::today, twoDays), 3 * 3600.0);
        const ProjectUsagePeriodStats stats = store().usageProjectPeriodStats(m_shop.id, custom, twoDays);
        QCOMPARE(stats.totalDuration, 6 * 3600.0);
        QCOMPARE(stats.sessionCount, 3);
        QCOMPARE(stats.averageDailyDuration, 3 * 3600.0);
        QCOMPARE(stats.lastSessionAt, std::optional<Timestamp>(m_rig->clock.now()));

        QList<Timestamp> starts;
        for (const ProjectUsageSession &s : store().usageProjectSessions(m_shop.id, custom, twoDays))
            starts.append(s.startedAt);
        QCOMPARE(starts, (QList<Timestamp>{test::localTime(2026, 3, 10, 8), test::localTime(2026, 3, 9, 14),
                                           test::localTime(2026, 3, 9, 10)}));
        const QList<QByteArray> rows =
            store().exportAllUsageData(custom, twoDays, UsageExportFormat::csv).value().trimmed().split('\n');
        QCOMPARE(rows.size(), 5);
        QVERIFY(rows[1].contains("2026-03-09T10:00:00Z") && rows[4].contains("2026-03-10T08:00:00Z"));
        store().copyUsageSummary(m_blog);
        QVERIFY(m_rig->clipboard.texts.value(0).startsWith(u"Devnook \u2014 Blog\n"_s));
    }
};

QTEST_GUILESS_MAIN(ProjectStoreUsageTest)
#include "ProjectStoreUsageTest.moc"
