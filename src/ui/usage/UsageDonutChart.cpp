#include "UsageDonutChart.h"

#include "UsageChartBubble.h"
#include "UsageShares.h"
#include "UsageViewRules.h"
#include "core/foundation/L10n.h"
#include "core/usage/UsageDonutChart.h"
#include "core/usage/UsageDurationFormatting.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {
// The hole's share of the radius, as the core's hit test counts it.
constexpr double kInnerRadiusShare = 0.62;
constexpr int kLegendRows = 8;
constexpr int kLegendWidth = 228;
constexpr int kShareColumnWidth = 48;
} // namespace

UsageDonutRing::UsageDonutRing(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"usageDonut"_s);
    setFixedSize(kSide, kSide);
    setMouseTracking(true);
}

void UsageDonutRing::setSlices(const QList<UsageDistributionSlice> &slices, double totalDuration)
{
    m_layouts = UsageDonutChartHitTesting::segmentLayouts(slices);
    m_totalDuration = totalDuration;
    m_tooltip.reset();
    update();
}

void UsageDonutRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double outer = std::min(width(), height()) / 2.0;
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QRectF outerRect(centre - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer));
    const double inner = kInnerRadiusShare * outer;
    const QRectF innerRect(centre - QPointF(inner, inner), QSizeF(2 * inner, 2 * inner));
    painter.setPen(Qt::NoPen);
    for (const UsageDonutSegmentLayout &layout : std::as_const(m_layouts)) {
        const double start = UsageViewRules::qtAngle(layout.startDegrees) / 16.0;
        const double span = UsageViewRules::qtSpan(layout.startDegrees, layout.endDegrees) / 16.0;
        QPainterPath sector;
        sector.arcMoveTo(outerRect, start);
        sector.arcTo(outerRect, start, span);
        sector.arcTo(innerRect, start + span, -span);
        sector.closeSubpath();
        painter.fillPath(sector, UsageShares::color(layout.slice.colorHex));
    }

    const ThemePalette &colors = Palette::of(palette());
    const QFont totalFont = Kit::font(15, QFont::DemiBold);
    const QFont captionFont = Kit::font(10, QFont::Medium);
    const double totalHeight = QFontMetricsF(totalFont).height();
    const double captionHeight = QFontMetricsF(captionFont).height();
    const double top = centre.y() - (totalHeight + 2 + captionHeight) / 2.0;
    painter.setFont(totalFont);
    painter.setPen(colors.label);
    painter.drawText(QRectF(0, top, width(), totalHeight), Qt::AlignCenter,
                     UsageDurationFormatting::format(m_totalDuration));
    painter.setFont(captionFont);
    painter.setPen(colors.secondaryLabel);
    painter.drawText(QRectF(0, top + totalHeight + 2, width(), captionHeight), Qt::AlignCenter,
                     L10n::text(u"usage_total_label"_s));
    if (m_tooltip)
        UsageChartBubble::paint(painter, *this, *m_tooltip);
}

void UsageDonutRing::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        return;
    const auto tooltip = UsageDonutChartHitTesting::tooltip(event->position(), size(), m_layouts);
    if (tooltip != m_tooltip) {
        m_tooltip = tooltip;
        update();
    }
}

void UsageDonutRing::leaveEvent(QEvent *)
{
    if (m_tooltip) {
        m_tooltip.reset();
        update();
    }
}

UsageDistributionDonutChart::UsageDistributionDonutChart(QWidget *parent)
    : QWidget(parent), m_ring(new UsageDonutRing), m_chart(new QWidget(this)),
      m_noData(new QLabel(L10n::text(u"usage_no_data"_s), this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_noData->setFont(Kit::font(13));
    Kit::setTextRole(m_noData, Kit::TextRole::kSecondary);
    column->addWidget(m_noData);
    column->addWidget(m_chart);
    auto *row = new QHBoxLayout(m_chart);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_ring);
    row->addStretch(1);
    row->addSpacing(16);
}

void UsageDistributionDonutChart::setSlices(const QList<UsageDistributionSlice> &slices, double totalDuration)
{
    m_noData->setVisible(slices.isEmpty());
    m_chart->setVisible(!slices.isEmpty());
    m_ring->setSlices(slices, totalDuration);
    auto *row = static_cast<QHBoxLayout *>(m_chart->layout());
    if (m_legend) {
        row->removeWidget(m_legend);
        m_legend->deleteLater();
    }
    m_legend = new QWidget(m_chart);
    m_legend->setObjectName(u"legend"_s);
    auto *legend = new QVBoxLayout(m_legend);
    legend->setContentsMargins(0, 0, 0, 0);
    legend->setSpacing(8);
    for (const UsageDistributionSlice &slice :
         slices.first(std::min<qsizetype>(slices.size(), kLegendRows))) {
        auto *entry = new QWidget(m_legend);
        entry->setFixedWidth(kLegendWidth);
        auto *line = new QHBoxLayout(entry);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        line->addWidget(UsageShares::makeSwatch(slice.colorHex, entry));
        auto *label = new QLabel(slice.label, entry);
        label->setFont(Kit::font(12, QFont::Medium));
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        line->addWidget(label, 1);
        auto *share = new QLabel(UsageShares::percentText(slice.percentage), entry);
        share->setFont(Kit::font(11));
        share->setFixedWidth(kShareColumnWidth);
        share->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Kit::setTextRole(share, Kit::TextRole::kSecondary);
        line->addWidget(share);
        legend->addWidget(entry);
    }
    row->addWidget(m_legend);
}

} // namespace devnook
