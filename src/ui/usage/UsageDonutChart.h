#pragma once

#include "UsageChartHover.h"
#include "core/usage/UsageChartTooltip.h"
#include "core/usage/UsageRecords.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace devnook {

// The ring of the distribution: one sector per slice from the top clockwise,
// with the period's total in the hole. The sector under the pointer shows its
// tooltip.
class UsageDonutRing final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 180;

    explicit UsageDonutRing(QWidget *parent = nullptr);
    void setSlices(const QList<UsageDistributionSlice> &slices, double totalDuration);
    const std::optional<UsageChartCursorTooltip> &activeTooltip() const { return m_hover.tooltip(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<UsageDonutSegmentLayout> m_layouts;
    double m_totalDuration = 0.0;
    UsageChartHover m_hover;
};

// The donut with a legend of its first eight slices at the right, centred
// beside the ring; without slices only the no-data text. New slices update
// the legend's rows in place.
class UsageDistributionDonutChart final : public QWidget {
    Q_OBJECT

public:
    explicit UsageDistributionDonutChart(QWidget *parent = nullptr);
    void setSlices(const QList<UsageDistributionSlice> &slices, double totalDuration);

private:
    struct LegendRow {
        QWidget *row;
        QLabel *swatch;
        QLabel *label;
        QLabel *share;
    };

    UsageDonutRing *m_ring;
    QWidget *m_chart;
    QWidget *m_noData;
    QList<LegendRow> m_legendRows;
};

} // namespace devnook
