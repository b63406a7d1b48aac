#include "UsageBreakdownTable.h"

#include "UsageShares.h"
#include "core/foundation/L10n.h"
#include "core/usage/UsageDurationFormatting.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kDurationWidth = 88;
constexpr int kShareWidth = 56;
constexpr int kCellSpacing = 10;
constexpr int kSwatch = 8;
constexpr int kRowPadding = 8;
// A divider between rows, with 2 of space above and below it.
constexpr int kDividerSpace = 5;

QFont nameFont()
{
    return Kit::font(13, QFont::Medium);
}

} // namespace

UsageBreakdownTable::UsageBreakdownTable(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"breakdownTable"_s);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void UsageBreakdownTable::setRows(UsageDistributionDimension dimension,
                                  const QList<UsageProjectTableRow> &projectRows,
                                  const QList<UsageDistributionSlice> &slices)
{
    m_rows.clear();
    if (dimension == UsageDistributionDimension::project) {
        for (const UsageProjectTableRow &row : projectRows)
            m_rows.append(
                Row{row.colorHex, row.projectName, row.clientName, row.duration, row.percentage, row});
    } else {
        for (const UsageDistributionSlice &slice : slices)
            m_rows.append(
                Row{slice.colorHex, slice.label, std::nullopt, slice.duration, slice.percentage, {}});
    }
    updateGeometry();
    update();
}

QStringList UsageBreakdownTable::rowNames() const
{
    QStringList names;
    for (const Row &row : m_rows)
        names.append(row.clientName ? row.name + u" ("_s + *row.clientName + u')' : row.name);
    return names;
}

int UsageBreakdownTable::headerHeight() const
{
    return QFontMetrics(Kit::font(11, QFont::DemiBold)).height() + kRowPadding + 1;
}

int UsageBreakdownTable::rowHeight() const
{
    return std::max(QFontMetrics(nameFont()).height(), kSwatch) + 2 * kRowPadding;
}

QRect UsageBreakdownTable::rowRect(int index) const
{
    if (index < 0 || index >= m_rows.size())
        return {};
    return QRect(0, headerHeight() + index * (rowHeight() + kDividerSpace), width(), rowHeight());
}

int UsageBreakdownTable::rowAt(QPointF point) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (rowRect(i).contains(point.toPoint()))
            return i;
    }
    return -1;
}

QSize UsageBreakdownTable::sizeHint() const
{
    if (m_rows.isEmpty())
        return {200, QFontMetrics(Kit::font(13)).height()};
    const int rows = static_cast<int>(m_rows.size());
    return {400, headerHeight() + rows * rowHeight() + (rows - 1) * kDividerSpace};
}

QSize UsageBreakdownTable::minimumSizeHint() const
{
    return {200, sizeHint().height()};
}

void UsageBreakdownTable::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const ThemePalette &colors = Palette::of(palette());
    if (m_rows.isEmpty()) {
        painter.setFont(Kit::font(13));
        painter.setPen(colors.secondaryLabel);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, L10n::text(u"usage_no_data"_s));
        return;
    }
    const int shareLeft = width() - kShareWidth;
    const int durationLeft = shareLeft - kCellSpacing - kDurationWidth;
    const QFont headerFont = Kit::font(11, QFont::DemiBold);
    painter.setFont(headerFont);
    painter.setPen(colors.secondaryLabel);
    const int headerTextHeight = QFontMetrics(headerFont).height();
    painter.drawText(QRect(durationLeft, 0, kDurationWidth, headerTextHeight),
                     Qt::AlignRight | Qt::AlignVCenter, L10n::text(u"usage_table_duration"_s));
    painter.drawText(QRect(shareLeft, 0, kShareWidth, headerTextHeight), Qt::AlignRight | Qt::AlignVCenter,
                     L10n::text(u"usage_table_share"_s));
    painter.fillRect(QRect(0, headerHeight() - 1, width(), 1), colors.separator);

    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &row = m_rows[i];
        const QRect frame = rowRect(i);
        if (i > 0)
            painter.fillRect(QRect(0, frame.top() - 3, width(), 1), colors.separator);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(UsageShares::color(row.colorHex));
        painter.drawEllipse(QRectF(0, frame.center().y() - kSwatch / 2.0 + 0.5, kSwatch, kSwatch));
        painter.setRenderHint(QPainter::Antialiasing, false);

        const int nameLeft = kSwatch + kCellSpacing;
        QRect nameRect(nameLeft, frame.top(), durationLeft - kCellSpacing - nameLeft, frame.height());
        painter.setFont(nameFont());
        painter.setPen(colors.label);
        const QFontMetrics nameMetrics(nameFont());
        const QString name = nameMetrics.elidedText(row.name, Qt::ElideRight, nameRect.width());
        painter.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, name);
        if (row.clientName) {
            const int clientLeft = nameRect.left() + nameMetrics.horizontalAdvance(name) + 6;
            const QFont clientFont = Kit::font(13);
            painter.setFont(clientFont);
            painter.setPen(colors.secondaryLabel);
            const QRect clientRect(clientLeft, frame.top(), nameRect.right() - clientLeft, frame.height());
            painter.drawText(
                clientRect, Qt::AlignLeft | Qt::AlignVCenter,
                QFontMetrics(clientFont)
                    .elidedText(u'(' + *row.clientName + u')', Qt::ElideRight, clientRect.width()));
        }
        painter.setFont(Kit::font(12, QFont::Medium));
        painter.setPen(colors.label);
        painter.drawText(QRect(durationLeft, frame.top(), kDurationWidth, frame.height()),
                         Qt::AlignRight | Qt::AlignVCenter, UsageDurationFormatting::format(row.duration));
        painter.setFont(Kit::font(12));
        painter.setPen(colors.secondaryLabel);
        painter.drawText(QRect(shareLeft, frame.top(), kShareWidth, frame.height()),
                         Qt::AlignRight | Qt::AlignVCenter, UsageShares::percentText(row.percentage));
    }
}

void UsageBreakdownTable::mouseMoveEvent(QMouseEvent *event)
{
    const int index = rowAt(event->position());
    setCursor(index >= 0 && m_rows[index].project ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void UsageBreakdownTable::mouseReleaseEvent(QMouseEvent *event)
{
    const int index = rowAt(event->position());
    if (event->button() == Qt::LeftButton && index >= 0 && m_rows[index].project)
        Q_EMIT projectRowSelected(*m_rows[index].project);
}

} // namespace devnook
