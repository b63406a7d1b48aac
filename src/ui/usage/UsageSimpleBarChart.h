#pragma once

#include "UsageChartHover.h"
#include "core/usage/UsageChartTooltip.h"
#include "core/usage/UsageRecords.h"

#include <QWidget>
#include <optional>

namespace devnook {

// Tracked time per bar in minutes: rounded bars on a framed, gridded plot
// with a duration scale at the left and a label under each bar. The bar under
// the pointer shows its tooltip; without buckets the chart is the no-data text.
class UsageSimpleBarChart final : public QWidget, public UsageChartCoordinateProxy {
    Q_OBJECT

public:
    static constexpr int kHeight = 220;

    explicit UsageSimpleBarChart(QWidget *parent = nullptr);

    void setBuckets(const QList<UsageAggregatedBarBucket> &buckets);
    const QList<UsageAggregatedBarBucket> &buckets() const { return m_buckets; }

    // The plot area in the widget's coordinates.
    QRectF plotFrame() const;
    // The tooltip shown now, if any.
    const std::optional<UsageChartCursorTooltip> &activeTooltip() const { return m_hover.tooltip(); }

    std::optional<double> xPosition(const QString &label) const override;
    std::optional<double> yPosition(double minutes) const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double axisTop() const;
    void paintChart(QPainter &painter);

    QList<UsageAggregatedBarBucket> m_buckets;
    QList<double> m_ticks;
    // The widest tick label, measured once per scale: the plot frame is asked
    // for at every bar and every pointer move.
    double m_tickLabelWidth = 0.0;
    UsageChartHover m_hover;
};

} // namespace devnook
