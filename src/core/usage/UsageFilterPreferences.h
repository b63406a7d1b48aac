#pragma once

#include "UsagePeriods.h"

#include <QString>
#include <QUuid>

namespace devnook {

class KeyValueStore;

// The period each usage window was last left on, kept in the user defaults so
// the window opens on it again.
namespace UsageFilterPreferences {

inline const QString kOverviewFilterKey = QStringLiteral("Devnook.usage.overview.filter");
inline const QString kOverviewCustomStartKey = QStringLiteral("Devnook.usage.overview.customStart");
inline const QString kOverviewCustomEndKey = QStringLiteral("Devnook.usage.overview.customEnd");

// The keys of a project's usage window: a fixed prefix and the project's
// canonical id text.
QString projectFilterKey(const QUuid &projectID);
QString projectCustomStartKey(const QUuid &projectID);
QString projectCustomEndKey(const QUuid &projectID);

// The stored option; week when nothing or an unknown text is stored.
UsageDateFilterOption filter(const KeyValueStore &defaults, const QString &key);

// Stores the option's raw value.
void setFilter(KeyValueStore &defaults, UsageDateFilterOption option, const QString &key);

// The stored custom range as chosen. A missing end, or one that is not a date
// or lies outside the plausible years, reads as now; such a start reads as
// defaultCustomStartDate.
UsageDateRange customRange(const KeyValueStore &defaults, const QString &startKey, const QString &endKey,
                           const UsageCalendar &calendar, Timestamp now);

// Stores both ends as dates, exactly as chosen.
void setCustomRange(KeyValueStore &defaults, const UsageDateRange &range, const QString &startKey,
                    const QString &endKey);

// The start of the day six days before today, so that with the end at now
// the default range covers seven days.
Timestamp defaultCustomStartDate(const UsageCalendar &calendar, Timestamp now);

} // namespace UsageFilterPreferences

} // namespace devnook
