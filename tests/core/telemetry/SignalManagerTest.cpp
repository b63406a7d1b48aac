#include "core/telemetry/SignalManager.h"

#include "core/foundation/KeyValueStore.h"
#include "core/telemetry/CryptoHashing.h"
#include "support/FakeClock.h"
#include "support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

TelemetryParameters defaultPayload()
{
    return {{u"d"_s, u"default"_s}};
}

// A signal manager posting to a loopback ingest server, with its log.
struct ManagerRig {
    explicit ManagerRig(QList<int> statuses = {200}, test::LoopbackHttpServer::Behaviour behaviour =
                                                         test::LoopbackHttpServer::Behaviour::answer)
        : server(QHostAddress::LocalHost, std::move(statuses), behaviour)
    {
        server.listen();
        baseURL = QUrl(u"http://127.0.0.1:%1"_s.arg(server.port()));
    }

    SignalManager &start()
    {
        configuration =
            std::make_shared<TelemetryManagerConfiguration>(u"app"_s, u"salt"_s, baseURL, u"ns"_s);
        configuration->logHandler = LogHandler{
            LogHandler::LogLevel::debug, [this](LogHandler::LogLevel, const QString &line) { log << line; }};
        manager = std::make_unique<SignalManager>(
            configuration,
            SignalManagerServices{clock, &defaults, defaultPayload, dir.filePath(u"telemetrysignalcache"_s)});
        // The first attempt follows the loading of the cache, and arms the
        // send timer.
        QSignalSpy firstAttempt(manager.get(), &SignalManager::sendAttemptFinished);
        if (!timer().isActive())
            firstAttempt.wait(5000);
        return *manager;
    }

    void queue(int count)
    {
        for (int index = 0; index < count; ++index)
            manager->processSignal(u"s%1"_s.arg(sent++), {}, std::nullopt, std::nullopt);
    }

    QTimer &timer() { return *manager->findChild<QTimer *>(u"telemetrySendTimer"_s); }

    // Fires the send timer and waits until the attempt has ended.
    bool attempt()
    {
        QSignalSpy finished(manager.get(), &SignalManager::sendAttemptFinished);
        QMetaObject::invokeMethod(&timer(), "timeout");
        return !finished.isEmpty() || finished.wait(5000);
    }

    QJsonArray batch(int index) const
    {
        return QJsonDocument::fromJson(server.requests().at(index).body).array();
    }

    QTemporaryDir dir;
    test::FakeClock clock;
    MemoryKeyValueStore defaults;
    test::LoopbackHttpServer server;
    QUrl baseURL;
    std::shared_ptr<TelemetryManagerConfiguration> configuration;
    std::unique_ptr<SignalManager> manager;
    QStringList log;
    int sent = 0;
};

} // namespace

class SignalManagerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serviceUrls()
    {
        const auto url = [](const QString &base, const std::optional<QString> &space) {
            const auto built = SignalManager::serviceUrl(QUrl(base), space);
            return built ? built->toString() : QString();
        };
        QCOMPARE(url(u"https://ingest.example"_s, u"N"_s), u"https://ingest.example/v2/namespace/N/"_s);
        QCOMPARE(url(u"https://ingest.example/"_s, QString()), u"https://ingest.example/v2/"_s);
        QCOMPARE(url(u"http://127.0.0.1:9/x"_s, std::nullopt), u"http://127.0.0.1:9/x/v2/"_s);
        QCOMPARE(url(u"file:///tmp"_s, std::nullopt), QString());
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("leftInCache");
        QTest::addColumn<int>("nextWait");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("200") << 200 << 0 << 10000 << QString();
        for (const int status : {400, 401, 403, 404, 413, 422, 501, 505})
            QTest::addRow("%d", status)
                << status << 0 << 10000 << u"Dropping 3 signal(s): rejected by server "_s;
        for (const int status : {500, 429, 302, 402})
            QTest::addRow("%d", status)
                << status << 3 << 20000
                << u"Failed to send events (status %1), will try again later"_s.arg(status);
    }

    void answers()
    {
        QFETCH(int, status);
        QFETCH(int, leftInCache);
        QFETCH(int, nextWait);
        QFETCH(QString, logLine);
        ManagerRig rig({status});
        rig.start();
        QVERIFY(rig.attempt());
        QVERIFY2(rig.server.requests().isEmpty(), "an empty cache makes no request");
        QCOMPARE(rig.timer().interval(), 10000);
        rig.queue(3);
        QVERIFY(rig.attempt());
        QCOMPARE(rig.server.requests().size(), 1);
        QCOMPARE(rig.manager->cachedSignalCount(), leftInCache);
        QCOMPARE(rig.timer().interval(), nextWait);
        if (!logLine.isEmpty())
            QVERIFY2(!rig.log.filter(logLine).filter(QString::number(status)).isEmpty(),
                     qPrintable(rig.log.join(u'\n')));
    }

    void failuresBackOffUpToTheCapAndASuccessResets()
    {
        ManagerRig rig({500, 503, 500, 500, 500, 500, 500, 200});
        rig.start();
        rig.queue(1);
        QList<int> waits;
        for (int attempt = 0; attempt < 8; ++attempt) {
            QVERIFY(rig.attempt());
            waits << rig.timer().interval() / 1000;
        }
        QCOMPARE(waits, (QList<int>{20, 40, 80, 160, 300, 300, 300, 10}));
        QCOMPARE(rig.server.requests().size(), 8);
        QCOMPARE(rig.manager->cachedSignalCount(), 0);
    }

    void unreachableEndpointsKeepTheBatch_data()
    {
        QTest::addColumn<QUrl>("base");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("refused") << QUrl(u"http://127.0.0.1:%1"_s.arg(test::LoopbackHttpServer::freePort()))
                                 << u"Connection refused"_s;
        QTest::newRow("no URL") << QUrl() << u"Unable to construct signal API URL for namespace ns"_s;
    }

    void unreachableEndpointsKeepTheBatch()
    {
        QFETCH(QUrl, base);
        QFETCH(QString, logLine);
        ManagerRig rig;
        rig.baseURL = base;
        rig.start();
        rig.queue(2);
        QVERIFY(rig.attempt());
        QCOMPARE(rig.manager->cachedSignalCount(), 2);
        QCOMPARE(rig.timer().interval(), 20000);
        QVERIFY2(!rig.log.filter(logLine).isEmpty(), qPrintable(rig.log.join(u'\n')));
    }

    void aFailedBatchGoesBehindNewerSignals()
    {
        ManagerRig rig({500, 200});
        rig.start();
        rig.queue(1);
        QSignalSpy finished(rig.manager.get(), &SignalManager::sendAttemptFinished);
        QMetaObject::invokeMethod(&rig.timer(), "timeout");
        rig.queue(1);
        QVERIFY(finished.wait(5000));
        QVERIFY(rig.attempt());
        const QJsonArray second = rig.batch(1);
        QCOMPARE(second.at(0).toObject().value(u"type"_s).toString(), u"s1"_s);
        QCOMPARE(second.at(1).toObject().value(u"type"_s).toString(), u"s0"_s);
    }

    void requestsCarryTheMergedPayloadAndTheHashedUser()
    {
        ManagerRig rig;
        SignalManager &manager = rig.start();
        rig.configuration->metadataEnrichers = {
            [](const QString &, const std::optional<QString> &, std::optional<double>) {
                return TelemetryParameters{{u"d"_s, u"enricher"_s}, {u"p"_s, u"enricher"_s}};
            }};
        manager.processSignal(u"first"_s, {{u"p"_s, u"own"_s}}, qInf(), std::nullopt);
        manager.processSignal(u"second"_s, {}, 2.5, u"custom"_s);
        QVERIFY(rig.attempt());
        const auto &request = rig.server.requests().at(0);
        QCOMPARE(request.method, "POST");
        QCOMPARE(request.contentType, "application/json");
        const QJsonObject first = rig.batch(0).at(0).toObject();
        const QJsonObject payload = first.value(u"payload"_s).toObject();
        QCOMPARE(payload.value(u"d"_s).toString(), u"enricher"_s);
        QCOMPARE(payload.value(u"p"_s).toString(), u"own"_s);
        QVERIFY(!first.contains(u"floatValue"_s));
        // Without a default user one is made and stored.
        const QString stored = rig.defaults.stringValue(u"defaultUserIdentifier"_s);
        QCOMPARE(first.value(u"clientUser"_s).toString(), CryptoHashing::sha256(stored, u"salt"_s));
        QCOMPARE(first.value(u"sessionID"_s).toString(),
                 rig.configuration->sessionID().toString(QUuid::WithoutBraces).toUpper());
        const QJsonObject second = rig.batch(0).at(1).toObject();
        QCOMPARE(second.value(u"floatValue"_s).toDouble(), 2.5);
        QCOMPARE(second.value(u"clientUser"_s).toString(), CryptoHashing::sha256(u"custom"_s, u"salt"_s));
    }

    void batchesGoThroughTheConfiguredSession()
    {
        // The host does not resolve here; only the session's proxy reaches it.
        ManagerRig rig;
        rig.baseURL = QUrl(u"http://ingest.invalid"_s);
        rig.start();
        QNetworkAccessManager session;
        session.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, rig.server.port()));
        rig.configuration->urlSession = &session;
        rig.queue(1);
        QVERIFY(rig.attempt());
        QCOMPARE(rig.server.requests().size(), 1);
        QCOMPARE(rig.server.requests().at(0).target, "http://ingest.invalid/v2/namespace/ns/");
        QCOMPARE(rig.manager->cachedSignalCount(), 0);
    }

    void theBatchInFlightAtQuitIsSentOnTheNextStart()
    {
        ManagerRig rig({200}, test::LoopbackHttpServer::Behaviour::neverAnswer);
        rig.start();
        rig.queue(3);
        QSignalSpy received(&rig.server, &test::LoopbackHttpServer::requestReceived);
        QMetaObject::invokeMethod(&rig.timer(), "timeout");
        QVERIFY(received.wait(5000));
        rig.queue(1);
        rig.manager->applicationWillTerminate();
        rig.manager.reset();

        ManagerRig next;
        QDir(rig.dir.path()).rename(u"telemetrysignalcache"_s, next.dir.filePath(u"telemetrysignalcache"_s));
        next.start();
        QStringList types;
        for (const QJsonValue &signal : next.batch(0))
            types << signal.toObject().value(u"type"_s).toString();
        QCOMPARE(types, (QStringList{u"s0"_s, u"s1"_s, u"s2"_s, u"s3"_s}));
    }
};

QTEST_GUILESS_MAIN(SignalManagerTest)
#include "SignalManagerTest.moc"
