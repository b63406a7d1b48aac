#include "StoreTransaction.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Units of each currency worth one US dollar, as the rates were given.
const QHash<QString, double> &currencyCodeToOneUSDExchangeRate()
{
    static const QHash<QString, double> rates{
        {u"EUR"_s, 0.9533}, {u"GBP"_s, 0.7948}, {u"JPY"_s, 152.3479}, {u"CHF"_s, 0.8997}, {u"CAD"_s, 1.4182},
        {u"AUD"_s, 1.5742}, {u"CNY"_s, 7.2626}, {u"INR"_s, 86.7955},  {u"BRL"_s, 5.7132}, {u"AED"_s, 3.6725},
    };
    return rates;
}

} // namespace

TelemetryParameters StoreTransaction::purchaseParameters() const
{
    TelemetryParameters parameters{
        {u"Telemetry.Purchase.type"_s, subscriptionGroupID ? u"subscription"_s : u"one-time-purchase"_s},
        {u"Telemetry.Purchase.countryCode"_s, countryCode},
        {u"Telemetry.Purchase.productID"_s, productID},
    };
    if (currencyCode)
        parameters.insert(u"Telemetry.Purchase.currencyCode"_s, *currencyCode);
    return parameters;
}

double StoreTransaction::priceInUSD() const
{
    const double amount = price.value_or(0.0);
    if (!currencyCode)
        return 0.0;
    if (*currencyCode == u"USD")
        return amount;
    const auto rate = currencyCodeToOneUSDExchangeRate().constFind(*currencyCode);
    return rate == currencyCodeToOneUSDExchangeRate().cend() ? 0.0 : amount / *rate;
}

} // namespace devnook
