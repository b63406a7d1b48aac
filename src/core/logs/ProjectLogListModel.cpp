#include "ProjectLogListModel.h"

#include <algorithm>

namespace devnook {

void ProjectLogListModel::setLog(const QList<DevProcessLogLine> &lines)
{
    const qsizetype kept = m_lines.isEmpty() ? -1 : lastIndexOf(lines, m_lines.constLast().id);
    const qsizetype dropped = m_lines.size() - 1 - kept;
    // Anything but the same lines with older ones dropped and newer ones
    // added (a cleared log, another project's) starts over.
    if (kept < 0 || dropped < 0 || lines.constFirst().id != m_lines.at(dropped).id) {
        m_lines = lines;
        rebuild();
        return;
    }

    const qint64 newFirst = m_firstPosition + dropped;
    const auto firstKept = std::lower_bound(m_rows.cbegin(), m_rows.cend(), newFirst);
    const auto removed = static_cast<int>(firstKept - m_rows.cbegin());
    // The rows leave while the old lines can still be read through them.
    if (removed > 0)
        beginRemoveRows({}, 0, removed - 1);
    m_rows.remove(0, removed);
    m_lines = lines;
    m_firstPosition = newFirst;
    if (removed > 0)
        endRemoveRows();

    QList<qint64> added;
    for (qsizetype i = kept + 1; i < lines.size(); ++i) {
        if (m_filter.passes(lines.at(i)))
            added.append(m_firstPosition + i);
    }
    if (!added.isEmpty()) {
        const auto first = static_cast<int>(m_rows.size());
        beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
        m_rows.append(added);
        endInsertRows();
    }
}

void ProjectLogListModel::setFilter(const LogLineFilter &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    rebuild();
}

QUuid ProjectLogListModel::lastLineID() const
{
    return m_lines.isEmpty() ? QUuid() : m_lines.constLast().id;
}

const DevProcessLogLine &ProjectLogListModel::line(int row) const
{
    return m_lines.at(m_rows.at(row) - m_firstPosition);
}

QList<DevProcessLogLine> ProjectLogListModel::displayedLines() const
{
    QList<DevProcessLogLine> lines;
    lines.reserve(m_rows.size());
    for (int row = 0; row < m_rows.size(); ++row)
        lines.append(line(row));
    return lines;
}

int ProjectLogListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant ProjectLogListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DevProcessLogLine &shown = line(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return shown.text;
    case TimeTextRole:
        return LogLines::timeText(shown.date);
    case IsErrorRole:
        return shown.isError;
    case LineIDRole:
        return shown.id;
    default:
        return {};
    }
}

void ProjectLogListModel::rebuild()
{
    beginResetModel();
    m_rows.clear();
    m_firstPosition = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_filter.passes(m_lines.at(i)))
            m_rows.append(i);
    }
    endResetModel();
}

qsizetype ProjectLogListModel::lastIndexOf(const QList<DevProcessLogLine> &lines, const QUuid &id)
{
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).id == id)
            return i;
    }
    return -1;
}

} // namespace devnook
