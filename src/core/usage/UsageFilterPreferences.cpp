#include "UsageFilterPreferences.h"

#include "UsageLimits.h"
#include "core/foundation/KeyValueStore.h"
#include "core/foundation/UuidText.h"

#include <QDateTime>
#include <optional>

using namespace Qt::StringLiterals;

namespace devnook::UsageFilterPreferences {

namespace {

// A stored date; a hand-edited one far outside real use would make a day
// list of millions of days, so it reads as missing.
std::optional<Timestamp> storedDate(const KeyValueStore &defaults, const QString &key)
{
    const QVariant value = defaults.value(key);
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return std::nullopt;
    const Timestamp date = Timestamp::fromDateTime(value.toDateTime());
    if (!UsageLimits::isPlausibleInstant(date))
        return std::nullopt;
    return date;
}

} // namespace

QString projectFilterKey(const QUuid &projectID)
{
    return u"Devnook.usage.project.filter."_s + UuidText::format(projectID);
}

QString projectCustomStartKey(const QUuid &projectID)
{
    return u"Devnook.usage.project.customStart."_s + UuidText::format(projectID);
}

QString projectCustomEndKey(const QUuid &projectID)
{
    return u"Devnook.usage.project.customEnd."_s + UuidText::format(projectID);
}

UsageDateFilterOption filter(const KeyValueStore &defaults, const QString &key)
{
    return UsageDateFilterOptions::fromRawValue(defaults.stringValue(key))
        .value_or(UsageDateFilterOption::week);
}

void setFilter(KeyValueStore &defaults, UsageDateFilterOption option, const QString &key)
{
    defaults.setValue(key, UsageDateFilterOptions::rawValue(option));
}

UsageDateRange customRange(const KeyValueStore &defaults, const QString &startKey, const QString &endKey,
                           const UsageCalendar &calendar, Timestamp now)
{
    return UsageDateRange{storedDate(defaults, startKey).value_or(defaultCustomStartDate(calendar, now)),
                          storedDate(defaults, endKey).value_or(now)};
}

void setCustomRange(KeyValueStore &defaults, const UsageDateRange &range, const QString &startKey,
                    const QString &endKey)
{
    defaults.setValue(startKey, range.start.toDateTime());
    defaults.setValue(endKey, range.end.toDateTime());
}

Timestamp defaultCustomStartDate(const UsageCalendar &calendar, Timestamp now)
{
    return calendar.addDays(now, -6);
}

} // namespace devnook::UsageFilterPreferences
