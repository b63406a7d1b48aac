#pragma once

#include "core/usage/ProjectUsageSession.h"

#include <QWidget>

class QPushButton;
class QVBoxLayout;

namespace devnook {

class UsageSessionRow;

// The period's sessions of one project in the order given, a page of ten at
// first and ten more per click; back to the first page whenever the number
// of sessions changes. Each row asks for its session to be edited. Rows are
// kept and shown with the new sessions when the list changes.
class UsageSessionsList final : public QWidget {
    Q_OBJECT

public:
    explicit UsageSessionsList(QWidget *parent = nullptr);

    void setSessions(const QList<ProjectUsageSession> &sessions);
    int visibleCount() const { return m_visibleCount; }

Q_SIGNALS:
    // Emitted when a row's edit button is clicked.
    void editRequested(const ProjectUsageSession &session);

private:
    void showPage();

    QList<ProjectUsageSession> m_sessions;
    int m_visibleCount;
    QVBoxLayout *m_rowsLayout;
    QList<UsageSessionRow *> m_rows;
    QList<QWidget *> m_dividers;
    QPushButton *m_showMore;
};

// The project's sessions of eight hours or more under an explanatory
// message: the first five, without paging.
class UsageLongSessionsList final : public QWidget {
    Q_OBJECT

public:
    explicit UsageLongSessionsList(QWidget *parent = nullptr);

    void setSessions(const QList<ProjectUsageSession> &sessions);

Q_SIGNALS:
    // Emitted when a row's edit button is clicked.
    void editRequested(const ProjectUsageSession &session);

private:
    QVBoxLayout *m_rowsLayout;
    QList<UsageSessionRow *> m_rows;
    QList<QWidget *> m_dividers;
};

} // namespace devnook
