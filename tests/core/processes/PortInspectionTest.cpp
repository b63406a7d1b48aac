#include "core/processes/PortInspectionService.h"
#include "core/processes/ProcessTable.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

ProjectService service(const QString &command, const QString &url)
{
    return ProjectService{QUuid::createUuid(), u"web"_s, command, url};
}

// A foreign process that listens on a loopback port until it is signalled.
class PortHolder {
public:
    explicit PortHolder(const QStringList &arguments = {})
    {
        m_process.start(QStringLiteral(DEVNOOK_PORT_HOLDER), arguments);
        if (m_process.waitForReadyRead(10000))
            m_port = m_process.readLine().trimmed().toInt();
    }
    ~PortHolder()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    int port() const { return m_port; }
    qint32 pid() const { return static_cast<qint32>(m_process.processId()); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    int m_port = 0;
};

} // namespace

class PortInspectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tcpPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("explicit port") << u"http://localhost:3000"_s << 3000;
        QTest::newRow("https default") << u"https://localhost"_s << 443;
        QTest::newRow("http default") << u"http://localhost"_s << 80;
        QTest::newRow("scheme in capitals") << u"HTTP://LOCALHOST/app"_s << 80;
        QTest::newRow("typed without scheme") << u" localhost:5173 "_s << 5173;
        QTest::newRow("ipv6 loopback") << u"http://[::1]:8080/"_s << 8080;
        QTest::newRow("empty port") << u"http://localhost:/x"_s << 80;
        QTest::newRow("ftp without port") << u"ftp://files.local"_s << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("not a url") << u"http://local host:3000"_s << -1;
    }

    void tcpPort()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(PortInspectionService::tcpPort(text).value_or(-1), expected);
    }

    void shouldInspectConfiguredPort_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("expected");
        QTest::newRow("dev server") << u"npm run dev"_s << true;
        QTest::newRow("open in capitals") << u"OPEN http://localhost:3000"_s << false;
        QTest::newRow("path ending in open") << u"/usr/bin/open ."_s << false;
        QTest::newRow("hyphenated tool") << u"open-cli http://localhost:3000"_s << true;
        QTest::newRow("later word open") << u"npm run open"_s << true;
        QTest::newRow("only slashes") << u"/// x"_s << true;
        QTest::newRow("empty") << QString() << true;
    }

    void shouldInspectConfiguredPort()
    {
        QFETCH(QString, command);
        QFETCH(bool, expected);
        QCOMPARE(PortInspectionService::shouldInspectConfiguredPort(command), expected);
    }

    void portsToInspect()
    {
        DevProject project;
        project.id = QUuid::createUuid();
        project.services = {service(u"npm run dev"_s, u"http://localhost:5173"_s),
                            service(u"open http://localhost:9000"_s, u"http://localhost:9000"_s),
                            service(u"npm run api"_s, u"http://127.0.0.1:3000"_s),
                            service(u"npm run docs"_s, u" localhost:3000 "_s),
                            service(u"  "_s, u"http://localhost:7000"_s),
                            service(u"npm run worker"_s, QString())};
        QCOMPARE(PortInspectionService::portsToInspect(project), QList<int>({5173, 3000}));

        DevProject legacy;
        legacy.id = QUuid::createUuid();
        legacy.devCommand = u"rails server"_s;
        legacy.localhostURL = u"localhost:3000"_s;
        QCOMPARE(PortInspectionService::portsToInspect(legacy), QList<int>({3000}));
        QVERIFY(PortInspectionService::portsToInspect(DevProject()).isEmpty());
    }

    void runCommandGivesTrimmedOutput()
    {
        QCOMPARE(PortInspectionService::runCommand(u"/bin/sh"_s, {u"-c"_s, u"printf '  out \\n'"_s}),
                 std::optional<QString>(u"out"_s));
        QCOMPARE(PortInspectionService::runCommand(u"/bin/sh"_s, {u"-c"_s, u"echo out; exit 1"_s}),
                 std::nullopt);
        QCOMPARE(PortInspectionService::runCommand(u"/bin/sh"_s, {u"-c"_s, u"printf '\\377'"_s}),
                 std::nullopt);
        QCOMPARE(PortInspectionService::runCommand(u"/bin/sh"_s, {u"-c"_s, u"echo ' '"_s}), std::nullopt);
        QCOMPARE(PortInspectionService::runCommand(u"/nonexistent/tool"_s, {}), std::nullopt);
    }

    void listenerIsFoundAndFreed()
    {
        PortHolder holder;
        QVERIFY(holder.port() > 0);
        const PortInspectionService ports;
        const std::optional<PortListener> listener = ports.listener(holder.port());
        QVERIFY(listener.has_value());
        QCOMPARE(listener->pid, holder.pid());
        QCOMPARE(listener->processName, u"PortHolder"_s);

        QVERIFY(ports.terminateProcess(listener->pid));
        QCOMPARE(ports.listener(holder.port()), std::nullopt);
        QVERIFY(holder.process().waitForFinished());
        QCOMPARE(holder.process().exitStatus(), QProcess::CrashExit);
        QCOMPARE(holder.process().exitCode(), SIGTERM);
    }

    void listenerThatIgnoresTerminateIsKilled()
    {
        PortHolder holder({u"--ignore-term"_s});
        QVERIFY(holder.port() > 0);
        const PortInspectionService ports;
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(ports.terminateProcess(holder.pid()));
        QVERIFY(elapsed.elapsed() >= 1900);
        QVERIFY(holder.process().waitForFinished());
        QCOMPARE(holder.process().exitCode(), SIGKILL);
    }

    void freePortHasNoListener()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const int port = probe.serverPort();
        probe.close();
        QCOMPARE(PortInspectionService().listener(port), std::nullopt);
    }

    // A listener inside our own process must never be offered for freeing,
    // and identifiers that address process groups are never signalled.
    void ownProcessAndGroupsAreRefused()
    {
        QTcpServer own;
        QVERIFY(own.listen(QHostAddress::LocalHost));
        const PortInspectionService ports;
        QCOMPARE(ports.listener(own.serverPort()), std::nullopt);
        for (const qint32 pid : {0, -1, static_cast<qint32>(::getpid())})
            QVERIFY(!ports.terminateProcess(pid));
        QVERIFY(own.isListening());
    }

    void goneProcessIsFreedAtOnce()
    {
        QProcess process;
        process.start(u"/bin/true"_s, QStringList());
        QVERIFY(process.waitForFinished());
        const auto pid = static_cast<qint32>(process.processId());
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(pid <= 0 || PortInspectionService().terminateProcess(pid));
        QVERIFY(elapsed.elapsed() < 500);
    }
};

QTEST_GUILESS_MAIN(PortInspectionTest)
#include "PortInspectionTest.moc"
