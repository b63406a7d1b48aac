#include "core/foundation/Clock.h"
#include "core/foundation/UuidText.h"
#include "core/processes/DevProcessManager.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "support/StoreDoubles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

const QString kTimeoutLine = u"Localhost did not become ready after 15 seconds"_s;
constexpr int kRoadTimeoutMs = 15000;

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

QString serverCommand(const QStringList &arguments)
{
    return u"'"_s + QStringLiteral(DEVNOOK_TEST_DEV_SERVER) + u"' "_s + arguments.join(u' ');
}

// A server of some other program, already listening when the test begins.
class ForeignServer {
public:
    explicit ForeignServer(int port)
    {
        m_process.start(QStringLiteral(DEVNOOK_TEST_DEV_SERVER), {u"--port"_s, QString::number(port)});
        while (m_process.waitForReadyRead(5000)) {
            if (m_process.readAll().contains("Local:"))
                break;
        }
    }
    ~ForeignServer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    qint64 pid() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

} // namespace

Q_DECLARE_METATYPE(devnook::DevProcessState)
Q_DECLARE_METATYPE(devnook::PortConflictResolution)

// The store against real children started through the login shell, real
// HTTP listeners and the real prober, with only the desktop recorded.
class ProjectStoreWorkspaceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    SystemClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;
    std::unique_ptr<DevProcessManager> m_manager;
    std::unique_ptr<test::CountingReadiness> m_readiness;
    PortInspectionService m_ports;
    std::unique_ptr<test::StoreDoubles> m_doubles;
    std::unique_ptr<ProjectStore> m_store;

    ProjectStore &store() { return *m_store; }
    test::StoreDoubles &doubles() { return *m_doubles; }

    DevProject project(int configuredPort, const QStringList &serverArguments)
    {
        DevProject result;
        result.id = QUuid::createUuid();
        result.name = u"Shop"_s;
        result.folderPath = m_dir.filePath(UuidText::format(result.id));
        QDir().mkpath(result.folderPath);
        result.localhostURL = u"http://localhost:%1/"_s.arg(configuredPort);
        result.devCommand = serverCommand(serverArguments);
        if (!store().save(result))
            qFatal("the project could not be saved");
        return result;
    }

    QStringList logTexts(const DevProject &p) const
    {
        QStringList texts;
        for (const DevProcessLogLine &line : m_store->processLogs().value(p.id))
            texts.append(line.text);
        return texts;
    }

    // The port the project's server printed.
    int announcedPort(const DevProject &p) const
    {
        for (const QString &text : logTexts(p)) {
            if (const qsizetype at = text.indexOf(u"Local:   http://localhost:"_s); at >= 0)
                return text.mid(at + 26).chopped(1).toInt();
        }
        return 0;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        // Each test starts without the sessions of the one before.
        QDir(m_dir.filePath(u"data"_s)).removeRecursively();
        m_persistence = std::make_unique<JSONProjectPersistence>(m_dir.filePath(u"data"_s), m_clock);
        m_manager = std::make_unique<DevProcessManager>(m_clock);
        // The app waits 15 s; a shorter deadline keeps the suite quick.
        m_readiness = std::make_unique<test::CountingReadiness>(3.0, 200000000);
        m_doubles = std::make_unique<test::StoreDoubles>(m_dir.filePath(u"data"_s), m_clock);
        m_store = std::make_unique<ProjectStore>(
            m_doubles->services(*m_persistence, *m_manager, *m_readiness, m_ports, m_clock));
    }

    void cleanup()
    {
        m_manager->stopAll();
        QTRY_VERIFY_WITH_TIMEOUT(!store().hasActiveProcesses(), 5000);
        m_store.reset();
        m_doubles.reset();
        m_readiness.reset();
        m_manager.reset();
    }

    void aWorkspaceFindsTheAddressItsServerPrintsLate()
    {
        DevProject shop = project(freePort(), {u"--announce-after"_s, u"800"_s});
        shop.editorCommand = u"touch editor-opened"_s;
        shop.workspaceLinks = {
            ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::production, {}, u"shop.example.test"_s, true},
            ProjectLink{QUuid::createUuid(), std::nullopt, u"Same"_s, u"https://shop.example.test"_s, true},
            ProjectLink{
                QUuid::createUuid(), WorkspaceLinkKind::admin, {}, u"https://admin.example.test"_s, false}};
        QVERIFY(store().save(shop));

        store().startWorkspace(shop);
        QCOMPARE(store().displayProcessState(shop), DevProcessState::starting);
        QTRY_VERIFY_WITH_TIMEOUT(store().initializingWorkspaces().isEmpty(), kRoadTimeoutMs);

        const int port = announcedPort(shop);
        QVERIFY(port > 0);
        const QString readyURL =
            store().effectiveLocalURLs().value(u"project:"_s + UuidText::format(shop.id));
        QVERIFY2(readyURL.endsWith(u":%1/"_s.arg(port)), qPrintable(readyURL));
        const QStringList lines = logTexts(shop);
        QCOMPARE(lines.mid(0, 3), (QStringList{u"Starting workspace…"_s, u"Opening the editor…"_s,
                                               u"Starting the dev process…"_s}));
        QVERIFY(lines.contains(u"Waiting for %1 to answer…"_s.arg(shop.localhostURL)));
        QCOMPARE(lines.mid(lines.size() - 2),
                 (QStringList{u"The server is ready at %1; opening the browser."_s.arg(readyURL),
                              u"Opening 1 workspace link(s)."_s}));
        QCOMPARE(doubles().openedURLs(), (QStringList{readyURL, u"https://shop.example.test"_s}));
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"workspace-ready"_s});
        QCOMPARE(doubles().notifier.requests[0].userInfo.value(u"devnookURL"_s), readyURL);
        QCOMPARE(store().displayProcessState(shop), DevProcessState::running);
        QCOMPARE(doubles().analytics.of(AnalyticsEvent::processStarted)[0].value(u"source"_s),
                 u"workspace"_s);
        QVERIFY(store().usageTrackingStates().value(shop.id).isActive);
        QTRY_VERIFY(QFileInfo::exists(shop.folderPath + u"/editor-opened"_s));

        store().toggleDevProcess(shop);
        QTRY_COMPARE(store().processStates().value(shop.id), DevProcessState::stopped);
        QVERIFY(store().effectiveLocalURLs().isEmpty());
        QCOMPARE(doubles().usage.completedSessions().value(0).source,
                 ProjectUsageSessionSource::startWorkspace);
    }

    void aServerThatNeverAnswersTimesOut()
    {
        const DevProject shop = project(freePort(), {u"--announce-after"_s, u"60000"_s});
        store().startWorkspace(shop);
        QTRY_COMPARE_WITH_TIMEOUT(doubles().logs.shown, QList<QUuid>{shop.id}, kRoadTimeoutMs);
        QCOMPARE(logTexts(shop).last(), kTimeoutLine);
        QVERIFY(store().processLogs().value(shop.id).last().isError);
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"workspace-failed"_s});
        QCOMPARE(store().displayProcessState(shop), DevProcessState::running);
        QVERIFY(doubles().opener.opened.isEmpty());
    }

    void endingDuringTheWaitOpensNothingAfterIt_data()
    {
        QTest::addColumn<QStringList>("serverArguments");
        QTest::addColumn<bool>("stopByHand");
        QTest::addColumn<DevProcessState>("endState");
        QTest::newRow("stopped by the user")
            << QStringList{u"--announce-after"_s, u"60000"_s} << true << DevProcessState::stopped;
        QTest::newRow("failing while starting")
            << QStringList{u"--exit-after"_s, u"300"_s, u"--exit-code"_s, u"3"_s} << false
            << DevProcessState::failed;
    }

    void endingDuringTheWaitOpensNothingAfterIt()
    {
        QFETCH(QStringList, serverArguments);
        QFETCH(bool, stopByHand);
        QFETCH(DevProcessState, endState);
        // A declared service's address answers all along, so a wait that
        // went on regardless would find it at its deadline.
        const int docsPort = freePort();
        ForeignServer docs(docsPort);
        DevProject shop = project(freePort(), serverArguments);
        shop.services = {
            ProjectService{QUuid::createUuid(), u"docs"_s, {}, u"http://127.0.0.1:%1/"_s.arg(docsPort)}};
        QVERIFY(store().save(shop));

        store().startWorkspace(shop);
        QTRY_VERIFY(logTexts(shop).contains(u"Waiting for %1 to answer…"_s.arg(shop.localhostURL)));
        if (stopByHand)
            store().toggleDevProcess(shop);
        QTRY_COMPARE(store().processStates().value(shop.id), endState);
        QCOMPARE(store().displayProcessState(shop), endState);
        QTRY_COMPARE_WITH_TIMEOUT(m_readiness->finishedWaits, 1, kRoadTimeoutMs);
        QTest::qWait(0);

        QVERIFY(doubles().opener.opened.isEmpty());
        QVERIFY(doubles().logs.shown.isEmpty());
        QVERIFY(store().effectiveLocalURLs().isEmpty());
        QVERIFY(!logTexts(shop).contains(kTimeoutLine));
        const auto failures = doubles().analytics.of(AnalyticsEvent::processStartFailed);
        QCOMPARE(doubles().notifier.kinds(), stopByHand ? QStringList() : QStringList{u"dev-failed"_s});
        QCOMPARE(failures.size(), stopByHand ? 0 : 1);
        if (!stopByHand) {
            QCOMPARE(failures[0].value(u"source"_s), u"workspace"_s);
            QCOMPARE(failures[0].value(u"failure-category"_s), u"process-exited-during-start"_s);
        }
    }

    void aRestartWaitsForAServerSlowToStop()
    {
        const int port = freePort();
        const DevProject shop =
            project(port, {u"--port"_s, QString::number(port), u"--term-delay"_s, u"1000"_s});
        store().toggleDevProcess(shop);
        QTRY_COMPARE_WITH_TIMEOUT(doubles().notifier.kinds(), QStringList{u"dev-started"_s}, kRoadTimeoutMs);

        store().restartDevProcess(shop);
        QTRY_COMPARE_WITH_TIMEOUT(doubles().notifier.kinds().size(), 2, kRoadTimeoutMs);
        QVERIFY(doubles().asker.questions.isEmpty());
        QCOMPARE(store().displayProcessState(shop), DevProcessState::running);
        QCOMPARE(logTexts(shop).filter(u"Starting: "_s).size(), 2);
    }

    void aForeignListenerOnTheConfiguredPort_data()
    {
        QTest::addColumn<PortConflictResolution>("answer");
        QTest::newRow("close") << PortConflictResolution::cancel;
        QTest::newRow("free the port") << PortConflictResolution::freePort;
        QTest::newRow("continue anyway") << PortConflictResolution::continueAnyway;
    }

    void aForeignListenerOnTheConfiguredPort()
    {
        QFETCH(PortConflictResolution, answer);
        const int port = freePort();
        ForeignServer foreign(port);
        const qint64 foreignPid = foreign.pid();
        const DevProject shop = project(port, {u"--announce-after"_s, u"200"_s});
        doubles().asker.answer = answer;

        store().startWorkspace(shop);
        QCOMPARE(doubles().asker.questions.size(), 1);
        QVERIFY(doubles().asker.questions[0].message.startsWith(
            u"Port %1 is in use by TestDevServer (PID %2)."_s.arg(port).arg(foreignPid)));
        if (answer == PortConflictResolution::cancel) {
            QVERIFY(store().processStates().isEmpty());
            QVERIFY(store().initializingWorkspaces().isEmpty());
            QCOMPARE(doubles().analytics.of(AnalyticsEvent::processStartFailed)[0].value(u"source"_s),
                     u"workspace"_s);
            QVERIFY(foreign.isRunning());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(store().initializingWorkspaces().isEmpty(), kRoadTimeoutMs);
        QCOMPARE(foreign.isRunning(), answer == PortConflictResolution::continueAnyway);
        const QStringList lines = logTexts(shop);
        QVERIFY(lines.contains(
            answer == PortConflictResolution::freePort
                ? u"Freed port %1 by stopping TestDevServer (PID %2)."_s.arg(port).arg(foreignPid)
                : u"Continuing although port %1 is in use."_s.arg(port)));
        QCOMPARE(lines.contains(
                     u"Port %1 belongs to another process; waiting for the address the server prints."_s.arg(
                         port)),
                 answer == PortConflictResolution::continueAnyway);
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"workspace-ready"_s});
        const QString readyURL =
            store().effectiveLocalURLs().value(u"project:"_s + UuidText::format(shop.id));
        QVERIFY2(readyURL.endsWith(u":%1/"_s.arg(announcedPort(shop))), qPrintable(readyURL));
        QCOMPARE(doubles().openedURLs(), QStringList{readyURL});
    }
};

QTEST_GUILESS_MAIN(ProjectStoreWorkspaceTest)
#include "ProjectStoreWorkspaceTest.moc"
