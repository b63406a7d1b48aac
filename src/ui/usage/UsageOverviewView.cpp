#include "UsageOverviewView.h"

#include "ProjectUsageWindowController.h"
#include "UsageBreakdownTable.h"
#include "UsageCards.h"
#include "UsageDonutChart.h"
#include "UsageExportWriter.h"
#include "UsageSimpleBarChart.h"
#include "UsageViewParts.h"
#include "core/foundation/L10n.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageBarChart.h"
#include "core/usage/UsageDurationFormatting.h"
#include "core/usage/UsageFilterPreferences.h"
#include "ui/kit/Kit.h"

#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

QComboBox *dimensionPicker(const QString &name, QWidget *parent)
{
    auto *picker = new QComboBox(parent);
    picker->setObjectName(name);
    for (const UsageDistributionDimension dimension : UsageDistributionDimensions::all())
        picker->addItem(UsageDistributionDimensions::localizedTitle(dimension));
    picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return picker;
}

UsageDistributionDimension dimensionAt(int index)
{
    return UsageDistributionDimensions::all().value(index, UsageDistributionDimension::project);
}

} // namespace

UsageOverviewView::UsageOverviewView(UsageWindowServices services,
                                     ProjectUsageWindowController &projectWindows, QWidget *parent)
    : UsagePeriodView(services,
                      {UsageFilterPreferences::kOverviewFilterKey,
                       UsageFilterPreferences::kOverviewCustomStartKey,
                       UsageFilterPreferences::kOverviewCustomEndKey},
                      parent),
      m_projectWindows(projectWindows)
{
    setObjectName(u"usageOverviewView"_s);
    m_export = new QToolButton(this);
    UsageViewParts::addExportMenu(m_export, this,
                                  [this](UsageExportFormat format) { exportAllUsage(format); });
    Kit::setRole(m_export, Kit::Role::kMenuButton);
    build(L10n::text(u"usage_overview_title"_s), L10n::text(u"usage_overview_subtitle"_s), m_export);
}

QWidget *UsageOverviewView::makeContent()
{
    auto *content = new QWidget;
    QVBoxLayout *column = UsageViewParts::contentColumn(content);

    m_statistics = UsageViewParts::statistics(u"usage_active_projects"_s, content);
    m_distributionPicker = dimensionPicker(u"distributionDimension"_s, m_statistics.area);
    m_donut = new UsageDistributionDonutChart;
    m_statistics.column->addWidget(new UsagePanel(L10n::text(u"usage_distribution_title"_s), 12, m_donut,
                                                  m_distributionPicker, m_statistics.area));
    m_tablePicker = dimensionPicker(u"tableDimension"_s, m_statistics.area);
    m_table = new UsageBreakdownTable;
    m_statistics.column->addWidget(new UsagePanel(L10n::text(u"usage_breakdown_title"_s), 12, m_table,
                                                  m_tablePicker, m_statistics.area));
    column->addWidget(m_statistics.area);
    m_noData = UsageViewParts::noDataLabel(content);
    column->addWidget(m_noData);
    column->addWidget(UsageViewParts::trackingNote(content));
    column->addStretch(1);

    connect(m_distributionPicker, &QComboBox::currentIndexChanged, this,
            [this](int index) { setDistributionDimension(dimensionAt(index)); });
    connect(m_tablePicker, &QComboBox::currentIndexChanged, this,
            [this](int index) { setTableDimension(dimensionAt(index)); });
    connect(m_table, &UsageBreakdownTable::projectRowSelected, this, &UsageOverviewView::openProjectUsage);
    return content;
}

void UsageOverviewView::setDistributionDimension(UsageDistributionDimension dimension)
{
    m_distributionDimension = dimension;
    m_distributionPicker->setCurrentIndex(
        static_cast<int>(UsageDistributionDimensions::all().indexOf(dimension)));
    renderDistribution();
}

void UsageOverviewView::setTableDimension(UsageDistributionDimension dimension)
{
    m_tableDimension = dimension;
    m_tablePicker->setCurrentIndex(static_cast<int>(UsageDistributionDimensions::all().indexOf(dimension)));
    renderTable();
}

void UsageOverviewView::render()
{
    const UsageOverviewFigures figures = m_services.store.usageOverviewFigures(
        dateFilter(), customRange(), m_distributionDimension, m_tableDimension);
    m_totalDuration = figures.totalDuration;
    const bool hasData = m_totalDuration > 0.0;
    m_export->setEnabled(hasData);
    m_noData->setVisible(!hasData);
    m_statistics.area->setVisible(hasData);
    if (!hasData)
        return;
    m_statistics.total->setValue(UsageDurationFormatting::format(m_totalDuration));
    m_statistics.count->setValue(QString::number(figures.highlights.activeProjectCount));
    m_statistics.averageDaily->setValue(
        UsageDurationFormatting::format(figures.highlights.averageDailyDuration));
    m_statistics.chart->setBuckets(UsageBarChartAggregation::buckets(figures.dailyBuckets));
    m_donut->setSlices(figures.distributionSlices, m_totalDuration);
    m_table->setRows(m_tableDimension, figures.tableRows, figures.tableSlices);
}

void UsageOverviewView::renderDistribution()
{
    if (m_statistics.area->isHidden())
        return;
    m_donut->setSlices(
        m_services.store.usageDistributionSlices(m_distributionDimension, dateFilter(), customRange()),
        m_totalDuration);
}

void UsageOverviewView::renderTable()
{
    if (m_statistics.area->isHidden())
        return;
    const ProjectStore &store = m_services.store;
    // The project table needs no slices, and the slice tables no project rows.
    if (m_tableDimension == UsageDistributionDimension::project)
        m_table->setRows(m_tableDimension, store.usageProjectTableRows(dateFilter(), customRange()), {});
    else
        m_table->setRows(m_tableDimension, {},
                         store.usageDistributionSlices(m_tableDimension, dateFilter(), customRange()));
}

QCoro::Task<> UsageOverviewView::exportAllUsage(UsageExportFormat format)
{
    return UsageViewParts::exportFile(
        this, m_services, u"devnook-usage."_s + UsageExportFormats::fileExtension(format),
        [this, format](const QString &path) {
            return UsageExportWriter::write(
                path, m_services.store.exportAllUsageData(dateFilter(), customRange(), format));
        });
}

void UsageOverviewView::openProjectUsage(const UsageProjectTableRow &row)
{
    for (const DevProject &project : m_services.store.projects()) {
        if (project.id == row.id) {
            m_projectWindows.show(project);
            return;
        }
    }
}

} // namespace devnook
