#include "UsageBarChart.h"

#include "UsageCalendar.h"
#include "UsageDateTexts.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace devnook {

namespace UsageBarChartAggregation {

namespace {

constexpr qsizetype kMaxBars = 12;

// "5 May", "3–9 May" within a month, "28 Apr – 4 May" across months.
QString rangeLabel(Timestamp from, Timestamp to, const UsageDateTexts &texts)
{
    const UsageCalendar calendar = UsageCalendar::current();
    const QDate first = calendar.date(from);
    const QDate last = calendar.date(to);
    if (first == last)
        return texts.dayAndMonth(first);
    if (first.year() == last.year() && first.month() == last.month())
        return QString::number(first.day()) + u'\u2013' + QString::number(last.day()) + u' ' +
               texts.month(first);
    return texts.dayAndMonth(first) + u" \u2013 "_s + texts.dayAndMonth(last);
}

} // namespace

QList<UsageAggregatedBarBucket> buckets(const QList<UsageDailyBucket> &days)
{
    QList<UsageAggregatedBarBucket> bars;
    if (days.size() <= kMaxBars) {
        for (const UsageDailyBucket &day : days)
            bars.append(UsageAggregatedBarBucket{day.id, day.label, day.duration});
        return bars;
    }
    const qsizetype chunk = (days.size() + kMaxBars - 1) / kMaxBars;
    const UsageDateTexts texts;
    for (qsizetype first = 0; first < days.size(); first += chunk) {
        const qsizetype last = std::min(first + chunk, days.size()) - 1;
        double duration = 0.0;
        for (qsizetype i = first; i <= last; ++i)
            duration += days[i].duration;
        bars.append(UsageAggregatedBarBucket{days[first].id + u'-' + days[last].id,
                                             rangeLabel(days[first].date, days[last].date, texts), duration});
    }
    return bars;
}

} // namespace UsageBarChartAggregation

namespace UsageBarChartHitTesting {

std::optional<UsageChartCursorTooltip> tooltip(QPointF point, const QRectF &plotFrame,
                                               const UsageChartCoordinateProxy &proxy,
                                               const QList<UsageAggregatedBarBucket> &buckets)
{
    const bool inFrame = point.x() >= plotFrame.left() && point.x() < plotFrame.right() &&
                         point.y() >= plotFrame.top() && point.y() < plotFrame.bottom();
    if (!inFrame || buckets.isEmpty())
        return std::nullopt;
    const double halfWidth =
        std::max(plotFrame.width() / static_cast<double>(buckets.size()) * kSlotShare, kMinimumWidth) / 2.0;
    for (const UsageAggregatedBarBucket &bucket : buckets) {
        if (!(bucket.duration > 0.0))
            continue;
        const auto x = proxy.xPosition(bucket.label);
        const auto y = proxy.yPosition(bucket.duration / 60.0);
        if (!x || !y)
            continue;
        const bool hit = std::fabs(point.x() - (plotFrame.left() + *x)) <= halfWidth &&
                         point.y() >= plotFrame.top() + *y - 6.0 && point.y() <= plotFrame.bottom() + 2.0;
        if (hit)
            return UsageChartCursorTooltip{UsageChartTooltip::bar(bucket), point};
    }
    return std::nullopt;
}

} // namespace UsageBarChartHitTesting

} // namespace devnook
