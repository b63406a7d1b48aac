#include "UsageViewRules.h"

#include "core/usage/UsageBarChart.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace devnook::UsageViewRules {

int moreSessionCount(int sessionCount, int visibleCount)
{
    return std::clamp(sessionCount - visibleCount, 0, kSessionPageSize);
}

int visibleCountAfterChange(int previousSessionCount, int sessionCount, int visibleCount)
{
    return previousSessionCount == sessionCount ? visibleCount : kSessionPageSize;
}

QString safeFileName(const QString &name)
{
    static const QString kUnsafe = uR"(/\?%*|"<>:)"_s;
    QString safe = name;
    for (QChar &character : safe) {
        if (kUnsafe.contains(character))
            character = u'-';
    }
    return safe.trimmed();
}

QString exportFileName(const QString &name, UsageExportFormat format)
{
    return safeFileName(name) + u"-usage."_s + UsageExportFormats::fileExtension(format);
}

QList<double> niceTicks(double largest, int maxSteps)
{
    // Labels read whole seconds at best: below a minute the axis still spans
    // one, so that no two labels read alike ("0m" five times for a second).
    const double top = largest > 0.0 && std::isfinite(largest) ? std::max(largest, 1.0) : 1.0;
    const int steps = std::max(1, maxSteps);
    const double rough = top / steps;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * magnitude;
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude * steps >= top) {
            step = factor * magnitude;
            break;
        }
    }
    QList<double> ticks;
    for (int i = 0; i <= steps; ++i) {
        ticks.append(step * i);
        if (step * i >= top)
            break;
    }
    return ticks;
}

double barWidth(double plotWidth, int count)
{
    if (count <= 0)
        return 0.0;
    const double slot = plotWidth / count;
    using namespace UsageBarChartHitTesting;
    return std::min(slot, std::max(slot * kSlotShare, kMinimumWidth));
}

int qtAngle(double degrees)
{
    return static_cast<int>(std::lround(-degrees * 16.0));
}

int qtSpan(double startDegrees, double endDegrees)
{
    return static_cast<int>(std::lround(-(endDegrees - startDegrees) * 16.0));
}

QPointF tooltipCentre(QPointF pointer, QSizeF bubble, QSizeF chart)
{
    constexpr double kAbovePointer = 12.0;
    constexpr double kMargin = 8.0;
    const auto clamp = [](double wanted, double half, double length) {
        return std::min(std::max(wanted, half + kMargin), length - kMargin - half);
    };
    return {clamp(pointer.x(), bubble.width() / 2.0, chart.width()),
            clamp(pointer.y() - kAbovePointer, bubble.height() / 2.0, chart.height())};
}

} // namespace devnook::UsageViewRules
