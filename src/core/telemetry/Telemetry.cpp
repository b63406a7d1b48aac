#include "Telemetry.h"

#include "CryptoHashing.h"
#include "SessionManager.h"
#include "SignalManager.h"
#include "TelemetryCoding.h"
#include "TrialConversionTracker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;
using Level = devnook::LogHandler::LogLevel;

namespace devnook {

namespace {

const QString kReservedPrefix = u"telemetry."_s;
constexpr auto kImmediateSyncDelay = std::chrono::milliseconds(50);

const QSet<QString> &reservedKeysLowercased()
{
    static const QSet<QString> keys = [] {
        QSet<QString> lowered;
        for (const char *name : {"type",
                                 "clientUser",
                                 "appID",
                                 "sessionID",
                                 "floatValue",
                                 "newSessionBegan",
                                 "platform",
                                 "systemVersion",
                                 "majorSystemVersion",
                                 "majorMinorSystemVersion",
                                 "appVersion",
                                 "buildNumber",
                                 "isSimulator",
                                 "isDebug",
                                 "isTestFlight",
                                 "isAppStore",
                                 "modelName",
                                 "architecture",
                                 "operatingSystem",
                                 "targetEnvironment",
                                 "locale",
                                 "region",
                                 "appLanguage",
                                 "preferredLanguage",
                                 "telemetryClientVersion"})
            lowered.insert(QString::fromLatin1(name).toLower());
        return lowered;
    }();
    return keys;
}

// Watches one view's show events for trackNavigation.
class TrackNavigationModifier final : public QObject {
public:
    TrackNavigationModifier(Telemetry &telemetry, QString path, QObject *view)
        : QObject(view), m_telemetry(&telemetry), m_path(std::move(path))
    {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show && m_telemetry)
            m_telemetry->navigationPathChanged(m_path);
        return false;
    }

private:
    QPointer<Telemetry> m_telemetry;
    QString m_path;
};

} // namespace

Telemetry::Telemetry(TelemetryEnvironment environment, QObject *parent)
    : QObject(parent), m_environment(std::move(environment)),
      m_durations(m_environment.clock, m_environment.activity)
{
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &Telemetry::applicationWillTerminate);
}

Telemetry::~Telemetry() = default;

void Telemetry::initialize(std::shared_ptr<TelemetryManagerConfiguration> configuration)
{
    // The old client saves what it has not sent, so the new one loads it.
    applicationWillTerminate();
    m_manager.reset();
    m_manager = std::make_unique<TelemetryManager>(configuration, m_environment, this);
    connect(m_manager.get(), &TelemetryManager::firstSessionDue, this, &Telemetry::generateNewSession);
    // The manager as context: a configuration outliving its client begins no
    // session in a later one.
    connect(configuration.get(), &TelemetryManagerConfiguration::sessionIDAssigned, m_manager.get(),
            [this] { sessionBegan(); });
    connect(&m_manager->sessionManager(), &SessionManager::newInstallDetected, this,
            [this](const QString &firstSessionDate) {
                internalSignal(u"Telemetry.Acquisition.newInstallDetected"_s,
                               {{u"Telemetry.Acquisition.firstSessionDate"_s, firstSessionDate}});
            });
}

void Telemetry::terminate()
{
    applicationWillTerminate();
    m_manager.reset();
}

QString Telemetry::prefixedParameterKey(const QString &key) const
{
    if (key.startsWith(u"Telemetry."))
        return key;
    return m_manager->configuration().defaultParameterPrefix.value_or(QString()) + key;
}

void Telemetry::reportReservedParameterKeys(const TelemetryParameters &parameters) const
{
    const auto &log = m_manager->configuration().logHandler;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        const QString lowered = it.key().toLower();
        if (lowered.startsWith(kReservedPrefix))
            telemetryLog(
                log, Level::error,
                u"Sending parameter with reserved key prefix 'Telemetry.' will cause unexpected behavior. "
                u"Please use another prefix instead."_s);
        else if (reservedKeysLowercased().contains(lowered))
            telemetryLog(log, Level::error,
                         u"Sending parameter with reserved key '"_s + it.key() +
                             u"' will cause unexpected behavior. Please use another key instead."_s);
    }
}

bool Telemetry::dropsSignals() const
{
    return !m_manager || m_manager->configuration().swiftUIPreviewMode() ||
           m_manager->configuration().analyticsDisabled;
}

void Telemetry::signal(const QString &name, const TelemetryParameters &parameters,
                       std::optional<double> floatValue, const std::optional<QString> &customUserID)
{
    if (dropsSignals())
        return;
    const TelemetryManagerConfiguration &configuration = m_manager->configuration();
    const QString signalName = configuration.defaultSignalPrefix.value_or(QString()) + name;
    const TelemetryParameters rewritten = TelemetryCoding::mapKeys(
        parameters, [this](const QString &key) { return prefixedParameterKey(key); });
    if (configuration.reservedParameterWarningsEnabled) {
        const QString lowered = signalName.toLower();
        if (lowered.startsWith(kReservedPrefix))
            telemetryLog(
                configuration.logHandler, Level::error,
                u"Sending signal with reserved prefix 'Telemetry.' will cause unexpected behavior. Please "
                u"use another prefix instead."_s);
        else if (reservedKeysLowercased().contains(lowered))
            telemetryLog(configuration.logHandler, Level::error,
                         u"Sending signal with reserved name '"_s + signalName +
                             u"' will cause unexpected behavior. Please use another name instead."_s);
        reportReservedParameterKeys(rewritten);
    }
    internalSignal(signalName, rewritten, floatValue, customUserID);
}

void Telemetry::internalSignal(const QString &name, const TelemetryParameters &parameters,
                               std::optional<double> floatValue, const std::optional<QString> &customUserID)
{
    if (dropsSignals())
        return;
    const TelemetryParameters defaults =
        TelemetryCoding::mapKeys(m_manager->configuration().defaultParameters(),
                                 [this](const QString &key) { return prefixedParameterKey(key); });
    reportReservedParameterKeys(defaults);
    m_manager->signalManager().processSignal(name, TelemetryCoding::merged(defaults, parameters), floatValue,
                                             customUserID);
}

void Telemetry::requestImmediateSync()
{
    if (!m_manager || !m_manager->allowImmediateSync())
        return;
    QTimer::singleShot(kImmediateSyncDelay, &m_manager->signalManager(),
                       &SignalManager::attemptToSendNextBatchOfCachedSignals);
}

void Telemetry::updateDefaultUserID(std::optional<QString> user)
{
    if (m_manager)
        m_manager->configuration().setDefaultUser(std::move(user));
}

QString Telemetry::hashedDefaultUser()
{
    if (!m_manager)
        return QString();
    return CryptoHashing::sha256(m_manager->signalManager().defaultUserIdentifier(),
                                 m_manager->configuration().salt);
}

void Telemetry::send(const QString &name, const TelemetryParameters &parameters)
{
    signal(name, parameters);
}

void Telemetry::send(const QString &name, const std::optional<QString> &customUserID,
                     std::optional<double> floatValue, const TelemetryParameters &parameters)
{
    signal(name, parameters, floatValue, customUserID);
}

void Telemetry::updateDefaultUser(std::optional<QString> user)
{
    updateDefaultUserID(std::move(user));
}

void Telemetry::generateNewSession()
{
    if (m_manager)
        m_manager->configuration().setSessionID(QUuid::createUuid());
}

void Telemetry::sessionBegan()
{
    const TelemetryManagerConfiguration &configuration = m_manager->configuration();
    if (configuration.sessionStatsEnabled)
        m_manager->sessionManager().startNewSession();
    if (configuration.sendNewSessionBeganSignal)
        internalSignal(u"Telemetry.Session.started"_s);
}

KeyValueStore *Telemetry::customDefaults()
{
    return m_manager ? &m_manager->customDefaults() : nullptr;
}

void Telemetry::startDurationSignal(const QString &name, const TelemetryParameters &parameters,
                                    bool includeBackgroundTime)
{
    m_durations.startTracking(name, parameters, includeBackgroundTime);
}

void Telemetry::stopAndSendDurationSignal(const QString &name, const TelemetryParameters &parameters,
                                          std::optional<double> floatValue,
                                          const std::optional<QString> &customUserID)
{
    const auto stopped = m_durations.stopTracking(name);
    if (!stopped)
        return;
    const double milliseconds = std::floor(stopped->durationInSeconds * 1000.0) / 1000.0;
    TelemetryParameters sent{
        {u"Telemetry.Signal.durationInSeconds"_s, TelemetryCoding::decimalText(milliseconds)}};
    sent = TelemetryCoding::merged(TelemetryCoding::merged(std::move(sent), stopped->parameters), parameters);
    internalSignal(name, sent, floatValue, customUserID);
}

void Telemetry::cancelDurationSignal(const QString &name)
{
    (void)m_durations.stopTracking(name);
}

void Telemetry::navigationPathChanged(const QString &from, const QString &to,
                                      const std::optional<QString> &customUserID)
{
    m_previousNavigationPath = to;
    internalSignal(u"Telemetry.Navigation.pathChanged"_s,
                   {{u"Telemetry.Navigation.schemaVersion"_s, u"1"_s},
                    {u"Telemetry.Navigation.identifier"_s, from + u" -> "_s + to},
                    {u"Telemetry.Navigation.sourcePath"_s, from},
                    {u"Telemetry.Navigation.destinationPath"_s, to}},
                   std::nullopt, customUserID);
}

void Telemetry::navigationPathChanged(const QString &to, const std::optional<QString> &customUserID)
{
    navigationPathChanged(m_previousNavigationPath.value_or(QString()), to, customUserID);
}

void Telemetry::navigate(const QString &from, const QString &to, const std::optional<QString> &customUserID)
{
    navigationPathChanged(from, to, customUserID);
}

void Telemetry::navigate(const QString &to, const std::optional<QString> &customUserID)
{
    navigationPathChanged(to, customUserID);
}

void Telemetry::trackNavigation(QObject &view, const QString &path)
{
    view.installEventFilter(new TrackNavigationModifier(*this, path, &view));
}

void Telemetry::applicationWillTerminate()
{
    if (m_manager)
        m_manager->signalManager().applicationWillTerminate();
}

} // namespace devnook
