#include "core/processes/DevProcessManager.h"

#include "core/processes/ProcessOutputBuffer.h"
#include "core/processes/ProcessTable.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

ProjectService service(const QString &command, const QString &name = u"web"_s)
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

// The number a service printed as "<label>=<number>", or 0.
pid_t printedNumber(const QList<DevProcessLogLine> &lines, const QString &label)
{
    const QRegularExpression pattern(u"\\] "_s + label + u"=(\\d+)$"_s);
    for (const DevProcessLogLine &line : lines) {
        if (const QRegularExpressionMatch match = pattern.match(line.text); match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

} // namespace

// Real children through the real shell, and the pipe, log and PATH rules
// alone.
class DevProcessManagerTest : public QObject {
    Q_OBJECT

private:
    test::FakeClock m_clock;
    QTemporaryDir m_folder;
    DevProject m_project;
    std::unique_ptr<DevProcessManager> m_manager;
    std::unique_ptr<QSignalSpy> m_states;

    // Starts a project of these services on a fresh manager.
    void start(const QList<ProjectService> &services, LoginShell shell = LoginShell::system(),
               const QString &folder = {})
    {
        m_manager = std::make_unique<DevProcessManager>(m_clock, std::move(shell));
        m_states = std::make_unique<QSignalSpy>(m_manager.get(), &DevProcessManager::stateDidChange);
        m_project = DevProject{};
        m_project.id = QUuid::createUuid();
        m_project.folderPath = folder.isEmpty() ? m_folder.path() : folder;
        m_project.services = services;
        m_manager->start(m_project);
    }

    QList<DevProcessState> states() const
    {
        QList<DevProcessState> result;
        for (const QList<QVariant> &call : *m_states)
            result.append(call.at(1).value<DevProcessState>());
        return result;
    }
    DevProcessState state() const { return states().value(m_states->size() - 1, DevProcessState::stopped); }
    QList<DevProcessLogLine> log() const { return m_manager->logs(m_project.id); }

private Q_SLOTS:
    void cleanup()
    {
        if (m_manager)
            m_manager->stopAll();
    }

    // The emoji arrives one byte at a time; every kind of line break splits,
    // an empty line vanishes, spaces and colour codes stay. What the server
    // printed last, on either pipe and without a line break, comes before
    // its exit line, though a child left behind holds the pipes open.
    void outputReachesTheLogWhole()
    {
        const QString command =
            u"sleep 30 & echo holder=$!; printf 'a\\xf0'; sleep 0.02; printf '\\x9f'; "
            u"sleep 0.02; printf '\\x98'; sleep 0.02; printf '\\x80b\\n\\033[1m  \\033[22m\\n'; "
            u"printf 'x\\xffy\\r\\n\\r\\n1\\v2\\f3\\r4\\xc2\\x855\\xe2\\x80\\xa86\\n'; "
            u"printf 'port in use' >&2; printf 'bye'; exit 3"_s;
        start({service(u"  "_s + command + u"\n"_s, u"  web "_s)});
        QCOMPARE(states().first(), DevProcessState::starting);
        QTRY_COMPARE(state(), DevProcessState::failed);
        const QList<DevProcessLogLine> lines = log();
        const pid_t holder = printedNumber(lines, u"holder"_s);
        QVERIFY(holder > 0 && ProcessTable::isAlive(holder));
        ::kill(holder, SIGKILL);

        QCOMPARE(lines.first().text, u"[web] Starting: "_s + command);
        QCOMPARE(lines.last(),
                 (DevProcessLogLine{lines.last().id, m_clock.now(), u"[web] Process exited with code 3"_s,
                                    true, m_project.services.first().id, u"web"_s}));
        QStringList output;
        QStringList errors;
        for (const DevProcessLogLine &line : lines.mid(1, lines.size() - 2))
            (line.isError ? errors : output).append(line.text);
        QCOMPARE(output,
                 QStringList({u"[web] holder=%1"_s.arg(holder), u"[web] a\U0001F600b"_s,
                              u"[web] \x1B[1m  \x1B[22m"_s, u"[web] x\uFFFDy"_s, u"[web] 1"_s, u"[web] 2"_s,
                              u"[web] 3"_s, u"[web] 4"_s, u"[web] 5"_s, u"[web] 6"_s, u"[web] bye"_s}));
        QCOMPARE(errors, QStringList({u"[web] port in use"_s}));
    }

    void floodKeepsTheNewestLinesInOrder()
    {
        start({service(u"seq 1 30000"_s)});
        QTRY_COMPARE(state(), DevProcessState::stopped);
        QStringList expected;
        for (int number = 29502; number <= 30000; ++number)
            expected.append(u"[web] "_s + QString::number(number));
        QCOMPARE(texts(log()), expected << u"[web] Process exited with code 0"_s);
        QVERIFY(!log().last().isError);
        // The log model tells lines apart by these.
        QVERIFY(log().first().id.version() == QUuid::Random && log().first().id.variant() == QUuid::DCE);
    }

    // Stop must reach all the shell started, or a server keeps its port while
    // the project shows as stopped. A group that ignores the terminate signal
    // gets the kill signal.
    void stopEndsTheWholeGroup_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QString>("exit");
        QTest::newRow("background child")
            << u"sleep 60 & echo left=$!; sleep 61; echo done"_s << false << u"Process exited with code 15"_s;
        QTest::newRow("shell ignores it") << u"trap '' TERM; echo left=$$; while :; do sleep 0.1; done"_s
                                          << true << u"Process exited with code 9"_s;
        // Standard input ends with the stop, as a closed terminal's would.
        QTest::newRow("reads until its input ends")
            << u"trap '' TERM; echo left=$$; while read -r line; do :; done"_s << false
            << u"Process exited with code 0"_s;
        // The shell ends at once; what it started would keep the port.
        QTest::newRow("child ignores it")
            << u"sh -c 'trap \"\" TERM; echo left=$$; while :; do sleep 0.1; done' & wait"_s << true
            << u"Process exited with code 15"_s;
    }

    void stopEndsTheWholeGroup()
    {
        QFETCH(QString, command);
        QFETCH(bool, forced);
        QFETCH(QString, exit);
        start({service(command)});
        QTRY_VERIFY(printedNumber(log(), u"left"_s) > 0);
        const pid_t left = printedNumber(log(), u"left"_s);
        const auto killLeft = qScopeGuard([left] { ::kill(left, SIGKILL); });

        m_manager->stop(m_project.id);
        m_manager->stop(m_project.id);
        const QString exitLine = u"[web] "_s + exit;
        QTRY_VERIFY(texts(log()).contains(exitLine));
        QTRY_VERIFY(!ProcessTable::isAlive(left));
        QCOMPARE(state(), DevProcessState::stopped);
        const QList<DevProcessLogLine> lines = log();
        QCOMPARE(texts(lines).count(u"Stopping process"_s), 2);
        QVERIFY(!lines.at(texts(lines).indexOf(exitLine)).isError);
        QVERIFY(!texts(lines).contains(u"[web] done"_s));
        const qsizetype kill = texts(lines).indexOf(u"Process did not stop after terminate. Forcing kill."_s);
        QCOMPARE(kill >= 0, forced);
        QVERIFY(!forced || (lines.at(kill).isError && !lines.at(kill).serviceID));
    }

    // A signal that no stop asked for, such as the out-of-memory killer's, is
    // a failure; its number is the status, in the same English line in every
    // language.
    void aSignalFromOutsideIsAFailure_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QString>("exit");
        QTest::newRow("terminate") << u"en_US"_s << u"TERM"_s << u"Process exited with code 15"_s;
        QTest::newRow("kill, in Catalan") << u"ca_ES"_s << u"KILL"_s << u"Process exited with code 9"_s;
    }

    void aSignalFromOutsideIsAFailure()
    {
        QFETCH(QString, language);
        QFETCH(QString, signal);
        QFETCH(QString, exit);
        const test::ScopedLocale locale{QLocale(language)};
        start({service(u"echo up; kill -%1 $$; sleep 5"_s.arg(signal))});
        QTRY_COMPARE(state(), DevProcessState::failed);
        QCOMPARE(log().last().text, u"[web] "_s + exit);
        QVERIFY(log().last().isError);
    }

    // A running service keeps the project running beside a failed one; its
    // half line shows after a while, though more of it keeps coming.
    void siblingsDecideTheProjectState()
    {
        start({service(u"exit 1"_s, u"worker"_s),
               service(
                   u"printf 'Compil'; sleep 0.02; printf 'ing'; while :; do sleep 0.03; printf .; done"_s)});
        QTRY_VERIFY(texts(log()).filter(QRegularExpression(u"^\\[web\\] Compiling\\.*$"_s)).size() == 1);
        QTRY_VERIFY(texts(log()).contains(u"[worker] Process exited with code 1"_s));
        QCOMPARE(state(), DevProcessState::running);
        // A second start while the web service runs changes nothing.
        const qsizetype reports = m_states->size();
        m_manager->start(m_project);
        QCOMPARE(m_states->size(), reports);
        m_manager->stopAll();
        QTRY_COMPARE(state(), DevProcessState::stopped);
    }

    void nothingRunsWithoutAFolderOrACommand()
    {
        start({service(u"npm run dev"_s), service(u"npm run api"_s, u"api"_s)}, LoginShell::system(),
              m_folder.filePath(u"missing"_s));
        QCOMPARE(states(), QList<DevProcessState>({DevProcessState::starting, DevProcessState::failed,
                                                   DevProcessState::failed, DevProcessState::failed}));
        QCOMPARE(log().size(), 4);
        QCOMPARE(log().at(1).text, u"[web] Failed to start process: No such file or directory"_s);
        QVERIFY(log().at(1).isError);

        start({service(u" \n "_s)});
        m_manager->stop(m_project.id);
        QCOMPARE(states(), QList<DevProcessState>({DevProcessState::stopped, DevProcessState::stopped}));
        // Blank text adds nothing and reports nothing; lines keep their
        // indentation.
        QSignalSpy logSpy(m_manager.get(), &DevProcessManager::logsDidChange);
        m_manager->appendLog(u"  \n \r\n\t"_s, m_project.id, false);
        QCOMPARE(logSpy.size(), 0);
        m_manager->appendLog(u"  indented \n"_s, m_project.id, true);
        QCOMPARE(texts(log()), QStringList{u"  indented "_s});
    }

    // The command runs in the project folder through the login shell (zsh
    // with the user's .zshrc, which a non-interactive zsh would not read),
    // with the tool folders on PATH, Python unbuffered, every signal's usual
    // meaning though we ignore some, and a standard input of its own that
    // stays open, as in a terminal.
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
        qunsetenv("PYTHONUNBUFFERED");
        const auto term = std::signal(SIGTERM, SIG_IGN);
        const auto hangUp = std::signal(SIGHUP, SIG_IGN);
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", realHome);
            std::signal(SIGTERM, term);
            std::signal(SIGHUP, hangUp);
        });

        start({service(
                  u"echo \"shell=${ZSH_NAME:-$0} rc=$DEVNOOK_RC py=$PYTHONUNBUFFERED\"; echo \"dir=$PWD\"\n"
                  u"grep SigIgn /proc/self/status; echo \"input=$(readlink /proc/self/fd/0)\"; echo pid=$$\n"
                  u"read -r line; echo \"got=$line\"; echo \"path=$PATH\""_s)},
              LoginShell(zshPath, u"/bin/sh"_s));
        QTRY_VERIFY(printedNumber(log(), u"pid"_s) > 0);
        QFile input(u"/proc/%1/fd/0"_s.arg(printedNumber(log(), u"pid"_s)));
        QVERIFY(input.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && input.write("hello\n") == 6);
        QTRY_COMPARE(state(), DevProcessState::stopped);
        // Three lines of command, then exactly what it printed.
        const QStringList lines = texts(log());
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.mid(3, 2),
                 QStringList({u"[web] shell=%1 rc=%2 py=1"_s.arg(expectedShell, expectedRc),
                              u"[web] dir="_s + QFileInfo(m_folder.path()).canonicalFilePath()}));
        // glibc itself keeps its two internal signals (32 and 33) ignored.
        QCOMPARE(lines.at(5).section(u'\t', 1).toULongLong(nullptr, 16) & ~0x180000000ull, 0ull);
        QVERIFY(lines.at(6).startsWith(u"[web] input=pipe:"_s) &&
                !QFile::symLinkTarget(u"/proc/self/fd/0"_s).endsWith(lines.at(6).mid(12)));
        QCOMPARE(lines.at(8), u"[web] got=hello"_s);
        // A login sh reads /etc/profile, which sets PATH anew.
        if (expectedShell == u"zsh")
            QVERIFY(lines.at(9).startsWith(u"[web] path=/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:"_s));
    }

    // However the pipe cuts the bytes into reads, the text comes out the
    // same: invalid and stray bytes as U+FFFD each, a character cut off at
    // the end as one.
    void everySplitGivesTheSameText()
    {
        const QByteArray bytes("x\xFFy\x80\x80z\xF0\x9F\x98\x80\n\xF0\x9F");
        for (qsizetype first = 0; first <= bytes.size(); ++first) {
            for (qsizetype second = first; second <= bytes.size(); ++second) {
                ProcessOutputBuffer buffer;
                QString text = buffer.append(bytes.first(first));
                text += buffer.append(bytes.sliced(first, second - first));
                text += buffer.append(bytes.sliced(second));
                QCOMPARE(text + buffer.takeAll(), u"x\uFFFDy\uFFFD\uFFFDz\U0001F600\n\uFFFD"_s);
            }
        }
    }

    void onlyWholeLinesComeOutUntilFlushed()
    {
        ProcessOutputBuffer buffer;
        QCOMPARE(buffer.append("one\ntw"), u"one\n"_s);
        QVERIFY(buffer.hasPendingLine());
        QCOMPARE(buffer.append("o\rthr"), u"two\r"_s);
        QCOMPARE(buffer.append("ee \xE2\x82"), QString());
        // A quiet pipe shows the line so far but keeps the half character.
        QCOMPARE(buffer.takePendingLine(), u"three "_s);
        QVERIFY(!buffer.hasPendingLine());
        QCOMPARE(buffer.append("\xAC\n"), u"\u20AC\n"_s);
        QCOMPARE(buffer.append("done \xE2\x9C\x93"), QString());
        QCOMPARE(buffer.takePendingLine(), u"done \u2713"_s);
        // A line keeps its start, within a chunk or across chunks.
        const QByteArray start(ProcessOutputBuffer::kMaxLineLength, 'x');
        const QString kept = QString::fromLatin1(start);
        QCOMPARE(buffer.append(QByteArray(start + "12345\nok\n" + start)),
                 kept + u" [… 5 more characters cut]\nok\n"_s);
        QCOMPARE(buffer.append("yy"), QString());
        QCOMPARE(buffer.takeAll(), kept + u" [… 2 more characters cut]"_s);
        QVERIFY(!buffer.hasPendingLine());
    }

    // An empty PATH entry would mean the current folder; the user's own
    // choice of Python buffering stands.
    void environmentPutsToolFoldersFirst()
    {
        const QString folders = u"PATH=/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"_s;
        QCOMPARE(DevProcessManager::devCommandEnvironment({u"PATH="_s, u"LANG=C"_s}),
                 QStringList({u"LANG=C"_s, folders, u"PYTHONUNBUFFERED=1"_s}));
        QCOMPARE(DevProcessManager::devCommandEnvironment({u"PATH=/home/dev/bin"_s, u"PYTHONUNBUFFERED="_s}),
                 QStringList({u"PYTHONUNBUFFERED="_s, folders + u":/home/dev/bin"_s}));
    }
};

QTEST_GUILESS_MAIN(DevProcessManagerTest)
#include "DevProcessManagerTest.moc"
