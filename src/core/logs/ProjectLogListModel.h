#pragma once

#include "LogLineFilter.h"

#include <QAbstractListModel>
#include <QList>

namespace devnook {

// The lines of one project's log that pass a filter, one row each, oldest
// first. A new log that continues the one shown (the store reports the whole
// log after every change, dropping the oldest beyond its cap) only removes
// rows at the top and appends rows at the bottom, so views keep their
// selection and scroll position and a flood of output costs little; anything
// else resets the model.
class ProjectLogListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        TimeTextRole = Qt::UserRole + 1, // "HH:mm:ss"
        IsErrorRole,
        LineIDRole,
    };

    using QAbstractListModel::QAbstractListModel;

    // Takes the project's whole log, oldest first.
    void setLog(const QList<DevProcessLogLine> &lines);
    // Shows the lines that pass the filter instead.
    void setFilter(const LogLineFilter &filter);

    const LogLineFilter &filter() const { return m_filter; }
    // True when the log itself holds no line, whatever the filter.
    bool isLogEmpty() const { return m_lines.isEmpty(); }
    // The id of the log's newest line, shown or not; null when empty.
    QUuid lastLineID() const;
    const DevProcessLogLine &line(int row) const;
    // The lines shown, oldest first.
    QList<DevProcessLogLine> displayedLines() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void rebuild();
    // Where the line with that id sits in lines, searching from the end;
    // -1 when it is absent.
    static qsizetype lastIndexOf(const QList<DevProcessLogLine> &lines, const QUuid &id);

    LogLineFilter m_filter;
    QList<DevProcessLogLine> m_lines;
    // The position of each shown line, counted from the first line this
    // model ever held, so trimming the oldest lines leaves them valid.
    QList<qint64> m_rows;
    // The count of m_lines[0], in the same numbering.
    qint64 m_firstPosition = 0;
};

} // namespace devnook
