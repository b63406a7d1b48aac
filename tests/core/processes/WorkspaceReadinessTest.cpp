#include "core/processes/DevServerURLDiscoveryService.h"
#include "core/processes/WorkspaceReadinessService.h"
#include "support/LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace devnook;
using test::LoopbackHttpServer;
using Behaviour = LoopbackHttpServer::Behaviour;
using DevServerURLDiscoveryService::candidateURLs;

namespace {

// Shorter than the application's, to keep the suite quick.
constexpr std::chrono::milliseconds kRequest = 500ms;

QString localhost(quint16 port)
{
    return u"http://localhost:%1"_s.arg(port);
}

// The methods the server was asked with, repeats in a row folded: the
// network layer may resend a request whose connection was dropped.
QByteArrayList methods(const LoopbackHttpServer &server)
{
    QByteArrayList result;
    for (const LoopbackHttpServer::Request &request : server.requests()) {
        if (result.isEmpty() || result.last() != request.method)
            result.append(request.method);
    }
    return result;
}

constexpr Timestamp kStart = Timestamp::fromSecondsSinceReference(800000000.0);

DevProcessLogLine line(const QString &text, Timestamp date = kStart)
{
    return DevProcessLogLine{QUuid::createUuid(), date, text, false, std::nullopt, std::nullopt};
}

WorkspaceReadyEndpoint endpoint(const QString &url, const QString &serviceName = QString())
{
    if (serviceName.isEmpty())
        return WorkspaceReadyEndpoint{url, std::nullopt, std::nullopt};
    return WorkspaceReadyEndpoint{url, QUuid::createUuid(), serviceName};
}

} // namespace

// The prober against real HTTP servers on loopback, and the candidate URLs
// it tries, as read from a dev server's log.
class WorkspaceReadinessTest : public QObject {
    Q_OBJECT

private:
    // The additional candidates, and how often they were asked for.
    QList<WorkspaceReadyEndpoint> m_candidates;
    int m_calls = 0;
    QElapsedTimer m_elapsed;

    std::optional<WorkspaceReadyEndpoint> wait(double seconds, const QString &configuredURL,
                                               const QSet<int> &excludedPorts = {})
    {
        WorkspaceReadinessService service(std::chrono::milliseconds(qRound(seconds * 1000)), 100ms, kRequest);
        m_elapsed.start();
        const auto candidates = [this] {
            ++m_calls;
            return m_candidates;
        };
        return QCoro::waitFor(service.waitUntilReadyEndpoint(configuredURL, excludedPorts, candidates, {}));
    }

private Q_SLOTS:
    void init()
    {
        m_candidates.clear();
        m_calls = 0;
        // A probe ends each request once; Qt names a second ending so.
        QTest::failOnWarning(QRegularExpression(u"must only be called once"_s));
    }

    // Any status from 200 to 499 is an answer, to HEAD alone; 5xx is not.
    // GET follows only when HEAD got no HTTP answer at all. A server that
    // accepts and never answers costs one bounded HEAD and one bounded GET.
    void statusDecidesReadiness_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QByteArrayList>("expectedMethods");
        const QByteArrayList head{"HEAD"};
        QTest::newRow("404") << QList<int>({404}) << Behaviour::answer << true << head;
        QTest::newRow("redirect") << QList<int>({302}) << Behaviour::answer << true << head;
        QTest::newRow("503 while starting")
            << QList<int>({503, 503, 200}) << Behaviour::answer << true << head;
        QTest::newRow("500 for good") << QList<int>({500}) << Behaviour::answer << false << head;
        QTest::newRow("HEAD dropped")
            << QList<int>({200}) << Behaviour::dropHead << true << QByteArrayList({"HEAD", "GET"});
        QTest::newRow("never answers")
            << QList<int>({200}) << Behaviour::neverAnswer << false << QByteArrayList({"HEAD", "GET"});
    }

    void statusDecidesReadiness()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(Behaviour, behaviour);
        QFETCH(bool, ready);
        QFETCH(QByteArrayList, expectedMethods);
        LoopbackHttpServer server(QHostAddress::LocalHost, statuses, behaviour);
        QVERIFY(server.listen());
        const std::optional<WorkspaceReadyEndpoint> result =
            wait(0.5, u" 127.0.0.1:%1 "_s.arg(server.port()));
        QCOMPARE(result,
                 ready ? std::optional(endpoint(u"http://127.0.0.1:%1"_s.arg(server.port()))) : std::nullopt);
        QCOMPARE(methods(server), expectedMethods);
        QCOMPARE(m_calls, ready ? 0 : 1);
        const qint64 requestMs = kRequest.count();
        if (behaviour == Behaviour::neverAnswer)
            QVERIFY(m_elapsed.elapsed() >= 2 * requestMs && m_elapsed.elapsed() < 3 * requestMs + 1000);
    }

    // localhost may be either loopback address; a server on either is found
    // and sees the name it was asked by (one that starts late: the store's).
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
        const QString url = u"http://LOCALHOST:%1/app"_s.arg(server.port());
        QCOMPARE(wait(6.0, url), endpoint(url));
        QVERIFY(m_elapsed.elapsed() < 2000);
        QCOMPARE(server.requests().first().host, u"localhost:%1"_s.arg(server.port()).toLatin1());
    }

    // The configured URL alone until the deadline, then every candidate once,
    // in order; the first that answers wins with its service.
    void candidatesAreTriedOnceAfterTheDeadline()
    {
        LoopbackHttpServer unready(QHostAddress::LocalHost, {503});
        LoopbackHttpServer web;
        LoopbackHttpServer api;
        QVERIFY(unready.listen() && web.listen() && api.listen());
        m_candidates = {endpoint(u"127.0.0.1:%1"_s.arg(unready.port())), endpoint(u"  "_s),
                        endpoint(localhost(web.port()), u"web"_s), endpoint(localhost(web.port()) + u" "_s),
                        endpoint(localhost(api.port()), u"api"_s)};
        QCOMPARE(wait(1.0, localhost(LoopbackHttpServer::freePort())), m_candidates.at(2));
        QVERIFY(m_elapsed.elapsed() >= 1000);
        QCOMPARE(m_calls, 1);
        QCOMPARE(unready.requests().size(), 1);
        QCOMPARE(web.requests().size(), 1);
        QVERIFY(api.requests().isEmpty());
        // A blank configured URL gives none at once, without candidates.
        QCOMPARE(wait(5.0, u" \n"_s), std::nullopt);
        QCOMPARE(m_calls, 1);
    }

    // The user kept a foreign process on the configured port: it must never
    // be taken for the project's server, though candidates are asked on
    // every pass.
    void foreignServerOnTheConfiguredPortIsLeftOut()
    {
        LoopbackHttpServer foreign;
        LoopbackHttpServer moved;
        QVERIFY(foreign.listen() && moved.listen());
        m_candidates = {endpoint(u"http://127.0.0.1:%1"_s.arg(foreign.port()), u"web"_s)};
        QCOMPARE(wait(1.0, localhost(foreign.port()), {foreign.port()}), std::nullopt);
        QVERIFY(m_elapsed.elapsed() >= 1000);
        QVERIFY(m_calls > 1);

        QTimer::singleShot(300, &moved, [this, &moved] {
            m_candidates.append(endpoint(localhost(moved.port()), u"web"_s));
        });
        const std::optional<WorkspaceReadyEndpoint> found =
            wait(1.0, localhost(foreign.port()), {foreign.port()});
        QCOMPARE(found, m_candidates.last());
        QVERIFY(foreign.requests().isEmpty());
    }

    void candidatesOfALog_data()
    {
        QTest::addColumn<QString>("configuredURL");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("coloured vite line")
            << u"http://localhost:3000"_s
            << u"  \u279C  \x1B[1mLocal\x1B[22m:   \x1B[36mhttp://localhost:\x1B[1m5173\x1B[22m/\x1B[39m"_s
            << QStringList(
                   {u"http://localhost:5173/"_s, u"http://127.0.0.1:5173"_s, u"http://localhost:5173"_s});
        QTest::newRow("configured path, query and fragment kept, configured port last")
            << u"localhost:5173/app?tab=1#top"_s
            << u"server ready on localhost:5173, listening on 127.0.0.1:4000"_s
            << QStringList(
                   {u"http://127.0.0.1:4000/app?tab=1#top"_s, u"http://localhost:4000/app?tab=1#top"_s,
                    u"http://127.0.0.1:5173/app?tab=1#top"_s, u"http://localhost:5173/app?tab=1#top"_s});
        QTest::newRow("port 80 of a configured URL without port")
            << u"http://localhost"_s << u"see http://localhost/ or http://localhost:5173"_s
            << QStringList({u"http://localhost:5173"_s, u"http://localhost/"_s});
        QTest::newRow("accented letter, or parenthesis, before the host")
            << u"http://localhost:8080"_s << u"\u00E9localhost:3000 (localhost:3001)"_s
            << QStringList({u"http://localhost:3001"_s});
        QTest::newRow("capitals stay") << u"http://localhost:3000"_s << u"Open HTTP://LOCALHOST:8080 now"_s
                                       << QStringList({u"HTTP://LOCALHOST:8080"_s});
        QTest::newRow("no-break space ends a url")
            << u"http://localhost:3000"_s << u"at http://localhost:3000/docs\u00A0(docs)"_s
            << QStringList({u"http://localhost:3000/docs"_s, u"http://localhost:3000"_s});
        QTest::newRow("list separators after urls")
            << u"http://localhost:3000"_s << u"Loopback: http://localhost:6101/, http://127.0.0.1:6102/x;"_s
            << QStringList({u"http://127.0.0.1:6102/x"_s, u"http://localhost:6101/"_s,
                            u"http://127.0.0.1:6102"_s, u"http://localhost:6101"_s});
        QTest::newRow("hyperlink target not read")
            << u"http://localhost:3000"_s << u"\x1B]8;;http://localhost:9999\x07here\x1B]8;;\x07"_s
            << QStringList();
        QTest::newRow("port out of range")
            << u"http://localhost:3000"_s << u"localhost:65536, localhost:00 and localhost:65535"_s
            << QStringList({u"http://localhost:65535"_s});
        QTest::newRow("no configured url")
            << QString() << u"ready at 0.0.0.0:4321"_s
            << QStringList({u"http://127.0.0.1:4321/"_s, u"http://localhost:4321/"_s});
    }

    void candidatesOfALog()
    {
        QFETCH(QString, configuredURL);
        QFETCH(QString, printed);
        QFETCH(QStringList, expected);
        QCOMPARE(candidateURLs({line(printed)}, kStart, configuredURL), expected);
    }

    // Raw candidates come in rule order, and the listening rule takes any
    // port of two to five digits as printed.
    void candidatesOfOneText()
    {
        QCOMPARE(candidateURLs(u"Local: http://localhost:5173/"_s, u"http://localhost:3000/"_s),
                 QStringList({u"http://localhost:5173/"_s, u"http://localhost:5173/"_s,
                              u"http://localhost:5173/"_s, u"http://127.0.0.1:5173/"_s}));
        QCOMPARE(candidateURLs(u"Listening on port localhost:99999"_s, u"http://localhost:3000"_s),
                 QStringList({u"http://localhost:99999"_s, u"http://127.0.0.1:99999"_s}));
        // Lines before the start do not count (the table's, dated exactly then, do).
        QVERIFY(candidateURLs({line(u"Local: http://localhost:4000/"_s)}, kStart.addSeconds(0.001), {})
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(WorkspaceReadinessTest)
#include "WorkspaceReadinessTest.moc"
