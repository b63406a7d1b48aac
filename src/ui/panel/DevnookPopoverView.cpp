#include "DevnookPopoverView.h"

#include "EmptyProjectsView.h"
#include "PanelErrorBand.h"
#include "PanelFooter.h"
#include "PanelHeader.h"
#include "PanelWindows.h"
#include "ProjectListModel.h"
#include "ProjectListView.h"
#include "ProjectRowMenu.h"
#include "core/environment/Clipboard.h"
#include "core/environment/FeedbackService.h"
#include "core/environment/FileViewer.h"
#include "core/environment/ProjectCommandService.h"
#include "core/environment/UrlOpener.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/panel/DevnookNavigation.h"
#include "ui/form/ProjectFormPage.h"
#include "ui/kit/AlertAsker.h"
#include "ui/kit/Kit.h"

#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <utility>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kScrollToTopMs = 180;

QWidget *makeGroupedPage(const QString &name, QWidget *parent)
{
    auto *page = new QWidget(parent);
    page->setObjectName(name);
    page->setAttribute(Qt::WA_StyledBackground);
    Kit::setRole(page, Kit::Role::kGrouped);
    return page;
}

QWidget *makeNoMatchPage(QWidget *parent)
{
    QWidget *page = makeGroupedPage(u"noMatchingProjects"_s, parent);
    auto *text = new QLabel(L10n::text(u"no_matching_projects"_s), page);
    text->setFont(Kit::font(16, QFont::DemiBold));
    Kit::setTextRole(text, Kit::TextRole::kSecondary);
    text->setAlignment(Qt::AlignHCenter);
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(18, 12 + 2 + 72, 18, 12);
    column->addWidget(text);
    column->addStretch();
    return page;
}

} // namespace

DevnookPopoverView::DevnookPopoverView(PanelServices services, DevnookNavigation &navigation, QWidget *parent)
    : QWidget(parent), m_services(services), m_navigation(navigation), m_windows(services.windows.available())
{
    setObjectName(u"devnookPopoverView"_s);

    m_listPage = new QWidget(this);
    m_listPage->setObjectName(u"projectListMode"_s);
    m_header = new PanelHeader(m_state, m_listPage);
    m_errorBand = new PanelErrorBand(m_listPage);

    auto *listBody = new QWidget(m_listPage);
    m_listBody = new QStackedLayout(listBody);
    m_model = new ProjectListModel(m_services.store, m_state, this);
    m_list = new ProjectListView(*m_model, listBody);
    // The first page added is shown at once; an empty catalogue's list need
    // not be laid out and hidden again.
    if (m_services.store.projects().isEmpty())
        emptyView();
    m_listBody->addWidget(m_list);
    m_footer = new PanelFooter(m_listPage);

    auto *listColumn = new QVBoxLayout(m_listPage);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(0);
    listColumn->addWidget(m_header);
    listColumn->addWidget(m_errorBand);
    listColumn->addWidget(listBody, 1);
    listColumn->addWidget(m_footer);

    m_formPage = new ProjectFormPage(m_services.formCatalogue, m_services.alerts, m_navigation, this);
    m_modes = new QStackedLayout(this);
    m_modes->addWidget(m_listPage);
    m_modes->addWidget(m_formPage);

    m_refreshSpin.setObjectName(u"refreshSpinTimer"_s);
    m_refreshSpin.setSingleShot(true);
    m_refreshSpin.setInterval(kRefreshSpinMs);
    connect(&m_refreshSpin, &QTimer::timeout, this, [this] {
        m_state.isRefreshingStatuses = false;
        m_footer->setRefreshing(false);
    });
    m_scrollAnimation.setDuration(kScrollToTopMs);
    m_scrollAnimation.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_scrollAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { m_list->verticalScrollBar()->setValue(value.toInt()); });

    connect(m_header, &PanelHeader::addRequested, &m_navigation, &DevnookNavigation::openNewProjectForm);
    connect(m_header, &PanelHeader::listStateChanged, this, &DevnookPopoverView::listStateChanged);
    connect(m_footer, &PanelFooter::refreshRequested, this, &DevnookPopoverView::refreshStatuses);
    connect(m_footer, &PanelFooter::usageOverviewRequested, this,
            &DevnookPopoverView::usageOverviewRequested);
    connect(m_footer, &PanelFooter::settingsRequested, this, &DevnookPopoverView::settingsRequested);
    connect(m_footer, &PanelFooter::quitRequested, this, &DevnookPopoverView::quitRequested);
    connect(m_footer, &PanelFooter::helpRequested, this,
            [this] { openUrl(AppDistributionConfiguration::helpURL()); });
    connect(m_list, &ProjectListView::zoneClicked, this, &DevnookPopoverView::zoneClicked);
    connect(m_list, &ProjectListView::sectionClicked, this, [this](const QString &sectionID) {
        m_state.toggleGroup(sectionID);
        m_model->rebuild();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DevnookPopoverView::showCurrentMode);
    connect(&m_navigation, &DevnookNavigation::projectFormShownChanged, this,
            &DevnookPopoverView::showCurrentMode);
    connect(&m_services.store, &PanelStore::projectsChanged, this, &DevnookPopoverView::showCurrentMode);
    connect(&m_services.store, &PanelStore::lastErrorChanged, this, &DevnookPopoverView::updateErrorLine);
    connect(m_errorBand, &PanelErrorBand::dismissed, this, &DevnookPopoverView::dismissErrors);
    updateErrorLine();
    showCurrentMode();
}

DevnookPopoverView::~DevnookPopoverView() = default;

void DevnookPopoverView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showCurrentMode();
}

void DevnookPopoverView::showCurrentMode()
{
    const bool form = m_navigation.isShowingProjectForm();
    const bool empty = m_services.store.projects().isEmpty();
    m_modes->setCurrentWidget(form ? m_formPage : m_listPage);
    QWidget *body = empty ? emptyView() : m_model->hasNoMatch() ? noMatchPage() : m_list;
    m_listBody->setCurrentWidget(body);
    m_header->setHasProjects(!empty);
    m_footer->setHasProjects(!empty);
    const bool listOnScreen = !form && !empty && isVisible();
    if (listOnScreen && !m_listOnScreen)
        m_services.store.refreshProjectStatuses();
    if (isVisible())
        m_listOnScreen = listOnScreen;
}

// The empty catalogue's invitation and the no-match page are made the first
// time they show: a panel with projects rarely needs either.
QWidget *DevnookPopoverView::emptyView()
{
    if (!m_emptyView) {
        m_emptyView = new EmptyProjectsView(m_listBody->parentWidget());
        connect(m_emptyView, &EmptyProjectsView::addRequested, &m_navigation,
                &DevnookNavigation::openNewProjectForm);
        m_listBody->addWidget(m_emptyView);
    }
    return m_emptyView;
}

QWidget *DevnookPopoverView::noMatchPage()
{
    if (!m_noMatch) {
        m_noMatch = makeNoMatchPage(m_listBody->parentWidget());
        m_listBody->addWidget(m_noMatch);
    }
    return m_noMatch;
}

void DevnookPopoverView::listStateChanged()
{
    m_model->rebuild();
    showCurrentMode();
    // A new search shows its matches from the first.
    if (m_state.searchText != std::exchange(m_listedSearchText, m_state.searchText)) {
        m_scrollAnimation.stop();
        m_list->scrollToTop();
    }
}

void DevnookPopoverView::updateErrorLine()
{
    QStringList problems;
    if (const std::optional<QString> error = m_services.store.lastError())
        problems.append(*error);
    if (m_openFailure)
        problems.append(*m_openFailure);
    m_errorBand->setText(problems.isEmpty() ? std::nullopt : std::optional(problems.join(u'\n')));
}

void DevnookPopoverView::dismissErrors()
{
    m_openFailure.reset();
    m_services.store.dismissLastError();
    updateErrorLine();
}

void DevnookPopoverView::openUrl(const QUrl &url)
{
    const Result<void> opened = m_services.urls.open(url);
    showOpenFailure(opened ? std::nullopt
                           : std::optional(FeedbackService::openFailureText(url, opened.error())));
}

QCoro::Task<> DevnookPopoverView::revealFolder(QString folderPath)
{
    const QPointer<DevnookPopoverView> self(this);
    const Result<void> revealed = co_await m_services.files.reveal(folderPath);
    if (!self)
        co_return;
    showOpenFailure(revealed ? std::nullopt
                             : std::optional(FeedbackService::openFailureText(QUrl::fromLocalFile(folderPath),
                                                                              revealed.error())));
}

void DevnookPopoverView::showOpenFailure(const std::optional<QString> &failure)
{
    m_openFailure = failure;
    updateErrorLine();
}

void DevnookPopoverView::refreshStatuses()
{
    if (m_state.isRefreshingStatuses)
        return;
    m_state.isRefreshingStatuses = true;
    m_footer->setRefreshing(true);
    m_services.store.refreshProjectStatuses();
    m_refreshSpin.start();
}

void DevnookPopoverView::scrollToTop()
{
    // At the next turn of the event loop, after the store's changes landed.
    QTimer::singleShot(0, this, [this] {
        m_scrollAnimation.stop();
        m_scrollAnimation.setStartValue(m_list->verticalScrollBar()->value());
        m_scrollAnimation.setEndValue(0);
        m_scrollAnimation.start();
    });
}

void DevnookPopoverView::zoneClicked(int row, const CardZone &zone)
{
    const ProjectListModel::ProjectRow &entry = m_model->project(row);
    const DevProject project = entry.context.project;
    switch (zone.kind) {
    case CardZone::Kind::pinMark:
        perform(project, RowAction::togglePin);
        break;
    case CardZone::Kind::notesMark:
        perform(project, RowAction::showNotes);
        break;
    case CardZone::Kind::devicePreviewMark:
        perform(project, RowAction::devicePreview);
        break;
    case CardZone::Kind::stateIndicator:
        perform(project, RowAction::logs);
        break;
    case CardZone::Kind::envBadge:
        perform(project, RowAction::envDetails);
        break;
    case CardZone::Kind::clientBadge:
        m_header->setSearchText(project.client);
        break;
    case CardZone::Kind::stackBadge:
        m_header->setSearchText(project.stack);
        break;
    case CardZone::Kind::menuButton:
        openRowMenu(project.id, m_list->viewport()->mapToGlobal(zone.rect.bottomRight().toPoint()));
        break;
    case CardZone::Kind::actionButton: {
        const RowActionButton &button = entry.actionBar[zone.buttonIndex];
        if (!button.disabled)
            perform(project, button.action);
        break;
    }
    case CardZone::Kind::archiveMark:
    case CardZone::Kind::gitBadge:
        break;
    }
}

void DevnookPopoverView::openRowMenu(const QUuid &projectID, const QPoint &globalPosition)
{
    const int row = m_model->rowOf(projectID);
    if (row < 0)
        return;
    const ProjectRowContext context = m_model->project(row).context;
    if (m_rowMenu)
        m_rowMenu->close();
    m_rowMenu = new QMenu(this);
    m_rowMenu->setObjectName(u"projectRowMenu"_s);
    m_rowMenu->setAttribute(Qt::WA_DeleteOnClose);
    ProjectRowMenu::fill(*m_rowMenu, ProjectRowActions::menu(context, m_windows),
                         [this, project = context.project](RowAction action, qsizetype linkIndex) {
                             perform(project, action, linkIndex);
                         });
    // The menu hangs from the button's right edge, inside the panel.
    m_rowMenu->popup(globalPosition - QPoint(m_rowMenu->sizeHint().width(), 0));
}

void DevnookPopoverView::perform(const DevProject &project, RowAction action, qsizetype linkIndex)
{
    PanelStore &store = m_services.store;
    ProjectCommandService &commands = m_services.commands;
    const auto link = [&]() -> std::optional<ProjectLink> {
        if (linkIndex < 0 || linkIndex >= project.workspaceLinks.size())
            return std::nullopt;
        return project.workspaceLinks[linkIndex];
    };
    switch (action) {
    case RowAction::revealFolder:
        revealFolder(project.folderPath);
        break;
    case RowAction::openTerminal: {
        const Result<void> opened = commands.openInTerminal(project);
        showOpenFailure(opened ? std::nullopt
                               : std::optional(L10n::format(u"terminal_open_failed"_s,
                                                            {project.folderPath, opened.error()})));
        break;
    }
    case RowAction::openEditor:
        commands.openEditorInBackground(project);
        break;
    case RowAction::openPreview:
        commands.openPreview(project);
        break;
    case RowAction::openLink:
        if (const auto chosen = link())
            commands.openWorkspaceLink(*chosen);
        break;
    case RowAction::copyProjectPath:
        m_services.clipboard.setText(project.folderPath);
        break;
    case RowAction::copyLocalhostURL:
        commands.copyLocalhostURL(project);
        break;
    case RowAction::copyDevCommand:
        commands.copyDevCommand(project);
        break;
    case RowAction::copyLink:
        if (const auto chosen = link())
            commands.copyWorkspaceLink(*chosen);
        break;
    case RowAction::toggleDevProcess:
        store.toggleDevProcess(project);
        scrollToTop();
        break;
    case RowAction::startWorkspace:
        store.startWorkspace(project);
        scrollToTop();
        break;
    case RowAction::edit:
        if (m_windows.projectForm) {
            m_navigation.setEditingProject(project);
            m_navigation.setShowingProjectForm(true);
        }
        break;
    case RowAction::togglePin:
        store.togglePinned(project);
        break;
    case RowAction::toggleUsageTrackingPause:
        store.toggleUsageTrackingPause(project);
        break;
    case RowAction::showNotes:
        showNotes(project);
        break;
    case RowAction::restore:
        store.restore(project);
        break;
    case RowAction::archive:
        store.archive(project);
        break;
    case RowAction::deleteProject:
        confirmDelete(project);
        break;
    case RowAction::logs:
        if (m_windows.logs)
            m_services.windows.showLogs(project);
        break;
    case RowAction::envDetails:
        if (m_windows.envDetails)
            m_services.windows.showEnvDetails(project);
        break;
    case RowAction::usageStatistics:
        if (m_windows.usage)
            m_services.windows.showUsage(project);
        break;
    case RowAction::devicePreview:
        if (m_windows.devicePreview)
            m_services.windows.showDevicePreview(project);
        break;
    case RowAction::none:
        break;
    }
    if (ProjectRowActions::marksUsed(action))
        store.markUsed(project);
}

void DevnookPopoverView::confirmDelete(const DevProject &project)
{
    AlertRequest request;
    request.message = L10n::text(u"delete_project_confirmation_title"_s);
    request.informativeText = L10n::format(u"delete_project_confirmation_message"_s, {project.name});
    request.buttons = {L10n::text(u"delete_project"_s), L10n::text(u"cancel"_s)};
    request.harmlessButton = 1;
    request.isWarning = true;
    request.window = this;
    if (m_services.alerts.ask(request) == 0)
        m_services.store.deleteProject(project);
}

void DevnookPopoverView::showNotes(const DevProject &project)
{
    AlertRequest request;
    request.message = L10n::text(u"project_notes"_s);
    request.informativeText = Text::trimmed(project.notes);
    request.buttons = {L10n::text(u"ok"_s)};
    request.window = this;
    m_services.alerts.ask(request);
}

} // namespace devnook
