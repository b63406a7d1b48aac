#include "UsageSimpleBarChart.h"

#include "UsageChartBubble.h"
#include "UsageViewRules.h"
#include "core/foundation/L10n.h"
#include "core/usage/UsageBarChart.h"
#include "core/usage/UsageDurationFormatting.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {
constexpr double kTopPadding = 4.0;
constexpr double kAxisLabelGap = 6.0;
constexpr double kXLabelHeight = 18.0;
constexpr double kGridWidth = 0.75;
constexpr double kBarRadius = 4.0;
const QColor kBarColor(0, 220, 130);

QFont axisFont()
{
    return Kit::font(10);
}

QString minutesText(double minutes)
{
    return UsageDurationFormatting::format(minutes * 60.0);
}
} // namespace

UsageSimpleBarChart::UsageSimpleBarChart(QWidget *parent)
    : QWidget(parent), m_hover(*this, [this](QPointF point) {
          return UsageBarChartHitTesting::tooltip(point, plotFrame(), *this, m_buckets);
      })
{
    setObjectName(u"usageBarChart"_s);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void UsageSimpleBarChart::setBuckets(const QList<UsageAggregatedBarBucket> &buckets)
{
    m_buckets = buckets;
    double largest = 0.0;
    for (const UsageAggregatedBarBucket &bucket : buckets)
        largest = std::max(largest, bucket.duration / 60.0);
    m_ticks = UsageViewRules::niceTicks(largest);
    const QFontMetricsF metrics(axisFont());
    m_tickLabelWidth = 0.0;
    for (const double tick : std::as_const(m_ticks))
        m_tickLabelWidth = std::max(m_tickLabelWidth, metrics.horizontalAdvance(minutesText(tick)));
    m_hover.clear();
    updateGeometry();
    update();
}

QSize UsageSimpleBarChart::sizeHint() const
{
    if (m_buckets.isEmpty())
        return {200, QFontMetrics(Kit::font(13)).height()};
    return {400, kHeight + static_cast<int>(kTopPadding)};
}

QSize UsageSimpleBarChart::minimumSizeHint() const
{
    return {100, sizeHint().height()};
}

double UsageSimpleBarChart::axisTop() const
{
    return m_ticks.isEmpty() ? 1.0 : m_ticks.constLast();
}

QRectF UsageSimpleBarChart::plotFrame() const
{
    const double top = kTopPadding + QFontMetricsF(axisFont()).height() / 2.0;
    return QRectF(QPointF(m_tickLabelWidth + kAxisLabelGap, top),
                  QPointF(width() - kGridWidth, kTopPadding + kHeight - kXLabelHeight));
}

std::optional<double> UsageSimpleBarChart::xPosition(const QString &label) const
{
    const auto found =
        std::find_if(m_buckets.cbegin(), m_buckets.cend(),
                     [&](const UsageAggregatedBarBucket &bucket) { return bucket.label == label; });
    if (found == m_buckets.cend())
        return std::nullopt;
    const double slot = plotFrame().width() / static_cast<double>(m_buckets.size());
    return (static_cast<double>(found - m_buckets.cbegin()) + 0.5) * slot;
}

std::optional<double> UsageSimpleBarChart::yPosition(double minutes) const
{
    if (!(minutes >= 0.0 && minutes <= axisTop()))
        return std::nullopt;
    return plotFrame().height() * (1.0 - minutes / axisTop());
}

void UsageSimpleBarChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const ThemePalette &colors = Palette::of(palette());
    if (m_buckets.isEmpty()) {
        painter.setFont(Kit::font(13));
        painter.setPen(colors.secondaryLabel);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, L10n::text(u"usage_no_data"_s));
        return;
    }
    paintChart(painter);
    if (const auto &tooltip = m_hover.tooltip())
        UsageChartBubble::paint(painter, *this, *tooltip);
}

void UsageSimpleBarChart::paintChart(QPainter &painter)
{
    const ThemePalette &colors = Palette::of(palette());
    const QRectF plot = plotFrame();
    const QFontMetricsF metrics(axisFont());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(axisFont());
    const QPen gridPen(colors.chartGridLine, kGridWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);

    for (const double tick : std::as_const(m_ticks)) {
        const double y = plot.top() + *yPosition(tick);
        painter.setPen(gridPen);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(colors.secondaryLabel);
        const QRectF label(0, y - metrics.height() / 2.0, plot.left() - kAxisLabelGap, metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, minutesText(tick));
    }

    const double slot = plot.width() / static_cast<double>(m_buckets.size());
    const double barWidth = UsageViewRules::barWidth(plot.width(), static_cast<int>(m_buckets.size()));
    for (const UsageAggregatedBarBucket &bucket : std::as_const(m_buckets)) {
        const double x = plot.left() + *xPosition(bucket.label);
        painter.setPen(gridPen);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const double top = plot.top() + yPosition(bucket.duration / 60.0).value_or(0.0);
        if (top < plot.bottom()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kBarColor);
            painter.drawRoundedRect(QRectF(x - barWidth / 2.0, top, barWidth, plot.bottom() - top),
                                    std::min(kBarRadius, (plot.bottom() - top) / 2.0), kBarRadius);
        }
        // A label too wide for its slot shrinks to 80 % and is then cut.
        QFont font = axisFont();
        if (metrics.horizontalAdvance(bucket.label) > slot)
            font.setPixelSize(8);
        painter.setFont(font);
        painter.setPen(colors.secondaryLabel);
        const QString text = QFontMetricsF(font).elidedText(bucket.label, Qt::ElideRight, slot);
        painter.drawText(QRectF(x - slot / 2.0, plot.bottom() + 2.0, slot, kXLabelHeight - 2.0),
                         Qt::AlignHCenter | Qt::AlignTop, text);
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(gridPen);
    painter.drawRect(plot);
}

} // namespace devnook
