#include "UsageBreakdownTable.h"

#include "UsageShares.h"
#include "core/foundation/L10n.h"
#include "core/usage/UsageDurationFormatting.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
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
constexpr int kClientGap = 6;
constexpr int kSymbolGap = 4;
constexpr int kSymbolSize = 11;

QFont nameFont()
{
    return Kit::font(13, QFont::Medium);
}

QFont clientFont()
{
    return Kit::font(13);
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

int UsageBreakdownTable::durationLeft() const
{
    return width() - kShareWidth - kCellSpacing - kDurationWidth;
}

UsageBreakdownTable::NameCell UsageBreakdownTable::nameCell(int index) const
{
    const Row &row = m_rows[index];
    const QRect frame = rowRect(index);
    const int left = kSwatch + kCellSpacing;
    const int right = durationLeft() - kCellSpacing;
    const QFontMetrics nameMetrics(nameFont());
    NameCell cell;
    cell.name = nameMetrics.elidedText(row.name, Qt::ElideRight, right - left);
    cell.nameRect = QRect(left, frame.top(), nameMetrics.horizontalAdvance(cell.name), frame.height());
    if (!row.clientName)
        return cell;
    // The client in parentheses, then the symbol; the client gives way first.
    const int clientLeft = cell.nameRect.right() + 1 + kClientGap;
    const QFontMetrics clientMetrics(clientFont());
    cell.client = clientMetrics.elidedText(u'(' + *row.clientName + u')', Qt::ElideRight,
                                           std::max(0, right - clientLeft - kSymbolGap - kSymbolSize));
    cell.clientRect =
        QRect(clientLeft, frame.top(), clientMetrics.horizontalAdvance(cell.client), frame.height());
    if (cell.client.isEmpty())
        return cell;
    cell.symbolRect = QRect(cell.clientRect.right() + 1 + kSymbolGap, frame.center().y() - kSymbolSize / 2,
                            kSymbolSize, kSymbolSize);
    return cell;
}

QRect UsageBreakdownTable::clientSymbolRect(int index) const
{
    if (index < 0 || index >= m_rows.size())
        return {};
    return nameCell(index).symbolRect;
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

void UsageBreakdownTable::paintEvent(QPaintEvent *event)
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
    const int durationLeft = this->durationLeft();
    const QFont headerFont = Kit::font(11, QFont::DemiBold);
    painter.setFont(headerFont);
    painter.setPen(colors.secondaryLabel);
    const int headerTextHeight = QFontMetrics(headerFont).height();
    painter.drawText(QRect(durationLeft, 0, kDurationWidth, headerTextHeight),
                     Qt::AlignRight | Qt::AlignVCenter, L10n::text(u"usage_table_duration"_s));
    painter.drawText(QRect(shareLeft, 0, kShareWidth, headerTextHeight), Qt::AlignRight | Qt::AlignVCenter,
                     L10n::text(u"usage_table_share"_s));
    painter.fillRect(QRect(0, headerHeight() - 1, width(), 1), colors.separator);

    // Hundreds of rows, of which the scroll area shows a few.
    const int rowPitch = rowHeight() + kDividerSpace;
    const int first = std::max(0, (event->rect().top() - headerHeight()) / rowPitch);
    const int last = std::min<int>(static_cast<int>(m_rows.size()) - 1,
                                   (event->rect().bottom() - headerHeight()) / rowPitch + 1);
    for (int i = first; i <= last; ++i) {
        const Row &row = m_rows[i];
        const QRect frame = rowRect(i);
        if (i > 0)
            painter.fillRect(QRect(0, frame.top() - 3, width(), 1), colors.separator);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(UsageShares::color(row.colorHex));
        painter.drawEllipse(QRectF(0, frame.center().y() - kSwatch / 2.0 + 0.5, kSwatch, kSwatch));
        painter.setRenderHint(QPainter::Antialiasing, false);

        const NameCell cell = nameCell(i);
        painter.setFont(nameFont());
        painter.setPen(colors.label);
        painter.drawText(cell.nameRect, Qt::AlignLeft | Qt::AlignVCenter, cell.name);
        if (!cell.client.isEmpty()) {
            painter.setFont(clientFont());
            painter.setPen(colors.secondaryLabel);
            painter.drawText(cell.clientRect, Qt::AlignLeft | Qt::AlignVCenter, cell.client);
        }
        if (!cell.symbolRect.isEmpty()) {
            const qreal ratio = devicePixelRatioF();
            if (m_symbol.isNull() || m_symbol.devicePixelRatio() != ratio ||
                m_symbolColor != colors.secondaryLabel) {
                m_symbol = Icons::pixmap(u"eye"_s, colors.secondaryLabel, kSymbolSize, ratio);
                m_symbolColor = colors.secondaryLabel;
            }
            painter.drawPixmap(cell.symbolRect.topLeft(), m_symbol);
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
