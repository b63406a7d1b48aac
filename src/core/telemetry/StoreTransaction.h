#pragma once

#include "TelemetryManagerConfiguration.h"
#include "core/foundation/Timestamp.h"

#include <QObject>
#include <optional>

namespace devnook {

// A purchase as a store reports it, for the purchase signals. No store sells
// this build on Linux; the type keeps the rules ready for one.
struct StoreTransaction {
    QString productID;
    quint64 originalID = 0;
    bool isAutoRenewable = false;
    bool isIntroductoryOffer = false;
    bool isFreeTrialPayment = false;
    std::optional<double> price;
    // ISO 4217.
    std::optional<QString> currencyCode;
    QString countryCode;
    std::optional<QString> subscriptionGroupID;
    std::optional<Timestamp> revocationDate;
    std::optional<Timestamp> expirationDate;
    bool isUpgraded = false;
    bool isVerified = false;

    // An introductory offer paid as a free trial.
    bool isFreeTrial() const { return isIntroductoryOffer && isFreeTrialPayment; }
    // "Telemetry.Purchase." type, country, product and currency (when known).
    TelemetryParameters purchaseParameters() const;
    // The price in US dollars; 0 without a price or with a currency whose
    // rate is unknown.
    double priceInUSD() const;
};

// The store's stream of transaction updates; nothing feeds it in this app.
class TransactionUpdates final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // Emitted for each transaction the store reports as new or changed.
    void transactionUpdated(const devnook::StoreTransaction &transaction);
};

} // namespace devnook
