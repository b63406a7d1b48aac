#pragma once

#include "UsageWindowServices.h"
#include "core/usage/UsagePeriods.h"
#include "core/usage/UsageRecords.h"

#include <QCoroTask>
#include <QWidget>

class QComboBox;
class QLabel;
class QToolButton;

namespace devnook {

class ProjectUsageWindowController;
class UsageBreakdownTable;
class UsageCustomDateRangePicker;
class UsageDistributionDonutChart;
class UsagePeriodPicker;
class UsageSimpleBarChart;
class UsageStatCard;

// The usage of every project over a period: headline figures, time by day,
// the distribution by project, client or stack, and the breakdown table whose
// project rows open that project's usage window. The period is stored at
// once; the two dimensions live with the view.
class UsageOverviewView final : public QWidget {
    Q_OBJECT

public:
    UsageOverviewView(UsageWindowServices services, ProjectUsageWindowController &projectWindows,
                      QWidget *parent = nullptr);

    UsageDateFilterOption dateFilter() const { return m_filter; }
    void setDateFilter(UsageDateFilterOption filter);
    void setDistributionDimension(UsageDistributionDimension dimension);
    void setTableDimension(UsageDistributionDimension dimension);

    // Asks where to write every session of the period and writes them there;
    // a failure is shown in an alert, a cancel does nothing.
    QCoro::Task<> exportAllUsage(UsageExportFormat format);

private:
    QWidget *makeHeader();
    QWidget *makeContent();
    void setCustomRange(const UsageDateRange &range);
    void render();
    void renderDistribution();
    void renderTable();
    void openProjectUsage(const UsageProjectTableRow &row);

    UsageWindowServices m_services;
    ProjectUsageWindowController &m_projectWindows;
    UsageDateFilterOption m_filter;
    UsageDateRange m_customRange;
    UsageDistributionDimension m_distributionDimension = UsageDistributionDimension::project;
    UsageDistributionDimension m_tableDimension = UsageDistributionDimension::project;
    double m_totalDuration = 0.0;

    UsagePeriodPicker *m_periodPicker = nullptr;
    UsageCustomDateRangePicker *m_customPicker = nullptr;
    QToolButton *m_export = nullptr;
    QLabel *m_noData = nullptr;
    QWidget *m_statistics = nullptr;
    UsageStatCard *m_total = nullptr;
    UsageStatCard *m_activeProjects = nullptr;
    UsageStatCard *m_averageDaily = nullptr;
    UsageSimpleBarChart *m_chart = nullptr;
    QComboBox *m_distributionPicker = nullptr;
    UsageDistributionDonutChart *m_donut = nullptr;
    QComboBox *m_tablePicker = nullptr;
    UsageBreakdownTable *m_table = nullptr;
};

} // namespace devnook
