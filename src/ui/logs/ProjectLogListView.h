#pragma once

#include <QListView>
#include <QTimer>

namespace devnook {

class ProjectLogListModel;

// The log lines of a logs window, newest at the bottom. While following the
// tail it keeps the newest shown line in view as lines arrive; scrolling up
// by hand suspends following and scrolling back to the bottom resumes it.
// While not following, lines that arrive or drop off the top leave the lines
// on screen where they are. With no row it shows a message instead.
class ProjectLogListView final : public QListView {
    Q_OBJECT

public:
    ProjectLogListView(ProjectLogListModel &model, QWidget *parent);

    bool followsTail() const { return m_followsTail; }
    // Turning following on scrolls to the newest shown line at once.
    void setFollowsTail(bool follows);
    // The message shown while the list has no row.
    void setEmptyText(const QString &text);
    const QString &emptyText() const { return m_emptyText; }
    // True when the newest row is fully in view (also when there is none).
    bool isAtTail() const;

Q_SIGNALS:
    // Emitted when following changed, by the user's scrolling or a call.
    void followsTailChanged(bool follows);
    // Emitted when the user asks to copy the selected lines.
    void copySelectionRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void scheduleTailScroll();
    void scrollToTail();
    void rowsLeftTop(int count);
    void userScrolled();

    ProjectLogListModel &m_model;
    bool m_followsTail = true;
    QString m_emptyText;
    // Coalesces the scrolls of a burst of reports into one per event-loop turn.
    QTimer m_tailScroll;
};

} // namespace devnook
