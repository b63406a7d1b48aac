#include "core/foundation/UuidText.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "support/FakeClock.h"
#include "support/StoreDoubles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

using Resolution = std::optional<PortConflictResolution>;

const QString kTimeoutLine = u"Localhost did not become ready after 15 seconds"_s;

ProjectService service(const QString &name, const QString &command, const QString &url)
{
    return ProjectService{QUuid::createUuid(), name, command, url};
}

ProjectLink link(const QString &url, bool openWithWorkspace)
{
    return ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::github, {}, url, openWithWorkspace};
}

} // namespace

Q_DECLARE_METATYPE(Resolution)
Q_DECLARE_METATYPE(devnook::WorkspaceReadyEndpoint)

class ProjectStoreProcessesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;
    std::unique_ptr<test::ScriptedProcessManager> m_manager;
    std::unique_ptr<test::ScriptedReadiness> m_readiness;
    std::unique_ptr<test::ScriptedPorts> m_ports;
    std::unique_ptr<test::StoreDoubles> m_doubles;
    std::unique_ptr<ProjectStore> m_store;
    DevProject m_web;

    ProjectStore &store() { return *m_store; }
    test::StoreDoubles &doubles() { return *m_doubles; }

    QStringList logTexts(bool errorsOnly = false) const
    {
        QStringList texts;
        for (const DevProcessLogLine &line : m_store->processLogs().value(m_web.id)) {
            if (line.isError || !errorsOnly)
                texts.append(line.text);
        }
        return texts;
    }
    void report(DevProcessState state) { Q_EMIT m_manager->stateDidChange(m_web.id, state); }
    QString projectKey() const { return u"project:"_s + UuidText::format(m_web.id); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        // Each test starts without the sessions of the one before.
        QDir(m_dir.filePath(u"data"_s)).removeRecursively();
        m_persistence = std::make_unique<JSONProjectPersistence>(m_dir.filePath(u"data"_s), m_clock);
        m_manager = std::make_unique<test::ScriptedProcessManager>(m_clock);
        m_readiness = std::make_unique<test::ScriptedReadiness>();
        m_ports = std::make_unique<test::ScriptedPorts>();
        m_doubles = std::make_unique<test::StoreDoubles>(m_dir.filePath(u"data"_s), m_clock);

        m_web = DevProject{};
        m_web.id = QUuid::createUuid();
        m_web.name = u"Shop"_s;
        m_web.folderPath = m_dir.path();
        m_web.localhostURL = u" localhost:5173 "_s;
        m_web.services = {service(u"api"_s, u"go run ."_s, u"http://localhost:8080"_s),
                          service(u"web"_s, u"npm run dev"_s, u"localhost:5173"_s)};
        QVERIFY(m_persistence->saveProjects({m_web}).isOk());
        m_store = std::make_unique<ProjectStore>(
            m_doubles->services(*m_persistence, *m_manager, *m_readiness, *m_ports, m_clock));
    }

    void cleanup()
    {
        m_store.reset();
        m_doubles.reset();
        m_ports.reset();
        m_readiness.reset();
        m_manager.reset();
    }

    void aPlayStartRunsItsReadinessStepOnce()
    {
        m_readiness->endpoint =
            WorkspaceReadyEndpoint{u"http://localhost:5173"_s, std::nullopt, std::nullopt};
        store().toggleDevProcess(m_web);
        QCOMPARE(m_manager->started, QList<QUuid>{m_web.id});
        QCOMPARE(store().displayProcessState(m_web), DevProcessState::starting);
        QVERIFY(store().projects()[0].lastUsedAt);
        report(DevProcessState::running);
        report(DevProcessState::starting);
        report(DevProcessState::running);

        QTRY_COMPARE(store().displayProcessState(m_web), DevProcessState::running);
        QCOMPARE(m_readiness->asked, QStringList{u"localhost:5173"_s});
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"dev-started"_s});
        QCOMPARE(doubles().openedURLs(), QStringList{u"http://localhost:5173"_s});
        QCOMPARE(store().effectiveLocalURLs().value(projectKey()), u"http://localhost:5173"_s);
        QCOMPARE(doubles().preview.refreshed.last().second,
                 (QHash<QString, QString>{{projectKey(), u"http://localhost:5173"_s}}));
        QVERIFY(store().usageTrackingStates().value(m_web.id).isActive);
        QCOMPARE(doubles().analytics.of(AnalyticsEvent::processStarted).first().value(u"source"_s),
                 u"play"_s);
        // Play starts write no progress lines of their own.
        QVERIFY(logTexts().isEmpty());
        // Discovered addresses come first, then each service's own.
        QCOMPARE(m_readiness->lastCandidates.size(), 2);
        QCOMPARE(m_readiness->lastCandidates[0].serviceName, std::optional<QString>(u"api"_s));

        m_clock.advance(30);
        store().toggleDevProcess(m_web);
        QCOMPARE(m_manager->stopped, QList<QUuid>{m_web.id});
        QVERIFY(store().effectiveLocalURLs().isEmpty());
        QVERIFY(!store().usageTrackingStates().value(m_web.id).isActive);
        QCOMPARE(store().usageSummaries().value(m_web.id).total, 30.0);
        QCOMPARE(doubles().usage.completedSessions().size(), 1);
        QCOMPARE(doubles().usage.completedSessions()[0].source, ProjectUsageSessionSource::playButton);
    }

    void failuresDuringAndAfterAStart_data()
    {
        QTest::addColumn<bool>("workspace");
        QTest::addColumn<bool>("finishStartFirst");
        QTest::addColumn<QString>("expectedSource");
        QTest::newRow("play start still starting") << false << false << u"play"_s;
        QTest::newRow("workspace start whose processes already ran") << true << false << u"workspace"_s;
        QTest::newRow("after the play start finished") << false << true << QString();
    }

    void failuresDuringAndAfterAStart()
    {
        QFETCH(bool, workspace);
        QFETCH(bool, finishStartFirst);
        QFETCH(QString, expectedSource);
        m_manager->statesOnStart = {DevProcessState::starting};
        if (workspace) {
            m_manager->statesOnStart.append(DevProcessState::running);
            store().startWorkspace(m_web);
        } else {
            store().toggleDevProcess(m_web);
        }
        if (finishStartFirst) {
            report(DevProcessState::running);
            QTRY_VERIFY(store().initializingDevProcesses().isEmpty());
        }
        report(DevProcessState::failed);

        const auto failures = doubles().analytics.of(AnalyticsEvent::processStartFailed);
        if (expectedSource.isEmpty()) {
            QVERIFY(failures.isEmpty());
        } else {
            QCOMPARE(failures.size(), 1);
            QCOMPARE(failures[0].value(u"source"_s), expectedSource);
            QCOMPARE(failures[0].value(u"failure-category"_s), u"process-exited-during-start"_s);
        }
        QCOMPARE(store().displayProcessState(m_web), DevProcessState::failed);
        QVERIFY(!doubles().usage.trackingState(m_web.id, m_clock.now()).isActive);
        QTRY_VERIFY(doubles().notifier.kinds().contains(u"dev-failed"_s));
        QVERIFY(!doubles().notifier.kinds().contains(u"workspace-failed"_s));
        QVERIFY(!logTexts().contains(kTimeoutLine));
    }

    void aWorkspaceStartTakesOverAPlayStart()
    {
        m_readiness->endpoint =
            WorkspaceReadyEndpoint{u"http://localhost:5173"_s, std::nullopt, std::nullopt};
        store().toggleDevProcess(m_web);
        store().startWorkspace(m_web);
        QCOMPARE(m_manager->started.size(), 1);
        QTRY_VERIFY(store().initializingWorkspaces().isEmpty());
        QCOMPARE(store().displayProcessState(m_web), DevProcessState::running);
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"workspace-ready"_s});

        // A crash now is no longer a failure during start.
        report(DevProcessState::failed);
        QVERIFY(doubles().analytics.of(AnalyticsEvent::processStartFailed).isEmpty());
    }

    void aRestartWaitsForTheOldProcessesToGo()
    {
        report(DevProcessState::running);
        m_manager->reportsStop = false;
        store().restartDevProcess(m_web);
        QTimer::singleShot(1000, m_manager.get(), [this] { report(DevProcessState::stopped); });
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->started, QList<QUuid>{m_web.id}, 3000);
        QTRY_COMPARE(store().displayProcessState(m_web), DevProcessState::running);

        // Processes that outlive the bound are reported, and nothing starts.
        store().restartDevProcess(m_web);
        QTRY_VERIFY_WITH_TIMEOUT(!logTexts(true).isEmpty(), 5000);
        QCOMPARE(
            logTexts(true),
            QStringList{u"The previous processes did not stop, so the project was not started again."_s});
        QCOMPARE(m_manager->started.size(), 1);
        QVERIFY(store().initializingDevProcesses().isEmpty());
    }

    void portConflictAnswers_data()
    {
        QTest::addColumn<Resolution>("answer");
        QTest::addColumn<bool>("terminateSucceeds");
        QTest::addColumn<bool>("takenOver");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QStringList>("lines");
        const QString conflict = u"Port 5173 is already in use by node (PID 4242)."_s;
        const QString failed = u"Could not free port 5173: node (PID 4242) is still listening."_s;
        QTest::newRow("enter or escape") << Resolution() << true << false << false << QStringList{conflict};
        QTest::newRow("close") << Resolution(PortConflictResolution::cancel) << true << false << false
                               << QStringList{conflict};
        QTest::newRow("continue") << Resolution(PortConflictResolution::continueAnyway) << true << false
                                  << true
                                  << QStringList{conflict, u"Continuing although port 5173 is in use."_s};
        QTest::newRow("free") << Resolution(PortConflictResolution::freePort) << true << false << true
                              << QStringList{conflict, u"Freed port 5173 by stopping node (PID 4242)."_s};
        QTest::newRow("free, but taken over at once") << Resolution(PortConflictResolution::freePort) << true
                                                      << true << false << QStringList{conflict, failed};
        QTest::newRow("free, but it stays") << Resolution(PortConflictResolution::freePort) << false << false
                                            << false << QStringList{conflict, failed};
    }

    void portConflictAnswers()
    {
        QFETCH(Resolution, answer);
        QFETCH(bool, terminateSucceeds);
        QFETCH(bool, takenOver);
        QFETCH(bool, starts);
        QFETCH(QStringList, lines);
        std::swap(m_web.services[0], m_web.services[1]);
        m_ports->listeners.insert(5173, PortListener{4242, u"node"_s});
        m_ports->listeners.insert(8080, PortListener{5151, u"java"_s});
        m_ports->terminateSucceeds = terminateSucceeds;
        if (takenOver)
            m_ports->takenOverBy = PortListener{999, u"other"_s};
        doubles().asker.answer = answer;

        store().toggleDevProcess(m_web);
        QCOMPARE(doubles().asker.questions.size(), 1);
        const PortConflictQuestion &question = doubles().asker.questions[0];
        QCOMPARE(question.defaultAnswer, PortConflictResolution::cancel);
        QCOMPARE(question.message,
                 u"Port 5173 is in use by node (PID 4242). Shop needs this port to start."_s);
        QCOMPARE(question.closeButton, u"Close"_s);
        QCOMPARE(logTexts(), lines);
        QCOMPARE(logTexts(true).size(), lines.size() - (starts ? 1 : 0));
        QCOMPARE(m_manager->started.size(), starts ? 1 : 0);
        QCOMPARE(store().projects()[0].lastUsedAt.has_value(), starts);
        const auto failures = doubles().analytics.of(AnalyticsEvent::processStartFailed);
        QCOMPARE(failures.size(), starts ? 0 : 1);
        if (!starts) {
            QCOMPARE(failures[0].value(u"failure-category"_s), u"start-blocked"_s);
            QCOMPARE(store().displayProcessState(m_web), DevProcessState::stopped);
        }
    }

    void workspaceReadyLinesAndLinks_data()
    {
        QTest::addColumn<WorkspaceReadyEndpoint>("endpoint");
        QTest::addColumn<bool>("openBrowser");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("opened");
        const QString github = u"https://github.com/acme/shop"_s;
        const QString docs = u"https://docs.acme.test"_s;
        QTest::newRow("configured address that a service shares")
            << WorkspaceReadyEndpoint{u"http://localhost:5173"_s, std::nullopt, std::nullopt} << true
            << u"web is ready at http://localhost:5173."_s << u"project"_s
            << QStringList{u"http://localhost:5173"_s, github, docs};
        QTest::newRow("a service's own address")
            << WorkspaceReadyEndpoint{u"http://localhost:8080"_s, QUuid(), u"api"_s} << true
            << u"api is ready at http://localhost:8080."_s << u"service"_s
            << QStringList{u"http://localhost:8080"_s, github, u"http://localhost:5173"_s, docs};
        QTest::newRow("a printed address, without the browser")
            << WorkspaceReadyEndpoint{u"http://127.0.0.1:5174/"_s, std::nullopt, std::nullopt} << false
            << u"The server is ready at http://127.0.0.1:5174/."_s << u"project"_s
            << QStringList{github, u"http://localhost:5173"_s, docs};
    }

    void workspaceReadyLinesAndLinks()
    {
        QFETCH(WorkspaceReadyEndpoint, endpoint);
        QFETCH(bool, openBrowser);
        QFETCH(QString, line);
        QFETCH(QString, key);
        QFETCH(QStringList, opened);
        if (endpoint.serviceID)
            endpoint.serviceID = m_web.services[0].id;
        m_readiness->endpoint = endpoint;
        m_web.openLocalURLAfterStart = openBrowser;
        m_web.workspaceLinks = {link(u"https://github.com/acme/shop"_s, true),
                                link(u"localhost:5173"_s, true), link(u"https://docs.acme.test"_s, true),
                                link(u" https://docs.acme.test "_s, true),
                                link(u"https://admin.acme.test"_s, false)};
        doubles().notifier.result = DeliveryResult::notAuthorized;

        store().startWorkspace(m_web);
        QTRY_VERIFY(store().initializingWorkspaces().isEmpty());
        const QStringList lines = logTexts();
        QCOMPARE(lines.mid(0, 3), (QStringList{u"Starting workspace…"_s, u"Starting the dev process…"_s,
                                               u"Waiting for localhost:5173 to answer…"_s}));
        QCOMPARE(lines.mid(3),
                 (QStringList{line, u"The notification could not be shown."_s,
                              u"Opening %1 workspace link(s)."_s.arg(opened.size() - openBrowser)}));
        QCOMPARE(doubles().openedURLs(), opened);
        const QString expectedKey = key + u':' + UuidText::format(endpoint.serviceID.value_or(m_web.id));
        QCOMPARE(store().effectiveLocalURLs().keys(), QStringList{expectedKey});
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"workspace-ready"_s});
        QCOMPARE(doubles().preview.windowsRefreshed, QList<QUuid>{m_web.id});
        m_clock.advance(30);
        report(DevProcessState::stopped);
        QCOMPARE(doubles().usage.completedSessions().value(0).source,
                 ProjectUsageSessionSource::startWorkspace);
        QVERIFY(doubles().logs.shown.isEmpty());
    }

    void workspaceStartsOfRunningAndURLLessProjects()
    {
        m_ports->listeners.insert(5173, PortListener{4242, u"node"_s});
        report(DevProcessState::running);
        store().startWorkspace(m_web);
        QVERIFY(doubles().asker.questions.isEmpty());
        QVERIFY(m_manager->started.isEmpty());
        QVERIFY(logTexts().contains(u"The dev process is already running."_s));
        QTRY_COMPARE(logTexts().last(), kTimeoutLine);
        QCOMPARE(doubles().notifier.kinds(), QStringList{u"workspace-failed"_s});
        QCOMPARE(doubles().logs.shown, QList<QUuid>{m_web.id});
        QVERIFY(store().initializingWorkspaces().isEmpty());

        store().toggleDevProcess(m_web);
        m_web.localhostURL = u"  "_s;
        m_web.editorCommand = u"true"_s;
        m_web.workspaceLinks = {link(u"https://github.com/acme/shop"_s, true)};
        m_ports->listeners.clear();
        store().startWorkspace(m_web);
        QCOMPARE(logTexts().mid(logTexts().size() - 4),
                 (QStringList{u"Opening the editor…"_s, u"Starting the dev process…"_s,
                              u"No local URL is configured; opening the workspace links."_s,
                              u"Opening 1 workspace link(s)."_s}));
        QCOMPARE(doubles().openedURLs(), QStringList{u"https://github.com/acme/shop"_s});
        QVERIFY(store().initializingWorkspaces().isEmpty());
        QCOMPARE(m_readiness->asked.size(), 1);
    }

    void notificationClicksOpenTheProjectsLogs()
    {
        Q_EMIT doubles().notifier.clicked(
            {{u"devnookLogsProjectID"_s, UuidText::format(QUuid::createUuid())}});
        Q_EMIT doubles().notifier.clicked({{u"devnookLogsProjectID"_s, UuidText::format(m_web.id)}});
        QTRY_COMPARE(doubles().logs.shown, QList<QUuid>{m_web.id});
    }
};

QTEST_GUILESS_MAIN(ProjectStoreProcessesTest)
#include "ProjectStoreProcessesTest.moc"
