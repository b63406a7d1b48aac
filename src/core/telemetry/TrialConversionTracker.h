#pragma once

#include "StoreTransaction.h"

#include <QObject>
#include <optional>

namespace devnook {

class Clock;
class Telemetry;

// Watches the store's updates for the stored free trial and reports once when
// it turns into a paid subscription; a refund, expiry or upgrade forgets it.
// The trial is kept under "lastTrial" in the client's own user defaults.
class TrialConversionTracker final : public QObject {
    Q_OBJECT

public:
    // Observes at once when a trial is stored.
    TrialConversionTracker(Telemetry &telemetry, TransactionUpdates &updates, const Clock &clock,
                           QObject *parent = nullptr);

    // Stores the trial of the transaction and observes the updates.
    void trackTrial(const StoreTransaction &transaction);

private:
    struct StoredTrial {
        QString productID;
        quint64 originalTransactionID = 0;
    };

    std::optional<StoredTrial> currentTrial() const;
    void forgetTrial();
    void startObservingTransactions();
    void transactionUpdated(const StoreTransaction &transaction);

    Telemetry &m_telemetry;
    TransactionUpdates &m_updates;
    const Clock &m_clock;
    QMetaObject::Connection m_observation;
};

} // namespace devnook
