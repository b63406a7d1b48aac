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
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kPadding = 20;
constexpr int kRowSpacing = 14;

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

ProjectLogsView::ProjectLogsView(DevProject project, Clipboard &clipboard, QWidget *parent)
    : QWidget(parent), m_project(std::move(project)), m_clipboard(clipboard)
{
    setObjectName(u"logsView"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kRowSpacing);
    layout->addWidget(makeHeader());

    m_toolbar = new ProjectLogsToolbar(this);
    layout->addWidget(m_toolbar);
    connect(m_toolbar, &ProjectLogsToolbar::filterEdited, this, &ProjectLogsView::applyFilter);

    if (m_project.runnableServices().size() >= 2)
        layout->addWidget(makeServiceTabs());

    m_list = new ProjectLogListView(m_model, this);
    layout->addWidget(m_list, 1);
    connect(m_toolbar, &ProjectLogsToolbar::followClicked, this,
            [this] { m_list->setFollowsTail(!m_list->followsTail()); });
    connect(m_list, &ProjectLogListView::followsTailChanged, m_toolbar, &ProjectLogsToolbar::showFollowsTail);
    connect(m_list, &ProjectLogListView::copySelectionRequested, this, &ProjectLogsView::copySelectedLines);

    layout->addWidget(makeActionBar());
    setProcessState(DevProcessState::stopped);
    updateDisplayState();
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
    auto *name = new QLabel(header);
    name->setObjectName(u"projectName"_s);
    name->setFont(Kit::font(13));
    Kit::setTextRole(name, Kit::TextRole::kSecondary);
    // One line: a long name is cut, not wrapped.
    name->setText(name->fontMetrics().elidedText(m_project.name, Qt::ElideRight, 520));
    layout->addWidget(name);
    return header;
}

QWidget *ProjectLogsView::makeServiceTabs()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(u"serviceTabs"_s);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setStyleSheet(u"QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"_s);

    auto *strip = new QWidget(scroll);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    auto *tabs = new QFrame(strip);
    Kit::setRole(tabs, Kit::Role::kCard);
    auto *layout = new QHBoxLayout(tabs);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);
    stripLayout->addWidget(tabs);
    stripLayout->addStretch();

    m_serviceTabs = new QButtonGroup(this);
    const auto addTab = [&](const QString &title, const QUuid &serviceID) {
        auto *tab = new QPushButton(title, tabs);
        tab->setObjectName(u"serviceTab"_s);
        tab->setCheckable(true);
        tab->setFont(Kit::font(13, QFont::Medium));
        Kit::setRole(tab, Kit::Role::kTab);
        m_serviceTabs->addButton(tab, static_cast<int>(m_tabServiceIDs.size()));
        m_tabServiceIDs.append(serviceID);
        layout->addWidget(tab);
    };
    addTab(L10n::text(u"logs_filter_all"_s), QUuid());
    for (const ProjectService &service : m_project.runnableServices())
        addTab(service.displayName(), service.id);
    m_serviceTabs->button(0)->setChecked(true);
    connect(m_serviceTabs, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            applyFilter();
    });
    scroll->setWidget(strip);
    scroll->setFixedHeight(tabs->sizeHint().height());
    return scroll;
}

QWidget *ProjectLogsView::makeActionBar()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *clear = makeTextButton(u"clearButton"_s, L10n::text(u"clear_logs"_s), Kit::Role::kOutlined, bar);
    m_copy = makeTextButton(u"copyButton"_s, L10n::text(u"copy_logs"_s), Kit::Role::kOutlined, bar);
    m_toggle = makeTextButton(u"toggleButton"_s, QString(), Kit::Role::kOutlined, bar);
    auto *restart =
        makeTextButton(u"restartButton"_s, L10n::text(u"restart_process"_s), Kit::Role::kInvertedButton, bar);
    // Start, stop and restart need something to run, whatever the state.
    const bool runnable = !m_project.runnableServices().isEmpty();
    m_toggle->setEnabled(runnable);
    restart->setEnabled(runnable);
    layout->addWidget(clear);
    layout->addWidget(m_copy);
    layout->addStretch();
    layout->addWidget(m_toggle);
    layout->addWidget(restart);
    connect(clear, &QPushButton::clicked, this, &ProjectLogsView::clearRequested);
    connect(m_copy, &QPushButton::clicked, this, &ProjectLogsView::copyDisplayedLogs);
    connect(m_toggle, &QPushButton::clicked, this, &ProjectLogsView::toggleProcessRequested);
    connect(restart, &QPushButton::clicked, this, &ProjectLogsView::restartRequested);
    return bar;
}

void ProjectLogsView::applyFilter()
{
    LogLineFilter filter{m_toolbar->kind(), std::nullopt, m_toolbar->searchText()};
    if (m_serviceTabs && m_serviceTabs->checkedId() > 0)
        filter.serviceID = m_tabServiceIDs.at(m_serviceTabs->checkedId());
    m_model.setFilter(filter);
    updateDisplayState();
}

void ProjectLogsView::updateDisplayState()
{
    m_copy->setEnabled(m_model.rowCount() > 0);
    m_list->setEmptyText(m_model.isLogEmpty() ? L10n::text(u"logs_empty"_s)
                                              : L10n::text(u"logs_no_matching_lines"_s));
}

void ProjectLogsView::copySelectedLines()
{
    QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    std::sort(selected.begin(), selected.end());
    QList<DevProcessLogLine> lines;
    for (const QModelIndex &index : std::as_const(selected))
        lines.append(m_model.line(index.row()));
    m_clipboard.setText(LogLines::copyText(lines));
}

} // namespace devnook
