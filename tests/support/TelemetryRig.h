#pragma once

#include "core/telemetry/SignalManager.h"
#include "core/telemetry/Telemetry.h"
#include "support/FakeClock.h"
#include "support/TelemetryDoubles.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>

namespace devnook::test {

// A telemetry client whose signals end in its cache file, read back by the
// test; it sends nowhere unless given a base URL. Include it only in tests
// that link the telemetry client.
struct TelemetryRig {
    TelemetryRig() : telemetry({clock, activity, display, SystemFacts(), dir.path(), cachePath()}) {}

    QString cachePath() const { return dir.filePath(QStringLiteral("cache/telemetrysignalcache")); }

    // Sets the client up with a configuration salted "salt" that logs into
    // setUpLog while it is made, then into log; prepare may change it first.
    TelemetryManagerConfiguration &
    initialize(QUrl baseURL = QUrl(),
               const std::function<void(TelemetryManagerConfiguration &)> &prepare = {})
    {
        auto configuration = std::make_shared<TelemetryManagerConfiguration>(QStringLiteral("app"),
                                                                             QStringLiteral("salt"), baseURL);
        configuration->logHandler = LogHandler{
            LogHandler::LogLevel::info, [this](LogHandler::LogLevel, const QString &line) { log << line; }};
        if (prepare)
            prepare(*configuration);
        telemetry.initialize(configuration);
        // The first session is the test's to begin: on a loaded machine its
        // timer would fire while the test runs and add its signals.
        auto *firstSession = telemetry.findChild<QTimer *>(QStringLiteral("telemetryFirstSessionTimer"));
        firstSessionArmed = firstSession && firstSession->isActive();
        if (firstSession)
            firstSession->stop();
        // The first send attempt follows the loading of the cache, and arms
        // the send timer.
        auto *manager = telemetry.findChild<SignalManager *>();
        QSignalSpy firstAttempt(manager, &SignalManager::sendAttemptFinished);
        if (!manager->findChild<QTimer *>(QStringLiteral("telemetrySendTimer"))->isActive())
            firstAttempt.wait(5000);
        setUpLog = log;
        log.clear();
        return *configuration;
    }

    // The signals the client queued, as the cache file holds them.
    QList<QJsonObject> queued()
    {
        telemetry.applicationWillTerminate();
        QList<QJsonObject> bodies;
        const QJsonArray array = QJsonDocument::fromJson(readFile(cachePath())).array();
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
    FakeClock clock;
    ManualActivity activity;
    FixedDisplayFacts display;
    QStringList setUpLog;
    QStringList log;
    // Whether setting up armed the first session's timer, which the rig stops.
    bool firstSessionArmed = false;
    Telemetry telemetry;
};

// The payload's value under the key, or "absent".
inline QString payloadValue(const QJsonObject &body, const QString &key)
{
    return body.value(QStringLiteral("payload")).toObject().value(key).toString(QStringLiteral("absent"));
}

} // namespace devnook::test
