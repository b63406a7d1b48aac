#pragma once

#include <QList>
#include <QString>

namespace devnook {

// Which projects the panel lists by their archive mark.
enum class ProjectArchiveFilter { active, archived, all };
// The panel's sort orders; custom keeps the store's own order.
enum class ProjectSortMode { custom, nameAscending, nameDescending, lastUsedDescending, lastUsedAscending };
// How the panel cuts its list into sections.
enum class ProjectGroupMode { none, client, stack };

// For each enumeration: every case in picker order, the raw value (the case
// name, also its identifier) and the localisation key of its title.
namespace ProjectListOptions {

const QList<ProjectArchiveFilter> &archiveFilters();
const QList<ProjectSortMode> &sortModes();
const QList<ProjectGroupMode> &groupModes();

QString rawValue(ProjectArchiveFilter filter);
QString rawValue(ProjectSortMode mode);
QString rawValue(ProjectGroupMode mode);

QString titleKey(ProjectArchiveFilter filter);
QString titleKey(ProjectSortMode mode);
QString titleKey(ProjectGroupMode mode);

} // namespace ProjectListOptions

} // namespace devnook
