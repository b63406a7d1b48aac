#include "UsageDurationFormatting.h"

#include "UsageLimits.h"
#include "core/foundation/DateTexts.h"
#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook::UsageDurationFormatting {

QString format(double seconds)
{
    const qint64 total = UsageLimits::roundedSeconds(seconds);
    if (total <= 0)
        return L10n::format(u"usage_minutes"_s, {u"0"_s});
    const QString hours = QString::number(total / 3600);
    const QString minutes = QString::number(total % 3600 / 60);
    const QString rest = QString::number(total % 60);
    if (total < 60)
        return L10n::format(u"usage_seconds"_s, {rest});
    if (total < 3600)
        return total % 60 == 0 ? L10n::format(u"usage_minutes"_s, {minutes})
                               : L10n::format(u"usage_minutes_seconds"_s, {minutes, rest});
    if (total % 60 != 0)
        return L10n::format(u"usage_hours_minutes_seconds"_s, {hours, minutes, rest});
    return total % 3600 == 0 ? L10n::format(u"usage_hours"_s, {hours})
                             : L10n::format(u"usage_hours_minutes"_s, {hours, minutes});
}

QString formatLastSession(std::optional<Timestamp> lastSessionAt)
{
    if (!lastSessionAt)
        return L10n::text(u"usage_no_data"_s);
    return DateTexts::mediumDateTime(*lastSessionAt);
}

} // namespace devnook::UsageDurationFormatting
