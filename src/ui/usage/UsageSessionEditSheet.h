#pragma once

#include "core/usage/ProjectUsageSession.h"

#include <QDialog>

class QDateTimeEdit;
class QLabel;

namespace devnook {

// The sheet that gives one session new start and end times. Its header shows
// the length the session will have: the distance between the two times,
// whichever comes first. Escape cancels, Return saves.
class UsageSessionEditSheet final : public QDialog {
    Q_OBJECT

public:
    UsageSessionEditSheet(const ProjectUsageSession &session, QWidget *parent);

    const ProjectUsageSession &session() const { return m_session; }
    Timestamp startedAt() const;
    Timestamp endedAt() const;
    // Sets both times as if the user had picked them.
    void setTimes(Timestamp startedAt, Timestamp endedAt);

Q_SIGNALS:
    // Emitted when Save is chosen, with the two times as picked, unordered.
    void saved(const ProjectUsageSession &session, Timestamp startedAt, Timestamp endedAt);

private:
    void showDuration();

    ProjectUsageSession m_session;
    QLabel *m_duration;
    QDateTimeEdit *m_start;
    QDateTimeEdit *m_end;
};

} // namespace devnook
