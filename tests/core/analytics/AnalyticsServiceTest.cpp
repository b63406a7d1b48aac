#include "core/analytics/TelemetryAnalyticsService.h"
#include "core/foundation/KeyValueStore.h"
#include "core/projects/AppSettings.h"
#include "core/projects/InstallationIdentityService.h"
#include "core/telemetry/CryptoHashing.h"
#include "core/telemetry/SignalManager.h"
#include "platform/null/NullLoginItemService.h"
#include "support/FakeClock.h"
#include "support/LoopbackHttpServer.h"
#include "support/TelemetryDoubles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// The facade with real settings and a real client posting to a loopback
// ingest server.
struct FacadeRig {
    explicit FacadeRig(bool consent, QProcessEnvironment environment = QProcessEnvironment(),
                       std::optional<QUrl> ingest = std::nullopt)
        : consentStored((defaults.setValue(AppSettings::kAnalyticsKey, consent), true)),
          facade(settings, defaults,
                 TelemetryEnvironment{clock, activity, display, SystemFacts(), dir.path(),
                                      dir.filePath(u"telemetrysignalcache"_s)},
                 AnalyticsSetup{std::move(environment),
                                ingest.value_or(QUrl(u"http://127.0.0.1:%1"_s.arg(server.port())))})
    {}

    bool isSetUp() { return facade.telemetry().isInitialized(); }

    // Fires the send timer and waits for the attempt to end.
    bool send()
    {
        auto *manager = facade.telemetry().findChild<SignalManager *>();
        QSignalSpy finished(manager, &SignalManager::sendAttemptFinished);
        QMetaObject::invokeMethod(manager->findChild<QTimer *>(u"telemetrySendTimer"_s), "timeout");
        return finished.wait(5000);
    }

    QTemporaryDir dir;
    test::FakeClock clock;
    test::ManualActivity activity;
    test::FixedDisplayFacts display;
    MemoryKeyValueStore defaults;
    NullLoginItemService loginItem;
    test::LoopbackHttpServer server;
    bool listening = server.listen();
    bool consentStored;
    // The facade and the settings hold each other, as in the app.
    TelemetryAnalyticsService facade;
    AppSettings settings{defaults, loginItem, facade};
};

const QHash<QString, QString> kParameters{
    {u"source"_s, u"play"_s}, {u"has-local-url"_s, QString()}, {u"project-name"_s, u"secret"_s}};

// The lines logged while it lives, as "category: message".
class LogCapture {
public:
    LogCapture()
    {
        s_lines.clear();
        s_previous = qInstallMessageHandler(&LogCapture::record);
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }
    static QStringList lines() { return s_lines; }

private:
    static void record(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        s_lines << QString::fromUtf8(context.category) + u": "_s + message;
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QStringList s_lines;
};

} // namespace

class AnalyticsServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theTestRunnerAndAMissingConsentSetNothingUp_data()
    {
        QTest::addColumn<bool>("consent");
        QTest::addColumn<bool>("underTestRunner");
        QTest::newRow("test runner") << true << true;
        QTest::newRow("no consent") << false << false;
    }

    void theTestRunnerAndAMissingConsentSetNothingUp()
    {
        QFETCH(bool, consent);
        QFETCH(bool, underTestRunner);
        QProcessEnvironment environment;
        if (underTestRunner)
            environment.insert(u"XCTestConfigurationFilePath"_s, QString());
        FacadeRig rig(consent, environment);
        rig.facade.configureIfNeeded();
        rig.facade.signal(AnalyticsEvent::projectAdded, kParameters);
        QVERIFY(!rig.isSetUp());
        QVERIFY(!rig.defaults.contains(InstallationIdentityService::kInstallationIDKey));
    }

    void aBuildWithoutAnIngestServiceSetsNothingUp_data()
    {
        QTest::addColumn<QUrl>("ingest");
        QTest::newRow("none named") << QUrl();
        QTest::newRow("not a web address") << QUrl(u"file:///var/ingest"_s);
    }

    void aBuildWithoutAnIngestServiceSetsNothingUp()
    {
        QFETCH(QUrl, ingest);
        const LogCapture log;
        {
            FacadeRig rig(true, QProcessEnvironment(), ingest);
            rig.facade.configureIfNeeded();
            rig.settings.setAnonymousAnalyticsEnabled(true);
            for (int count = 0; count < 3; ++count)
                rig.facade.signal(AnalyticsEvent::processStarted, kParameters);
            QVERIFY(!rig.isSetUp());
            QVERIFY(rig.facade.telemetry().findChildren<QObject *>().isEmpty());
            QVERIFY(!rig.defaults.contains(InstallationIdentityService::kInstallationIDKey));
            rig.facade.telemetry().applicationWillTerminate();
            QCOMPARE(QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        }
        QCOMPARE(log.lines(), QStringList{u"Telemetry.LogHandler: Analytics stay off: this build names no "
                                          u"telemetry ingest service"_s});
    }

    void onlyTheAllowedParameterKeysPass_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("passes");
        for (const QString &key : {u"source"_s, u"has-local-url"_s, u"configured-service-count"_s,
                                   u"configured-target-count"_s, u"failure-category"_s})
            QTest::newRow(qPrintable(key)) << key << true;
        for (const QString &key : {u"project-name"_s, u"Source"_s, u"failure-category "_s})
            QTest::newRow(qPrintable(key)) << key << false;
    }

    void onlyTheAllowedParameterKeysPass()
    {
        QFETCH(QString, key);
        QFETCH(bool, passes);
        FacadeRig rig(true);
        rig.facade.signal(AnalyticsEvent::processStartFailed, {{key, u"value"_s}});
        QVERIFY(rig.send());
        const QJsonObject payload = QJsonDocument::fromJson(rig.server.requests().at(0).body)
                                        .array()
                                        .at(0)
                                        .toObject()
                                        .value(u"payload"_s)
                                        .toObject();
        QCOMPARE(payload.value(key).toString(u"dropped"_s), passes ? u"value"_s : u"dropped"_s);
    }

    void consentSetsTheClientUpOnce()
    {
        FacadeRig rig(false);
        rig.settings.setAnonymousAnalyticsEnabled(true);
        QVERIFY(rig.isSetUp());
        auto *client = rig.facade.telemetry().findChild<TelemetryManager *>();
        rig.settings.setAnonymousAnalyticsEnabled(false);
        rig.facade.signal(AnalyticsEvent::projectAdded, kParameters);
        rig.settings.setAnonymousAnalyticsEnabled(true);
        rig.facade.signal(AnalyticsEvent::processStarted, kParameters);
        QCOMPARE(rig.facade.telemetry().findChild<TelemetryManager *>(), client);
        QVERIFY(rig.send());
        const QJsonArray batch = QJsonDocument::fromJson(rig.server.requests().at(0).body).array();
        QCOMPARE(batch.size(), 1);
        QCOMPARE(batch.at(0).toObject().value(u"type"_s).toString(), u"process-started"_s);
    }

    void theFiveEventsReachTheIngestServerWithTheirDefaultPayload()
    {
        // A blank configured app ID falls back to the built-in one.
        QProcessEnvironment environment;
        environment.insert(u"DEVNOOK_TELEMETRY_APP_ID"_s, u" \n\t"_s);
        FacadeRig rig(true, environment);
        const QList<AnalyticsEvent> events{
            AnalyticsEvent::projectAdded, AnalyticsEvent::processStarted, AnalyticsEvent::workspaceStarted,
            AnalyticsEvent::devicePreviewStarted, AnalyticsEvent::processStartFailed};
        for (const AnalyticsEvent event : events)
            rig.facade.signal(event, kParameters);
        QVERIFY(rig.send());
        const auto &request = rig.server.requests().at(0);
        QCOMPARE(request.target, "/v2/namespace/com.ostrevan/");
        const QJsonArray batch = QJsonDocument::fromJson(request.body).array();
        QStringList types;
        for (const QJsonValue &value : batch) {
            const QJsonObject body = value.toObject();
            types << body.value(u"type"_s).toString();
            QCOMPARE(body.value(u"appID"_s).toString(), u"6F2A9D41-C3B7-4E58-9A06-D17E5B3C82F4"_s);
            QCOMPARE(
                body.value(u"clientUser"_s).toString(),
                CryptoHashing::sha256(
                    rig.defaults.stringValue(InstallationIdentityService::kInstallationIDKey), QString()));
            const QJsonObject payload = body.value(u"payload"_s).toObject();
            QCOMPARE(payload.value(u"source"_s).toString(), u"play"_s);
            QCOMPARE(payload.value(u"has-local-url"_s).toString(), QString());
            QVERIFY(!payload.contains(u"project-name"_s));
            QCOMPARE(payload.value(u"platform"_s).toString(), u"Linux"_s);
            QVERIFY(payload.contains(u"Telemetry.Retention.totalSessionsCount"_s));
        }
        QCOMPARE(types, (QStringList{u"project-added"_s, u"process-started"_s, u"workspace-started"_s,
                                     u"device-preview-started"_s, u"process-start-failed"_s}));
    }

    void aConfiguredAppIDIsTrimmed()
    {
        QProcessEnvironment environment;
        environment.insert(u"DEVNOOK_TELEMETRY_APP_ID"_s, u" mine\n"_s);
        QCOMPARE(TelemetryAnalyticsService::configuredAppID(environment), u"mine"_s);
    }
};

QTEST_GUILESS_MAIN(AnalyticsServiceTest)
#include "AnalyticsServiceTest.moc"
