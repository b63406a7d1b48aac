#include "ProjectListView.h"

#include "ProjectListModel.h"
#include "ProjectRowPainter.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Tooltip.h"
#include "ui/kit/TooltipHover.h"

#include <QMouseEvent>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectListView::ProjectListView(ProjectListModel &model, QWidget *parent) : QListView(parent), m_model(model)
{
    setObjectName(u"projectListView"_s);
    Kit::setRole(this, Kit::Role::kGrouped);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    setResizeMode(QListView::Adjust);
    verticalScrollBar()->setSingleStep(24);
    setModel(&m_model);
    m_painter = new ProjectRowPainter(m_model, *this);
    setItemDelegate(m_painter);
    m_tooltipHover = new TooltipHover(this);
    connect(m_tooltipHover, &TooltipHover::visibilityChanged, this, &ProjectListView::showTooltip);
    // A row that changes under the pointer takes its hover away.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { setHover({}); });
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, [this] { setHover({}); });
}

ProjectCardLayout ProjectListView::cardLayout(int row) const
{
    return m_painter->layoutOf(row, visualRect(m_model.index(row)));
}

ProjectListView::Hit ProjectListView::hitAt(const QPoint &point) const
{
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return {};
    const int row = index.row();
    if (m_model.kind(row) == ProjectListModel::Kind::section)
        return {{row, -1}, std::nullopt, true};
    const ProjectCardLayout layout = cardLayout(row);
    for (qsizetype i = 0; i < layout.zones.size(); ++i)
        if (layout.zones[i].rect.contains(point))
            return {{row, i}, layout.zones[i], false};
    return {{row, -1}, std::nullopt, false};
}

void ProjectListView::setHover(const Hit &hit)
{
    const HoverState next = hit.zone ? hit.where : HoverState{};
    setCursor(hit.isSection || (hit.zone && hit.zone->isClickable) ? Qt::PointingHandCursor
                                                                   : Qt::ArrowCursor);
    if (next == m_hover)
        return;
    const HoverState previous = m_hover;
    m_hover = next;
    m_hoveredZone = hit.zone;
    for (const int row : {previous.row, next.row})
        if (row >= 0 && row < m_model.rowCount())
            viewport()->update(visualRect(m_model.index(row)));
    m_tooltipHover->pointerLeft();
    if (m_hoveredZone && !m_hoveredZone->tooltip.isEmpty())
        m_tooltipHover->pointerEntered();
}

void ProjectListView::showTooltip(bool visible, bool animated)
{
    TooltipRoot *root = TooltipRoot::of(this);
    if (!root)
        return;
    if (!visible || !m_hoveredZone) {
        root->dismiss(this, animated);
        return;
    }
    const QRect frame = m_hoveredZone->rect.toAlignedRect();
    const QPoint topLeft = viewport()->mapTo(window(), frame.topLeft());
    root->present(this, TooltipPayload{m_hoveredZone->tooltip, QRectF(QRect(topLeft, frame.size())),
                                       m_hoveredZone->placement});
}

void ProjectListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                  const QList<int> &roles)
{
    // The list view lays out all 500 rows again after any change; a change
    // that keeps the height only needs the row painted.
    if (roles == QList<int>{ProjectListModel::kSameHeightRole})
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    else
        QListView::dataChanged(topLeft, bottomRight, roles);
}

void ProjectListView::mouseMoveEvent(QMouseEvent *event)
{
    setHover(hitAt(event->position().toPoint()));
}

void ProjectListView::mousePressEvent(QMouseEvent *event)
{
    const Hit hit = hitAt(event->position().toPoint());
    m_pressed =
        event->button() == Qt::LeftButton && (hit.zone || hit.isSection) ? hit.where : HoverState{-2, -2};
    m_tooltipHover->controlDisappeared();
}

void ProjectListView::mouseReleaseEvent(QMouseEvent *event)
{
    const Hit hit = hitAt(event->position().toPoint());
    const bool sameTarget = event->button() == Qt::LeftButton && hit.where == m_pressed;
    m_pressed = {-2, -2};
    if (!sameTarget)
        return;
    if (hit.isSection)
        Q_EMIT sectionClicked(m_model.section(hit.where.row).id);
    else if (hit.zone && hit.zone->isClickable)
        Q_EMIT zoneClicked(hit.where.row, *hit.zone);
}

void ProjectListView::leaveEvent(QEvent *event)
{
    setHover({});
    QListView::leaveEvent(event);
}

void ProjectListView::hideEvent(QHideEvent *event)
{
    m_tooltipHover->controlDisappeared();
    QListView::hideEvent(event);
}

} // namespace devnook
