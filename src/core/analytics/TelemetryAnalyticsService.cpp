#include "TelemetryAnalyticsService.h"

#include "TelemetryBuildSettings.h"
#include "core/projects/AppSettings.h"
#include "core/projects/InstallationIdentityService.h"
#include "core/telemetry/SignalManager.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kDefaultAppID = u"6F2A9D41-C3B7-4E58-9A06-D17E5B3C82F4"_s;
const QString kDefaultNamespace = u"com.ostrevan"_s;

QString firstNonBlank(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        if (!candidate.trimmed().isEmpty())
            return candidate.trimmed();
    }
    return QString();
}

TelemetryParameters allowedParameters(const QHash<QString, QString> &parameters)
{
    static const QSet<QString> allowedKeys{u"configured-service-count"_s, u"configured-target-count"_s,
                                           u"failure-category"_s, u"has-local-url"_s, u"source"_s};
    TelemetryParameters allowed;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (allowedKeys.contains(it.key()))
            allowed.insert(it.key(), it.value());
    }
    return allowed;
}

} // namespace

TelemetryAnalyticsService::TelemetryAnalyticsService(const AppSettings &settings, KeyValueStore &defaults,
                                                     TelemetryEnvironment environment, AnalyticsSetup setup)
    : m_settings(settings), m_defaults(defaults), m_setup(std::move(setup)),
      m_telemetry(std::move(environment))
{}

QString TelemetryAnalyticsService::rawValue(AnalyticsEvent event)
{
    switch (event) {
    case AnalyticsEvent::projectAdded:
        return u"project-added"_s;
    case AnalyticsEvent::processStarted:
        return u"process-started"_s;
    case AnalyticsEvent::workspaceStarted:
        return u"workspace-started"_s;
    case AnalyticsEvent::devicePreviewStarted:
        return u"device-preview-started"_s;
    case AnalyticsEvent::processStartFailed:
        return u"process-start-failed"_s;
    }
    return QString();
}

QString TelemetryAnalyticsService::configuredAppID(const QProcessEnvironment &environment)
{
    return firstNonBlank({environment.value(u"DEVNOOK_TELEMETRY_APP_ID"_s),
                          QString::fromUtf8(TelemetryBuildSettings::kAppID), kDefaultAppID});
}

QString TelemetryAnalyticsService::configuredNamespace(const QProcessEnvironment &environment)
{
    return firstNonBlank({environment.value(u"DEVNOOK_TELEMETRY_NAMESPACE"_s),
                          QString::fromUtf8(TelemetryBuildSettings::kNamespace), kDefaultNamespace});
}

bool TelemetryAnalyticsService::runsUnderTestRunner() const
{
    return m_setup.environment.contains(u"XCTestConfigurationFilePath"_s);
}

bool TelemetryAnalyticsService::hasDestination()
{
    const QUrl base = m_setup.ingestBaseURL.value_or(TelemetryManagerConfiguration::defaultBaseURL());
    if (SignalManager::serviceUrl(base, configuredNamespace(m_setup.environment)))
        return true;
    // A client here could only queue signals and retry for ever; say so once.
    if (!m_noDestinationReported)
        telemetryLog(LogHandler::standard(LogHandler::LogLevel::debug), LogHandler::LogLevel::debug,
                     u"Analytics stay off: this build names no telemetry ingest service"_s);
    m_noDestinationReported = true;
    return false;
}

void TelemetryAnalyticsService::configureIfNeeded()
{
    if (runsUnderTestRunner() || !m_settings.anonymousAnalyticsEnabled() || m_isInitialized ||
        !hasDestination())
        return;
    auto configuration = std::make_shared<TelemetryManagerConfiguration>(
        configuredAppID(m_setup.environment), std::nullopt, m_setup.ingestBaseURL,
        configuredNamespace(m_setup.environment));
    // Every signal of this installation carries the same hashed user.
    configuration->setDefaultUser(InstallationIdentityService::installationID(m_defaults));
    m_telemetry.initialize(std::move(configuration));
    m_isInitialized = true;
}

void TelemetryAnalyticsService::signal(AnalyticsEvent event, const QHash<QString, QString> &parameters)
{
    if (runsUnderTestRunner() || !m_settings.anonymousAnalyticsEnabled())
        return;
    configureIfNeeded();
    if (!m_isInitialized)
        return;
    m_telemetry.signal(rawValue(event), allowedParameters(parameters));
}

} // namespace devnook
