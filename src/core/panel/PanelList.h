#pragma once

#include "ProjectListOptions.h"
#include "core/environment/EnvProfileService.h"
#include "core/environment/GitStatusService.h"
#include "core/projects/DevProject.h"

#include <QCollator>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// One section of the panel's list.
struct ProjectGroupSection {
    QString id;
    // As the section's first project writes its client or stack, or the
    // localised "no client"/"no stack" text.
    QString title;
    // 0xRRGGBB; only when grouping by client.
    std::optional<quint64> colorHex;
    QList<DevProject> projects;

    // White or 0x212121 for the count capsule; nothing where the window
    // background colour is meant (no section colour).
    std::optional<quint32> countTextColor() const;

    bool operator==(const ProjectGroupSection &) const = default;
};

// The panel's transient list state; starts from these values with each panel
// and is never stored.
struct PanelListState {
    QString searchText;
    ProjectArchiveFilter archiveFilter = ProjectArchiveFilter::active;
    ProjectSortMode sortMode = ProjectSortMode::custom;
    ProjectGroupMode groupMode = ProjectGroupMode::none;
    bool showsArchiveFilters = false;
    bool showsSortOptions = false;
    bool showsGroupOptions = false;
    QSet<QString> collapsedGroupIDs;
    bool isRefreshingStatuses = false;

    // Collapses the section, or expands it when collapsed.
    void toggleGroup(const QString &sectionID);
    // A new grouping starts with every section expanded; the same one keeps
    // the collapsed sections. True when the mode changed.
    bool setGroupMode(ProjectGroupMode mode);
};

// The panel's list pipeline: archive filter, search, sort and grouping over
// the store's projects. Texts compare with the current locale's collation,
// ignoring case but not accents.
namespace PanelList {

// The projects that pass the archive filter and the search, in store order.
// The query is the trimmed search text; it matches as a case-insensitive
// substring of the name, client, stack, folder path, each link's display
// title and address, the git branch and clean/dirty word, and the .env
// profile's name and file names.
QList<DevProject> filteredProjects(const QList<DevProject> &projects, ProjectArchiveFilter filter,
                                   const QString &searchText,
                                   const QHash<QUuid, ProjectGitStatus> &gitStatuses,
                                   const QHash<QUuid, ProjectEnvProfile> &envProfiles);

// A stable sort by the mode; custom keeps the incoming order.
QList<DevProject> sorted(QList<DevProject> projects, ProjectSortMode mode);

// True when a goes before b in a last-used order: used before never used,
// then by date, then by name and folder path ascending.
bool compareLastUsed(const DevProject &a, const DevProject &b, bool newestFirst, const QCollator &collator);

// The sorted projects cut into sections by the mode, sections sorted by title
// (stable). Grouping by none gives the one section "none", also when empty.
QList<ProjectGroupSection> sections(const QList<DevProject> &sortedProjects, ProjectGroupMode mode);

// "none", "client:<trimmed lower-cased client>" or "stack:<…>", with "__none"
// for a blank value.
QString groupID(ProjectGroupMode mode, const DevProject &project);

// The client colour (HexColor::parse of the stored text) when grouping by
// client; nothing otherwise.
std::optional<quint64> groupColorHex(ProjectGroupMode mode, const DevProject &project);

// The collation the pipeline uses: the current locale, case-insensitive.
QCollator collator();

} // namespace PanelList

} // namespace devnook
