#pragma once

#include "FormBlocks.h"

#include <QHash>
#include <QList>
#include <QUuid>
#include <functional>

namespace devnook {

// The handle at the leading edge of a reorderable row: dragging it moves the
// row; with the keyboard focus, Alt+Up and Alt+Down move it one place.
class DragHandle final : public SymbolLabel {
    Q_OBJECT

public:
    explicit DragHandle(QWidget *parent = nullptr);

Q_SIGNALS:
    // Emitted when a drag of the handle begins.
    void dragStarted();
    // Emitted with -1 or +1 when the row should move one place.
    void moveRequested(int step);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPoint m_pressPosition;
    bool m_pressed = false;
};

// The rows of one list editor in a form group, kept by record id: a sync
// creates rows for new records, deletes rows of removed ones and puts the rest
// in the list's order without rebuilding them, so a drag survives the moves
// it causes. Only drags started from this list's handles reorder it, and the
// drag state is cleared however the drag ends.
class ReorderableRows final : public QWidget {
    Q_OBJECT

public:
    using RowFactory = std::function<QWidget *(const QUuid &id)>;
    using Move = std::function<void(const QUuid &draggedID, const QUuid &destinationID)>;

    ReorderableRows(RowFactory makeRow, Move move, QWidget *parent = nullptr);

    // Shows one row per id, in order; the group is hidden while there is none.
    void sync(const QList<QUuid> &ids);
    // The row of a record; null when it has none.
    QWidget *row(const QUuid &id) const { return m_rows.value(id); }
    // Starts dragging the row of a record; returns when the drag has ended.
    void dragRow(const QUuid &id);
    // The record being dragged; null while no drag of this list runs.
    QUuid draggedID() const { return m_draggedID; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool isOwnDrag(const QDropEvent *event) const;

    RowFactory m_makeRow;
    Move m_move;
    FormGroup *m_group;
    QHash<QUuid, QWidget *> m_rows;
    QList<QUuid> m_order;
    QUuid m_draggedID;
};

} // namespace devnook
