#include "ProjectLogsView.h"

#include "ProjectLogListView.h"
#include "ProjectLogsToolbar.h"
#include "core/environment/Clipboard.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kPadding = 20;
constexpr int kRowSpacing = 14;
constexpr int kNameWidth = 520;

QPushButton *makeTextButton(const QString &objectName, const QString &title, const char *role,
                            QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setObjectName(objectName);
    button->setFont(Kit::font(14, role == Kit::Role::kInvertedButton ? QFont::DemiBold : QFont::Medium));
    Kit::setRole(button, role);
    return button;
}

} // namespace

ProjectLogsView::ProjectLogsView(const DevProject &project, Clipboard &clipboard, QWidget *parent)
    : QWidget(parent), m_clipboard(clipboard)
{
    setObjectName(u"logsView"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kRowSpacing);
    layout->addWidget(makeHeader());

    m_toolbar = new ProjectLogsToolbar(this);
    layout->addWidget(m_toolbar);
    connect(m_toolbar, &ProjectLogsToolbar::filterEdited, this, &ProjectLogsView::applyFilter);

    layout->addWidget(makeServiceTabs());

    m_list = new ProjectLogListView(m_model, this);
    layout->addWidget(m_list, 1);
    connect(m_toolbar, &ProjectLogsToolbar::followClicked, this,
            [this] { m_list->setFollowsTail(!m_list->followsTail()); });
    connect(m_list, &ProjectLogListView::followsTailChanged, m_toolbar, &ProjectLogsToolbar::showFollowsTail);
    connect(m_list, &ProjectLogListView::copySelectionRequested, this, &ProjectLogsView::copySelectedText);

    layout->addWidget(makeActionBar());
    setProject(project);
    setProcessState(DevProcessState::stopped);
    updateDisplayState();
}

void ProjectLogsView::setProject(const DevProject &project)
{
    m_name->setText(m_name->fontMetrics().elidedText(project.name, Qt::ElideRight, kNameWidth));
    const QList<ProjectService> services = project.runnableServices();
    showServiceTabs(services);
    // Start, stop and restart need something to run, whatever the state.
    m_toggle->setEnabled(!services.isEmpty());
    m_restart->setEnabled(!services.isEmpty());
}

void ProjectLogsView::setLog(const QList<DevProcessLogLine> &lines)
{
    m_model.setLog(lines);
    updateDisplayState();
}

void ProjectLogsView::setProcessState(DevProcessState state)
{
    const bool active = state == DevProcessState::starting || state == DevProcessState::running;
    m_toggle->setText(L10n::text(active ? u"stop"_s : u"start"_s));
}

void ProjectLogsView::copyDisplayedLogs()
{
    m_clipboard.setText(LogLines::copyText(m_model.displayedLines()));
}

QWidget *ProjectLogsView::makeHeader()
{
    auto *header = new QWidget(this);
    auto *layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *title = new QLabel(L10n::text(u"logs_title"_s), header);
    title->setFont(Kit::font(22, QFont::DemiBold));
    layout->addWidget(title);
    m_name = new QLabel(header);
    m_name->setObjectName(u"projectName"_s);
    // The user's own text, never markup.
    m_name->setTextFormat(Qt::PlainText);
    m_name->setFont(Kit::font(13));
    Kit::setTextRole(m_name, Kit::TextRole::kSecondary);
    layout->addWidget(m_name);
    return header;
}

QWidget *ProjectLogsView::makeServiceTabs()
{
    m_serviceTabsArea = new QScrollArea(this);
    m_serviceTabsArea->setObjectName(u"serviceTabs"_s);
    m_serviceTabsArea->setFrameShape(QFrame::NoFrame);
    m_serviceTabsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_serviceTabsArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_serviceTabsArea->setWidgetResizable(true);
    m_serviceTabsArea->setStyleSheet(
        u"QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"_s);
    m_serviceTabsArea->hide();
    m_serviceTabs = new QButtonGroup(this);
    connect(m_serviceTabs, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            applyFilter();
    });
    return m_serviceTabsArea;
}

void ProjectLogsView::showServiceTabs(const QList<ProjectService> &services)
{
    QList<std::pair<QUuid, QString>> tabServices;
    if (services.size() >= 2) {
        for (const ProjectService &service : services)
            tabServices.append({service.id, service.displayName()});
    }
    if (tabServices == m_tabServices && m_serviceTabs->checkedId() >= 0)
        return;
    const int checked = m_serviceTabs->checkedId();
    const QUuid chosen = checked > 0 ? m_tabServices.at(checked - 1).first : QUuid();
    m_tabServices = tabServices;
    delete m_serviceTabsArea->takeWidget();
    m_serviceTabsArea->setVisible(!m_tabServices.isEmpty());

    auto *strip = new QWidget;
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    auto *tabs = new QFrame(strip);
    Kit::setRole(tabs, Kit::Role::kCard);
    auto *layout = new QHBoxLayout(tabs);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);
    stripLayout->addWidget(tabs);
    stripLayout->addStretch();

    const auto addTab = [&](const QString &title, int id) {
        auto *tab = new QPushButton(title, tabs);
        tab->setObjectName(u"serviceTab"_s);
        tab->setCheckable(true);
        tab->setFont(Kit::font(13, QFont::Medium));
        Kit::setRole(tab, Kit::Role::kTab);
        m_serviceTabs->addButton(tab, id);
        layout->addWidget(tab);
    };
    addTab(L10n::text(u"logs_filter_all"_s), 0);
    int chosenTab = 0;
    for (int i = 0; i < m_tabServices.size(); ++i) {
        addTab(m_tabServices.at(i).second, i + 1);
        if (m_tabServices.at(i).first == chosen)
            chosenTab = i + 1;
    }
    {
        const QSignalBlocker quiet(m_serviceTabs);
        m_serviceTabs->button(chosenTab)->setChecked(true);
    }
    m_serviceTabsArea->setWidget(strip);
    m_serviceTabsArea->setFixedHeight(tabs->sizeHint().height());
    applyFilter();
}

QWidget *ProjectLogsView::makeActionBar()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *clear = makeTextButton(u"clearButton"_s, L10n::text(u"clear_logs"_s), Kit::Role::kOutlined, bar);
    m_copy = makeTextButton(u"copyButton"_s, L10n::text(u"copy_logs"_s), Kit::Role::kOutlined, bar);
    m_toggle = makeTextButton(u"toggleButton"_s, QString(), Kit::Role::kOutlined, bar);
    m_restart =
        makeTextButton(u"restartButton"_s, L10n::text(u"restart_process"_s), Kit::Role::kInvertedButton, bar);
    layout->addWidget(clear);
    layout->addWidget(m_copy);
    layout->addStretch();
    layout->addWidget(m_toggle);
    layout->addWidget(m_restart);
    connect(clear, &QPushButton::clicked, this, &ProjectLogsView::clearRequested);
    connect(m_copy, &QPushButton::clicked, this, &ProjectLogsView::copyDisplayedLogs);
    connect(m_toggle, &QPushButton::clicked, this, &ProjectLogsView::toggleProcessRequested);
    connect(m_restart, &QPushButton::clicked, this, &ProjectLogsView::restartRequested);
    return bar;
}

void ProjectLogsView::applyFilter()
{
    LogLineFilter filter{m_toolbar->kind(), std::nullopt, m_toolbar->searchText()};
    if (m_serviceTabs->checkedId() > 0)
        filter.serviceID = m_tabServices.at(m_serviceTabs->checkedId() - 1).first;
    m_model.setFilter(filter);
    updateDisplayState();
}

void ProjectLogsView::updateDisplayState()
{
    m_copy->setEnabled(m_model.rowCount() > 0);
    m_list->setEmptyText(m_model.isLogEmpty() ? L10n::text(u"logs_empty"_s)
                                              : L10n::text(u"logs_no_matching_lines"_s));
}

void ProjectLogsView::copySelectedText()
{
    const QString text = m_list->selectedLogText();
    if (!text.isEmpty())
        m_clipboard.setText(text);
}

} // namespace devnook
