#include "core/foundation/UuidText.h"
#include "support/StoreDoubles.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

using Resolution = std::optional<PortConflictResolution>;

ProjectLink link(const QString &url, bool openWithWorkspace = true)
{
    return ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::github, {}, url, openWithWorkspace};
}

} // namespace

Q_DECLARE_METATYPE(Resolution)
Q_DECLARE_METATYPE(devnook::DevProcessState)
Q_DECLARE_METATYPE(devnook::WorkspaceReadyEndpoint)

// Starts, stops, restarts and readiness over a scripted process manager,
// ports and prober.
class ProjectStoreProcessesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScriptedStore> m_rig;
    DevProject m_web;

    ProjectStore &store() { return *m_rig->store; }
    void report(DevProcessState state) { m_rig->report(m_web.id, state); }
    QStringList lines(bool errorsOnly = false) const { return m_rig->logTexts(m_web.id, errorsOnly); }
    QStringList failures() const
    {
        return m_rig->analytics.sources.value(AnalyticsEvent::processStartFailed);
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::ScriptedStore>();
        m_web = test::makeProject(u"Shop"_s, m_rig->dir.path());
        m_web.localhostURL = u" localhost:5173 "_s;
        m_web.services = {
            ProjectService{QUuid::createUuid(), u"api"_s, u"go run ."_s, u"http://localhost:8080"_s},
            ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, u"localhost:5173"_s}};
        m_rig->open({m_web});
    }

    void cleanup() { m_rig.reset(); }

    void aPlayStartRunsItsReadinessStepOnce()
    {
        const QString url = u"http://localhost:5173"_s;
        m_rig->readiness.endpoint = WorkspaceReadyEndpoint{url, std::nullopt, std::nullopt};
        store().toggleDevProcess(m_web);
        QCOMPARE(store().displayProcessState(m_web), DevProcessState::starting);
        report(DevProcessState::starting);
        report(DevProcessState::running);

        QTRY_COMPARE(store().displayProcessState(m_web), DevProcessState::running);
        QCOMPARE(m_rig->manager.started, QList<QUuid>{m_web.id});
        QCOMPARE(m_rig->readiness.asked, QStringList{u"localhost:5173"_s});
        QCOMPARE(m_rig->readiness.lastCandidates.size(), 2);
        QCOMPARE(m_rig->notifier.kinds, QStringList{u"dev-started"_s});
        QCOMPARE(m_rig->openedURLs(), QStringList{url});
        const QString key = u"project:"_s + UuidText::format(m_web.id);
        QCOMPARE(m_rig->preview.refreshedWith.last(), (QHash<QString, QString>{{key, url}}));
        QCOMPARE(m_rig->analytics.sources.value(AnalyticsEvent::processStarted).value(0), u"play"_s);
        // Play starts write no progress lines of their own.
        QVERIFY(lines().isEmpty());

        m_rig->clock.advance(30);
        store().toggleDevProcess(m_web);
        QVERIFY(store().effectiveLocalURLs().isEmpty());
        QCOMPARE(store().usageSummaries().value(m_web.id).total, 30.0);
        QCOMPARE(m_rig->usage.completedSessions().value(0).source, ProjectUsageSessionSource::playButton);
    }

    void failuresDuringAndAfterAStart_data()
    {
        QTest::addColumn<bool>("workspace");
        QTest::addColumn<bool>("finishStartFirst");
        QTest::addColumn<DevProcessState>("ended");
        QTest::addColumn<QStringList>("failures");
        QTest::newRow("play start still starting") << false << false << DevProcessState::failed
                                                   << QStringList{u"play/process-exited-during-start"_s};
        QTest::newRow("after the play start finished")
            << false << true << DevProcessState::failed << QStringList();
        QTest::newRow("workspace start whose processes quit with 0")
            << true << false << DevProcessState::stopped << QStringList();
    }

    void failuresDuringAndAfterAStart()
    {
        QFETCH(bool, workspace);
        QFETCH(bool, finishStartFirst);
        QFETCH(DevProcessState, ended);
        QFETCH(QStringList, failures);
        m_rig->manager.statesOnStart = {DevProcessState::starting};
        if (workspace) {
            m_rig->manager.statesOnStart.append(DevProcessState::running);
            store().startWorkspace(m_web);
        } else {
            store().toggleDevProcess(m_web);
        }
        if (finishStartFirst) {
            report(DevProcessState::running);
            QTRY_VERIFY(store().initializingDevProcesses().isEmpty());
        }
        report(ended);

        QCOMPARE(this->failures(), failures);
        QCOMPARE(store().displayProcessState(m_web), ended);
        QCOMPARE(lines(true).contains(u"The dev processes ended before the server answered."_s),
                 !finishStartFirst);
        QVERIFY(!m_rig->usage.trackingState(m_web.id, m_rig->clock.now()).isActive);
        QTRY_VERIFY(m_rig->notifier.kinds.contains(u"dev-failed"_s));
        QVERIFY(!m_rig->notifier.kinds.contains(u"workspace-failed"_s));
        // Starting after a crash starts the processes again.
        store().startWorkspace(m_web);
        QCOMPARE(m_rig->manager.started.size(), 2);
    }

    // A restart asked for while the project starts is no failed start, and
    // it waits past the forced kill that follows a stop after 2 seconds.
    void aRestartWaitsForTheOldProcessesToGo()
    {
        m_rig->manager.statesOnStart = {DevProcessState::starting};
        store().toggleDevProcess(m_web);
        m_rig->manager.reportsStop = false;
        store().restartDevProcess(m_web);
        QTimer::singleShot(2500, &m_rig->manager, [this] { report(DevProcessState::stopped); });
        QTRY_COMPARE_WITH_TIMEOUT(m_rig->manager.started.size(), 2, 4000);
        QCOMPARE(store().displayProcessState(m_web), DevProcessState::starting);
        QVERIFY(lines(true).isEmpty() && m_rig->notifier.kinds.isEmpty());

        // Processes that outlive the bound are reported, and nothing starts.
        store().restartDevProcess(m_web);
        QTRY_COMPARE_WITH_TIMEOUT(
            lines(true),
            QStringList{u"The previous processes did not stop, so the project was not started again."_s},
            5000);
        QCOMPARE(m_rig->manager.started.size(), 2);
    }

    void portConflictAnswers_data()
    {
        QTest::addColumn<Resolution>("answer");
        // Another process holds the port right after the answer.
        QTest::addColumn<bool>("takenOver");
        QTest::addColumn<QString>("line");
        QTest::newRow("enter or escape") << Resolution() << false << QString();
        QTest::newRow("continue, then our own server holds the port")
            << Resolution(PortConflictResolution::continueAnyway) << true
            << u"Continuing although port 5173 is in use."_s;
        QTest::newRow("free, but taken over at once")
            << Resolution(PortConflictResolution::freePort) << true
            << u"Could not free port 5173: node (PID 4242) is still listening."_s;
    }

    // The first occupied port of the project alone is asked about; the
    // readiness wait leaves it out only while the same process holds it
    // (the real workspace test keeps one that does).
    void portConflictAnswers()
    {
        QFETCH(Resolution, answer);
        QFETCH(bool, takenOver);
        QFETCH(QString, line);
        const bool starts = !line.isEmpty() && !(takenOver && answer == PortConflictResolution::freePort);
        std::swap(m_web.services[0], m_web.services[1]);
        m_rig->ports.listeners = {{5173, PortListener{4242, u"node"_s}},
                                  {8080, PortListener{5151, u"java"_s}}};
        m_rig->ports.takenOver = takenOver;
        m_rig->asker.answer = answer;

        store().toggleDevProcess(m_web);
        QCOMPARE(m_rig->asker.questions.size(), 1);
        QCOMPARE(m_rig->asker.questions[0].defaultAnswer, PortConflictResolution::cancel);
        QStringList expected{u"Port 5173 is already in use by node (PID 4242)."_s};
        if (!line.isEmpty())
            expected.append(line);
        QCOMPARE(lines(), expected);
        // Every line is an error but the one saying how the start goes ahead.
        QCOMPARE(lines(true).size(), expected.size() - (starts ? 1 : 0));
        QCOMPARE(m_rig->manager.started.size(), starts ? 1 : 0);
        QCOMPARE(store().projects()[0].lastUsedAt.has_value(), starts);
        QCOMPARE(failures(), starts ? QStringList() : QStringList{u"play/start-blocked"_s});
        if (takenOver)
            m_rig->ports.listeners[5173].pid = 777;
        QTRY_COMPARE(m_rig->readiness.asked.size(), starts ? 1 : 0);
        QVERIFY(m_rig->readiness.lastExcludedPorts.isEmpty());
        if (!answer) {
            // A workspace start is refused the same way, and undone.
            store().startWorkspace(m_web);
            QCOMPARE(failures(), (QStringList{u"play/start-blocked"_s, u"workspace/start-blocked"_s}));
            QVERIFY(m_rig->manager.started.isEmpty() && store().initializingWorkspaces().isEmpty());
        }
    }

    void aWorkspaceStartTakesOverAPlayStart_data()
    {
        QTest::addColumn<WorkspaceReadyEndpoint>("endpoint");
        QTest::addColumn<bool>("openBrowser");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("opened");
        const QString github = u"https://github.com/acme/shop"_s;
        const QString docs = u"https://docs.acme.test"_s;
        QTest::newRow("configured address that a service shares")
            << WorkspaceReadyEndpoint{u"http://localhost:5173"_s, std::nullopt, std::nullopt} << true
            << u"web is ready at http://localhost:5173."_s
            << QStringList{u"http://localhost:5173"_s, github, docs};
        QTest::newRow("a service's own address")
            << WorkspaceReadyEndpoint{u"http://localhost:8080"_s, QUuid(), u"api"_s} << true
            << u"api is ready at http://localhost:8080."_s
            << QStringList{u"http://localhost:8080"_s, github, u"http://localhost:5173"_s, docs};
        QTest::newRow("a printed address, without the browser")
            << WorkspaceReadyEndpoint{u"http://127.0.0.1:5174/"_s, std::nullopt, std::nullopt} << false
            << u"The server is ready at http://127.0.0.1:5174/."_s
            << QStringList{github, u"http://localhost:5173"_s, docs};
    }

    // The workspace waits for readiness itself, and lists its links once each.
    void aWorkspaceStartTakesOverAPlayStart()
    {
        QFETCH(WorkspaceReadyEndpoint, endpoint);
        QFETCH(bool, openBrowser);
        QFETCH(QString, line);
        QFETCH(QStringList, opened);
        if (endpoint.serviceID)
            endpoint.serviceID = m_web.services[0].id;
        m_rig->readiness.endpoint = endpoint;
        m_web.openLocalURLAfterStart = openBrowser;
        m_web.workspaceLinks = {link(u"https://github.com/acme/shop"_s), link(u"localhost:5173"_s),
                                link(u"https://docs.acme.test"_s), link(u" https://docs.acme.test "_s),
                                link(u"https://admin.acme.test"_s, false)};
        m_rig->notifier.result = DeliveryResult::notAuthorized;

        store().toggleDevProcess(m_web);
        store().startWorkspace(m_web);
        QTRY_VERIFY(store().initializingWorkspaces().isEmpty());
        QCOMPARE(store().displayProcessState(m_web), DevProcessState::running);
        QCOMPARE(m_rig->manager.started.size(), 1);
        QCOMPARE(lines(), (QStringList{u"Starting workspace…"_s, u"The dev process is already running."_s,
                                       u"Waiting for localhost:5173 to answer…"_s, line,
                                       u"The notification could not be shown."_s,
                                       u"Opening %1 workspace link(s)."_s.arg(opened.size() - openBrowser)}));
        QCOMPARE(m_rig->openedURLs(), opened);
        const QString key = endpoint.serviceID ? u"service:"_s + UuidText::format(*endpoint.serviceID)
                                               : u"project:"_s + UuidText::format(m_web.id);
        QCOMPARE(store().effectiveLocalURLs().keys(), QStringList{key});
        QCOMPARE(m_rig->notifier.kinds, QStringList{u"workspace-ready"_s});
        QCOMPARE(m_rig->preview.windowsRefreshed, QList<QUuid>{m_web.id});
        // A crash now is no longer a failure during start.
        report(DevProcessState::failed);
        QVERIFY(failures().isEmpty());
    }

    void aWorkspaceWithoutALocalURLOpensItsLinksAtOnce()
    {
        m_web.localhostURL = u"  "_s;
        m_web.editorCommand = u"true"_s;
        m_web.workspaceLinks = {link(u"https://github.com/acme/shop"_s)};
        store().startWorkspace(m_web);
        QCOMPARE(lines(), (QStringList{u"Starting workspace…"_s, u"Opening the editor…"_s,
                                       u"Starting the dev process…"_s,
                                       u"No local URL is configured; opening the workspace links."_s,
                                       u"Opening 1 workspace link(s)."_s}));
        QCOMPARE(m_rig->openedURLs(), QStringList{u"https://github.com/acme/shop"_s});
        QVERIFY(store().initializingWorkspaces().isEmpty() && m_rig->readiness.asked.isEmpty());
    }

    void notificationClicksOpenTheProjectsLogs()
    {
        Q_EMIT m_rig->notifier.clicked({{u"devnookLogsProjectID"_s, UuidText::format(QUuid::createUuid())}});
        Q_EMIT m_rig->notifier.clicked({{u"devnookLogsProjectID"_s, UuidText::format(m_web.id)}});
        QTRY_COMPARE(m_rig->logs.shown, QList<QUuid>{m_web.id});
    }
};

QTEST_GUILESS_MAIN(ProjectStoreProcessesTest)
#include "ProjectStoreProcessesTest.moc"
