#include "core/processes/DevProcessManager.h"
#include "core/processes/DevServerURLDiscoveryService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "support/FakeClock.h"
#include "support/LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::LoopbackHttpServer;

namespace {

using Behaviour = LoopbackHttpServer::Behaviour;

QString localhost(quint16 port)
{
    return u"http://localhost:%1"_s.arg(port);
}

QByteArrayList methods(const LoopbackHttpServer &server)
{
    QByteArrayList result;
    for (const LoopbackHttpServer::Request &request : server.requests())
        result.append(request.method);
    return result;
}

WorkspaceReadyEndpoint endpoint(const QString &url, const QString &serviceName = QString())
{
    if (serviceName.isEmpty())
        return WorkspaceReadyEndpoint{url, std::nullopt, std::nullopt};
    return WorkspaceReadyEndpoint{url, QUuid::createUuid(), serviceName};
}

// Additional candidates that also count how often they were asked for.
struct Candidates {
    QList<WorkspaceReadyEndpoint> list;
    int calls = 0;
    WorkspaceReadinessService::CandidateSource source()
    {
        return [this] {
            ++calls;
            return list;
        };
    }
};

std::optional<WorkspaceReadyEndpoint> wait(WorkspaceReadinessService &service, const QString &configuredURL,
                                           Candidates &candidates, const QSet<int> &excludedPorts = {})
{
    return QCoro::waitFor(service.waitUntilReadyEndpoint(configuredURL, excludedPorts, candidates.source()));
}

} // namespace

class WorkspaceReadinessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Any status from 200 to 499 is an answer, to HEAD alone; 5xx is not.
    void statusDecidesReadiness_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QByteArrayList>("expectedMethods");
        QTest::newRow("200") << QList<int>({200}) << true << QByteArrayList({"HEAD"});
        QTest::newRow("404") << QList<int>({404}) << true << QByteArrayList({"HEAD"});
        QTest::newRow("405 to HEAD") << QList<int>({405}) << true << QByteArrayList({"HEAD"});
        QTest::newRow("redirect") << QList<int>({302}) << true << QByteArrayList({"HEAD"});
        QTest::newRow("503 while starting")
            << QList<int>({503, 503, 200}) << true << QByteArrayList({"HEAD", "HEAD", "HEAD"});
        QTest::newRow("500 for good") << QList<int>({500}) << false << QByteArrayList();
    }

    void statusDecidesReadiness()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(bool, ready);
        QFETCH(QByteArrayList, expectedMethods);
        LoopbackHttpServer server(QHostAddress::LocalHost, statuses);
        QVERIFY(server.listen());
        WorkspaceReadinessService service(1.0, 100'000'000);
        Candidates candidates;
        const std::optional<WorkspaceReadyEndpoint> result =
            wait(service, u" localhost:%1 "_s.arg(server.port()), candidates);
        QCOMPARE(result.has_value(), ready);
        if (ready) {
            QCOMPARE(*result, endpoint(u"http://localhost:%1"_s.arg(server.port())));
            QCOMPARE(methods(server), expectedMethods);
            QCOMPARE(candidates.calls, 0);
        } else {
            QVERIFY(!methods(server).contains("GET"));
            QCOMPARE(candidates.calls, 1);
        }
    }

    void serverThatDropsHeadIsAskedWithGet()
    {
        LoopbackHttpServer server(QHostAddress::LocalHost, {200}, Behaviour::dropHead);
        QVERIFY(server.listen());
        WorkspaceReadinessService service(5.0, 100'000'000);
        Candidates candidates;
        QVERIFY(wait(service, localhost(server.port()), candidates).has_value());
        QCOMPARE(methods(server).first(), "HEAD");
        QCOMPARE(methods(server).last(), "GET");
    }

    // localhost may be either loopback address; a server on one of them
    // must be found and must see the name it was asked by.
    void eitherLoopbackAddressAnswersForLocalhost_data()
    {
        QTest::addColumn<QHostAddress>("address");
        QTest::newRow("127.0.0.1 only") << QHostAddress(QHostAddress::LocalHost);
        QTest::newRow("::1 only") << QHostAddress(QHostAddress::LocalHostIPv6);
    }

    void eitherLoopbackAddressAnswersForLocalhost()
    {
        QFETCH(QHostAddress, address);
        LoopbackHttpServer server(address);
        if (!server.listen())
            QSKIP("this loopback address is not available here");
        WorkspaceReadinessService service(3.0, 100'000'000);
        Candidates candidates;
        const std::optional<WorkspaceReadyEndpoint> result =
            wait(service, u"http://LOCALHOST:%1/app"_s.arg(server.port()), candidates);
        QVERIFY(result.has_value());
        QCOMPARE(result->url, u"http://LOCALHOST:%1/app"_s.arg(server.port()));
        QCOMPARE(server.requests().first().host, u"localhost:%1"_s.arg(server.port()).toLatin1());
    }

    void serverThatStartsLateIsFound()
    {
        const quint16 port = LoopbackHttpServer::freePort();
        LoopbackHttpServer server;
        QTimer::singleShot(2000, Qt::PreciseTimer, &server, [&server, port] { server.listen(port); });
        WorkspaceReadinessService service(6.0, 500'000'000);
        Candidates candidates;
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(wait(service, localhost(port), candidates), endpoint(localhost(port)));
        QVERIFY(elapsed.elapsed() >= 2000);
        QVERIFY(elapsed.elapsed() < 4000);
    }

    // A server that accepts and never answers costs one bounded HEAD and one
    // bounded GET, not the whole wait.
    void silentServerIsGivenUpOn()
    {
        LoopbackHttpServer server(QHostAddress::LocalHost, {200}, Behaviour::neverAnswer);
        QVERIFY(server.listen());
        WorkspaceReadinessService service(0.5, 100'000'000);
        Candidates candidates;
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(wait(service, u"http://127.0.0.1:%1"_s.arg(server.port()), candidates), std::nullopt);
        QVERIFY(elapsed.elapsed() >= 2 * WorkspaceReadinessService::kRequestTimeoutMs);
        QVERIFY(elapsed.elapsed() < 3 * WorkspaceReadinessService::kRequestTimeoutMs + 1000);
        QCOMPARE(methods(server), QByteArrayList({"HEAD", "GET"}));
    }

    // The configured URL alone until the deadline, then every candidate once,
    // in order; the first that answers wins with its service.
    void candidatesAreTriedOnceAfterTheDeadline()
    {
        LoopbackHttpServer silentFirst(QHostAddress::LocalHost, {503});
        LoopbackHttpServer web;
        LoopbackHttpServer api;
        QVERIFY(silentFirst.listen() && web.listen() && api.listen());
        const quint16 configuredPort = LoopbackHttpServer::freePort();
        WorkspaceReadinessService service(1.0, 100'000'000);
        Candidates candidates;
        candidates.list = {endpoint(u"127.0.0.1:%1"_s.arg(silentFirst.port())), endpoint(u"  "_s),
                           endpoint(localhost(web.port()), u"web"_s),
                           endpoint(localhost(web.port()) + u" "_s),
                           endpoint(localhost(api.port()), u"api"_s)};
        QElapsedTimer elapsed;
        elapsed.start();
        const std::optional<WorkspaceReadyEndpoint> result =
            wait(service, localhost(configuredPort), candidates);
        QVERIFY(elapsed.elapsed() >= 1000);
        QCOMPARE(result, candidates.list.at(2));
        QCOMPARE(candidates.calls, 1);
        QCOMPARE(methods(silentFirst), QByteArrayList({"HEAD"}));
        QCOMPARE(methods(web), QByteArrayList({"HEAD"}));
        QVERIFY(api.requests().isEmpty());
    }

    void deadlineWithNothingAnsweringGivesNone()
    {
        WorkspaceReadinessService service(1.0, 100'000'000);
        Candidates candidates;
        candidates.list = {endpoint(localhost(LoopbackHttpServer::freePort()), u"web"_s)};
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(wait(service, localhost(LoopbackHttpServer::freePort()), candidates), std::nullopt);
        QVERIFY(elapsed.elapsed() >= 1000);
        QVERIFY(elapsed.elapsed() < 2500);
    }

    // The user kept a foreign process on the configured port: it must never
    // be taken for the project's server.
    void foreignServerOnTheConfiguredPortIsLeftOut()
    {
        LoopbackHttpServer foreign;
        LoopbackHttpServer movedServer;
        QVERIFY(foreign.listen() && movedServer.listen());
        const QSet<int> excluded = {foreign.port()};
        WorkspaceReadinessService service(1.0, 100'000'000);

        Candidates candidates;
        candidates.list = {endpoint(u"http://127.0.0.1:%1"_s.arg(foreign.port()), u"web"_s)};
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(wait(service, localhost(foreign.port()), candidates, excluded), std::nullopt);
        QVERIFY(elapsed.elapsed() >= 1000);
        QVERIFY(candidates.calls > 1);

        // A candidate printed during the wait is picked up by a later pass.
        QTimer::singleShot(300, &movedServer, [&candidates, &movedServer] {
            candidates.list.append(endpoint(localhost(movedServer.port()), u"web"_s));
        });
        const std::optional<WorkspaceReadyEndpoint> found =
            wait(service, localhost(foreign.port()), candidates, excluded);
        QCOMPARE(found, candidates.list.last());
        QVERIFY(foreign.requests().isEmpty());
    }

    // A dev server that moved to another port, prints its address in colour
    // and listens on ::1 only, some time after it printed it.
    void addressPrintedByTheServerIsFound()
    {
        LoopbackHttpServer server(QHostAddress::LocalHostIPv6);
        if (!server.listen())
            QSKIP("::1 is not available here");
        const quint16 port = server.port();
        server.close();
        QTimer::singleShot(1000, Qt::PreciseTimer, &server, [&server, port] { server.listen(port); });

        test::FakeClock clock;
        QTemporaryDir folder;
        DevProcessManager manager(clock);
        DevProject project;
        project.id = QUuid::createUuid();
        project.folderPath = folder.path();
        project.localhostURL = localhost(LoopbackHttpServer::freePort());
        project.devCommand = u"printf '  \\033[1mLocal\\033[22m:   "
                             u"\\033[36mhttp://localhost:\\033[1m%1\\033[22m/\\033[39m\\n'; "
                             u"sleep 30"_s.arg(port);
        const Timestamp since = clock.now();
        manager.start(project);

        WorkspaceReadinessService service(1.5, 100'000'000);
        const std::optional<WorkspaceReadyEndpoint> found = QCoro::waitFor(
            service.waitUntilReadyEndpoint(project.localhostURL, {}, [&manager, &project, since] {
                QList<WorkspaceReadyEndpoint> endpoints;
                const QStringList urls = DevServerURLDiscoveryService::candidateURLs(
                    manager.logs(project.id), since, project.localhostURL);
                for (const QString &url : urls)
                    endpoints.append(endpoint(url));
                return endpoints;
            }));
        manager.stop(project.id);
        QCOMPARE(found, endpoint(localhost(port)));
    }

    void blankConfiguredURLGivesNoneAtOnce()
    {
        WorkspaceReadinessService service(5.0, 100'000'000);
        Candidates candidates;
        candidates.list = {endpoint(u"http://localhost:1"_s)};
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(wait(service, u" \n"_s, candidates), std::nullopt);
        QVERIFY(elapsed.elapsed() < 500);
        QCOMPARE(candidates.calls, 0);
    }

    void availableCandidates()
    {
        const QList<WorkspaceReadyEndpoint> candidates = {endpoint(u" localhost:5173"_s, u"web"_s),
                                                          endpoint(u"http://localhost:5173"_s, u"other"_s),
                                                          endpoint(u""_s),
                                                          endpoint(u"https://localhost"_s),
                                                          endpoint(u"localhost:3000"_s),
                                                          endpoint(u"ftp://files"_s)};
        const QList<WorkspaceReadyEndpoint> available =
            WorkspaceReadinessService::availableCandidates(candidates, {3000, 443});
        QCOMPARE(available.size(), 2);
        QCOMPARE(available.at(0).url, u"http://localhost:5173"_s);
        QCOMPARE(available.at(0).serviceName, std::optional<QString>(u"web"_s));
        QCOMPARE(available.at(0).serviceID, candidates.at(0).serviceID);
        QCOMPARE(available.at(1).url, u"ftp://files"_s);
    }
};

QTEST_GUILESS_MAIN(WorkspaceReadinessTest)
#include "WorkspaceReadinessTest.moc"
