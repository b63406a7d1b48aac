#pragma once

#include <QStyledItemDelegate>

namespace devnook {

class ProjectLogListModel;

// Paints one log line: its time in a narrow column, then its text, red when
// it is an error. Every row has the same size, wide enough for the longest
// line shown, so the list lays out in constant time per row and a long line
// scrolls sideways instead of wrapping.
class LogLineDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    LogLineDelegate(const ProjectLogListModel &model, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const ProjectLogListModel &m_model;
};

} // namespace devnook
