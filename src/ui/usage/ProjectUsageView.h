#pragma once

#include "UsageSessionEditSheet.h"
#include "UsageWindowServices.h"
#include "core/projects/DevProject.h"
#include "core/usage/ProjectUsageSession.h"
#include "core/usage/UsagePeriods.h"
#include "core/usage/UsageRecords.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

namespace devnook {

class UsageCustomDateRangePicker;
class UsagePeriodPicker;
class UsageLongSessionsList;
class UsagePanel;
class UsageSessionsList;
class UsageSimpleBarChart;
class UsageStatCard;
class UsageMetricRow;

// One project's usage: the period picker, the period's figures, chart and
// sessions, the long sessions of all time, and copy, clear and export. Every
// figure is asked of the store again whenever the period or the store's usage
// summaries change; the period is stored under the project's keys at once.
class ProjectUsageView final : public QWidget {
    Q_OBJECT

public:
    ProjectUsageView(const DevProject &project, UsageWindowServices services, QWidget *parent = nullptr);

    UsageDateFilterOption dateFilter() const { return m_filter; }
    void setDateFilter(UsageDateFilterOption filter);

    // Asks where to write the period's sessions of the project and writes them
    // there; a failure is shown in an alert, a cancel does nothing.
    QCoro::Task<> exportUsage(UsageExportFormat format);
    // Asks, then deletes every session of the project.
    QCoro::Task<> confirmClear();
    // Opens the edit sheet of the session over the window.
    void editSession(const ProjectUsageSession &session);
    // The edit sheet while it is open.
    UsageSessionEditSheet *editSheet() const { return m_sheet; }

private:
    QWidget *makeHeader();
    QWidget *makeContent();
    QWidget *makeFooter();
    UsageDateRange customRange() const;
    void setCustomRange(const UsageDateRange &range);
    void render();
    void updateSession(const ProjectUsageSession &session, Timestamp startedAt, Timestamp endedAt);

    DevProject m_project;
    UsageWindowServices m_services;
    UsageDateFilterOption m_filter;
    UsageDateRange m_customRange;

    UsagePeriodPicker *m_periodPicker = nullptr;
    UsageCustomDateRangePicker *m_customPicker = nullptr;
    QLabel *m_noData = nullptr;
    QWidget *m_statistics = nullptr;
    UsageStatCard *m_total = nullptr;
    UsageStatCard *m_sessionCount = nullptr;
    UsageStatCard *m_averageDaily = nullptr;
    UsageSimpleBarChart *m_chart = nullptr;
    UsageMetricRow *m_lastSession = nullptr;
    UsageSessionsList *m_sessions = nullptr;
    UsagePanel *m_longPanel = nullptr;
    UsageLongSessionsList *m_longSessions = nullptr;
    QList<QWidget *> m_footerControls;
    QPointer<UsageSessionEditSheet> m_sheet;
};

} // namespace devnook
