#include "UsageOverviewView.h"

#include "ProjectUsageWindowController.h"
#include "UsageBreakdownTable.h"
#include "UsageCards.h"
#include "UsageCustomDateRangePicker.h"
#include "UsageDonutChart.h"
#include "UsagePeriodPicker.h"
#include "UsageSimpleBarChart.h"
#include "UsageWindowHeader.h"
#include "core/foundation/Clock.h"
#include "core/foundation/FileSafety.h"
#include "core/foundation/L10n.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageBarChart.h"
#include "core/usage/UsageDurationFormatting.h"
#include "core/usage/UsageFilterPreferences.h"
#include "ui/kit/Kit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
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
    : QWidget(parent), m_services(services), m_projectWindows(projectWindows),
      m_filter(UsageFilterPreferences::filter(services.defaults, UsageFilterPreferences::kOverviewFilterKey)),
      m_customRange(UsageFilterPreferences::customRange(
          services.defaults, UsageFilterPreferences::kOverviewCustomStartKey,
          UsageFilterPreferences::kOverviewCustomEndKey, UsageCalendar::current(), services.clock.now()))
{
    setObjectName(u"usageOverviewView"_s);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    column->addWidget(Kit::makeDivider(this));
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(makeContent());
    column->addWidget(scroll, 1);

    connect(&m_services.store, &ProjectStore::usageSummariesChanged, this, &UsageOverviewView::render);
    // Queued: the store deletes a project's sessions after announcing the
    // new catalogue.
    connect(&m_services.store, &ProjectStore::projectsChanged, this, &UsageOverviewView::render,
            Qt::QueuedConnection);
    render();
}

QWidget *UsageOverviewView::makeHeader()
{
    m_export = new QToolButton(this);
    m_export->setObjectName(u"export_usage"_s);
    m_export->setText(L10n::text(u"export_usage"_s));
    m_export->setPopupMode(QToolButton::InstantPopup);
    Kit::setRole(m_export, Kit::Role::kMenuButton);
    auto *menu = new QMenu(m_export);
    for (const UsageExportFormat format : UsageExportFormats::all()) {
        const QString key = format == UsageExportFormat::csv ? u"export_usage_csv"_s : u"export_usage_json"_s;
        menu->addAction(L10n::text(key), this, [this, format] { exportAllUsage(format); });
    }
    m_export->setMenu(menu);
    auto *header =
        new UsageWindowHeader(L10n::text(u"usage_overview_title"_s), L10n::text(u"usage_overview_subtitle"_s),
                              m_filter, m_customRange, m_export, this);
    m_periodPicker = header->periodPicker();
    m_customPicker = header->customPicker();
    connect(m_periodPicker, &UsagePeriodPicker::filterChanged, this, &UsageOverviewView::setDateFilter);
    connect(m_customPicker, &UsageCustomDateRangePicker::rangeChanged, this,
            &UsageOverviewView::setCustomRange);
    return header;
}

QWidget *UsageOverviewView::makeContent()
{
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    m_statistics = new QWidget(content);
    m_statistics->setObjectName(u"statistics"_s);
    auto *statistics = new QVBoxLayout(m_statistics);
    statistics->setContentsMargins(0, 0, 0, 0);
    statistics->setSpacing(16);
    auto *cards = new QHBoxLayout;
    cards->setSpacing(12);
    m_total = new UsageStatCard(L10n::text(u"usage_total_hours"_s), m_statistics);
    m_activeProjects = new UsageStatCard(L10n::text(u"usage_active_projects"_s), m_statistics);
    m_averageDaily = new UsageStatCard(L10n::text(u"usage_average_daily"_s), m_statistics);
    cards->addWidget(m_total);
    cards->addWidget(m_activeProjects);
    cards->addWidget(m_averageDaily);
    statistics->addLayout(cards);
    m_chart = new UsageSimpleBarChart;
    statistics->addWidget(
        new UsagePanel(L10n::text(u"usage_duration_by_day"_s), 20, m_chart, nullptr, m_statistics));
    m_distributionPicker = dimensionPicker(u"distributionDimension"_s, m_statistics);
    m_donut = new UsageDistributionDonutChart;
    statistics->addWidget(new UsagePanel(L10n::text(u"usage_distribution_title"_s), 12, m_donut,
                                         m_distributionPicker, m_statistics));
    m_tablePicker = dimensionPicker(u"tableDimension"_s, m_statistics);
    m_table = new UsageBreakdownTable;
    statistics->addWidget(
        new UsagePanel(L10n::text(u"usage_breakdown_title"_s), 12, m_table, m_tablePicker, m_statistics));
    column->addWidget(m_statistics);

    m_noData = new QLabel(L10n::text(u"usage_no_data"_s), content);
    m_noData->setObjectName(u"noData"_s);
    m_noData->setFont(Kit::font(13));
    m_noData->setAlignment(Qt::AlignCenter);
    m_noData->setContentsMargins(0, 48, 0, 48);
    Kit::setTextRole(m_noData, Kit::TextRole::kSecondary);
    column->addWidget(m_noData);

    auto *note = new QLabel(L10n::text(u"usage_tracking_note"_s), content);
    note->setFont(Kit::font(12));
    note->setWordWrap(true);
    Kit::setTextRole(note, Kit::TextRole::kSecondary);
    column->addWidget(note);
    column->addStretch(1);

    connect(m_distributionPicker, &QComboBox::currentIndexChanged, this,
            [this](int index) { setDistributionDimension(dimensionAt(index)); });
    connect(m_tablePicker, &QComboBox::currentIndexChanged, this,
            [this](int index) { setTableDimension(dimensionAt(index)); });
    connect(m_table, &UsageBreakdownTable::projectRowSelected, this, &UsageOverviewView::openProjectUsage);
    return content;
}

void UsageOverviewView::setDateFilter(UsageDateFilterOption filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    UsageFilterPreferences::setFilter(m_services.defaults, filter,
                                      UsageFilterPreferences::kOverviewFilterKey);
    m_periodPicker->setFilter(filter);
    render();
}

void UsageOverviewView::setCustomRange(const UsageDateRange &range)
{
    m_customRange = range;
    UsageFilterPreferences::setCustomRange(m_services.defaults, range,
                                           UsageFilterPreferences::kOverviewCustomStartKey,
                                           UsageFilterPreferences::kOverviewCustomEndKey);
    render();
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
    m_customPicker->setVisible(m_filter == UsageDateFilterOption::custom);
    const UsageOverviewFigures figures = m_services.store.usageOverviewFigures(
        m_filter, m_customRange, m_distributionDimension, m_tableDimension);
    m_totalDuration = figures.totalDuration;
    const bool hasData = m_totalDuration > 0.0;
    m_export->setEnabled(hasData);
    m_noData->setVisible(!hasData);
    m_statistics->setVisible(hasData);
    if (!hasData)
        return;
    m_total->setValue(UsageDurationFormatting::format(m_totalDuration));
    m_activeProjects->setValue(QString::number(figures.highlights.activeProjectCount));
    m_averageDaily->setValue(UsageDurationFormatting::format(figures.highlights.averageDailyDuration));
    m_chart->setBuckets(UsageBarChartAggregation::buckets(figures.dailyBuckets));
    m_donut->setSlices(figures.distributionSlices, m_totalDuration);
    m_table->setRows(m_tableDimension, figures.tableRows, figures.tableSlices);
}

void UsageOverviewView::renderDistribution()
{
    if (m_statistics->isHidden())
        return;
    m_donut->setSlices(
        m_services.store.usageDistributionSlices(m_distributionDimension, m_filter, m_customRange),
        m_totalDuration);
}

void UsageOverviewView::renderTable()
{
    if (m_statistics->isHidden())
        return;
    const ProjectStore &store = m_services.store;
    // The project table needs no slices, and the slice tables no project rows.
    if (m_tableDimension == UsageDistributionDimension::project)
        m_table->setRows(m_tableDimension, store.usageProjectTableRows(m_filter, m_customRange), {});
    else
        m_table->setRows(m_tableDimension, {},
                         store.usageDistributionSlices(m_tableDimension, m_filter, m_customRange));
}

QCoro::Task<> UsageOverviewView::exportAllUsage(UsageExportFormat format)
{
    QPointer<UsageOverviewView> self(this);
    const std::optional<QString> path = co_await m_services.files.chooseFile(
        window(), u"devnook-usage."_s + UsageExportFormats::fileExtension(format));
    if (!self || !path)
        co_return;
    const Result<QByteArray> bytes = m_services.store.exportAllUsageData(m_filter, m_customRange, format);
    const Result<void> written =
        bytes ? FileSafety::writeAtomically(*path, bytes.value()) : Result<void>::failure(bytes.error());
    if (!written) {
        // Built first: GCC 12 rejects a braced list inside a co_await expression.
        const AlertRequest failure{
            L10n::text(u"usage_export_failed_title"_s), written.error(), {L10n::text(u"ok"_s)}, 0, true};
        co_await m_services.alerts.ask(window(), failure);
    }
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
