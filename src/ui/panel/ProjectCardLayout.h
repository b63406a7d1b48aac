#pragma once

#include "ProjectListModel.h"
#include "ui/kit/TooltipGeometry.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>

namespace devnook {

// The fonts a project card is set in, made once per list.
struct CardFonts {
    QFont name;
    QFont badge;
    QFont path;
    QFont footerTitle;
    QFont sectionTitle;
    QFont count;

    CardFonts();
};

// One part of a card that the pointer can hover or click.
struct CardZone {
    enum class Kind {
        archiveMark,
        pinMark,
        devicePreviewMark,
        stateIndicator,
        notesMark,
        clientBadge,
        stackBadge,
        gitBadge,
        envBadge,
        menuButton,
        actionButton,
    };

    Kind kind = Kind::menuButton;
    QRectF rect;
    // The badge's or indicator's text.
    QString text;
    QString tooltip;
    TooltipPlacement placement = TooltipPlacement::top;
    // The action button's position in the bar.
    qsizetype buttonIndex = -1;
    // False for marks that only carry a tooltip.
    bool isClickable = true;
};

// Where everything of one card goes, in the list's viewport coordinates. The
// painter draws exactly these rectangles and the view hit-tests them.
struct ProjectCardLayout {
    static constexpr qreal kListPadding = 18;
    static constexpr qreal kPadding = 14;
    static constexpr qreal kRowSpacing = 10;
    static constexpr qreal kTitleHeight = 22;
    static constexpr qreal kBadgeHeight = 20;
    static constexpr qreal kPathHeight = 14;
    static constexpr qreal kBarSpacing = 12;
    static constexpr qreal kButtonSide = 32;
    static constexpr qreal kButtonSpacing = 10;
    static constexpr qreal kFooterHeight = 32;
    static constexpr qreal kSectionHeight = 42;

    QRectF card;
    QRectF name;
    QString elidedName;
    QRectF path;
    QString elidedPath;
    QRectF footer;
    QList<CardZone> zones;

    // The localisation key of the state indicator's title.
    static QString stateTitleKey(DevProcessState state);
    // The height of a card's row, the spacing below it included.
    static int rowHeight(const ProjectRowDisplay &display);
    static ProjectCardLayout of(const ProjectListModel::ProjectRow &row, const QRect &itemRect,
                                const CardFonts &fonts);
    // The zone under a point, or null.
    const CardZone *zoneAt(const QPointF &point) const;
};

} // namespace devnook
