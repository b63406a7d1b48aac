#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "core/environment/BackgroundReads.h"
#include "core/processes/ProcessTable.h"
#include "platform/TestLogind.h"
#include "platform/null/NullHotKeyGrabber.h"
#include "platform/null/NullWindowHints.h"
#include "support/PreviewRig.h"
#include "support/SettledReads.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"
#include "ui/ShellDoubles.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/ProjectListModel.h"
#include "ui/panel/StorePanelAdapter.h"
#include "ui/shell/PanelWindow.h"
#include "ui/shell/QuitCoordinator.h"
#include "ui/shell/StatusBarController.h"
#include "ui/shell/StoreShellAdapter.h"

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <future>

using namespace Qt::StringLiterals;
using namespace devnook;

class AppLifecycleTest : public QObject {
    Q_OBJECT

private:
    // The real executable with its own home, offscreen; started through sh
    // so a test can set limits first.
    struct RunningApp {
        QTemporaryDir home;
        QProcess process;

        void start(const QString &limits, const QProcessEnvironment &extra = {})
        {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            for (const QString &name : {u"HOME"_s, u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s,
                                        u"XDG_CACHE_HOME"_s, u"XDG_RUNTIME_DIR"_s})
                env.insert(name, home.path());
            env.insert(extra);
            process.setProcessEnvironment(env);
            process.setProcessChannelMode(QProcess::ForwardedChannels);
            process.start(u"/bin/sh"_s,
                          {u"-c"_s, limits + u" exec \"$0\""_s, QStringLiteral(DEVNOOK_APP_PATH)});
        }
        ~RunningApp()
        {
            process.kill();
            process.waitForFinished();
        }
        // The single-instance lock is taken early in start-up.
        bool waitUntilLocked()
        {
            return QTest::qWaitFor([this] { return QFile::exists(home.filePath(u"devnook.socket.lock"_s)); },
                                   15000);
        }
        // Never to pid 0, which is the test's own process group.
        bool signal(int number)
        {
            const auto pid = pid_t(process.processId());
            return pid > 0 && ::kill(pid, number) == 0;
        }
    };

    QTemporaryDir m_dir;
    QString socketPath() const { return m_dir.filePath(u"devnook.socket"_s); }

private Q_SLOTS:
    void secondLaunchAsksTheFirstToShow()
    {
        QVERIFY(!SingleInstance(socketPath()).askPrimaryToShow(200)); // nobody answers
        {
            SingleInstance ended(socketPath()); // an earlier, ended launch
            QVERIFY(ended.becomePrimary());
            ended.listen();
        }
        SingleInstance first(socketPath());
        QVERIFY(first.becomePrimary());
        QSignalSpy shown(&first, &SingleInstance::showRequested);

        // The first listens only once its panel is on screen; a launch in
        // between keeps asking until then.
        SingleInstance second(socketPath());
        QVERIFY(!second.becomePrimary());
        auto asked = std::async(std::launch::async, [&second] { return second.askPrimaryToShow(5000); });
        QTest::qWait(300);
        first.listen();
        QVERIFY(shown.wait(5000));
        QVERIFY(asked.get());
        QCOMPARE(shown.size(), 1);
    }

    // However the owner ends, the next launch is the first; a dev server it
    // started and that runs on does not hold the lock.
    void theLockEndsWithItsOwner()
    {
        QProcess devServer;
        {
            SingleInstance ended(socketPath());
            QVERIFY(ended.becomePrimary());
            devServer.start(u"sleep"_s, {u"30"_s});
            QVERIFY(devServer.waitForStarted());
        }
        QVERIFY(SingleInstance(socketPath()).becomePrimary());
        devServer.kill();
        devServer.waitForFinished();

        RunningApp app;
        app.start({});
        QVERIFY(app.waitUntilLocked());
        QVERIFY(app.signal(SIGKILL));
        QVERIFY(app.process.waitForFinished(10000));
        QVERIFY(SingleInstance(app.home.filePath(u"devnook.socket"_s)).becomePrimary());
    }

    void strangersCannotTriggerAnything()
    {
        SingleInstance first(socketPath());
        QVERIFY(first.becomePrimary());
        first.listen();
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        for (const QByteArray &message : {QByteArray("quit\n"), QByteArray(4096, 's')}) {
            QLocalSocket stranger;
            stranger.connectToServer(socketPath());
            QVERIFY(stranger.waitForConnected(1000));
            stranger.write(message);
            QVERIFY(stranger.waitForBytesWritten(1000));
            QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        }
        QVERIFY(shown.isEmpty());
    }

    void terminationSignalsQuitCleanly_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("waitForLaunch");
        QTest::addColumn<QString>("limits");
        // Early: while the services are still being built.
        QTest::newRow("SIGTERM during start-up") << SIGTERM << false << QString();
        QTest::newRow("SIGHUP") << SIGHUP << true << QString();
        // The legacy catalogue that start-up copies exceeds the limit.
        QTest::newRow("file-size limit") << SIGTERM << true << u"ulimit -f 16;"_s;
    }

    void terminationSignalsQuitCleanly()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, waitForLaunch);
        QFETCH(QString, limits);
        RunningApp app;
        test::writeFile(app.home.filePath(u"Quarrylin/projects.json"_s), "[]" + QByteArray(65536, ' '));
        app.start(limits);
        QVERIFY(app.waitUntilLocked());
        if (waitForLaunch)
            QTest::qWait(1500);
        QVERIFY(app.signal(signalNumber));
        QVERIFY(app.process.waitForFinished(10000));
        QCOMPARE(app.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.process.exitCode(), 0);
    }

    // Once its panel is on screen the app reads the usage history: the stretch
    // that a killed run left in its checkpoint is recovered and saved. And
    // it follows the machine's sleep, here through a logind on the test's
    // bus in place of the system bus.
    void launchReadsTheUsageHistoryAndFollowsSleep()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
        test::TestLogind logind;
        QVERIFY(logind.bus.start());
        RunningApp app;
        const QString history = app.home.filePath(u"Devnook/usage_sessions.json"_s);
        const QString checkpoint = app.home.filePath(u"Devnook/usage_checkpoint.json"_s);
        const QString stored = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const QString recovered = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const auto sessionFile = [](const QString &id, int hour) {
            const Timestamp start =
                Timestamp::fromDateTime(QDateTime(QDate(2024, 6, 1), QTime(hour, 0), Qt::UTC));
            return u"[{\"id\": \"%1\", \"projectID\": \"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E\", "
                   "\"projectName\": \"Shop\", \"client\": \"\", \"stack\": \"\", \"source\": "
                   "\"playButton\", "
                   "\"startedAt\": %2, \"endedAt\": %3, \"pausedDuration\": 0}]"_s.arg(id)
                       .arg(start.secondsSinceReference(), 0, 'f', 0)
                       .arg(start.addSeconds(1800).secondsSinceReference(), 0, 'f', 0)
                       .toUtf8();
        };
        test::writeFile(history, sessionFile(stored, 9));
        test::writeFile(checkpoint, sessionFile(recovered, 11));
        QProcessEnvironment systemBus;
        systemBus.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
        app.start({}, systemBus);

        QVERIFY(QTest::qWaitFor([&] { return !QFile::exists(checkpoint); }, 20000));
        const QByteArray saved = test::readFile(history);
        QVERIFY2(saved.contains(stored.toUtf8()) && saved.contains(recovered.toUtf8()), saved.constData());

        QVERIFY(QTest::qWaitFor([&] { return logind.lockHeld(0); }, 10000));
        logind.prepareForSleep(true);
        QVERIFY(QTest::qWaitFor([&] { return !logind.lockHeld(0); }, 10000));
        logind.prepareForSleep(false);
        QVERIFY(QTest::qWaitFor([&] { return logind.lockHeld(1); }, 10000));
    }

    // Launch: no folder is read while the panel is put on screen; then one
    // refresh, one git process per repository and none for a plain folder,
    // and every row shows its git and .env state within a second.
    void launchReadsEveryFolderOnceAfterThePanelPainted()
    {
        QTemporaryDir folders;
        QList<DevProject> catalogue;
        for (const QString &name : {u"shop"_s, u"blog"_s, u"admin"_s, u"plain"_s}) {
            const QString folder = folders.filePath(name);
            test::writeFile(folder + u"/.env"_s, "A=1\n");
            if (name != u"plain")
                QCOMPARE(QProcess::execute(u"git"_s, {u"init"_s, u"-q"_s, u"-b"_s, u"main"_s, folder}), 0);
            DevProject project = test::makeProject(name, folder);
            catalogue.append(project);
        }
        const QString trace = folders.filePath(u"git-trace"_s);
        qputenv("GIT_TRACE2", trace.toUtf8());
        test::RealStore rig;
        ProjectStore &store = rig.open(catalogue);
        test::ScriptedAlertAsker alerts;
        test::RecordingPanelWindows windows;
        test::MemoryFormCatalogue formCatalogue;
        test::PreviewRig preview;
        StorePanelAdapter panelStore(store, preview.proxies);
        StoreShellAdapter shellStore(
            store, rig.manager,
            {panelStore, rig.commands, rig.clipboard, rig.opener, rig.files, alerts, windows, formCatalogue});
        test::SettingsRig settings;
        NullHotKeyGrabber hotKey;
        NullWindowHints windowHints;
        StatusBarController statusBar({shellStore, settings.defaults, settings.updates, hotKey, windowHints,
                                       settings.windows, settings.urls});
        QuitCoordinator quit(shellStore, alerts);
        AppDelegate delegate(statusBar, quit, shellStore);
        QSignalSpy gitWrites(&store, &ProjectStore::gitStatusesChanged);

        QElapsedTimer sinceLaunch;
        sinceLaunch.start();
        delegate.didFinishLaunching();
        QCOMPARE(backgroundReadPool().activeThreadCount(), 0);
        const ProjectListModel &rows = statusBar.panel()->findChild<DevnookPopoverView *>()->listModel();
        const auto everyRowRead = [&rows] {
            for (int row = 0; row < rows.rowCount(); ++row) {
                const ProjectRowContext &context = rows.project(row).context;
                if (!context.envProfile || (!context.gitStatus && context.project.name != u"plain"))
                    return false;
            }
            return rows.rowCount() == 4;
        };
        QVERIFY(QTest::qWaitFor(everyRowRead, 1000));
        // The tray icon and its menu come once the panel is on screen.
        QVERIFY(statusBar.trayIcon().isVisible());
        QVERIFY(statusBar.statusMenu() && !statusBar.statusMenu()->isEmpty());
        QVERIFY2(sinceLaunch.elapsed() < 1000, qPrintable(QString::number(sinceLaunch.elapsed())));
        QVERIFY(test::settleBackgroundReads());
        qunsetenv("GIT_TRACE2");
        QCOMPARE(gitWrites.size(), 1);
        QCOMPARE(test::readFile(trace).count(" start /usr/bin/git "), 3);
    }

    // Last: it runs the application's own event loop to its end.
    void stopAndQuitKillsWhatIgnoresTheTerminateSignal()
    {
        test::RealStore rig;
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = u"Stubborn"_s;
        project.folderPath = rig.dir.path();
        project.devCommand = u"trap '' TERM; echo trapped; exec sleep 60"_s;
        rig.open({project});
        rig.manager.start(project);
        QTRY_VERIFY(rig.logTexts(project.id).contains(u"[Main] trapped"_s));
        const QList<pid_t> groups = rig.manager.processGroups();
        QCOMPARE(groups.size(), 1);

        test::PanelRig panel;
        StoreShellAdapter shellStore(*rig.store, rig.manager, panel.services());
        test::SettingsRig settings;
        NullHotKeyGrabber hotKey;
        NullWindowHints windowHints;
        StatusBarController statusBar({shellStore, settings.defaults, settings.updates, hotKey, windowHints,
                                       settings.windows, settings.urls});
        test::ScriptedAlertAsker alerts;
        alerts.answers = {QuitCoordinator::stopAndQuit};
        QuitCoordinator quit(shellStore, alerts);
        AppDelegate delegate(statusBar, quit, shellStore);

        QTimer::singleShot(0, &delegate, &AppDelegate::requestQuit);
        QCOMPARE(QApplication::exec(), 0);
        // Killed as the loop ended; the manager's own forced kill would come
        // 2 s after the stop.
        QTRY_VERIFY_WITH_TIMEOUT(!ProcessTable::hasLiveMember(groups.constFirst()), 500);
    }
};

QTEST_MAIN(AppLifecycleTest)
#include "AppLifecycleTest.moc"
