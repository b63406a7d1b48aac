#include "core/foundation/UuidText.h"
#include "support/LoopbackHttpServer.h"
#include "support/StoreDoubles.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace devnook;

namespace {

constexpr int kRoadTimeoutMs = 15000;
const QString kServer = QStringLiteral(DEVNOOK_TEST_DEV_SERVER);

} // namespace

Q_DECLARE_METATYPE(devnook::DevProcessState)
Q_DECLARE_METATYPE(devnook::PortConflictResolution)

// The store against real children started through the login shell, real
// HTTP listeners and the real prober, with only the desktop recorded.
class ProjectStoreWorkspaceTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::RealStore> m_rig;
    // A server of some other program.
    QProcess m_foreign;

    ProjectStore &store() { return *m_rig->store; }
    QStringList lines(const DevProject &p) const { return m_rig->logTexts(p.id); }
    // The address found ready, when it is exactly the one the server printed.
    QString printedReadyURL(const DevProject &p) const
    {
        const QString url = m_rig->store->effectiveLocalURLs().value(u"project:"_s + UuidText::format(p.id));
        return lines(p).contains(u"[Main]   Local:   "_s + url) ? url : QString();
    }
    void openRig(std::chrono::milliseconds readinessTimeout)
    {
        m_rig = std::make_unique<test::RealStore>(readinessTimeout);
        m_rig->readiness.probes = true;
        m_rig->open();
    }

    DevProject project(int configuredPort, const QStringList &serverArguments)
    {
        DevProject result =
            test::makeProject(u"Shop"_s, m_rig->dir.filePath(UuidText::format(QUuid::createUuid())));
        QDir().mkpath(result.folderPath);
        result.localhostURL = u"http://localhost:%1/"_s.arg(configuredPort);
        result.devCommand = u"'%1' %2"_s.arg(kServer, serverArguments.join(u' '));
        return result;
    }

private Q_SLOTS:
    // The app waits 15 s; a shorter deadline keeps the suite quick.
    void init() { openRig(3s); }

    void cleanup()
    {
        m_foreign.kill();
        m_foreign.waitForFinished();
        m_rig->manager.stopAll();
        QTRY_VERIFY_WITH_TIMEOUT(!store().hasActiveProcesses(), 5000);
        m_rig.reset();
    }

    void aWorkspaceFindsTheAddressItsServerPrintsLate()
    {
        DevProject shop = project(test::LoopbackHttpServer::freePort(),
                                  {u"--announce-after"_s, u"800"_s, u"--until-input-ends"_s});
        shop.workspaceLinks = {
            ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::production, {}, u"shop.example.test"_s, true},
            ProjectLink{QUuid::createUuid(), std::nullopt, u"Same"_s, u"https://shop.example.test"_s, true},
            ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::admin, {}, u"https://admin.test"_s, false}};
        QVERIFY(store().save(shop));

        store().startWorkspace(shop);
        QCOMPARE(store().displayProcessState(shop), DevProcessState::starting);
        QTRY_VERIFY_WITH_TIMEOUT(store().initializingWorkspaces().isEmpty(), kRoadTimeoutMs);
        const QString url = printedReadyURL(shop);
        QVERIFY2(!url.isEmpty(), qPrintable(lines(shop).join(u'\n')));
        QCOMPARE(lines(shop).mid(lines(shop).size() - 2),
                 (QStringList{u"The server is ready at %1; opening the browser."_s.arg(url),
                              u"Opening 1 workspace link(s)."_s}));
        QCOMPARE(m_rig->openedURLs(), (QStringList{url, u"https://shop.example.test"_s}));
        QCOMPARE(m_rig->notifier.kinds, QStringList{u"workspace-ready"_s});
        QCOMPARE(store().displayProcessState(shop), DevProcessState::running);

        store().toggleDevProcess(shop);
        QTRY_COMPARE(store().processStates().value(shop.id), DevProcessState::stopped);
        QVERIFY(store().effectiveLocalURLs().isEmpty());
        QCOMPARE(m_rig->usage.completedSessions().value(0).source, ProjectUsageSessionSource::startWorkspace);
    }

    void aWaitThatEndsWithoutAnAddressOpensNothing_data()
    {
        QTest::addColumn<QStringList>("serverArguments");
        QTest::addColumn<bool>("stopByHand");
        QTest::addColumn<DevProcessState>("state");
        QTest::addColumn<QStringList>("notifications");
        const QStringList silent{u"--announce-after"_s, u"60000"_s};
        QTest::newRow("time-out") << silent << false << DevProcessState::running
                                  << QStringList{u"workspace-failed"_s};
        QTest::newRow("stopped by the user") << silent << true << DevProcessState::stopped << QStringList();
        QTest::newRow("failing while starting") << QStringList{u"--exit-after"_s, u"300"_s} << false
                                                << DevProcessState::failed << QStringList{u"dev-failed"_s};
    }

    void aWaitThatEndsWithoutAnAddressOpensNothing()
    {
        QFETCH(QStringList, serverArguments);
        QFETCH(bool, stopByHand);
        QFETCH(DevProcessState, state);
        QFETCH(QStringList, notifications);
        // Only a time-out waits out the deadline; a wait whose run ends stops
        // polling at once.
        const bool timedOut = state == DevProcessState::running;
        openRig(timedOut ? 2s : 60s);
        const DevProject shop = project(test::LoopbackHttpServer::freePort(), serverArguments);
        QVERIFY(store().save(shop));

        store().startWorkspace(shop);
        QTRY_VERIFY(lines(shop).contains(u"Waiting for %1 to answer…"_s.arg(shop.localhostURL)));
        if (stopByHand)
            store().toggleDevProcess(shop);
        QTRY_COMPARE_WITH_TIMEOUT(m_rig->readiness.finishedWaits, 1, kRoadTimeoutMs);
        QTRY_COMPARE(m_rig->notifier.kinds, notifications);
        QTest::qWait(0);

        // Only a time-out, with the processes still running, ends on the logs.
        QCOMPARE(store().displayProcessState(shop), state);
        QCOMPARE(m_rig->logs.shown, timedOut ? QList<QUuid>{shop.id} : QList<QUuid>());
        QCOMPARE(m_rig->logTexts(shop.id, true).contains(u"Localhost did not become ready after 2 seconds"_s),
                 timedOut);
        QVERIFY(m_rig->opener.opened.isEmpty() && store().effectiveLocalURLs().isEmpty());
        QCOMPARE(m_rig->analytics.sources.value(AnalyticsEvent::processStartFailed),
                 state == DevProcessState::failed ? QStringList{u"workspace/process-exited-during-start"_s}
                                                  : QStringList());
    }

    void aForeignListenerOnTheConfiguredPort_data()
    {
        QTest::addColumn<PortConflictResolution>("answer");
        QTest::addColumn<QString>("line");
        QTest::newRow("free the port")
            << PortConflictResolution::freePort << u"Freed port %1 by stopping TestDevServer (PID %2)."_s;
        QTest::newRow("continue anyway")
            << PortConflictResolution::continueAnyway
            << u"Port %1 belongs to another process; waiting for the address the server prints."_s;
    }

    void aForeignListenerOnTheConfiguredPort()
    {
        QFETCH(PortConflictResolution, answer);
        QFETCH(QString, line);
        const QString port = QString::number(test::LoopbackHttpServer::freePort());
        m_foreign.start(kServer, {u"--port"_s, port});
        // It prints once it listens.
        QVERIFY(m_foreign.waitForReadyRead(5000));
        const QString pid = QString::number(m_foreign.processId());
        // Once freed, the port is ours; otherwise our server moves to another.
        const DevProject shop = project(port.toInt(), answer == PortConflictResolution::freePort
                                                          ? QStringList{u"--port"_s, port}
                                                          : QStringList{u"--announce-after"_s, u"200"_s});
        QVERIFY(store().save(shop));
        m_rig->asker.answer = answer;

        store().startWorkspace(shop);
        QCOMPARE(m_rig->asker.questions.size(), 1);
        QVERIFY(m_rig->asker.questions[0].message.startsWith(
            u"Port %1 is in use by TestDevServer (PID %2)."_s.arg(port, pid)));
        QTRY_VERIFY_WITH_TIMEOUT(store().initializingWorkspaces().isEmpty(), kRoadTimeoutMs);
        QCOMPARE(m_foreign.state() == QProcess::Running, answer != PortConflictResolution::freePort);
        QVERIFY(lines(shop).contains(line.arg(port, pid)));
        // Should the start end otherwise, its log tells why.
        QVERIFY2(m_rig->notifier.kinds == QStringList{u"workspace-ready"_s},
                 qPrintable(lines(shop).join(u'\n')));
        const QString url = printedReadyURL(shop);
        QVERIFY(!url.isEmpty());
        QCOMPARE(m_rig->openedURLs(), QStringList{url});
    }

    // The first restart's start reports several states at once while the
    // second restart still waits for the old processes; the project ends up
    // running once, and nothing claims it could not be started.
    void twoQuickRestartsOfTwoServicesStartThemOnce()
    {
        DevProject shop = project(test::LoopbackHttpServer::freePort(), {});
        shop.localhostURL.clear();
        shop.devCommand.clear();
        // Each takes a moment to end, so both restarts are waiting when it does.
        const QString slowToStop = u"trap 'sleep 1; exit 0' TERM; while :; do sleep 0.1; done"_s;
        shop.services = {ProjectService{QUuid::createUuid(), u"api"_s, slowToStop, {}},
                         ProjectService{QUuid::createUuid(), u"web"_s, slowToStop, {}}};
        QVERIFY(store().save(shop));
        store().toggleDevProcess(shop);
        QTRY_COMPARE(store().processStates().value(shop.id), DevProcessState::running);

        store().restartDevProcess(shop);
        store().restartDevProcess(shop);
        QTRY_COMPARE_WITH_TIMEOUT(lines(shop).count(u"[web] Starting: "_s + slowToStop), 2, 5000);
        // Past the bound a second restart would wait for.
        QTest::qWait(3500);
        QCOMPARE(store().processStates().value(shop.id), DevProcessState::running);
        QCOMPARE(lines(shop).count(u"[web] Starting: "_s + slowToStop), 2);
        QCOMPARE(m_rig->logTexts(shop.id, true), QStringList());
    }
};

QTEST_GUILESS_MAIN(ProjectStoreWorkspaceTest)
#include "ProjectStoreWorkspaceTest.moc"
