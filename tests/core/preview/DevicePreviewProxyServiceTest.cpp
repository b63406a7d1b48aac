#include "core/preview/DevicePreviewProxyService.h"

#include "ProxyRig.h"
#include "core/foundation/BootTimeTimer.h"
#include "core/preview/DevicePreviewReachabilityProbe.h"
#include "support/FakeClock.h"
#include "support/LoopbackHttpServer.h"

#include <QCoroTask>
#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;
using Reason = DevicePreviewFailureReason;

namespace {

class PreviewStartSignals final : public AnalyticsService {
public:
    void configureIfNeeded() override {}
    void signal(AnalyticsEvent event, const QHash<QString, QString> &parameters) override
    {
        if (event == AnalyticsEvent::devicePreviewStarted)
            targetCounts.append(parameters.value(u"configured-target-count"_s));
    }
    QStringList targetCounts;
};

DevicePreviewTarget target(const QString &url, bool replacesReferences = false)
{
    return {url, QUrl(url), replacesReferences, {}};
}

QByteArray fetch(const QUrl &url)
{
    return deviceExchange(static_cast<quint16>(url.port()),
                          "GET " + url.path().toUtf8() + " HTTP/1.1\r\n\r\n");
}

} // namespace

class DevicePreviewProxyServiceTest : public QObject {
    Q_OBJECT

    QList<DevicePreviewTarget> activate(QList<DevicePreviewTarget> targets, const QUuid &projectID)
    {
        return QCoro::waitFor(m_service->proxiedTargets(std::move(targets), projectID));
    }

    std::unique_ptr<LoopbackHttpServer> m_server;
    LoopbackInterfaces m_interfaces;
    PreviewStartSignals m_analytics;
    FakeClock m_clock;
    ScriptedPowerEvents m_power;
    DevicePreviewReachabilityProbe m_probe{std::chrono::milliseconds(500)};
    std::unique_ptr<DevicePreviewProxyService> m_service;

private Q_SLOTS:
    void init()
    {
        m_server = LoopbackHttpServer::listeningDevServer();
        QVERIFY(m_server);
        m_interfaces.list = {{u"test0"_s, u"127.0.0.1"_s}};
        m_analytics.targetCounts.clear();
        m_service = std::make_unique<DevicePreviewProxyService>(
            DevicePreviewProxyServices{m_analytics, m_interfaces, m_probe, m_clock, m_power}, testLimits());
    }

    void sharedProxiesAndSwitchingOff()
    {
        const QUuid first = QUuid::createUuid();
        const QUuid second = QUuid::createUuid();
        const QString page = m_server->origin() + u"/page"_s;
        const QList<DevicePreviewTarget> one = activate({target(page), target(u"file:///no-host"_s)}, first);
        QCOMPARE(one.size(), 2);
        QCOMPARE(one[0].candidates.size(), 1);
        QVERIFY(one[1].candidates.isEmpty()); // no host, no proxy; the project is active all the same
        const QUrl lanURL = one[0].candidates[0].url;
        QCOMPARE(lanURL.path(), u"/page"_s);
        QCOMPARE(activate({target(m_server->origin())}, second)[0].candidates[0].url.port(), lanURL.port());
        QCOMPARE(m_analytics.targetCounts, QStringList({u"2"_s, u"1"_s}));

        // Refreshing an active project sends nothing and checks it again.
        activate({target(page)}, first);
        QCOMPARE(m_analytics.targetCounts.size(), 2);
        QCOMPARE(m_service->healthByProjectID().value(first), DevicePreviewHealthSummary::checking());

        m_service->deactivate(first);
        QVERIFY(fetch(lanURL).startsWith("HTTP/1.1 200 ")); // still serving the second project
        QCOMPARE(activate({}, second), QList<DevicePreviewTarget>());
        QVERIFY(m_service->activeProjectIDs().isEmpty() && m_service->healthByProjectID().isEmpty());
        QCOMPARE(fetch(lanURL), QByteArray());
        QCOMPARE(m_analytics.targetCounts.size(), 2);
        QVERIFY(!m_service->findChild<BootTimeTimer *>(u"devicePreviewHealth"_s));
    }

    void activationsThatOverlap()
    {
        const QUuid first = QUuid::createUuid();
        const QUuid second = QUuid::createUuid();
        // Two activations of one origin while its proxy starts share one listener.
        auto a = m_service->proxiedTargets({target(m_server->origin())}, first);
        auto b = m_service->proxiedTargets({target(m_server->origin() + u"/x"_s)}, second);
        const QList<DevicePreviewTarget> fromA = QCoro::waitFor(std::move(a));
        const QList<DevicePreviewTarget> fromB = QCoro::waitFor(std::move(b));
        QCOMPARE(fromA[0].candidates[0].url.port(), fromB[0].candidates[0].url.port());

        // Switched off while its proxy starts: the port is forgotten, no health loop runs.
        const QUuid third = QUuid::createUuid();
        auto late = m_service->proxiedTargets({target(u"http://127.0.0.1:9/"_s)}, third);
        m_service->deactivate(third);
        QVERIFY(QCoro::waitFor(std::move(late))[0].candidates.isEmpty());
        QVERIFY(!m_service->activeProjectIDs().contains(third));
        QCOMPARE(m_service->findChildren<BootTimeTimer *>(u"devicePreviewHealth"_s).size(), 2);

        // Two starts that settle in one turn, each awaited: both activations end, once each.
        auto fourth = m_service->proxiedTargets({target(u"http://127.0.0.1:9/"_s)}, QUuid::createUuid());
        auto fifth = m_service->proxiedTargets({target(u"http://127.0.0.1:10/"_s)}, QUuid::createUuid());
        m_service->deactivateAll();
        QVERIFY(QCoro::waitFor(std::move(fourth))[0].candidates.isEmpty());
        QVERIFY(QCoro::waitFor(std::move(fifth))[0].candidates.isEmpty());
        // A resume queued for a wait that has already ended would come now.
        QCoreApplication::sendPostedEvents();
    }

    void rewriteListsFollowTheInterfaces()
    {
        m_interfaces.list = {{u"test0"_s, u"127.0.0.1"_s}, {u"test1"_s, u"127.0.0.2"_s}};
        const QList<DevicePreviewTarget> targets =
            activate({target(m_server->origin(), true)}, QUuid::createUuid());
        QCOMPARE(targets[0].candidates.size(), 2);
        const QUrl first = targets[0].candidates[0].url;
        const QUrl second = targets[0].candidates[1].url;
        const QByteArray firstOrigin = "http://127.0.0.1:" + QByteArray::number(first.port());
        // Bodies name the first interface only, whichever address the device used.
        const QByteArray link = "href=\"" + firstOrigin + "/about\"";
        QTRY_VERIFY(fetch(second.resolved(QUrl(u"/page"_s))).contains(link));
        // Headers map the origin for every interface: a request naming the second
        // reaches the dev server with the local origin.
        const QByteArray echoed = deviceExchange(static_cast<quint16>(second.port()),
                                                 "GET /echo HTTP/1.1\r\nOrigin: http://127.0.0.2:" +
                                                     QByteArray::number(second.port()) + "\r\n\r\n");
        QVERIFY2(echoed.contains(QByteArray("Origin: " + firstOrigin + "\r\n")), echoed.constData());
    }

    void healthChecks()
    {
        const QUuid projectID = QUuid::createUuid();
        DevProject project;
        project.id = projectID;
        project.localhostURL = m_server->origin() + u"/page"_s;
        project.services = {{QUuid::createUuid(), u"api"_s, u"run"_s,
                             u"http://127.0.0.1:"_s + QString::number(LoopbackHttpServer::freePort())}};
        // Inactive: nothing happens.
        QCoro::waitFor(m_service->refreshIfActive(project, {}));
        QVERIFY(m_service->healthByProjectID().isEmpty());

        activate({target(m_server->origin())}, projectID);
        QCoro::waitFor(m_service->refreshIfActive(project, {}));
        QCOMPARE(m_service->healthByProjectID().value(projectID), DevicePreviewHealthSummary::result(1, 2));
        QCOMPARE(m_service->lastHealthCheckByProjectID().value(projectID), m_clock.now());

        // The periodic pass goes through checking to a result, and keeps its one timer.
        m_server.reset();
        auto *timer = m_service->findChild<BootTimeTimer *>(u"devicePreviewHealth"_s);
        QVERIFY(timer && timer->isActive() && timer->interval() == 30s && timer->countsSleep());
        timer->stop();
        QMetaObject::invokeMethod(timer, "timeout"); // as if 30 s had passed
        QCOMPARE(m_service->healthByProjectID().value(projectID), DevicePreviewHealthSummary::checking());
        QTRY_COMPARE(m_service->healthByProjectID().value(projectID),
                     DevicePreviewHealthSummary::result(0, 2));
        QTRY_VERIFY(timer->isActive()); // the next pass 30 s after this one
        QCOMPARE(m_service->findChildren<BootTimeTimer *>(u"devicePreviewHealth"_s).size(), 1);

        // A result arriving after the switch-off is dropped.
        m_service->deactivate(projectID);
        m_service->updateHealth(projectID, {});
        QVERIFY(m_service->healthByProjectID().isEmpty() &&
                m_service->lastHealthCheckByProjectID().isEmpty());
    }

    // After a sleep the health shown is as old as the sleep: a wake starts
    // every pending check at once, and none that is already under way.
    void aWakeStartsPendingChecks()
    {
        const QUuid first = QUuid::createUuid();
        const QUuid second = QUuid::createUuid();
        const QUuid off = QUuid::createUuid();
        activate({target(m_server->origin() + u"/page"_s)}, first);
        activate({target(m_server->origin() + u"/missing"_s)}, second);
        activate({target(m_server->origin() + u"/redirect"_s)}, off);
        m_service->deactivate(off);
        QCOMPARE(m_service->healthByProjectID().value(first), DevicePreviewHealthSummary::checking());
        const auto requestsFor = [this](const QByteArray &path) {
            return std::count_if(m_server->requests().begin(), m_server->requests().end(),
                                 [&path](const auto &request) { return request.target == path; });
        };

        Q_EMIT m_power.didWake();
        QTRY_COMPARE(m_service->healthByProjectID().value(first), DevicePreviewHealthSummary::result(1, 1));
        QTRY_COMPARE(m_service->healthByProjectID().value(second), DevicePreviewHealthSummary::result(1, 1));
        QCOMPARE(requestsFor("/page"), 1);
        QCOMPARE(requestsFor("/missing"), 1);
        QCOMPARE(requestsFor("/redirect"), 0);
        for (BootTimeTimer *timer : m_service->findChildren<BootTimeTimer *>(u"devicePreviewHealth"_s))
            QTRY_VERIFY(timer->isActive()); // the next pass 30 s after this one

        // A second wake while the first one's check runs adds none (one
        // project, so that no probe meets the proxy's per-address cap).
        m_service->deactivate(second);
        // Checks begun and ended, as the first project's health shows them.
        int begun = 0;
        int ended = 0;
        const QObject counting;
        connect(m_service.get(), &DevicePreviewProxyService::previewStateChanged, &counting, [&] {
            ++(m_service->healthByProjectID().value(first) == DevicePreviewHealthSummary::checking() ? begun
                                                                                                     : ended);
        });
        Q_EMIT m_power.didWake();
        QCOMPARE(m_service->healthByProjectID().value(first), DevicePreviewHealthSummary::checking());
        Q_EMIT m_power.didWake();
        // Every check has ended, and each made its request before.
        QTRY_VERIFY(ended == begun);
        QCOMPARE(m_service->healthByProjectID().value(first), DevicePreviewHealthSummary::result(1, 1));
        QCOMPARE(requestsFor("/page"), 2);
    }

    void probe_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<DevicePreviewReachability>("expected");
        const auto unavailable = [](Reason::Kind kind) {
            return DevicePreviewReachability::unavailable(Reason::of(kind));
        };
        QTest::newRow("page") << u"/page"_s << DevicePreviewReachability::available();
        QTest::newRow("404 answers") << u"/missing"_s << DevicePreviewReachability::available();
        QTest::newRow("redirect not followed") << u"/redirect"_s << DevicePreviewReachability::available();
        QTest::newRow("500") << u"/fail"_s << DevicePreviewReachability::unavailable(Reason::httpStatus(500));
        // The dev server's own answers, however odd, say it is up.
        for (const int status : {400, 407, 418, 499})
            QTest::addRow("%d passed on", status)
                << u"/status/"_s + QString::number(status) << DevicePreviewReachability::available();
        QTest::newRow("proxy timed out") << u"/slow"_s << unavailable(Reason::Kind::timeout);
        QTest::newRow("unknown proxy error") << u"/odd-proxy-error"_s << unavailable(Reason::Kind::network);
        QTest::newRow("dev server stopped") << u"stopped"_s << unavailable(Reason::Kind::connectionRefused);
        QTest::newRow("nothing listens") << u"closed"_s << unavailable(Reason::Kind::connectionRefused);
        QTest::newRow("never answers") << u"silent"_s << unavailable(Reason::Kind::timeout);
    }

    void probe()
    {
        QFETCH(QString, path);
        QFETCH(DevicePreviewReachability, expected);
        LoopbackHttpServer silent(QHostAddress::LocalHost, {200}, LoopbackHttpServer::Behaviour::neverAnswer);
        QVERIFY(silent.listen());
        const QString free = QString::number(LoopbackHttpServer::freePort());
        const ProxyRig rig(path == u"stopped" ? u"http://127.0.0.1:"_s + free : m_server->origin());
        QString url =
            u"http://127.0.0.1:"_s + QString::number(rig.port) + (path == u"stopped" ? u"/"_s : path);
        if (path == u"closed")
            url = u"http://127.0.0.1:"_s + free;
        else if (path == u"silent")
            url = silent.origin();
        const DevicePreviewCandidate candidate{u"test0"_s, u"127.0.0.1"_s, QUrl(url)};
        QCOMPARE(QCoro::waitFor(m_probe.reachability(candidate)), expected);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewProxyServiceTest)
#include "DevicePreviewProxyServiceTest.moc"
