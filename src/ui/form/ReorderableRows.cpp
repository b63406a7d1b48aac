#include "ReorderableRows.h"

#include "core/foundation/L10n.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

DragHandle::DragHandle(QWidget *parent) : SymbolLabel(u"line.3.horizontal"_s, 12, Tone::tertiary, parent)
{
    setFixedSize(16, 28);
    setCursor(Qt::OpenHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(L10n::text(u"drag_to_reorder"_s));
}

void DragHandle::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_pressPosition = event->position().toPoint();
}

void DragHandle::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed ||
        (event->position().toPoint() - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressed = false;
    Q_EMIT dragStarted();
}

void DragHandle::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::AltModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        Q_EMIT moveRequested(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    SymbolLabel::keyPressEvent(event);
}

ReorderableRows::ReorderableRows(RowFactory makeRow, Move move, QWidget *parent)
    : QWidget(parent), m_makeRow(std::move(makeRow)), m_move(std::move(move)), m_group(new FormGroup(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_group);
    setAcceptDrops(true);
}

void ReorderableRows::sync(const QList<QUuid> &ids)
{
    if (ids == m_order)
        return;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (ids.contains(it.key())) {
            ++it;
            continue;
        }
        // A row can go while its own handle's drag runs; let the drag finish first.
        it.value()->hide();
        it.value()->deleteLater();
        it = m_rows.erase(it);
    }
    QVBoxLayout *layout = m_group->rows();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        QWidget *&row = m_rows[ids[i]];
        if (!row)
            row = m_makeRow(ids[i]);
        layout->removeWidget(row);
        layout->insertWidget(int(i), row);
    }
    m_order = ids;
    setVisible(!ids.isEmpty());
    // The next drag step hit-tests the rows where they now stand.
    layout->activate();
    m_group->update();
}

void ReorderableRows::dragRow(const QUuid &id)
{
    QWidget *source = m_rows.value(id);
    if (!source)
        return;
    m_draggedID = id;
    auto *drag = new QDrag(this);
    auto *payload = new QMimeData;
    payload->setText(id.toString(QUuid::WithoutBraces));
    drag->setMimeData(payload);
    drag->setPixmap(source->grab());
    drag->setHotSpot(QPoint(16, source->height() / 2));
    const QPointer<ReorderableRows> self(this);
    drag->exec(Qt::MoveAction);
    // Dropped anywhere or cancelled: a stale state would let a later,
    // unrelated drag reorder the list.
    if (self)
        m_draggedID = QUuid();
}

bool ReorderableRows::isOwnDrag(const QDropEvent *event) const
{
    const auto *source = qobject_cast<const QWidget *>(event->source());
    return !m_draggedID.isNull() && (source == this || (source && isAncestorOf(source)));
}

void ReorderableRows::dragEnterEvent(QDragEnterEvent *event)
{
    if (isOwnDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ReorderableRows::dragMoveEvent(QDragMoveEvent *event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QPoint position = m_group->mapFrom(this, event->position().toPoint());
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it) {
        if (it.key() != m_draggedID && it.value()->geometry().contains(position)) {
            m_move(m_draggedID, it.key());
            return;
        }
    }
}

void ReorderableRows::dropEvent(QDropEvent *event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    m_draggedID = QUuid();
    event->acceptProposedAction();
}

} // namespace devnook
