#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTimer>
#include <QUuid>

namespace devnook {

class ProjectLogListModel;

// The log lines of a logs window as read-only text, newest at the bottom:
// long lines wrap, any part of a line can be selected and copied, and each
// line's time stands in a column to its left. It mirrors the model's rows,
// taking all the reports of one event-loop turn in one edit.
// While following the tail it scrolls to the newest shown line whenever the
// log's newest line or the newest shown line changes after the list was
// first shown, so a window opened on an existing log starts at its top.
// Following changes only through setFollowsTail: scrolling by hand leaves it
// as it is. While not following, lines that arrive or drop off the top leave
// the lines on screen where they are. With no row it shows a message
// instead.
class ProjectLogListView final : public QPlainTextEdit {
    Q_OBJECT

public:
    ProjectLogListView(ProjectLogListModel &model, QWidget *parent);

    bool followsTail() const { return m_followsTail; }
    // Turning following on scrolls to the newest shown line at once.
    void setFollowsTail(bool follows);
    // The message shown while the list has no row.
    void setEmptyText(const QString &text);
    const QString &emptyText() const { return m_emptyText; }
    // True when the newest line is fully in view (also when there is none).
    bool isAtTail() const;
    // The id of the line shown at a point of the viewport, or of the line
    // nearest to it; null when no line is shown.
    QUuid lineIDAt(const QPoint &point) const;
    // The selected text, its lines joined by "\n"; empty without a selection.
    QString selectedLogText() const;

Q_SIGNALS:
    // Emitted when setFollowsTail changed following.
    void followsTailChanged(bool follows);
    // Emitted when the user asks to copy the selected text.
    void copySelectionRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct ShownLine {
        QUuid id;
        QString time;
        bool isError = false;
    };
    // The two lines whose change moves a following list to its tail.
    struct Tail {
        QUuid lastLine;
        QUuid lastShownLine;
        bool operator==(const Tail &) const = default;
    };
    class TimeColumn;

    void scheduleSync();
    void sync();
    void rebuild();
    void removeTopLines(qsizetype count);
    void appendRows(int firstRow);
    void recolour();
    // Error lines are red, a little faded, in the theme's red.
    QTextCharFormat errorFormat() const;
    Tail modelTail() const;
    void scrollToTail();
    void paintTimes(QPaintEvent *event);
    void placeTimeColumn();

    ProjectLogListModel &m_model;
    // One entry per line of the document, in the same order.
    QList<ShownLine> m_shown;
    // Rows the model dropped from its top since the last sync.
    qsizetype m_pendingTopRemovals = 0;
    bool m_pendingRebuild = false;
    // Set by a resize of a list that showed its tail, to show it again once
    // the lines have wrapped anew.
    bool m_pendingTailScroll = false;
    bool m_followsTail = true;
    // The tail as of the last sync, or of the first show; a change of it
    // before the first show moves nothing.
    Tail m_tail;
    bool m_wasShown = false;
    QString m_emptyText;
    TimeColumn *m_timeColumn = nullptr;
    qreal m_timeColumnWidth = 0;
    // Coalesces the reports of one event-loop turn into one edit.
    QTimer m_syncTimer;
};

} // namespace devnook
