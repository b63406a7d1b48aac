#include "core/telemetry/Telemetry.h"

#include "core/telemetry/CryptoHashing.h"
#include "core/telemetry/SignalManager.h"
#include "support/LoopbackHttpServer.h"
#include "support/TelemetryRig.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

using test::payloadValue;
using test::TelemetryRig;

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
        QVERIFY(rig.firstSessionArmed && timer && timer->isSingleShot());
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

    void assigningASessionBeginsOneAsTheSwitchesAllow_data()
    {
        QTest::addColumn<bool>("sessionStats");
        QTest::addColumn<bool>("startedSignal");
        QTest::addColumn<QStringList>("types");
        QTest::newRow("both") << true << true
                              << QStringList{u"Telemetry.Acquisition.newInstallDetected"_s,
                                             u"Telemetry.Session.started"_s};
        QTest::newRow("no session stats") << false << true << QStringList{u"Telemetry.Session.started"_s};
        QTest::newRow("neither") << false << false << QStringList();
    }

    void assigningASessionBeginsOneAsTheSwitchesAllow()
    {
        QFETCH(bool, sessionStats);
        QFETCH(bool, startedSignal);
        QFETCH(QStringList, types);
        TelemetryRig rig;
        TelemetryManagerConfiguration &configuration = rig.initialize();
        configuration.sessionStatsEnabled = sessionStats;
        configuration.sendNewSessionBeganSignal = startedSignal;
        // The same identifier again begins a session all the same.
        configuration.setSessionID(configuration.sessionID());
        QStringList sent;
        for (const QJsonObject &body : rig.queued())
            sent << body.value(u"type"_s).toString();
        QCOMPARE(sent, types);
    }

    void aPreviewDropsEverySignal_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<std::optional<bool>>("setting");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("preview") << QByteArray("1") << std::optional<bool>() << true;
        QTest::newRow("another value") << QByteArray("true") << std::optional<bool>() << false;
        QTest::newRow("no variable") << QByteArray() << std::optional<bool>() << false;
        QTest::newRow("set off in a preview") << QByteArray("1") << std::optional(false) << false;
        QTest::newRow("set on") << QByteArray() << std::optional(true) << true;
    }

    void aPreviewDropsEverySignal()
    {
        QFETCH(QByteArray, variable);
        QFETCH(std::optional<bool>, setting);
        QFETCH(bool, dropped);
        const auto previewVariable = qScopeGuard([] { qunsetenv("XCODE_RUNNING_FOR_PREVIEWS"); });
        if (!variable.isNull())
            qputenv("XCODE_RUNNING_FOR_PREVIEWS", variable);
        TelemetryRig rig;
        rig.initialize(QUrl(), [&setting](TelemetryManagerConfiguration &configuration) {
            if (setting)
                configuration.setSwiftUIPreviewMode(*setting);
        });
        rig.telemetry.signal(u"a"_s);
        rig.telemetry.errorOccurred(u"e"_s);
        rig.telemetry.generateNewSession();
        QCOMPARE(rig.queued().isEmpty(), dropped);
        // In a preview the cache stays silent too.
        QCOMPARE(rig.setUpLog.filter(u"Loading Telemetry cache"_s).isEmpty(), dropped);
    }

    void theOlderNamesForward()
    {
        TelemetryRig rig;
        rig.initialize(QUrl(), [](TelemetryManagerConfiguration &configuration) {
            configuration.defaultSignalPrefix = u"App."_s;
        });
        rig.telemetry.send(u"a"_s, {{u"k"_s, u"v"_s}});
        rig.telemetry.send(u"b"_s, u"custom"_s, 2.5, {{u"k"_s, u"w"_s}});
        rig.telemetry.updateDefaultUser(u"me"_s);
        rig.telemetry.send(u"c"_s);
        const QList<QJsonObject> sent = rig.queued();
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.at(0).value(u"type"_s).toString(), u"App.a"_s);
        QCOMPARE(payloadValue(sent.at(0), u"k"_s), u"v"_s);
        QVERIFY(!sent.at(0).contains(u"floatValue"_s));
        QCOMPARE(sent.at(1).value(u"clientUser"_s).toString(), CryptoHashing::sha256(u"custom"_s, u"salt"_s));
        QCOMPARE(sent.at(1).value(u"floatValue"_s).toDouble(), 2.5);
        QCOMPARE(payloadValue(sent.at(1), u"k"_s), u"w"_s);
        QCOMPARE(rig.telemetry.hashedDefaultUser(), CryptoHashing::sha256(u"me"_s, u"salt"_s));
        QCOMPARE(sent.at(2).value(u"clientUser"_s).toString(), rig.telemetry.hashedDefaultUser());
    }

    void immediateSyncsAreSpacedByTheTransmitInterval()
    {
        test::LoopbackHttpServer server;
        QVERIFY(server.listen());
        TelemetryRig rig;
        // The first session's signals would join whichever batch follows its
        // timer, which fires within the test when it runs long.
        rig.initialize(QUrl(u"http://127.0.0.1:%1"_s.arg(server.port())),
                       [](TelemetryManagerConfiguration &configuration) {
                           configuration.sessionStatsEnabled = false;
                           configuration.sendNewSessionBeganSignal = false;
                       });
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

    void navigationChainsFromThePreviousDestination()
    {
        TelemetryRig rig;
        rig.initialize();
        rig.telemetry.navigationPathChanged(u"settings"_s);
        rig.telemetry.navigate(u"about"_s, std::optional(u"user"_s));
        rig.telemetry.navigate(u"a"_s, u"b"_s);
        rig.telemetry.navigationPathChanged(u"x"_s, u"y"_s, u"user"_s);
        rig.telemetry.navigationPathChanged(u"z"_s);
        QStringList moves;
        for (const QJsonObject &body : rig.queued()) {
            QCOMPARE(body.value(u"type"_s).toString(), u"Telemetry.Navigation.pathChanged"_s);
            QCOMPARE(payloadValue(body, u"Telemetry.Navigation.schemaVersion"_s), u"1"_s);
            const QString identifier = payloadValue(body, u"Telemetry.Navigation.identifier"_s);
            QCOMPARE(identifier, payloadValue(body, u"Telemetry.Navigation.sourcePath"_s) + u" -> "_s +
                                     payloadValue(body, u"Telemetry.Navigation.destinationPath"_s));
            moves << identifier;
        }
        QCOMPARE(moves, (QStringList{u" -> settings"_s, u"settings -> about"_s, u"a -> b"_s, u"x -> y"_s,
                                     u"y -> z"_s}));
    }

    void errorPresetsFillTheirKeys_data()
    {
        // What was sent as "id|category|message", absent ones as "absent".
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("sent");
        QTest::newRow("id only") << 0 << u"save|absent|absent"_s;
        QTest::newRow("identifiable error") << 1 << u"save|app-state|disk full"_s;
        QTest::newRow("own message") << 2 << u"save|user-input|try again"_s;
        QTest::newRow("no message") << 3 << u"save|thrown-exception|absent"_s;
    }

    void errorPresetsFillTheirKeys()
    {
        QFETCH(int, form);
        QFETCH(QString, sent);
        TelemetryRig rig;
        rig.initialize();
        const AnyIdentifiableError error = with(u"disk full"_s, u"save"_s);
        const TelemetryParameters parameters{{u"k"_s, u"v"_s}};
        if (form == 0)
            rig.telemetry.errorOccurred(u"save"_s, std::nullopt, std::nullopt, parameters, 1.5);
        else if (form == 1)
            rig.telemetry.errorOccurred(error, ErrorCategory::appState, parameters, 1.5);
        else if (form == 2)
            rig.telemetry.errorOccurred(error, ErrorCategory::userInput, u"try again"_s, parameters, 1.5);
        else
            rig.telemetry.errorOccurred(error, ErrorCategory::thrownException, std::nullopt, parameters, 1.5);
        const QJsonObject body = rig.onlySignal();
        QCOMPARE(body.value(u"type"_s).toString(), u"Telemetry.Error.occurred"_s);
        QCOMPARE(body.value(u"floatValue"_s).toDouble(), 1.5);
        QCOMPARE(payloadValue(body, u"k"_s), u"v"_s);
        QCOMPARE(QStringList({payloadValue(body, u"Telemetry.Error.id"_s),
                              payloadValue(body, u"Telemetry.Error.category"_s),
                              payloadValue(body, u"Telemetry.Error.message"_s)})
                     .join(u'|'),
                 sent);
    }

    void errorCategoriesReadFromTheirRawValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<ErrorCategory>>("category");
        QTest::newRow("thrown") << u"thrown-exception"_s << std::optional(ErrorCategory::thrownException);
        QTest::newRow("input") << u"user-input"_s << std::optional(ErrorCategory::userInput);
        QTest::newRow("state") << u"app-state"_s << std::optional(ErrorCategory::appState);
        QTest::newRow("case differs") << u"App-State"_s << std::optional<ErrorCategory>();
        QTest::newRow("case name") << u"appState"_s << std::optional<ErrorCategory>();
        QTest::newRow("empty") << QString() << std::optional<ErrorCategory>();
    }

    void errorCategoriesReadFromTheirRawValues()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<ErrorCategory>, category);
        QCOMPARE(errorCategoryFromRawValue(text), category);
        if (category)
            QCOMPARE(rawValue(*category), text);
    }

    void purchasesAreReportedInDollars_data()
    {
        QTest::addColumn<std::optional<QString>>("currency");
        QTest::addColumn<std::optional<double>>("price");
        QTest::addColumn<double>("dollars");
        QTest::newRow("EUR") << std::optional(u"EUR"_s) << std::optional(9.99) << 9.99 / 0.9533;
        QTest::newRow("AED") << std::optional(u"AED"_s) << std::optional(9.99) << 9.99 / 3.6725;
        QTest::newRow("dollars") << std::optional(u"USD"_s) << std::optional(9.99) << 9.99;
        QTest::newRow("not in the table") << std::optional(u"XYZ"_s) << std::optional(9.99) << 0.0;
        QTest::newRow("lower case") << std::optional(u"eur"_s) << std::optional(9.99) << 0.0;
        QTest::newRow("no currency") << std::optional<QString>() << std::optional(9.99) << 0.0;
        QTest::newRow("no price") << std::optional(u"EUR"_s) << std::optional<double>() << 0.0;
    }

    void purchasesAreReportedInDollars()
    {
        QFETCH(std::optional<QString>, currency);
        QFETCH(std::optional<double>, price);
        QFETCH(double, dollars);
        TelemetryRig rig;
        rig.initialize();
        StoreTransaction purchase;
        purchase.price = price;
        purchase.currencyCode = currency;
        rig.telemetry.purchaseCompleted(purchase, {{u"Telemetry.Purchase.productID"_s, u"mine"_s}});
        const QJsonObject sent = rig.onlySignal();
        QCOMPARE(sent.value(u"type"_s).toString(), u"Telemetry.Purchase.completed"_s);
        QCOMPARE(payloadValue(sent, u"Telemetry.Purchase.type"_s), u"one-time-purchase"_s);
        QCOMPARE(payloadValue(sent, u"Telemetry.Purchase.productID"_s), u"mine"_s);
        QCOMPARE(payloadValue(sent, u"Telemetry.Purchase.currencyCode"_s), currency.value_or(u"absent"_s));
        QCOMPARE(sent.value(u"floatValue"_s).toDouble(), dollars);
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
