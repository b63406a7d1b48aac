#include "ProjectUsageView.h"

#include "UsageCards.h"
#include "UsageCustomDateRangePicker.h"
#include "UsageExportWriter.h"
#include "UsagePeriodPicker.h"
#include "UsageSessionEditSheet.h"
#include "UsageSessionLists.h"
#include "UsageSimpleBarChart.h"
#include "UsageViewRules.h"
#include "UsageWindowHeader.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageBarChart.h"
#include "core/usage/UsageDurationFormatting.h"
#include "core/usage/UsageFilterPreferences.h"
#include "core/usage/UsageTrackingService.h"
#include "ui/kit/Kit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Sessions of eight hours or more of tracked time count as long.
constexpr double kLongSessionThreshold = 28800.0;

QPushButton *footerButton(const QString &key, QWidget *parent)
{
    auto *button = new QPushButton(L10n::text(key), parent);
    button->setObjectName(key);
    button->setFont(Kit::font(14, QFont::Medium));
    button->setFixedHeight(36);
    Kit::setRole(button, Kit::Role::kOutlined);
    return button;
}

} // namespace

ProjectUsageView::ProjectUsageView(const DevProject &project, UsageWindowServices services, QWidget *parent)
    : QWidget(parent), m_project(project), m_services(services),
      m_filter(UsageFilterPreferences::filter(services.defaults,
                                              UsageFilterPreferences::projectFilterKey(project.id))),
      m_customRange(UsageFilterPreferences::customRange(
          services.defaults, UsageFilterPreferences::projectCustomStartKey(project.id),
          UsageFilterPreferences::projectCustomEndKey(project.id), UsageCalendar::current(),
          services.clock.now()))
{
    setObjectName(u"projectUsageView"_s);
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
    column->addWidget(Kit::makeDivider(this));
    column->addWidget(makeFooter());

    connect(&m_services.store, &ProjectStore::usageSummariesChanged, this, &ProjectUsageView::render);
    // Queued: the store deletes a project's sessions after announcing the
    // new catalogue.
    connect(&m_services.store, &ProjectStore::projectsChanged, this, &ProjectUsageView::render,
            Qt::QueuedConnection);
    render();
}

QWidget *ProjectUsageView::makeHeader()
{
    auto *header = new UsageWindowHeader(L10n::text(u"usage_title"_s), m_project.name, m_filter,
                                         m_customRange, nullptr, this);
    m_periodPicker = header->periodPicker();
    m_customPicker = header->customPicker();
    connect(m_periodPicker, &UsagePeriodPicker::filterChanged, this, &ProjectUsageView::setDateFilter);
    connect(m_customPicker, &UsageCustomDateRangePicker::rangeChanged, this,
            &ProjectUsageView::setCustomRange);
    return header;
}

QWidget *ProjectUsageView::makeContent()
{
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    m_noData = new QLabel(L10n::text(u"usage_no_data"_s), content);
    m_noData->setObjectName(u"noData"_s);
    m_noData->setFont(Kit::font(13));
    m_noData->setAlignment(Qt::AlignCenter);
    m_noData->setContentsMargins(0, 48, 0, 48);
    Kit::setTextRole(m_noData, Kit::TextRole::kSecondary);
    column->addWidget(m_noData);

    m_statistics = new QWidget(content);
    m_statistics->setObjectName(u"statistics"_s);
    auto *statistics = new QVBoxLayout(m_statistics);
    statistics->setContentsMargins(0, 0, 0, 0);
    statistics->setSpacing(16);
    auto *cards = new QHBoxLayout;
    cards->setSpacing(12);
    m_total = new UsageStatCard(L10n::text(u"usage_total_hours"_s), m_statistics);
    m_sessionCount = new UsageStatCard(L10n::text(u"usage_label_sessions"_s), m_statistics);
    m_averageDaily = new UsageStatCard(L10n::text(u"usage_average_daily"_s), m_statistics);
    cards->addWidget(m_total);
    cards->addWidget(m_sessionCount);
    cards->addWidget(m_averageDaily);
    statistics->addLayout(cards);
    m_chart = new UsageSimpleBarChart;
    statistics->addWidget(
        new UsagePanel(L10n::text(u"usage_duration_by_day"_s), 20, m_chart, nullptr, m_statistics));
    m_lastSession = new UsageMetricRow(L10n::text(u"usage_label_last_session"_s));
    statistics->addWidget(
        new UsagePanel(L10n::text(u"usage_details_title"_s), 12, m_lastSession, nullptr, m_statistics));
    m_sessions = new UsageSessionsList;
    statistics->addWidget(
        new UsagePanel(L10n::text(u"usage_sessions_list_title"_s), 12, m_sessions, nullptr, m_statistics));
    m_longSessions = new UsageLongSessionsList;
    m_longPanel =
        new UsagePanel(L10n::text(u"usage_long_sessions_title"_s), 12, m_longSessions, nullptr, m_statistics);
    m_longPanel->setObjectName(u"longSessionsPanel"_s);
    statistics->addWidget(m_longPanel);
    column->addWidget(m_statistics);

    auto *note = new QLabel(L10n::text(u"usage_tracking_note"_s), content);
    note->setFont(Kit::font(12));
    note->setWordWrap(true);
    Kit::setTextRole(note, Kit::TextRole::kSecondary);
    column->addWidget(note);
    column->addStretch(1);

    connect(m_sessions, &UsageSessionsList::editRequested, this, &ProjectUsageView::editSession);
    connect(m_longSessions, &UsageLongSessionsList::editRequested, this, &ProjectUsageView::editSession);
    return content;
}

QWidget *ProjectUsageView::makeFooter()
{
    auto *footer = new QWidget(this);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(20, 12, 20, 12);
    row->setSpacing(10);
    auto *copy = footerButton(u"copy_usage_summary"_s, footer);
    auto *clear = footerButton(u"clear_usage_data"_s, footer);
    auto *exportButton = new QToolButton(footer);
    exportButton->setObjectName(u"export_usage"_s);
    exportButton->setText(L10n::text(u"export_usage"_s));
    exportButton->setPopupMode(QToolButton::InstantPopup);
    exportButton->setFont(Kit::font(14, QFont::Medium));
    exportButton->setFixedHeight(36);
    Kit::setRole(exportButton, Kit::Role::kOutlined);
    auto *menu = new QMenu(exportButton);
    for (const UsageExportFormat format : UsageExportFormats::all()) {
        const QString key = format == UsageExportFormat::csv ? u"export_usage_csv"_s : u"export_usage_json"_s;
        menu->addAction(L10n::text(key), this, [this, format] { exportUsage(format); });
    }
    exportButton->setMenu(menu);
    row->addWidget(copy);
    row->addWidget(clear);
    row->addWidget(exportButton);
    row->addStretch(1);
    m_footerControls = {copy, clear, exportButton};

    connect(copy, &QPushButton::clicked, this, [this] { m_services.store.copyUsageSummary(m_project); });
    connect(clear, &QPushButton::clicked, this, [this] { confirmClear(); });
    return footer;
}

UsageDateRange ProjectUsageView::customRange() const
{
    return m_customRange;
}

void ProjectUsageView::setDateFilter(UsageDateFilterOption filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    UsageFilterPreferences::setFilter(m_services.defaults, filter,
                                      UsageFilterPreferences::projectFilterKey(m_project.id));
    m_periodPicker->setFilter(filter);
    render();
}

void ProjectUsageView::setCustomRange(const UsageDateRange &range)
{
    m_customRange = range;
    UsageFilterPreferences::setCustomRange(m_services.defaults, range,
                                           UsageFilterPreferences::projectCustomStartKey(m_project.id),
                                           UsageFilterPreferences::projectCustomEndKey(m_project.id));
    render();
}

void ProjectUsageView::render()
{
    ProjectStore &store = m_services.store;
    m_customPicker->setVisible(m_filter == UsageDateFilterOption::custom);
    const UsageProjectFigures figures = store.usageProjectFigures(m_project.id, m_filter, m_customRange);
    const ProjectUsagePeriodStats &stats = figures.stats;
    const bool hasPeriodData = stats.totalDuration > 0.0;
    const bool hasAnySessions = store.usageSummaries().value(m_project.id).sessionCount > 0;
    for (QWidget *control : std::as_const(m_footerControls))
        control->setEnabled(hasAnySessions);
    m_noData->setVisible(!hasPeriodData);
    m_statistics->setVisible(hasPeriodData);
    if (!hasPeriodData)
        return;

    m_total->setValue(UsageDurationFormatting::format(stats.totalDuration));
    m_sessionCount->setValue(QString::number(stats.sessionCount));
    m_averageDaily->setValue(UsageDurationFormatting::format(stats.averageDailyDuration));
    m_chart->setBuckets(UsageBarChartAggregation::buckets(figures.dailyBuckets));
    m_lastSession->setValue(UsageDurationFormatting::formatLastSession(stats.lastSessionAt));
    m_sessions->setSessions(figures.sessions);
    const QList<ProjectUsageSession> longSessions =
        m_services.usage.longSessions(m_project.id, kLongSessionThreshold, m_services.clock.now());
    m_longSessions->setSessions(longSessions);
    m_longPanel->setVisible(!longSessions.isEmpty());
}

QCoro::Task<> ProjectUsageView::exportUsage(UsageExportFormat format)
{
    QPointer<ProjectUsageView> self(this);
    const std::optional<QString> path = co_await m_services.files.chooseFile(
        window(), UsageViewRules::exportFileName(m_project.name, format));
    if (!self || !path)
        co_return;
    const Result<void> written = UsageExportWriter::write(
        *path, m_services.store.usageProjectSessions(m_project.id, m_filter, m_customRange), format);
    if (!written.isOk()) {
        // Built first: GCC 12 rejects a braced list inside a co_await expression.
        const AlertRequest failure{
            L10n::text(u"usage_export_failed_title"_s), written.error(), {L10n::text(u"ok"_s)}, 0, true};
        co_await m_services.alerts.ask(window(), failure);
    }
}

QCoro::Task<> ProjectUsageView::confirmClear()
{
    QPointer<ProjectUsageView> self(this);
    const AlertRequest question{L10n::text(u"usage_clear_title"_s),
                                L10n::format(u"usage_clear_message"_s, {m_project.name}),
                                {L10n::text(u"usage_clear_confirm"_s), L10n::text(u"cancel"_s)},
                                1,
                                true};
    const int answer = co_await m_services.alerts.ask(window(), question);
    if (!self || answer != 0)
        co_return;
    m_services.usage.clearSessions(m_project.id);
    m_services.store.refreshUsageSummary(m_project.id);
    m_services.store.refreshUsageTrackingState(m_project.id);
}

void ProjectUsageView::editSession(const ProjectUsageSession &session)
{
    if (m_sheet)
        return;
    m_sheet = new UsageSessionEditSheet(session, this);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_sheet, &UsageSessionEditSheet::saved, this, &ProjectUsageView::updateSession);
    m_sheet->open();
}

void ProjectUsageView::updateSession(const ProjectUsageSession &session, Timestamp startedAt,
                                     Timestamp endedAt)
{
    // A failed save keeps the edit in memory and the figures follow it; the
    // list has nothing to show for it.
    (void)m_services.usage.updateSession(session.id, startedAt, endedAt);
    m_services.store.refreshUsageSummary(session.projectID);
}

} // namespace devnook
