#include "PanelList.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/projects/HexColor.h"

#include <QLocale>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace devnook {

std::optional<quint32> ProjectGroupSection::countTextColor() const
{
    if (!colorHex)
        return std::nullopt;
    return HexColor::textColorOn(*colorHex);
}

void PanelListState::toggleGroup(const QString &sectionID)
{
    if (!collapsedGroupIDs.remove(sectionID))
        collapsedGroupIDs.insert(sectionID);
}

bool PanelListState::setGroupMode(ProjectGroupMode mode)
{
    if (mode == groupMode)
        return false;
    groupMode = mode;
    collapsedGroupIDs.clear();
    return true;
}

namespace PanelList {

namespace {

// The localised words the search reads, looked up once per search rather
// than once per project.
struct SearchWords {
    QString gitDirty = L10n::text(u"git_dirty"_s);
    QString gitClean = L10n::text(u"git_clean"_s);
    std::array<QString, 7> linkKinds;

    SearchWords()
    {
        for (const WorkspaceLinkKind kind : WorkspaceLinkKinds::all())
            linkKinds[static_cast<size_t>(kind)] = WorkspaceLinkKinds::localizedTitle(kind);
    }

    QString linkTitle(const ProjectLink &link) const
    {
        return link.kind ? linkKinds[static_cast<size_t>(*link.kind)] : link.displayTitle();
    }
};

bool matches(const DevProject &project, const QString &query, const SearchWords &words,
             const QHash<QUuid, ProjectGitStatus> &gitStatuses,
             const QHash<QUuid, ProjectEnvProfile> &envProfiles)
{
    const auto has = [&query](const QString &text) { return text.contains(query, Qt::CaseInsensitive); };
    if (has(project.name) || has(project.client) || has(project.stack) || has(project.folderPath))
        return true;
    for (const ProjectLink &link : project.workspaceLinks)
        if (has(words.linkTitle(link)) || has(link.url))
            return true;
    if (const auto git = gitStatuses.constFind(project.id); git != gitStatuses.cend())
        if (has(git->branch) || has(git->isDirty ? words.gitDirty : words.gitClean))
            return true;
    if (const auto env = envProfiles.constFind(project.id); env != envProfiles.cend()) {
        if (has(env->displayName))
            return true;
        for (const QString &fileName : env->fileNames)
            if (has(fileName))
                return true;
    }
    return false;
}

bool passesArchiveFilter(const DevProject &project, ProjectArchiveFilter filter)
{
    switch (filter) {
    case ProjectArchiveFilter::active:
        return !project.isArchived;
    case ProjectArchiveFilter::archived:
        return project.isArchived;
    case ProjectArchiveFilter::all:
        break;
    }
    return true;
}

// Name, then folder path; negative when a goes first in ascending order.
int compareByName(const DevProject &a, const DevProject &b, const QCollator &collator)
{
    const int byName = collator.compare(a.name, b.name);
    return byName != 0 ? byName : collator.compare(a.folderPath, b.folderPath);
}

QString groupValue(ProjectGroupMode mode, const DevProject &project)
{
    return Text::trimmed(mode == ProjectGroupMode::client ? project.client : project.stack);
}

} // namespace

QCollator collator()
{
    QCollator result{QLocale()};
    result.setCaseSensitivity(Qt::CaseInsensitive);
    return result;
}

QList<DevProject> filteredProjects(const QList<DevProject> &projects, ProjectArchiveFilter filter,
                                   const QString &searchText,
                                   const QHash<QUuid, ProjectGitStatus> &gitStatuses,
                                   const QHash<QUuid, ProjectEnvProfile> &envProfiles)
{
    const QString query = Text::trimmed(searchText);
    QList<DevProject> result;
    if (query.isEmpty()) {
        for (const DevProject &project : projects)
            if (passesArchiveFilter(project, filter))
                result.append(project);
        return result;
    }
    const SearchWords words;
    for (const DevProject &project : projects)
        if (passesArchiveFilter(project, filter) && matches(project, query, words, gitStatuses, envProfiles))
            result.append(project);
    return result;
}

bool compareLastUsed(const DevProject &a, const DevProject &b, bool newestFirst, const QCollator &collator)
{
    if (a.lastUsedAt.has_value() != b.lastUsedAt.has_value())
        return a.lastUsedAt.has_value();
    if (a.lastUsedAt && *a.lastUsedAt != *b.lastUsedAt)
        return newestFirst ? *a.lastUsedAt > *b.lastUsedAt : *a.lastUsedAt < *b.lastUsedAt;
    return compareByName(a, b, collator) < 0;
}

QList<DevProject> sorted(QList<DevProject> projects, ProjectSortMode mode)
{
    // The store's order needs no collation, so a list that is never sorted
    // never loads the collator.
    if (mode == ProjectSortMode::custom)
        return projects;
    const QCollator texts = collator();
    switch (mode) {
    case ProjectSortMode::custom:
        break;
    case ProjectSortMode::nameAscending:
    case ProjectSortMode::nameDescending: {
        const bool ascending = mode == ProjectSortMode::nameAscending;
        std::stable_sort(projects.begin(), projects.end(), [&](const DevProject &a, const DevProject &b) {
            const int order = compareByName(a, b, texts);
            return ascending ? order < 0 : order > 0;
        });
        break;
    }
    case ProjectSortMode::lastUsedDescending:
    case ProjectSortMode::lastUsedAscending: {
        const bool newestFirst = mode == ProjectSortMode::lastUsedDescending;
        std::stable_sort(projects.begin(), projects.end(), [&](const DevProject &a, const DevProject &b) {
            return compareLastUsed(a, b, newestFirst, texts);
        });
        break;
    }
    }
    return projects;
}

QString groupID(ProjectGroupMode mode, const DevProject &project)
{
    if (mode == ProjectGroupMode::none)
        return u"none"_s;
    const QString value = groupValue(mode, project);
    const QString prefix = mode == ProjectGroupMode::client ? u"client:"_s : u"stack:"_s;
    return prefix + (value.isEmpty() ? u"__none"_s : value.toLower());
}

std::optional<quint64> groupColorHex(ProjectGroupMode mode, const DevProject &project)
{
    if (mode != ProjectGroupMode::client)
        return std::nullopt;
    return HexColor::parse(project.clientColorHex);
}

QList<ProjectGroupSection> sections(const QList<DevProject> &sortedProjects, ProjectGroupMode mode)
{
    if (mode == ProjectGroupMode::none)
        return {ProjectGroupSection{u"none"_s, QString(), std::nullopt, sortedProjects}};
    QList<ProjectGroupSection> result;
    QHash<QString, qsizetype> indexByID;
    for (const DevProject &project : sortedProjects) {
        const QString id = groupID(mode, project);
        const auto found = indexByID.constFind(id);
        if (found != indexByID.cend()) {
            result[*found].projects.append(project);
            continue;
        }
        QString title = groupValue(mode, project);
        if (title.isEmpty())
            title = L10n::text(mode == ProjectGroupMode::client ? u"group_no_client"_s : u"group_no_stack"_s);
        indexByID.insert(id, result.size());
        result.append(ProjectGroupSection{id, title, groupColorHex(mode, project), {project}});
    }
    const QCollator texts = collator();
    std::stable_sort(result.begin(), result.end(),
                     [&texts](const ProjectGroupSection &a, const ProjectGroupSection &b) {
                         return texts.compare(a.title, b.title) < 0;
                     });
    return result;
}

} // namespace PanelList

} // namespace devnook
