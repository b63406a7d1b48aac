#pragma once

#include "ProjectCardLayout.h"

#include <QListView>
#include <optional>

namespace devnook {

class ProjectListModel;
class ProjectRowPainter;
class TooltipHover;

// Which part of which row the pointer is over.
struct HoverState {
    int row = -1;
    qsizetype zone = -1;

    bool operator==(const HoverState &) const = default;
};

// The scrolling project list: painted rows, hover and press on the parts of
// a card, tooltips through the window's tooltip layer.
class ProjectListView final : public QListView {
    Q_OBJECT

public:
    ProjectListView(ProjectListModel &model, QWidget *parent = nullptr);

    HoverState hoverState() const { return m_hover; }
    ProjectRowPainter &painter() const { return *m_painter; }
    // The layout of a project row as painted now, in viewport coordinates.
    ProjectCardLayout cardLayout(int row) const;

Q_SIGNALS:
    // Emitted on a click released on the zone it was pressed on.
    void zoneClicked(int row, const CardZone &zone);
    // Emitted on a click on a section header.
    void sectionClicked(const QString &sectionID);

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = {}) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Hit {
        HoverState where;
        std::optional<CardZone> zone;
        bool isSection = false;
    };

    Hit hitAt(const QPoint &point) const;
    void setHover(const Hit &hit);
    void showTooltip(bool visible, bool animated);

    ProjectListModel &m_model;
    ProjectRowPainter *m_painter = nullptr;
    TooltipHover *m_tooltipHover = nullptr;
    HoverState m_hover;
    std::optional<CardZone> m_hoveredZone;
    HoverState m_pressed;
};

} // namespace devnook
