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
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {
constexpr int kLegendRows = 8;
constexpr int kLegendWidth = 228;
constexpr int kShareColumnWidth = 48;
} // namespace

UsageDonutRing::UsageDonutRing(QWidget *parent)
    : QWidget(parent), m_hover(*this, [this](QPointF point) {
          return UsageDonutChartHitTesting::tooltip(point, size(), m_layouts);
      })
{
    setObjectName(u"usageDonut"_s);
    setFixedSize(kSide, kSide);
}

void UsageDonutRing::setSlices(const QList<UsageDistributionSlice> &slices, double totalDuration)
{
    m_layouts = UsageDonutChartHitTesting::segmentLayouts(slices);
    m_totalDuration = totalDuration;
    m_hover.clear();
    update();
}

void UsageDonutRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double outer = std::min(width(), height()) / 2.0;
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QRectF outerRect(centre - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer));
    const double inner = UsageDonutChartHitTesting::kInnerRadiusShare * outer;
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
    if (const auto &tooltip = m_hover.tooltip())
        UsageChartBubble::paint(painter, *this, *tooltip);
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
    // At its own height beside the ring, so its rows stay 8 apart.
    auto *legend = new QWidget(m_chart);
    legend->setObjectName(u"legend"_s);
    auto *rows = new QVBoxLayout(legend);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    for (int i = 0; i < kLegendRows; ++i) {
        auto *entry = new QWidget(legend);
        entry->setObjectName(u"legendRow"_s);
        entry->setFixedWidth(kLegendWidth);
        auto *line = new QHBoxLayout(entry);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        QLabel *swatch = UsageShares::makeSwatch(entry);
        line->addWidget(swatch);
        // A label of the user's: shown as written, never as markup.
        auto *label = new QLabel(entry);
        label->setTextFormat(Qt::PlainText);
        label->setFont(Kit::font(12, QFont::Medium));
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        line->addWidget(label, 1);
        auto *share = new QLabel(entry);
        share->setFont(Kit::font(11));
        share->setFixedWidth(kShareColumnWidth);
        share->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Kit::setTextRole(share, Kit::TextRole::kSecondary);
        line->addWidget(share);
        rows->addWidget(entry);
        m_legendRows.append(LegendRow{entry, swatch, label, share});
    }
    row->addWidget(legend, 0, Qt::AlignVCenter);
}

void UsageDistributionDonutChart::setSlices(const QList<UsageDistributionSlice> &slices, double totalDuration)
{
    m_noData->setVisible(slices.isEmpty());
    m_chart->setVisible(!slices.isEmpty());
    m_ring->setSlices(slices, totalDuration);
    for (qsizetype i = 0; i < m_legendRows.size(); ++i) {
        const LegendRow &legend = m_legendRows[i];
        legend.row->setVisible(i < slices.size());
        if (i >= slices.size())
            continue;
        const UsageDistributionSlice &slice = slices[i];
        UsageShares::setSwatchColor(legend.swatch, slice.colorHex);
        legend.label->setText(slice.label);
        legend.share->setText(UsageShares::percentText(slice.percentage));
    }
}

} // namespace devnook
