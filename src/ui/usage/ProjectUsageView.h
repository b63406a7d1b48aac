#pragma once

#include "UsagePeriodView.h"
#include "UsageSessionEditSheet.h"
#include "UsageViewParts.h"
#include "UsageWindowServices.h"
#include "core/projects/DevProject.h"
#include "core/usage/ProjectUsageSession.h"
#include "core/usage/UsagePeriods.h"
#include "core/usage/UsageRecords.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace devnook {

class UsageLongSessionsList;
class UsagePanel;
class UsageSessionsList;
class UsageMetricRow;

// One project's usage: the period picker, the period's figures, chart and
// sessions, the long sessions of all time, and copy, clear and export. Every
// figure is asked of the store again whenever the period or the store's usage
// summaries change; the period is stored under the project's keys at once.
class ProjectUsageView final : public UsagePeriodView {
    Q_OBJECT

public:
    ProjectUsageView(const DevProject &project, UsageWindowServices services, QWidget *parent = nullptr);

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
    QWidget *makeContent() override;
    QWidget *makeFooter() override;
    void render() override;
    void updateSession(const ProjectUsageSession &session, Timestamp startedAt, Timestamp endedAt);

    DevProject m_project;
    QLabel *m_noData = nullptr;
    UsageViewParts::Statistics m_statistics;
    UsageMetricRow *m_lastSession = nullptr;
    UsageSessionsList *m_sessions = nullptr;
    UsagePanel *m_longPanel = nullptr;
    UsageLongSessionsList *m_longSessions = nullptr;
    QList<QWidget *> m_footerControls;
    QPointer<UsageSessionEditSheet> m_sheet;
};

} // namespace devnook
