#include "TrialConversionTracker.h"

#include "Telemetry.h"
#include "core/foundation/Clock.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kLastTrialKey = u"lastTrial"_s;

} // namespace

TrialConversionTracker::TrialConversionTracker(Telemetry &telemetry, TransactionUpdates &updates,
                                               const Clock &clock, QObject *parent)
    : QObject(parent), m_telemetry(telemetry), m_updates(updates), m_clock(clock)
{
    if (currentTrial())
        startObservingTransactions();
}

void TrialConversionTracker::trackTrial(const StoreTransaction &transaction)
{
    if (KeyValueStore *defaults = m_telemetry.customDefaults()) {
        const QJsonObject trial{{u"productID"_s, transaction.productID},
                                {u"originalTransactionID"_s, qint64(transaction.originalID)}};
        defaults->setValue(kLastTrialKey, QJsonDocument(trial).toJson(QJsonDocument::Compact));
    }
    startObservingTransactions();
}

std::optional<TrialConversionTracker::StoredTrial> TrialConversionTracker::currentTrial() const
{
    KeyValueStore *defaults = m_telemetry.customDefaults();
    if (!defaults)
        return std::nullopt;
    const QJsonObject trial = QJsonDocument::fromJson(defaults->value(kLastTrialKey).toByteArray()).object();
    const QJsonValue productID = trial.value(u"productID"_s);
    const QJsonValue originalID = trial.value(u"originalTransactionID"_s);
    if (!productID.isString() || !originalID.isDouble())
        return std::nullopt;
    // Read as an integer, so identifiers above 2^53 stay exact.
    return StoredTrial{productID.toString(), quint64(originalID.toInteger())};
}

void TrialConversionTracker::forgetTrial()
{
    if (KeyValueStore *defaults = m_telemetry.customDefaults())
        defaults->remove(kLastTrialKey);
    disconnect(m_observation);
}

void TrialConversionTracker::startObservingTransactions()
{
    disconnect(m_observation);
    m_observation = connect(&m_updates, &TransactionUpdates::transactionUpdated, this,
                            &TrialConversionTracker::transactionUpdated);
}

void TrialConversionTracker::transactionUpdated(const StoreTransaction &transaction)
{
    const auto trial = currentTrial();
    if (!transaction.isVerified || !m_telemetry.isInitialized() || !trial)
        return;
    if (transaction.productID != trial->productID || transaction.originalID != trial->originalTransactionID)
        return;
    if (transaction.revocationDate ||
        (transaction.expirationDate && *transaction.expirationDate < m_clock.now()) ||
        transaction.isUpgraded) {
        forgetTrial();
        return;
    }
    if (transaction.isFreeTrial())
        return;
    m_telemetry.internalSignal(u"Telemetry.Purchase.convertedFromTrial"_s, transaction.purchaseParameters(),
                               transaction.priceInUSD());
    forgetTrial();
}

} // namespace devnook
