#include "ProjectListModel.h"

#include "ProjectCardLayout.h"
#include "core/environment/ProjectCommandService.h"
#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

ProjectListModel::ProjectListModel(PanelStore &store, const PanelListState &state, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_state(state)
{
    connect(&m_store, &PanelStore::projectsChanged, this, &ProjectListModel::rebuild);
    connect(&m_store, &PanelStore::statusesChanged, this, &ProjectListModel::rebuild);
    connect(&m_store, &PanelStore::projectStateChanged, this, &ProjectListModel::projectStateChanged);
    connect(&m_store, &PanelStore::devicePreviewChanged, this, &ProjectListModel::rebuild);
    rebuild();
}

int ProjectListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QVariant ProjectListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const Item &item = m_items[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item.kind == Kind::section ? item.section.title : item.project.context.project.name;
    case Qt::AccessibleDescriptionRole:
        return item.kind == Kind::section ? QVariant() : accessibleDescription(item.project);
    default:
        return {};
    }
}

QString ProjectListModel::accessibleDescription(const ProjectRow &row)
{
    // The painted card has no widgets a screen reader could name one by one.
    const ProjectRowContext &context = row.context;
    const ProjectRowDisplay &display = row.display;
    QStringList parts{L10n::text(ProjectCardLayout::stateTitleKey(context.processState))};
    if (display.showsClientBadge)
        parts.append(context.project.client);
    if (display.showsStackBadge)
        parts.append(context.project.stack);
    if (context.gitStatus)
        parts += QStringList{context.gitStatus->branch, display.gitTooltip};
    if (context.envProfile)
        parts.append(display.envBadgeText);
    if (display.showsFolderMissingFooter)
        parts.append(L10n::text(u"folder_not_found"_s));
    if (display.showsActionBar)
        for (const RowActionButton &button : row.actionBar)
            parts.append(L10n::text(button.titleKey));
    return parts.join(u", "_s);
}

ProjectListModel::Kind ProjectListModel::kind(int row) const
{
    return m_items[row].kind;
}

const ProjectListModel::SectionRow &ProjectListModel::section(int row) const
{
    return m_items[row].section;
}

const ProjectListModel::ProjectRow &ProjectListModel::project(int row) const
{
    return m_items[row].project;
}

int ProjectListModel::rowOf(const QUuid &projectID) const
{
    return m_rowByProject.value(projectID, -1);
}

ProjectListModel::ProjectRow ProjectListModel::makeRow(const DevProject &project) const
{
    ProjectRow row;
    ProjectRowContext &context = row.context;
    context.project = project;
    if (const auto git = m_store.gitStatuses().constFind(project.id); git != m_store.gitStatuses().cend())
        context.gitStatus = *git;
    if (const auto env = m_store.envProfiles().constFind(project.id); env != m_store.envProfiles().cend())
        context.envProfile = *env;
    context.processState = m_store.displayProcessState(project);
    context.usageTrackingState = m_store.usageTrackingState(project.id);
    context.isDevicePreviewActive = m_store.isDevicePreviewActive(project.id);
    context.devicePreviewHealth = m_store.devicePreviewHealth(project.id);
    // Until the store has read the folder, it counts as present without an
    // index.html.
    const ProjectFolderFacts facts = m_store.folderFacts().value(project.id);
    context.isFolderMissing = facts.isMissing;
    context.hasPreviewURL = facts.hasStaticIndex || ProjectCommandService::localURL(project);
    context.hasStaticIndex = facts.hasStaticIndex;
    context.hidesClientBadge = m_state.groupMode == ProjectGroupMode::client;
    context.hidesStackBadge = m_state.groupMode == ProjectGroupMode::stack;
    row.display = ProjectRowRules::display(context);
    row.actionBar = sharedActionBar(ProjectRowActions::actionBar(context));
    return row;
}

QList<RowActionButton> ProjectListModel::sharedActionBar(const QList<RowActionButton> &bar) const
{
    // Hundreds of rows have a handful of distinct bars; equal ones share one
    // copy instead of each row holding its own.
    for (const QList<RowActionButton> &known : std::as_const(m_actionBars))
        if (known == bar)
            return known;
    m_actionBars.append(bar);
    return bar;
}

QString ProjectListModel::keyOf(const Item &item)
{
    return item.kind == Kind::section ? u"section:"_s + item.section.id
                                      : item.project.context.project.id.toString();
}

bool ProjectListModel::sameHeight(const Item &a, const Item &b)
{
    if (a.kind == Kind::section)
        return true;
    const ProjectRowDisplay &x = a.project.display;
    const ProjectRowDisplay &y = b.project.display;
    return x.hasBadgeMetadata == y.hasBadgeMetadata && x.showsActionBar == y.showsActionBar &&
           x.showsFolderMissingFooter == y.showsFolderMissingFooter;
}

void ProjectListModel::rebuild()
{
    const QList<DevProject> filtered =
        PanelList::filteredProjects(m_store.projects(), m_state.archiveFilter, m_state.searchText,
                                    m_store.gitStatuses(), m_store.envProfiles());
    QList<Item> items;
    if (!filtered.isEmpty()) {
        const bool grouped = m_state.groupMode != ProjectGroupMode::none;
        const QList<ProjectGroupSection> sections =
            PanelList::sections(PanelList::sorted(filtered, m_state.sortMode), m_state.groupMode);
        // Rows are large and the list may be kept: no room to spare.
        items.reserve(filtered.size() + (grouped ? sections.size() : 0));
        for (const ProjectGroupSection &section : sections) {
            const bool collapsed = grouped && m_state.collapsedGroupIDs.contains(section.id);
            if (grouped) {
                Item header{Kind::section,
                            {section.id, section.title, section.colorHex, section.projects.size(), collapsed},
                            {}};
                items.append(header);
            }
            if (collapsed)
                continue;
            for (const DevProject &project : section.projects)
                items.append(Item{Kind::project, {}, makeRow(project)});
        }
    }
    m_hasNoMatch = filtered.isEmpty();
    m_isGrouped = m_state.groupMode != ProjectGroupMode::none;

    bool sameKeys = items.size() == m_items.size();
    for (qsizetype i = 0; sameKeys && i < items.size(); ++i)
        sameKeys = keyOf(items[i]) == keyOf(m_items[i]);
    if (!sameKeys) {
        beginResetModel();
        m_items = std::move(items);
        m_rowByProject.clear();
        for (qsizetype i = 0; i < m_items.size(); ++i)
            if (m_items[i].kind == Kind::project)
                m_rowByProject.insert(m_items[i].project.context.project.id, static_cast<int>(i));
        endResetModel();
        return;
    }
    bool heightsKept = true;
    QList<int> changed;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item &now = items[i];
        Item &before = m_items[i];
        if (now.section == before.section && now.project == before.project)
            continue;
        heightsKept = heightsKept && sameHeight(now, before);
        before = now;
        changed.append(static_cast<int>(i));
    }
    if (!heightsKept) {
        Q_EMIT layoutAboutToBeChanged();
        Q_EMIT layoutChanged();
        return;
    }
    for (const int row : std::as_const(changed))
        Q_EMIT dataChanged(index(row), index(row), {kSameHeightRole});
}

void ProjectListModel::projectStateChanged(const QUuid &projectID)
{
    const int row = rowOf(projectID);
    if (row < 0)
        return;
    ProjectRow &entry = m_items[row].project;
    const DevProcessState state = m_store.displayProcessState(entry.context.project);
    if (state == entry.context.processState)
        return;
    entry.context.processState = state;
    entry.display = ProjectRowRules::display(entry.context);
    entry.actionBar = sharedActionBar(ProjectRowActions::actionBar(entry.context));
    Q_EMIT dataChanged(index(row), index(row), {kSameHeightRole});
}

} // namespace devnook
