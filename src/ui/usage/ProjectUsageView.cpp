#include "ProjectUsageView.h"

#include "UsageCards.h"
#include "UsageExportWriter.h"
#include "UsageSessionEditSheet.h"
#include "UsageSessionLists.h"
#include "UsageSimpleBarChart.h"
#include "UsageViewParts.h"
#include "UsageViewRules.h"
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
#include <QPushButton>
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
    : UsagePeriodView(services,
                      {UsageFilterPreferences::projectFilterKey(project.id),
                       UsageFilterPreferences::projectCustomStartKey(project.id),
                       UsageFilterPreferences::projectCustomEndKey(project.id)},
                      parent),
      m_project(project)
{
    setObjectName(u"projectUsageView"_s);
    build(L10n::text(u"usage_title"_s), m_project.name, nullptr);
}

QWidget *ProjectUsageView::makeContent()
{
    auto *content = new QWidget;
    QVBoxLayout *column = UsageViewParts::contentColumn(content);
    m_noData = UsageViewParts::noDataLabel(content);
    column->addWidget(m_noData);

    m_statistics = UsageViewParts::statistics(u"usage_label_sessions"_s, content);
    m_lastSession = new UsageMetricRow(L10n::text(u"usage_label_last_session"_s));
    m_statistics.column->addWidget(
        new UsagePanel(L10n::text(u"usage_details_title"_s), 12, m_lastSession, nullptr, m_statistics.area));
    m_sessions = new UsageSessionsList;
    m_statistics.column->addWidget(new UsagePanel(L10n::text(u"usage_sessions_list_title"_s), 12, m_sessions,
                                                  nullptr, m_statistics.area));
    m_longSessions = new UsageLongSessionsList;
    m_longPanel = new UsagePanel(L10n::text(u"usage_long_sessions_title"_s), 12, m_longSessions, nullptr,
                                 m_statistics.area);
    m_longPanel->setObjectName(u"longSessionsPanel"_s);
    m_statistics.column->addWidget(m_longPanel);
    column->addWidget(m_statistics.area);
    column->addWidget(UsageViewParts::trackingNote(content));
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
    UsageViewParts::addExportMenu(exportButton, this,
                                  [this](UsageExportFormat format) { exportUsage(format); });
    exportButton->setFont(Kit::font(14, QFont::Medium));
    exportButton->setFixedHeight(36);
    Kit::setRole(exportButton, Kit::Role::kOutlined);
    row->addWidget(copy);
    row->addWidget(clear);
    row->addWidget(exportButton);
    row->addStretch(1);
    m_footerControls = {copy, clear, exportButton};

    connect(copy, &QPushButton::clicked, this, [this] { m_services.store.copyUsageSummary(m_project); });
    connect(clear, &QPushButton::clicked, this, [this] { confirmClear(); });
    return footer;
}

void ProjectUsageView::render()
{
    ProjectStore &store = m_services.store;
    const UsageProjectFigures figures = store.usageProjectFigures(m_project.id, dateFilter(), customRange());
    const ProjectUsagePeriodStats &stats = figures.stats;
    const bool hasPeriodData = stats.totalDuration > 0.0;
    const bool hasAnySessions = store.usageSummaries().value(m_project.id).sessionCount > 0;
    for (QWidget *control : std::as_const(m_footerControls))
        control->setEnabled(hasAnySessions);
    m_noData->setVisible(!hasPeriodData);
    m_statistics.area->setVisible(hasPeriodData);
    if (!hasPeriodData)
        return;

    m_statistics.total->setValue(UsageDurationFormatting::format(stats.totalDuration));
    m_statistics.count->setValue(QString::number(stats.sessionCount));
    m_statistics.averageDaily->setValue(UsageDurationFormatting::format(stats.averageDailyDuration));
    m_statistics.chart->setBuckets(UsageBarChartAggregation::buckets(figures.dailyBuckets));
    m_lastSession->setValue(UsageDurationFormatting::formatLastSession(stats.lastSessionAt));
    m_sessions->setSessions(figures.sessions);
    const QList<ProjectUsageSession> longSessions =
        m_services.usage.longSessions(m_project.id, kLongSessionThreshold, m_services.clock.now());
    m_longSessions->setSessions(longSessions);
    m_longPanel->setVisible(!longSessions.isEmpty());
}

QCoro::Task<> ProjectUsageView::exportUsage(UsageExportFormat format)
{
    return UsageViewParts::exportFile(
        this, m_services, UsageViewRules::exportFileName(m_project.name, format),
        [this, format](const QString &path) {
            return UsageExportWriter::write(
                path, m_services.store.usageProjectSessions(m_project.id, dateFilter(), customRange()),
                format);
        });
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
