#include "core/processes/PortInspectionService.h"

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
struct PortHolder {
    explicit PortHolder(const QStringList &arguments = {})
    {
        process.start(QStringLiteral(DEVNOOK_PORT_HOLDER), arguments);
        if (process.waitForReadyRead(10000))
            port = process.readLine().trimmed().toInt();
    }
    ~PortHolder()
    {
        process.kill();
        process.waitForFinished();
    }
    qint32 pid() const { return static_cast<qint32>(process.processId()); }

    QProcess process;
    int port = 0;
};

} // namespace

class PortInspectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tcpPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("typed without scheme") << u" localhost:5173 "_s << 5173;
        QTest::newRow("https default") << u"https://localhost"_s << 443;
        QTest::newRow("http default, in capitals") << u"HTTP://LOCALHOST/app"_s << 80;
        QTest::newRow("ipv6 loopback") << u"http://[::1]:8080/"_s << 8080;
        QTest::newRow("empty port") << u"http://localhost:/x"_s << 80;
        QTest::newRow("subdomain of localhost stays http") << u"app.localhost/x"_s << 80;
        QTest::newRow("letters in the port") << u"http://localhost:80a"_s << -1;
        QTest::newRow("ftp without port") << u"ftp://files.local"_s << -1;
        QTest::newRow("not a url") << u"http://local host:3000"_s << -1;
    }

    void tcpPort()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(PortInspectionService::tcpPort(text).value_or(-1), expected);
    }

    // A command that only hands something to "open" starts no server.
    void portsToInspect()
    {
        DevProject project;
        project.services = {service(u"npm run dev"_s, u"http://localhost:5173"_s),
                            service(u"OPEN http://localhost:9000"_s, u"http://localhost:9000"_s),
                            service(u"/usr/bin/open ."_s, u"http://localhost:9001"_s),
                            service(u"open-cli http://localhost:4000"_s, u"localhost:4000"_s),
                            service(u"npm run open"_s, u"http://127.0.0.1:3000"_s),
                            service(u"/// x"_s, u"localhost:3001"_s),
                            service(u"npm run docs"_s, u" localhost:3000 "_s),
                            service(u"  "_s, u"http://localhost:7000"_s),
                            service(u"npm run worker"_s, QString())};
        QCOMPARE(PortInspectionService::portsToInspect(project), QList<int>({5173, 4000, 3000, 3001}));
        DevProject legacy;
        legacy.devCommand = u"rails server"_s;
        legacy.localhostURL = u"localhost:3000"_s;
        QCOMPARE(PortInspectionService::portsToInspect(legacy), QList<int>({3000}));
        QVERIFY(PortInspectionService::shouldInspectConfiguredPort(QString()));
    }

    // A holder that ignores the terminate signal gets the kill signal after
    // 2 s. Unreaped, an ended holder is a zombie, which counts as gone.
    void listenerIsFoundAndFreed_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("signal");
        QTest::newRow("ends on terminate") << QStringList() << int(SIGTERM);
        QTest::newRow("ignores terminate") << QStringList({u"--ignore-term"_s}) << int(SIGKILL);
    }

    void listenerIsFoundAndFreed()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, signal);
        PortHolder holder(arguments);
        QVERIFY(holder.port > 0);
        const PortInspectionService ports;
        QCOMPARE(ports.listener(holder.port), (PortListener{holder.pid(), u"PortHolder"_s}));
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(ports.terminateProcess(holder.pid()));
        QCOMPARE(elapsed.elapsed() >= 1900, signal == SIGKILL);
        QCOMPARE(ports.listener(holder.port), std::nullopt);
        QVERIFY(holder.process.waitForFinished());
        QCOMPARE(holder.process.exitCode(), signal);
    }

    // A listener inside our own process must never be offered for freeing,
    // and identifiers that address process groups are never signalled. A
    // process already gone is freed at once.
    void onlyOtherLiveProcessesAreSignalled()
    {
        QTcpServer own;
        QVERIFY(own.listen(QHostAddress::LocalHost));
        const PortInspectionService ports;
        QCOMPARE(ports.listener(own.serverPort()), std::nullopt);
        for (const qint32 pid : {0, -1, static_cast<qint32>(::getpid())})
            QVERIFY(!ports.terminateProcess(pid));
        QVERIFY(own.isListening());

        QProcess gone;
        gone.start(u"/bin/true"_s, QStringList());
        QVERIFY(gone.waitForStarted());
        const auto pid = static_cast<qint32>(gone.processId());
        QVERIFY(gone.waitForFinished());
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(ports.terminateProcess(pid));
        QVERIFY(elapsed.elapsed() < 500);
    }
};

QTEST_GUILESS_MAIN(PortInspectionTest)
#include "PortInspectionTest.moc"
