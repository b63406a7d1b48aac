#include "core/telemetry/Telemetry.h"

#include "core/telemetry/SignalManager.h"
#include "support/FakeClock.h"
#include "support/LoopbackHttpServer.h"
#include "support/TelemetryDoubles.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// A telemetry client whose signals end in its cache file, read back by the
// test; it sends nowhere unless given a base URL.
struct TelemetryRig {
    TelemetryRig() : telemetry({clock, activity, display, SystemFacts(), dir.path(), cachePath()}) {}

    QString cachePath() const { return dir.filePath(u"cache/telemetrysignalcache"_s); }

    TelemetryManagerConfiguration &initialize(QUrl baseURL = QUrl())
    {
        auto configuration = std::make_shared<TelemetryManagerConfiguration>(u"app"_s, std::nullopt, baseURL);
        configuration->logHandler = LogHandler{
            LogHandler::LogLevel::info, [this](LogHandler::LogLevel, const QString &line) { log << line; }};
        telemetry.initialize(configuration);
        log.clear();
        return *configuration;
    }

    // The signals the client queued, as the cache file holds them.
    QList<QJsonObject> queued()
    {
        telemetry.applicationWillTerminate();
        QList<QJsonObject> bodies;
        const QJsonArray array = QJsonDocument::fromJson(test::readFile(cachePath())).array();
        for (const QJsonValue &body : array)
            bodies.append(body.toObject());
        return bodies;
    }

    QJsonObject onlySignal()
    {
        const QList<QJsonObject> bodies = queued();
        return bodies.size() == 1 ? bodies.first() : QJsonObject();
    }

    QTemporaryDir dir;
    test::FakeClock clock;
    test::ManualActivity activity;
    test::FixedDisplayFacts display;
    QStringList log;
    Telemetry telemetry;
};

QString payloadValue(const QJsonObject &body, const QString &key)
{
    return body.value(u"payload"_s).toObject().value(key).toString(u"absent"_s);
}

} // namespace

class TelemetryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void beforeInitializeNothingHappens()
    {
        TelemetryRig rig;
        test::writeFile(rig.cachePath(), "[]");
        rig.telemetry.signal(u"a"_s);
        rig.telemetry.generateNewSession();
        rig.telemetry.requestImmediateSync();
        rig.telemetry.startDurationSignal(u"d"_s);
        rig.telemetry.stopAndSendDurationSignal(u"d"_s);
        rig.telemetry.applicationWillTerminate();
        QVERIFY(!rig.telemetry.customDefaults());
        QCOMPARE(test::readFile(rig.cachePath()), "[]");
        QVERIFY(rig.telemetry.findChildren<QTimer *>().isEmpty());
    }

    void namesArePrefixedAndReservedOnesReported_data()
    {
        // Prefixes are "signal|parameter", what was sent "name|key".
        QTest::addColumn<QString>("prefixes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("warning");
        QTest::newRow("prefixed name") << u"App.|"_s << u"type"_s << u"k"_s << u"App.type|k"_s << QString();
        QTest::newRow("reserved prefix")
            << u"|"_s << u"Telemetry.Custom"_s << u"k"_s << u"Telemetry.Custom|k"_s
            << u"Sending signal with reserved prefix 'Telemetry.'"_s;
        QTest::newRow("reserved name")
            << u"|"_s << u"Type"_s << u"k"_s << u"Type|k"_s << u"Sending signal with reserved name 'Type'"_s;
        QTest::newRow("reserved key") << u"|"_s << u"a"_s << u"locale"_s << u"a|locale"_s
                                      << u"Sending parameter with reserved key 'locale'"_s;
        QTest::newRow("prefixed key")
            << u"|app."_s << u"a"_s << u"locale"_s << u"a|app.locale"_s << QString();
        QTest::newRow("client key kept") << u"|app."_s << u"a"_s << u"Telemetry.x"_s << u"a|Telemetry.x"_s
                                         << u"Sending parameter with reserved key prefix"_s;
    }

    void namesArePrefixedAndReservedOnesReported()
    {
        QFETCH(QString, prefixes);
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(QString, sent);
        QFETCH(QString, warning);
        TelemetryRig rig;
        TelemetryManagerConfiguration &configuration = rig.initialize();
        if (!prefixes.section(u'|', 0, 0).isEmpty())
            configuration.defaultSignalPrefix = prefixes.section(u'|', 0, 0);
        if (!prefixes.section(u'|', 1).isEmpty())
            configuration.defaultParameterPrefix = prefixes.section(u'|', 1);
        rig.telemetry.signal(name, {{key, u"v"_s}});
        const QJsonObject body = rig.onlySignal();
        QCOMPARE(body.value(u"type"_s).toString() + u'|' + payloadValue(body, sent.section(u'|', 1)),
                 sent.section(u'|', 0, 0) + u"|v"_s);
        const QStringList warnings = rig.log.filter(u"reserved"_s);
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty())
            QVERIFY2(warnings.first().startsWith(warning), qPrintable(warnings.first()));
    }

    void defaultParametersAreCheckedEvenWithWarningsOff()
    {
        TelemetryRig rig;
        TelemetryManagerConfiguration &configuration = rig.initialize();
        configuration.reservedParameterWarningsEnabled = false;
        configuration.defaultParameters = [] {
            return TelemetryParameters{{u"locale"_s, u"d"_s}, {u"k"_s, u"d"_s}};
        };
        rig.telemetry.signal(u"Type"_s, {{u"k"_s, u"own"_s}});
        QCOMPARE(rig.log.filter(u"reserved"_s),
                 QStringList{u"Sending parameter with reserved key 'locale' will cause "
                             u"unexpected behavior. Please use another key instead."_s});
        QCOMPARE(payloadValue(rig.onlySignal(), u"k"_s), u"own"_s);
    }

    void theFirstSessionBeginsHalfASecondAfterSetUp()
    {
        TelemetryRig rig;
        TelemetryManagerConfiguration &configuration = rig.initialize();
        auto *timer = rig.telemetry.findChild<QTimer *>(u"telemetryFirstSessionTimer"_s);
        QVERIFY(timer && timer->isSingleShot());
        QCOMPARE(timer->interval(), 500);
        QMetaObject::invokeMethod(timer, "timeout");
        const QList<QJsonObject> sent = rig.queued();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).value(u"type"_s).toString(), u"Telemetry.Acquisition.newInstallDetected"_s);
        QCOMPARE(payloadValue(sent.at(0), u"Telemetry.Acquisition.firstSessionDate"_s),
                 rig.clock.now().toDateTime().toLocalTime().date().toString(Qt::ISODate));
        QCOMPARE(sent.at(1).value(u"type"_s).toString(), u"Telemetry.Session.started"_s);
        QCOMPARE(sent.at(1).value(u"sessionID"_s).toString(),
                 configuration.sessionID().toString(QUuid::WithoutBraces).toUpper());
    }

    void immediateSyncsAreSpacedByTheTransmitInterval()
    {
        test::LoopbackHttpServer server;
        QVERIFY(server.listen());
        TelemetryRig rig;
        rig.initialize(QUrl(u"http://127.0.0.1:%1"_s.arg(server.port())));
        auto *manager = rig.telemetry.findChild<SignalManager *>();
        for (const double wait : {0.0, 5.0, 6.0}) {
            rig.clock.advance(wait);
            rig.telemetry.signal(u"a"_s);
            QSignalSpy finished(manager, &SignalManager::sendAttemptFinished);
            rig.telemetry.requestImmediateSync();
            // Within the interval nothing may be sent at all.
            QCOMPARE(finished.wait(wait == 5.0 ? 300 : 5000), wait != 5.0);
        }
        QCOMPARE(QJsonDocument::fromJson(server.requests().at(1).body).array().size(), 2);
        QCOMPARE(server.requests().size(), 2);
    }

    void durationsCountActiveTimeUnlessAsked_data()
    {
        QTest::addColumn<bool>("includeBackgroundTime");
        QTest::addColumn<QString>("duration");
        QTest::newRow("active time") << false << u"15.234"_s;
        QTest::newRow("wall clock") << true << u"75.234"_s;
    }

    void durationsCountActiveTimeUnlessAsked()
    {
        QFETCH(bool, includeBackgroundTime);
        QFETCH(QString, duration);
        TelemetryRig rig;
        rig.initialize();
        rig.telemetry.startDurationSignal(u"task"_s, {{u"k"_s, u"start"_s}}, includeBackgroundTime);
        rig.telemetry.startDurationSignal(u"cancelled"_s);
        rig.clock.advance(5.0);
        rig.activity.resign();
        rig.clock.advance(60.0);
        rig.activity.activate();
        rig.clock.advance(10.23456);
        rig.telemetry.cancelDurationSignal(u"cancelled"_s);
        rig.telemetry.stopAndSendDurationSignal(u"cancelled"_s);
        rig.telemetry.stopAndSendDurationSignal(u"never started"_s);
        rig.telemetry.stopAndSendDurationSignal(u"task"_s, {{u"k"_s, u"stop"_s}}, 3.0);
        const QJsonObject sent = rig.onlySignal();
        QCOMPARE(sent.value(u"floatValue"_s).toDouble(), 3.0);
        QCOMPARE(payloadValue(sent, u"Telemetry.Signal.durationInSeconds"_s), duration);
        QCOMPARE(payloadValue(sent, u"k"_s), u"stop"_s);
    }

    void purchasesAreReportedInDollars()
    {
        TelemetryRig rig;
        rig.initialize();
        StoreTransaction purchase;
        purchase.price = 9.99;
        for (const QString &currency : {u"EUR"_s, u"XYZ"_s}) {
            purchase.currencyCode = currency;
            rig.telemetry.purchaseCompleted(purchase);
        }
        const QList<QJsonObject> sent = rig.queued();
        QCOMPARE(sent.at(0).value(u"type"_s).toString(), u"Telemetry.Purchase.completed"_s);
        QCOMPARE(payloadValue(sent.at(0), u"Telemetry.Purchase.type"_s), u"one-time-purchase"_s);
        QCOMPARE(sent.at(0).value(u"floatValue"_s).toDouble(), 9.99 / 0.9533);
        QCOMPARE(sent.at(1).value(u"floatValue"_s).toDouble(), 0.0);
    }

    void aFreeTrialIsWatchedUntilItConverts_data()
    {
        QTest::addColumn<bool>("revoked");
        QTest::addColumn<QStringList>("types");
        QTest::newRow("converted") << false
                                   << QStringList{u"Telemetry.Purchase.freeTrialStarted"_s,
                                                  u"Telemetry.Purchase.convertedFromTrial"_s};
        QTest::newRow("refunded") << true << QStringList{u"Telemetry.Purchase.freeTrialStarted"_s};
    }

    void aFreeTrialIsWatchedUntilItConverts()
    {
        QFETCH(bool, revoked);
        QFETCH(QStringList, types);
        TelemetryRig rig;
        rig.initialize();
        StoreTransaction trial;
        trial.productID = u"pro"_s;
        trial.originalID = (quint64(1) << 60) + 1;
        trial.isAutoRenewable = trial.isIntroductoryOffer = trial.isFreeTrialPayment = trial.isVerified =
            true;
        trial.subscriptionGroupID = u"g"_s;
        rig.telemetry.purchaseCompleted(trial);
        QVERIFY(rig.telemetry.customDefaults()->contains(u"lastTrial"_s));

        StoreTransaction renewal = trial;
        renewal.isIntroductoryOffer = renewal.isFreeTrialPayment = false;
        renewal.price = 5.0;
        renewal.currencyCode = u"USD"_s;
        if (revoked)
            renewal.revocationDate = rig.clock.now();
        StoreTransaction other = renewal;
        other.originalID += 1;
        Q_EMIT rig.telemetry.transactionUpdates().transactionUpdated(other);
        Q_EMIT rig.telemetry.transactionUpdates().transactionUpdated(trial);
        Q_EMIT rig.telemetry.transactionUpdates().transactionUpdated(renewal);
        Q_EMIT rig.telemetry.transactionUpdates().transactionUpdated(renewal);
        QVERIFY(!rig.telemetry.customDefaults()->contains(u"lastTrial"_s));
        QStringList sentTypes;
        for (const QJsonObject &body : rig.queued())
            sentTypes << body.value(u"type"_s).toString();
        QCOMPARE(sentTypes, types);
    }
};

QTEST_GUILESS_MAIN(TelemetryTest)
#include "TelemetryTest.moc"
