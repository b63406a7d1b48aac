#include "UsageChartTooltip.h"

#include "UsageDurationFormatting.h"
#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook::UsageChartTooltip {

QString bar(const UsageAggregatedBarBucket &bucket)
{
    return L10n::format(u"usage_chart_tooltip_bar"_s,
                        {bucket.label, UsageDurationFormatting::format(bucket.duration)});
}

QString slice(const UsageDistributionSlice &slice)
{
    const QString share = QString::number(slice.percentage * 100.0, 'f', 1) + u'%';
    return L10n::format(u"usage_chart_tooltip_slice"_s,
                        {slice.label, UsageDurationFormatting::format(slice.duration), share});
}

} // namespace devnook::UsageChartTooltip
