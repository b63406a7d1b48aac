#pragma once

#include "UsagePeriodView.h"
#include "UsageViewParts.h"
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
class UsageDistributionDonutChart;

// The usage of every project over a period: headline figures, time by day,
// the distribution by project, client or stack, and the breakdown table whose
// project rows open that project's usage window. The period is stored at
// once; the two dimensions live with the view.
class UsageOverviewView final : public UsagePeriodView {
    Q_OBJECT

public:
    UsageOverviewView(UsageWindowServices services, ProjectUsageWindowController &projectWindows,
                      QWidget *parent = nullptr);
    void setDistributionDimension(UsageDistributionDimension dimension);
    void setTableDimension(UsageDistributionDimension dimension);

    // Asks where to write every session of the period and writes them there;
    // a failure is shown in an alert, a cancel does nothing.
    QCoro::Task<> exportAllUsage(UsageExportFormat format);

private:
    QWidget *makeContent() override;
    void render() override;
    void renderDistribution();
    void renderTable();
    void openProjectUsage(const UsageProjectTableRow &row);

    ProjectUsageWindowController &m_projectWindows;
    UsageDistributionDimension m_distributionDimension = UsageDistributionDimension::project;
    UsageDistributionDimension m_tableDimension = UsageDistributionDimension::project;
    double m_totalDuration = 0.0;

    QToolButton *m_export = nullptr;
    QLabel *m_noData = nullptr;
    UsageViewParts::Statistics m_statistics;
    QComboBox *m_distributionPicker = nullptr;
    UsageDistributionDonutChart *m_donut = nullptr;
    QComboBox *m_tablePicker = nullptr;
    UsageBreakdownTable *m_table = nullptr;
};

} // namespace devnook
