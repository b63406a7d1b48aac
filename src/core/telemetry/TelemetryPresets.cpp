// Ready-made product and purchase signals.
#include "Telemetry.h"
#include "TelemetryCoding.h"
#include "TrialConversionTracker.h"

using namespace Qt::StringLiterals;

namespace devnook {

QString rawValue(ErrorCategory category)
{
    switch (category) {
    case ErrorCategory::thrownException:
        return u"thrown-exception"_s;
    case ErrorCategory::userInput:
        return u"user-input"_s;
    case ErrorCategory::appState:
        return u"app-state"_s;
    }
    return QString();
}

std::optional<ErrorCategory> errorCategoryFromRawValue(QStringView rawValue)
{
    for (const ErrorCategory category :
         {ErrorCategory::thrownException, ErrorCategory::userInput, ErrorCategory::appState}) {
        if (rawValue == devnook::rawValue(category))
            return category;
    }
    return std::nullopt;
}

AnyIdentifiableError with(const QString &error, const QString &id)
{
    return AnyIdentifiableError(id, error);
}

void Telemetry::sendPreset(const QString &name, TelemetryParameters own,
                           const TelemetryParameters &parameters, std::optional<double> floatValue,
                           const std::optional<QString> &customUserID)
{
    internalSignal(name, TelemetryCoding::merged(std::move(own), parameters), floatValue, customUserID);
}

void Telemetry::acquiredUser(const QString &channel, const TelemetryParameters &parameters,
                             const std::optional<QString> &customUserID)
{
    sendPreset(u"Telemetry.Acquisition.userAcquired"_s, {{u"Telemetry.Acquisition.channel"_s, channel}},
               parameters, std::nullopt, customUserID);
}

void Telemetry::leadStarted(const QString &leadID, const TelemetryParameters &parameters,
                            const std::optional<QString> &customUserID)
{
    sendPreset(u"Telemetry.Acquisition.leadStarted"_s, {{u"Telemetry.Acquisition.leadID"_s, leadID}},
               parameters, std::nullopt, customUserID);
}

void Telemetry::leadConverted(const QString &leadID, const TelemetryParameters &parameters,
                              const std::optional<QString> &customUserID)
{
    sendPreset(u"Telemetry.Acquisition.leadConverted"_s, {{u"Telemetry.Acquisition.leadID"_s, leadID}},
               parameters, std::nullopt, customUserID);
}

void Telemetry::onboardingCompleted(const TelemetryParameters &parameters,
                                    const std::optional<QString> &customUserID)
{
    sendPreset(u"Telemetry.Activation.onboardingCompleted"_s, {}, parameters, std::nullopt, customUserID);
}

void Telemetry::coreFeatureUsed(const QString &featureName, const TelemetryParameters &parameters,
                                const std::optional<QString> &customUserID)
{
    sendPreset(u"Telemetry.Activation.coreFeatureUsed"_s,
               {{u"Telemetry.Activation.featureName"_s, featureName}}, parameters, std::nullopt,
               customUserID);
}

void Telemetry::errorOccurred(const QString &id, std::optional<ErrorCategory> category,
                              const std::optional<QString> &message, const TelemetryParameters &parameters,
                              std::optional<double> floatValue, const std::optional<QString> &customUserID)
{
    TelemetryParameters own{{u"Telemetry.Error.id"_s, id}};
    if (category)
        own.insert(u"Telemetry.Error.category"_s, rawValue(*category));
    if (message)
        own.insert(u"Telemetry.Error.message"_s, *message);
    sendPreset(u"Telemetry.Error.occurred"_s, std::move(own), parameters, floatValue, customUserID);
}

void Telemetry::errorOccurred(const IdentifiableError &error, ErrorCategory category,
                              const TelemetryParameters &parameters, std::optional<double> floatValue,
                              const std::optional<QString> &customUserID)
{
    errorOccurred(error.id(), category, error.errorDescription(), parameters, floatValue, customUserID);
}

void Telemetry::errorOccurred(const IdentifiableError &error, ErrorCategory category,
                              const std::optional<QString> &message, const TelemetryParameters &parameters,
                              std::optional<double> floatValue, const std::optional<QString> &customUserID)
{
    errorOccurred(error.id(), category, message, parameters, floatValue, customUserID);
}

void Telemetry::referralSent(int receiversCount, const std::optional<QString> &kind,
                             const TelemetryParameters &parameters,
                             const std::optional<QString> &customUserID)
{
    TelemetryParameters own{{u"Telemetry.Referral.receiversCount"_s, QString::number(receiversCount)}};
    if (kind)
        own.insert(u"Telemetry.Referral.kind"_s, *kind);
    sendPreset(u"Telemetry.Referral.sent"_s, std::move(own), parameters, std::nullopt, customUserID);
}

void Telemetry::userRatingSubmitted(int rating, const std::optional<QString> &comment,
                                    const TelemetryParameters &parameters,
                                    const std::optional<QString> &customUserID)
{
    if (rating < 0 || rating > 10) {
        if (m_manager)
            telemetryLog(m_manager->configuration().logHandler, LogHandler::LogLevel::error,
                         u"Rating must be between 0 and 10"_s);
        return;
    }
    TelemetryParameters own{{u"Telemetry.Referral.ratingValue"_s, QString::number(rating)}};
    if (comment)
        own.insert(u"Telemetry.Referral.ratingComment"_s, *comment);
    sendPreset(u"Telemetry.Referral.userRatingSubmitted"_s, std::move(own), parameters, std::nullopt,
               customUserID);
}

void Telemetry::paywallShown(const QString &reason, const TelemetryParameters &parameters,
                             const std::optional<QString> &customUserID)
{
    sendPreset(u"Telemetry.Revenue.paywallShown"_s, {{u"Telemetry.Revenue.paywallShowReason"_s, reason}},
               parameters, std::nullopt, customUserID);
}

void Telemetry::purchaseCompleted(const StoreTransaction &transaction, const TelemetryParameters &parameters,
                                  const std::optional<QString> &customUserID)
{
    const bool startsFreeTrial = transaction.isAutoRenewable && transaction.isIntroductoryOffer &&
                                 transaction.price.value_or(0.0) == 0.0;
    if (!startsFreeTrial) {
        sendPreset(u"Telemetry.Purchase.completed"_s, transaction.purchaseParameters(), parameters,
                   transaction.priceInUSD(), customUserID);
        return;
    }
    sendPreset(u"Telemetry.Purchase.freeTrialStarted"_s, transaction.purchaseParameters(), parameters,
               std::nullopt, customUserID);
    if (!m_trialTracker)
        m_trialTracker =
            std::make_unique<TrialConversionTracker>(*this, m_transactionUpdates, m_environment.clock);
    m_trialTracker->trackTrial(transaction);
}

} // namespace devnook
