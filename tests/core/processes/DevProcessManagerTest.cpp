#include "core/processes/DevProcessManager.h"

#include "core/processes/ProcessTable.h"
#include "support/FakeClock.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

ProjectService service(const QString &name, const QString &command)
{
    return ProjectService{QUuid::createUuid(), name, command, u"http://localhost:3000"_s};
}

QStringList texts(const QList<DevProcessLogLine> &lines)
{
    QStringList result;
    for (const DevProcessLogLine &line : lines)
        result.append(line.text);
    return result;
}

DevProcessState lastState(const QSignalSpy &spy)
{
    return spy.isEmpty() ? DevProcessState::stopped : spy.last().at(1).value<DevProcessState>();
}

QList<DevProcessState> states(const QSignalSpy &spy)
{
    QList<DevProcessState> result;
    for (const QList<QVariant> &call : spy)
        result.append(call.at(1).value<DevProcessState>());
    return result;
}

// The number a service printed as "<label>=<number>", or 0.
pid_t printedNumber(const QList<DevProcessLogLine> &lines, const QString &label)
{
    const QRegularExpression pattern(u"\\] "_s + label + u"=(\\d+)$"_s);
    for (const DevProcessLogLine &line : lines) {
        const QRegularExpressionMatch match = pattern.match(line.text);
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

} // namespace

class DevProcessManagerTest : public QObject {
    Q_OBJECT

private:
    DevProject project(const QList<ProjectService> &services) const
    {
        DevProject result;
        result.id = QUuid::createUuid();
        result.name = u"Shop"_s;
        result.folderPath = m_folder.path();
        result.services = services;
        return result;
    }

    test::FakeClock m_clock;
    QTemporaryDir m_folder;

private Q_SLOTS:
    void exitStatusDecidesTheState_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<DevProcessState>("finalState");
        QTest::addColumn<QString>("exitLine");
        QTest::addColumn<bool>("exitLineIsError");
        QTest::newRow("exit 0") << u"exit 0"_s << DevProcessState::stopped
                                << u"[web] Process exited with code 0"_s << false;
        QTest::newRow("exit 1") << u"exit 1"_s << DevProcessState::failed
                                << u"[web] Process exited with code 1"_s << true;
        QTest::newRow("killed from outside")
            << u"kill -KILL $$"_s << DevProcessState::failed << u"[web] Process exited with code 9"_s << true;
    }

    void exitStatusDecidesTheState()
    {
        QFETCH(QString, command);
        QFETCH(DevProcessState, finalState);
        QFETCH(QString, exitLine);
        QFETCH(bool, exitLineIsError);

        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop = project({service(u"  web "_s, u"  "_s + command + u"\n"_s)});
        manager.start(shop);
        QCOMPARE(states(stateSpy).first(), DevProcessState::starting);
        QTRY_COMPARE(lastState(stateSpy), finalState);

        const QList<DevProcessLogLine> log = manager.logs(shop.id);
        QCOMPARE(texts(log), QStringList({u"[web] Starting: "_s + command, exitLine}));
        QCOMPARE(log.last().isError, exitLineIsError);
        QCOMPARE(log.last().serviceID, std::optional<QUuid>(shop.services.first().id));
        QCOMPARE(log.last().serviceName, std::optional<QString>(u"web"_s));
    }

    // What a dead server printed last, on either pipe and with or without a
    // final line break, reaches the log before its exit line.
    void lastWordsComeBeforeTheExitLine()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop =
            project({service(u"api"_s, u"echo ready; printf 'port in use' >&2; printf 'bye'; exit 3"_s)});
        manager.start(shop);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::failed);

        const QList<DevProcessLogLine> log = manager.logs(shop.id);
        QCOMPARE(log.size(), 5);
        QCOMPARE(log.last().text, u"[api] Process exited with code 3"_s);
        const QStringList printed = texts(log.mid(1, 3));
        QCOMPARE(printed.indexOf(u"[api] ready"_s), 0);
        QVERIFY(printed.contains(u"[api] bye"_s));
        const qsizetype error = printed.indexOf(u"[api] port in use"_s);
        QVERIFY(error > 0);
        QVERIFY(log.at(1 + error).isError);
    }

    // A child left behind keeps the pipes open; the exit must not wait for
    // their end.
    void exitIsHandledWhileAChildHoldsThePipes()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop =
            project({service(u"web"_s, u"sleep 30 & echo holder=$!; printf 'last words'"_s)});
        manager.start(shop);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);
        const QList<DevProcessLogLine> log = manager.logs(shop.id);
        const pid_t holder = printedNumber(log, u"holder"_s);
        QVERIFY(ProcessTable::isAlive(holder));
        ::kill(holder, SIGKILL);
        QCOMPARE(texts(log).mid(2),
                 QStringList({u"[web] last words"_s, u"[web] Process exited with code 0"_s}));
    }

    void outputKeepsLinesWhole()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        // The emoji arrives one byte at a time; the other lines test the
        // line rules: an empty line vanishes, a line of spaces stays.
        const DevProject shop = project({service(
            u"web"_s, u"printf 'a\\xf0'; sleep 0.02; printf '\\x9f'; sleep 0.02; printf '\\x98'; sleep 0.02; "
                      u"printf '\\x80b\\n'; printf 'x\\xffy\\r\\n\\r\\n  \\nb\\n'"_s)});
        manager.start(shop);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);

        QCOMPARE(texts(manager.logs(shop.id)).mid(1, 4),
                 QStringList({u"[web] a\U0001F600b"_s, u"[web] x\uFFFDy"_s, u"[web]   "_s, u"[web] b"_s}));
    }

    void partLineIsShownOnceThePipeIsQuiet()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop =
            project({service(u"web"_s, u"printf 'Compil'; sleep 0.02; printf 'ing'; sleep 30"_s)});
        manager.start(shop);
        QTRY_VERIFY(texts(manager.logs(shop.id)).contains(u"[web] Compiling"_s));
        QCOMPARE(lastState(stateSpy), DevProcessState::running);
        manager.stop(shop.id);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);
    }

    void floodKeepsTheNewestLinesInOrder()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop = project({service(u"web"_s, u"seq 1 30000"_s)});
        manager.start(shop);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);

        const QStringList log = texts(manager.logs(shop.id));
        QCOMPARE(log.size(), DevProcessManager::kMaxLogLines);
        for (int i = 0; i < log.size() - 1; ++i)
            QCOMPARE(log.at(i), u"[web] "_s + QString::number(29502 + i));
        QCOMPARE(log.last(), u"[web] Process exited with code 0"_s);
    }

    // Stop must reach what the shell started too, or the server keeps its
    // port while the project shows as stopped.
    void stopEndsTheWholeProcessGroup()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop =
            project({service(u"web"_s, u"sleep 60 & echo background=$!; sleep 61; echo done"_s)});
        manager.start(shop);
        QTRY_VERIFY(printedNumber(manager.logs(shop.id), u"background"_s) > 0);
        const pid_t background = printedNumber(manager.logs(shop.id), u"background"_s);

        manager.stop(shop.id);
        manager.stop(shop.id);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);
        QTRY_VERIFY(!ProcessTable::isAlive(background));

        const QList<DevProcessLogLine> log = manager.logs(shop.id);
        QCOMPARE(texts(log).count(u"Stopping process"_s), 2);
        QVERIFY(!log.last().isError);
        QVERIFY(log.last().text.startsWith(u"[web] Process exited with code "_s));
        QVERIFY(!texts(log).contains(u"[web] done"_s));
    }

    void stopForcesAGroupThatIgnoresTerminate_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("exitLine");
        QTest::newRow("shell ignores it") << u"trap '' TERM; echo stubborn=$$; while :; do sleep 0.1; done"_s
                                          << u"[web] Process exited with code 9"_s;
        // The shell ends at once; what it started would keep the port.
        QTest::newRow("child ignores it")
            << u"sh -c 'trap \"\" TERM; echo stubborn=$$; while :; do sleep 0.1; done' & wait"_s
            << u"[web] Process exited with code 15"_s;
    }

    void stopForcesAGroupThatIgnoresTerminate()
    {
        QFETCH(QString, command);
        QFETCH(QString, exitLine);
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop = project({service(u"web"_s, command)});
        manager.start(shop);
        QTRY_VERIFY(printedNumber(manager.logs(shop.id), u"stubborn"_s) > 0);
        const pid_t stubborn = printedNumber(manager.logs(shop.id), u"stubborn"_s);

        manager.stop(shop.id);
        const QString forcedLine = u"Process did not stop after terminate. Forcing kill."_s;
        QTRY_VERIFY_WITH_TIMEOUT(texts(manager.logs(shop.id)).contains(forcedLine), 5000);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);
        QTRY_VERIFY(!ProcessTable::isAlive(stubborn));

        const QList<DevProcessLogLine> log = manager.logs(shop.id);
        const DevProcessLogLine forced = log.at(texts(log).indexOf(forcedLine));
        QVERIFY(forced.isError);
        QVERIFY(!forced.serviceID.has_value());
        const qsizetype exit = texts(log).indexOf(exitLine);
        QVERIFY(exit > 0);
        QVERIFY(!log.at(exit).isError);
    }

    void siblingsDecideTheProjectState()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop =
            project({service(u"worker"_s, u"exit 1"_s), service(u"web"_s, u"sleep 60"_s)});
        manager.start(shop);
        QTRY_VERIFY(texts(manager.logs(shop.id)).contains(u"[worker] Process exited with code 1"_s));
        QCOMPARE(lastState(stateSpy), DevProcessState::running);

        // A second start while the web service runs changes nothing.
        const qsizetype reports = stateSpy.size();
        manager.start(shop);
        QCOMPARE(stateSpy.size(), reports);

        manager.stopAll();
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);
    }

    void launchFailureIsReported()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        DevProject shop = project({service(u"web"_s, u"npm run dev"_s), service(u"api"_s, u"npm run api"_s)});
        shop.folderPath = m_folder.filePath(u"missing"_s);
        manager.start(shop);

        QCOMPARE(states(stateSpy),
                 QList<DevProcessState>({DevProcessState::starting, DevProcessState::failed,
                                         DevProcessState::failed, DevProcessState::stopped}));
        const QList<DevProcessLogLine> log = manager.logs(shop.id);
        QCOMPARE(log.size(), 4);
        QCOMPARE(log.at(1).text, u"[web] Failed to start process: No such file or directory"_s);
        QVERIFY(log.at(1).isError);
    }

    void projectWithoutProcesses()
    {
        DevProcessManager manager(m_clock);
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        QSignalSpy logSpy(&manager, &DevProcessManager::logsDidChange);
        DevProject empty = project({service(u"web"_s, u" \n "_s)});
        manager.start(empty);
        manager.stop(empty.id);
        QCOMPARE(states(stateSpy),
                 QList<DevProcessState>({DevProcessState::stopped, DevProcessState::stopped}));
        QCOMPARE(logSpy.size(), 0);
    }

    // The command runs in the project folder through the login shell (zsh
    // with the user's .zshrc, which a non-interactive zsh would not read),
    // with the tool folders on PATH and nothing to read on standard input.
    void commandRunsLikeInATerminal_data()
    {
        QTest::addColumn<QString>("zshPath");
        QTest::addColumn<QString>("expectedShell");
        QTest::addColumn<QString>("expectedRc");
        QTest::newRow("zsh") << u"/bin/zsh"_s << u"zsh"_s << u"loaded"_s;
        QTest::newRow("user's shell when zsh is missing")
            << m_folder.filePath(u"no-zsh"_s) << u"/bin/sh"_s << QString();
    }

    void commandRunsLikeInATerminal()
    {
        QFETCH(QString, zshPath);
        QFETCH(QString, expectedShell);
        QFETCH(QString, expectedRc);
        if (!QFileInfo(u"/bin/zsh"_s).isExecutable())
            QSKIP("zsh is not installed (scripts/setup installs it)");
        QTemporaryDir home;
        test::writeFile(home.filePath(u".zshrc"_s), "echo noise from zshrc\nexport DEVNOOK_RC=loaded\n");
        const QByteArray realHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        const auto restoreHome = qScopeGuard([&realHome] { qputenv("HOME", realHome); });

        DevProcessManager manager(m_clock, LoginShell(zshPath, u"/bin/sh"_s));
        QSignalSpy stateSpy(&manager, &DevProcessManager::stateDidChange);
        const DevProject shop = project({service(
            u"web"_s,
            u"echo \"shell=${ZSH_NAME:-$0}\"\necho \"dir=$PWD\"\necho \"path=$PATH\"\n"
            u"echo \"rc=$DEVNOOK_RC\"\nif read line; then echo input=yes; else echo input=none; fi"_s)});
        manager.start(shop);
        QTRY_COMPARE(lastState(stateSpy), DevProcessState::stopped);

        const QStringList log = texts(manager.logs(shop.id));
        QCOMPARE(log.at(0), u"[web] Starting: echo \"shell=${ZSH_NAME:-$0}\""_s);
        QCOMPARE(log.at(1), u"[web] echo \"dir=$PWD\""_s);
        QVERIFY(log.contains(u"[web] shell="_s + expectedShell));
        QVERIFY(log.contains(u"[web] dir="_s + QFileInfo(m_folder.path()).canonicalFilePath()));
        QVERIFY(log.contains(u"[web] rc="_s + expectedRc));
        QVERIFY(!log.contains(u"[web] noise from zshrc"_s));
        QVERIFY(log.contains(u"[web] input=none"_s));
        const QStringList paths = log.filter(u"[web] path="_s);
        QCOMPARE(paths.size(), 1);
        // A login sh reads /etc/profile, which sets PATH anew.
        if (expectedShell == u"zsh")
            QVERIFY(
                paths.first().startsWith(u"[web] path=/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:"_s));
    }
};

QTEST_GUILESS_MAIN(DevProcessManagerTest)
#include "DevProcessManagerTest.moc"
