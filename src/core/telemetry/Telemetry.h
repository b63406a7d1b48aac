#pragma once

#include "DurationSignalTracker.h"
#include "StoreTransaction.h"
#include "TelemetryManager.h"

#include <QObject>
#include <memory>

namespace devnook {

class TrialConversionTracker;

// The kind of an error reported by the error presets.
enum class ErrorCategory { thrownException, userInput, appState };

// "thrown-exception", "user-input" or "app-state".
QString rawValue(ErrorCategory category);
// The category of one of those texts; none for any other.
std::optional<ErrorCategory> errorCategoryFromRawValue(QStringView rawValue);

// An error that carries a stable identifier.
class IdentifiableError {
public:
    virtual ~IdentifiableError() = default;
    virtual QString id() const = 0;
    // The error's readable description.
    virtual QString errorDescription() const = 0;
};

// Any error, given by its description, with an identifier.
class AnyIdentifiableError final : public IdentifiableError {
public:
    AnyIdentifiableError(QString id, QString error) : m_id(std::move(id)), m_error(std::move(error)) {}
    QString id() const override { return m_id; }
    QString errorDescription() const override { return m_error; }

private:
    QString m_id;
    QString m_error;
};

// The error (its description, as a Result gives it) with the identifier.
AnyIdentifiableError with(const QString &error, const QString &id);

// The telemetry client's public face. Before initialize() there is no client:
// every operation does nothing, so nothing can touch the cache or begin a
// session before the app has set the client up.
class Telemetry final : public QObject {
    Q_OBJECT

public:
    // The application's termination saves the unsent signals.
    explicit Telemetry(TelemetryEnvironment environment, QObject *parent = nullptr);
    ~Telemetry() override;

    // Sets the client up with the configuration, replacing an earlier one.
    void initialize(std::shared_ptr<TelemetryManagerConfiguration> configuration);
    // Ends the client; later operations do nothing until the next initialize.
    void terminate();
    bool isInitialized() const { return m_manager != nullptr; }

    // Sends an application signal: the configured prefixes are applied and
    // reserved names are reported (the signal goes out all the same).
    void signal(const QString &name, const TelemetryParameters &parameters = {},
                std::optional<double> floatValue = std::nullopt,
                const std::optional<QString> &customUserID = std::nullopt);
    // Sends one of the client's own signals, with the default parameters.
    void internalSignal(const QString &name, const TelemetryParameters &parameters = {},
                        std::optional<double> floatValue = std::nullopt,
                        const std::optional<QString> &customUserID = std::nullopt);

    // Sends the cached signals 50 ms from now, at most once per transmit
    // interval.
    void requestImmediateSync();
    void updateDefaultUserID(std::optional<QString> user);
    // The default user as signals carry it, hashed with the salt; empty
    // before initialize.
    QString hashedDefaultUser();

    // Older names: signal without a number and a custom user, signal with
    // them, and updateDefaultUserID.
    void send(const QString &name, const TelemetryParameters &parameters = {});
    void send(const QString &name, const std::optional<QString> &customUserID,
              std::optional<double> floatValue, const TelemetryParameters &parameters = {});
    void updateDefaultUser(std::optional<QString> user);
    // Assigns a new session identifier, which begins a session as the
    // configuration allows.
    void generateNewSession();
    // The client's own user defaults; none before initialize.
    KeyValueStore *customDefaults();

    // Duration signals: the time from start to stop is sent under the name as
    // "Telemetry.Signal.durationInSeconds"; inactive time counts only when asked.
    void startDurationSignal(const QString &name, const TelemetryParameters &parameters = {},
                             bool includeBackgroundTime = false);
    void stopAndSendDurationSignal(const QString &name, const TelemetryParameters &parameters = {},
                                   std::optional<double> floatValue = std::nullopt,
                                   const std::optional<QString> &customUserID = std::nullopt);
    void cancelDurationSignal(const QString &name);

    // Reports a move between screen paths as "Telemetry.Navigation.pathChanged".
    void navigationPathChanged(const QString &from, const QString &to,
                               const std::optional<QString> &customUserID = std::nullopt);
    // The same from the destination of the previous move (empty at first).
    // A custom user is passed as an optional: two plain texts are a source
    // and a destination.
    void navigationPathChanged(const QString &to, const std::optional<QString> &customUserID = std::nullopt);
    // Older names of the two above.
    void navigate(const QString &from, const QString &to,
                  const std::optional<QString> &customUserID = std::nullopt);
    void navigate(const QString &to, const std::optional<QString> &customUserID = std::nullopt);
    // Reports a move to the path each time the view is shown, for as long as
    // both live.
    void trackNavigation(QObject &view, const QString &path);

    // Ready-made product signals in the "Telemetry." namespace; the caller's
    // parameters win over the preset's own.
    void acquiredUser(const QString &channel, const TelemetryParameters &parameters = {},
                      const std::optional<QString> &customUserID = std::nullopt);
    void leadStarted(const QString &leadID, const TelemetryParameters &parameters = {},
                     const std::optional<QString> &customUserID = std::nullopt);
    void leadConverted(const QString &leadID, const TelemetryParameters &parameters = {},
                       const std::optional<QString> &customUserID = std::nullopt);
    void onboardingCompleted(const TelemetryParameters &parameters = {},
                             const std::optional<QString> &customUserID = std::nullopt);
    void coreFeatureUsed(const QString &featureName, const TelemetryParameters &parameters = {},
                         const std::optional<QString> &customUserID = std::nullopt);
    void errorOccurred(const QString &id, std::optional<ErrorCategory> category = std::nullopt,
                       const std::optional<QString> &message = std::nullopt,
                       const TelemetryParameters &parameters = {},
                       std::optional<double> floatValue = std::nullopt,
                       const std::optional<QString> &customUserID = std::nullopt);
    // The error's description is the message.
    void errorOccurred(const IdentifiableError &error, ErrorCategory category,
                       const TelemetryParameters &parameters = {},
                       std::optional<double> floatValue = std::nullopt,
                       const std::optional<QString> &customUserID = std::nullopt);
    // The given message, if any, instead of the error's description.
    void errorOccurred(const IdentifiableError &error, ErrorCategory category,
                       const std::optional<QString> &message, const TelemetryParameters &parameters = {},
                       std::optional<double> floatValue = std::nullopt,
                       const std::optional<QString> &customUserID = std::nullopt);
    void referralSent(int receiversCount, const std::optional<QString> &kind = std::nullopt,
                      const TelemetryParameters &parameters = {},
                      const std::optional<QString> &customUserID = std::nullopt);
    // Ratings outside 0 to 10 are not sent; an error is logged instead.
    void userRatingSubmitted(int rating, const std::optional<QString> &comment = std::nullopt,
                             const TelemetryParameters &parameters = {},
                             const std::optional<QString> &customUserID = std::nullopt);
    void paywallShown(const QString &reason, const TelemetryParameters &parameters = {},
                      const std::optional<QString> &customUserID = std::nullopt);

    // Reports a purchase in US dollars, or the start of a free trial, whose
    // conversion to a paid subscription is then watched for.
    void purchaseCompleted(const StoreTransaction &transaction, const TelemetryParameters &parameters = {},
                           const std::optional<QString> &customUserID = std::nullopt);
    // The store's updates the trial tracker watches.
    TransactionUpdates &transactionUpdates() { return m_transactionUpdates; }

    // Saves the unsent signals; connected to the application's termination.
    void applicationWillTerminate();

private:
    // Without a client, in a preview or with analytics disabled.
    bool dropsSignals() const;
    void sessionBegan();
    void reportReservedParameterKeys(const TelemetryParameters &parameters) const;
    QString prefixedParameterKey(const QString &key) const;
    // TelemetryPresets.cpp
    void sendPreset(const QString &name, TelemetryParameters own, const TelemetryParameters &parameters,
                    std::optional<double> floatValue, const std::optional<QString> &customUserID);

    TelemetryEnvironment m_environment;
    std::unique_ptr<TelemetryManager> m_manager;
    DurationSignalTracker m_durations;
    std::optional<QString> m_previousNavigationPath;
    TransactionUpdates m_transactionUpdates;
    std::unique_ptr<TrialConversionTracker> m_trialTracker;
};

} // namespace devnook
