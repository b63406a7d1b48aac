#include "ProjectCardLayout.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr qreal kMarkSpacing = 6;
constexpr qreal kCapsulePaddingX = 7;
constexpr qreal kCapsuleGap = 4;
constexpr qreal kBadgeIcon = 8;
constexpr qreal kDot = 5;
constexpr qreal kMenuWidth = 28;
constexpr qreal kMenuHeight = 24;
constexpr qreal kMinBadgeText = 24;

} // namespace

QString ProjectCardLayout::stateTitleKey(DevProcessState state)
{
    switch (state) {
    case DevProcessState::starting:
        return u"process_starting_short"_s;
    case DevProcessState::running:
        return u"process_running_short"_s;
    case DevProcessState::failed:
        return u"process_failed_short"_s;
    case DevProcessState::stopped:
        break;
    }
    return u"process_stopped_short"_s;
}

CardFonts::CardFonts()
    : name(Kit::font(17, QFont::DemiBold)), badge(Kit::font(11, QFont::Medium)), path(Kit::font(11)),
      footerTitle(Kit::font(12, QFont::DemiBold)), sectionTitle(Kit::font(15, QFont::DemiBold)),
      count(Kit::font(11, QFont::DemiBold))
{}

int ProjectCardLayout::rowHeight(const ProjectRowDisplay &display)
{
    qreal height = 2 * kPadding + kTitleHeight + kPathHeight;
    height += display.hasBadgeMetadata ? 8 + kBadgeHeight + 8 : 4;
    if (display.showsActionBar)
        height += kBarSpacing + kButtonSide;
    if (display.showsFolderMissingFooter)
        height += kBarSpacing + kFooterHeight;
    return qCeil(height + kRowSpacing);
}

ProjectCardLayout ProjectCardLayout::of(const ProjectListModel::ProjectRow &row, const QRect &itemRect,
                                        const CardFonts &fonts)
{
    const ProjectRowContext &context = row.context;
    const ProjectRowDisplay &display = row.display;
    const DevProject &project = context.project;
    ProjectCardLayout layout;
    layout.card = QRectF(itemRect.left() + kListPadding, itemRect.top(), itemRect.width() - 2 * kListPadding,
                         itemRect.height() - kRowSpacing);
    const QRectF inner = layout.card.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QFontMetricsF badgeMetrics(fonts.badge);

    layout.zones.append(CardZone{CardZone::Kind::menuButton,
                                 QRectF(inner.right() - kMenuWidth, inner.top() - 1, kMenuWidth, kMenuHeight),
                                 QString(), QString(), TooltipPlacement::top, -1, true});

    // The title line: the name, then its marks; the name gives way to them.
    const qreal titleCenter = inner.top() + kTitleHeight / 2;
    QList<CardZone> marks;
    const auto mark = [&](CardZone::Kind kind, qreal side, const QString &tooltip, TooltipPlacement placement,
                          bool clickable) {
        marks.append(CardZone{
            kind, QRectF(0, titleCenter - side / 2, side, side), {}, tooltip, placement, -1, clickable});
    };
    if (display.titleMark == TitleMark::archived)
        mark(CardZone::Kind::archiveMark, 11, L10n::text(u"archived_project"_s), TooltipPlacement::top,
             false);
    else if (display.titleMark == TitleMark::pinned)
        mark(CardZone::Kind::pinMark, 10, L10n::text(u"unpin_project"_s), TooltipPlacement::top, true);
    if (display.showsDevicePreviewMark)
        mark(CardZone::Kind::devicePreviewMark, 11, display.devicePreviewTooltip, TooltipPlacement::bottom,
             true);
    if (display.showsStateIndicator) {
        const QString title = L10n::text(stateTitleKey(context.processState));
        const qreal width = 2 * kCapsulePaddingX + kDot + kCapsuleGap + badgeMetrics.horizontalAdvance(title);
        marks.append(CardZone{CardZone::Kind::stateIndicator,
                              QRectF(0, titleCenter - kBadgeHeight / 2, width, kBadgeHeight), title,
                              QString(), TooltipPlacement::top});
    }
    if (display.showsNotesMark)
        mark(CardZone::Kind::notesMark, 11, L10n::text(u"project_has_notes"_s), TooltipPlacement::bottom,
             true);
    qreal marksWidth = 0;
    for (const CardZone &zone : std::as_const(marks))
        marksWidth += kMarkSpacing + zone.rect.width();
    const qreal nameRoom = std::max<qreal>(0, inner.width() - kMenuWidth - 8 - marksWidth);
    const QFontMetricsF nameMetrics(fonts.name);
    layout.elidedName = nameMetrics.elidedText(project.name, Qt::ElideRight, nameRoom);
    layout.name =
        QRectF(inner.left(), inner.top(), nameMetrics.horizontalAdvance(layout.elidedName) + 1, kTitleHeight);
    qreal x = layout.name.right();
    for (CardZone &zone : marks) {
        x += kMarkSpacing;
        zone.rect.moveLeft(x);
        x = zone.rect.right();
        layout.zones.append(zone);
    }

    qreal y = inner.top() + kTitleHeight;
    if (display.hasBadgeMetadata) {
        y += 8;
        qreal bx = inner.left();
        const auto badge = [&](CardZone::Kind kind, const QString &text, qreal extra, const QString &tooltip,
                               bool clickable) {
            const qreal chrome = 2 * kCapsulePaddingX + kBadgeIcon + kCapsuleGap + extra;
            const qreal room = inner.right() - bx;
            // A badge without room for a few letters is left out of the line.
            if (room < chrome + kMinBadgeText)
                return;
            const qreal width = std::min(
                {chrome + badgeMetrics.horizontalAdvance(text) + 1, chrome + inner.width() / 2, room});
            layout.zones.append(CardZone{kind, QRectF(bx, y, width, kBadgeHeight), text, tooltip,
                                         TooltipPlacement::bottom, -1, clickable});
            bx += width + kMarkSpacing;
        };
        if (display.showsClientBadge)
            badge(CardZone::Kind::clientBadge, project.client, 0, QString(), true);
        if (display.showsStackBadge)
            badge(CardZone::Kind::stackBadge, project.stack, 0, QString(), true);
        if (context.gitStatus)
            badge(CardZone::Kind::gitBadge, context.gitStatus->branch, kCapsuleGap + kDot, display.gitTooltip,
                  false);
        if (context.envProfile)
            badge(CardZone::Kind::envBadge, display.envBadgeText, 0, display.envTooltip, true);
        y += kBadgeHeight + 8;
    } else {
        y += 4;
    }
    const QFontMetricsF pathMetrics(fonts.path);
    layout.path = QRectF(inner.left(), y, inner.width() - kMenuWidth - 8, kPathHeight);
    layout.elidedPath = pathMetrics.elidedText(project.folderPath, Qt::ElideMiddle, layout.path.width());
    y += kPathHeight;

    if (display.showsActionBar) {
        y += kBarSpacing;
        for (qsizetype i = 0; i < row.actionBar.size(); ++i) {
            const RowActionButton &button = row.actionBar[i];
            layout.zones.append(CardZone{
                CardZone::Kind::actionButton,
                QRectF(inner.left() + i * (kButtonSide + kButtonSpacing), y, kButtonSide, kButtonSide),
                L10n::text(button.titleKey), L10n::text(button.tooltipKey), TooltipPlacement::top, i});
        }
        y += kButtonSide;
    }
    if (display.showsFolderMissingFooter)
        layout.footer = QRectF(inner.left(), y + kBarSpacing, inner.width(), kFooterHeight);
    return layout;
}

const CardZone *ProjectCardLayout::zoneAt(const QPointF &point) const
{
    for (const CardZone &zone : zones)
        if (zone.rect.contains(point))
            return &zone;
    return nullptr;
}

} // namespace devnook
