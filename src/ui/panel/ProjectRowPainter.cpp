#include "ProjectRowPainter.h"

#include "ProjectListView.h"
#include "core/foundation/L10n.h"
#include "core/projects/HexColor.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Palette.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr qreal kRadius = 8;

QColor rgb(quint64 hex)
{
    return QColor::fromRgb(static_cast<QRgb>(hex & 0xFFFFFF));
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

// The status dot and the capsule behind a process state.
struct StateColors {
    QColor dot;
    QColor background;
};

StateColors stateColors(DevProcessState state, const ThemePalette &colors)
{
    switch (state) {
    case DevProcessState::starting:
        return {rgb(0xF59E0B), rgb(0xFEF3C7)};
    case DevProcessState::running:
        return {rgb(0x22C55E), rgb(0xDCFCE7)};
    case DevProcessState::failed:
        return {rgb(0xEF4444), rgb(0xFEE2E2)};
    case DevProcessState::stopped:
        break;
    }
    return {colors.tertiaryLabel, withOpacity(colors.quaternaryLabel, 0.22)};
}

QColor borderColor(CardBorder border, const ThemePalette &colors)
{
    switch (border) {
    case CardBorder::folderMissing:
        return withOpacity(colors.orange, 0.65);
    case CardBorder::running:
        return rgb(0x00DC82);
    case CardBorder::starting:
        return rgb(0xF59E0B);
    case CardBorder::plain:
        break;
    }
    return withOpacity(colors.separator, 0.8);
}

QColor devicePreviewMarkColor(const ProjectRowDisplay &display, const ThemePalette &colors)
{
    switch (display.devicePreviewMarkColor) {
    case DevicePreviewMarkColor::green:
        return colors.green;
    case DevicePreviewMarkColor::secondary:
        return colors.secondaryLabel;
    case DevicePreviewMarkColor::red:
        break;
    }
    return colors.red;
}

void drawCapsule(QPainter &painter, const QRectF &rect, const QColor &fill)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, rect.height() / 2, rect.height() / 2);
}

void drawDot(QPainter &painter, const QPointF &center, const QColor &color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(center, 2.5, 2.5);
}

} // namespace

ProjectRowPainter::ProjectRowPainter(const ProjectListModel &model, const ProjectListView &view)
    : QStyledItemDelegate(const_cast<ProjectListView *>(&view)), m_model(model), m_view(view)
{}

QRect ProjectRowPainter::contentRect(const QRect &itemRect, int row) const
{
    QRect rect = itemRect;
    if (row == 0)
        rect.setTop(rect.top() + kTopPadding);
    if (row == m_model.rowCount() - 1)
        rect.setBottom(rect.bottom() - kBottomPadding);
    return rect;
}

QSize ProjectRowPainter::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const int row = index.row();
    int height = m_model.kind(row) == ProjectListModel::Kind::section
                     ? static_cast<int>(ProjectCardLayout::kSectionHeight)
                     : ProjectCardLayout::rowHeight(m_model.project(row).display);
    if (row == 0)
        height += kTopPadding;
    if (row == m_model.rowCount() - 1)
        height += kBottomPadding;
    return {m_view.viewport()->width(), height};
}

ProjectCardLayout ProjectRowPainter::layoutOf(int row, const QRect &itemRect) const
{
    return ProjectCardLayout::of(m_model.project(row), contentRect(itemRect, row), m_fonts);
}

const QPixmap &ProjectRowPainter::symbol(const QString &name, const QColor &color, int size,
                                         qreal ratio) const
{
    const QString key = name + u'|' + QString::number(color.rgba(), 16) + u'|' + QString::number(size) +
                        u'|' + QString::number(ratio);
    auto found = m_symbols.find(key);
    if (found == m_symbols.end())
        found = m_symbols.insert(key, Icons::pixmap(name, color, size, ratio));
    return *found;
}

void ProjectRowPainter::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const ThemePalette &colors = Palette::of(option.palette);
    const qreal ratio = painter->device()->devicePixelRatioF();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_model.kind(index.row()) == ProjectListModel::Kind::section)
        paintSection(*painter, option.rect, index.row(), colors, ratio);
    else
        paintCard(*painter, option.rect, index.row(), colors, ratio);
    painter->restore();
}

void ProjectRowPainter::paintSection(QPainter &painter, const QRect &itemRect, int row,
                                     const ThemePalette &colors, qreal ratio) const
{
    const ProjectListModel::SectionRow &section = m_model.section(row);
    const QRectF rect =
        QRectF(contentRect(itemRect, row))
            .adjusted(ProjectCardLayout::kListPadding, 14, -ProjectCardLayout::kListPadding, -8);
    painter.setFont(m_fonts.sectionTitle);
    painter.setPen(colors.label);
    const QFontMetricsF titleMetrics(m_fonts.sectionTitle);
    const QString count = QString::number(section.count);
    const QFontMetricsF countMetrics(m_fonts.count);
    const qreal countWidth = countMetrics.horizontalAdvance(count) + 12;
    const QString title =
        titleMetrics.elidedText(section.title, Qt::ElideRight, rect.width() - countWidth - 30);
    const qreal titleWidth = titleMetrics.horizontalAdvance(title);
    painter.drawText(QRectF(rect.left(), rect.top(), titleWidth + 1, rect.height()), Qt::AlignVCenter, title);

    const QRectF capsule(rect.left() + titleWidth + 6, rect.center().y() - 8, countWidth, 16);
    drawCapsule(painter, capsule, rgb(section.colorHex.value_or(0x212121)));
    const ProjectGroupSection model{section.id, section.title, section.colorHex, {}};
    const std::optional<quint32> countColor = model.countTextColor();
    painter.setPen(countColor ? rgb(*countColor) : colors.windowBackground);
    painter.setFont(m_fonts.count);
    painter.drawText(capsule, Qt::AlignCenter, count);

    const QString chevron = section.isCollapsed ? u"chevron.right"_s : u"chevron.down"_s;
    painter.drawPixmap(QPointF(rect.right() - 11, rect.center().y() - 5),
                       symbol(chevron, colors.tertiaryLabel, 10, ratio));
}

void ProjectRowPainter::paintCard(QPainter &painter, const QRect &itemRect, int row,
                                  const ThemePalette &colors, qreal ratio) const
{
    const ProjectListModel::ProjectRow &entry = m_model.project(row);
    const ProjectCardLayout layout = layoutOf(row, itemRect);
    const QRectF card = layout.card.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(borderColor(entry.display.border, colors), 1));
    painter.setBrush(colors.controlBackground);
    painter.drawRoundedRect(card, kRadius, kRadius);

    painter.setPen(colors.label);
    painter.setFont(m_fonts.name);
    painter.drawText(layout.name, Qt::AlignVCenter | Qt::TextSingleLine, layout.elidedName);

    const bool missing = entry.context.isFolderMissing;
    painter.setPen(missing ? colors.orange : colors.tertiaryLabel);
    painter.setFont(m_fonts.path);
    painter.drawText(layout.path, Qt::AlignVCenter | Qt::TextSingleLine, layout.elidedPath);

    const HoverState hover = m_view.hoverState();
    for (qsizetype i = 0; i < layout.zones.size(); ++i)
        paintZone(painter, layout.zones[i], entry, hover.row == row && hover.zone == i, colors, ratio);

    if (!layout.footer.isEmpty()) {
        const QRectF footer = layout.footer;
        painter.drawPixmap(footer.topLeft() + QPointF(0, 1),
                           symbol(u"exclamationmark.triangle.fill"_s, colors.orange, 12, ratio));
        painter.setPen(colors.orange);
        painter.setFont(m_fonts.footerTitle);
        painter.drawText(QRectF(footer.left() + 18, footer.top(), footer.width() - 18, 15), Qt::AlignVCenter,
                         L10n::text(u"folder_not_found"_s));
        painter.setPen(colors.secondaryLabel);
        painter.setFont(m_fonts.path);
        painter.drawText(QRectF(footer.left() + 18, footer.top() + 17, footer.width() - 18, 14),
                         Qt::AlignVCenter, L10n::text(u"folder_not_found_hint"_s));
    }
}

void ProjectRowPainter::paintZone(QPainter &painter, const CardZone &zone,
                                  const ProjectListModel::ProjectRow &entry, bool hovered,
                                  const ThemePalette &colors, qreal ratio) const
{
    const QRectF rect = zone.rect;
    const auto icon = [&](const QString &name, const QColor &color, int size) {
        painter.drawPixmap(QPointF(rect.center().x() - size / 2.0, rect.center().y() - size / 2.0),
                           symbol(name, color, size, ratio));
    };
    // A capsule badge: icon, text, then what follows the text.
    const auto badge = [&](const QString &iconName, const QColor &background, const QColor &foreground) {
        drawCapsule(painter, rect, background);
        painter.drawPixmap(QPointF(rect.left() + 7, rect.center().y() - 4),
                           symbol(iconName, foreground, 8, ratio));
        painter.setPen(foreground);
        painter.setFont(m_fonts.badge);
        const QRectF text(rect.left() + 19, rect.top(), rect.width() - 26, rect.height());
        const Qt::TextElideMode elide =
            zone.kind == CardZone::Kind::gitBadge ? Qt::ElideMiddle : Qt::ElideRight;
        const qreal room = zone.kind == CardZone::Kind::gitBadge ? text.width() - 9 : text.width();
        painter.drawText(text, Qt::AlignVCenter | Qt::TextSingleLine,
                         QFontMetricsF(m_fonts.badge).elidedText(zone.text, elide, room));
    };
    const QColor quietBadge = withOpacity(colors.tertiaryLabel, 0.22);
    switch (zone.kind) {
    case CardZone::Kind::archiveMark:
        icon(u"archivebox"_s, colors.tertiaryLabel, 11);
        break;
    case CardZone::Kind::pinMark:
        icon(u"pin.fill"_s, colors.secondaryLabel, 10);
        break;
    case CardZone::Kind::notesMark:
        icon(u"note.text"_s, colors.tertiaryLabel, 11);
        break;
    case CardZone::Kind::devicePreviewMark:
        icon(u"antenna.radiowaves.left.and.right"_s, devicePreviewMarkColor(entry.display, colors), 11);
        break;
    case CardZone::Kind::menuButton:
        icon(u"ellipsis"_s, hovered ? colors.label : colors.secondaryLabel, 18);
        break;
    case CardZone::Kind::stateIndicator: {
        const StateColors state = stateColors(entry.context.processState, colors);
        drawCapsule(painter, rect, state.background);
        drawDot(painter, QPointF(rect.left() + 9.5, rect.center().y()), state.dot);
        painter.setPen(rgb(0x212121));
        painter.setFont(m_fonts.badge);
        painter.drawText(rect.adjusted(16, 0, -7, 0), Qt::AlignVCenter | Qt::TextSingleLine, zone.text);
        break;
    }
    case CardZone::Kind::clientBadge:
        badge(u"person.fill"_s, rgb(entry.display.clientBadgeHex),
              rgb(HexColor::textColorOn(entry.display.clientBadgeHex)));
        break;
    case CardZone::Kind::stackBadge:
        badge(u"chevron.left.forwardslash.chevron.right"_s, rgb(ProjectRowRules::kStackBadgeHex),
              rgb(HexColor::textColorOn(ProjectRowRules::kStackBadgeHex)));
        break;
    case CardZone::Kind::gitBadge:
        badge(u"arrow.triangle.branch"_s, quietBadge, colors.secondaryLabel);
        drawDot(painter, QPointF(rect.right() - 9.5, rect.center().y()),
                rgb(entry.context.gitStatus && entry.context.gitStatus->isDirty ? 0xF59E0B : 0x22C55E));
        break;
    case CardZone::Kind::envBadge:
        badge(u"doc.text"_s, quietBadge, colors.secondaryLabel);
        break;
    case CardZone::Kind::actionButton:
        paintActionButton(painter, zone, entry.actionBar[zone.buttonIndex], hovered, colors, ratio);
        break;
    }
}

void ProjectRowPainter::paintActionButton(QPainter &painter, const CardZone &zone,
                                          const RowActionButton &button, bool hovered,
                                          const ThemePalette &colors, qreal ratio) const
{
    QColor iconColor = colors.secondaryLabel;
    QColor background = colors.controlBackground;
    QColor border = withOpacity(colors.separator, 0.55);
    if (button.disabled) {
        iconColor = colors.tertiaryLabel;
        background = withOpacity(colors.controlBackground, 0.25);
        border = withOpacity(colors.separator, 0.25);
    } else if (button.style == ActionButtonStyle::activeProcess) {
        iconColor = rgb(hovered ? 0x16A34A : 0x00DC82);
        background = withOpacity(rgb(hovered ? 0xBBF7D0 : 0xDCFCE7), hovered ? 0.18 : 0.10);
        border = hovered ? rgb(0x16A34A) : withOpacity(rgb(0x00DC82), 0.5);
    } else if (hovered) {
        iconColor = colors.label;
        background = withOpacity(colors.quaternaryLabel, 0.18);
    }
    const QRectF rect = zone.rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(border, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(rect, kRadius, kRadius);
    painter.drawPixmap(QPointF(rect.center().x() - 6, rect.center().y() - 6),
                       symbol(button.symbol, iconColor, 12, ratio));
}

} // namespace devnook
