#include "ProjectListOptions.h"

#include <array>

using namespace Qt::StringLiterals;

namespace devnook::ProjectListOptions {

namespace {

// One row per case: the case, its raw value, its title key.
template <typename Enum> struct Case {
    Enum value;
    QStringView raw;
    QStringView titleKey;
};

constexpr std::array kArchiveCases{
    Case<ProjectArchiveFilter>{ProjectArchiveFilter::active, u"active", u"filter_active"},
    Case<ProjectArchiveFilter>{ProjectArchiveFilter::archived, u"archived", u"filter_archived"},
    Case<ProjectArchiveFilter>{ProjectArchiveFilter::all, u"all", u"filter_all"},
};

constexpr std::array kSortCases{
    Case<ProjectSortMode>{ProjectSortMode::custom, u"custom", u"sort_custom"},
    Case<ProjectSortMode>{ProjectSortMode::nameAscending, u"nameAscending", u"sort_name_asc"},
    Case<ProjectSortMode>{ProjectSortMode::nameDescending, u"nameDescending", u"sort_name_desc"},
    Case<ProjectSortMode>{ProjectSortMode::lastUsedDescending, u"lastUsedDescending", u"sort_last_used_desc"},
    Case<ProjectSortMode>{ProjectSortMode::lastUsedAscending, u"lastUsedAscending", u"sort_last_used_asc"},
};

constexpr std::array kGroupCases{
    Case<ProjectGroupMode>{ProjectGroupMode::none, u"none", u"group_ungrouped"},
    Case<ProjectGroupMode>{ProjectGroupMode::client, u"client", u"group_client"},
    Case<ProjectGroupMode>{ProjectGroupMode::stack, u"stack", u"group_stack"},
};

template <typename Enum, size_t N> QList<Enum> values(const std::array<Case<Enum>, N> &cases)
{
    QList<Enum> result;
    for (const Case<Enum> &entry : cases)
        result.append(entry.value);
    return result;
}

template <typename Enum, size_t N>
const Case<Enum> &caseOf(const std::array<Case<Enum>, N> &cases, Enum value)
{
    return cases[static_cast<size_t>(value)];
}

} // namespace

const QList<ProjectArchiveFilter> &archiveFilters()
{
    static const QList<ProjectArchiveFilter> all = values(kArchiveCases);
    return all;
}

const QList<ProjectSortMode> &sortModes()
{
    static const QList<ProjectSortMode> all = values(kSortCases);
    return all;
}

const QList<ProjectGroupMode> &groupModes()
{
    static const QList<ProjectGroupMode> all = values(kGroupCases);
    return all;
}

QString rawValue(ProjectArchiveFilter filter)
{
    return caseOf(kArchiveCases, filter).raw.toString();
}

QString rawValue(ProjectSortMode mode)
{
    return caseOf(kSortCases, mode).raw.toString();
}

QString rawValue(ProjectGroupMode mode)
{
    return caseOf(kGroupCases, mode).raw.toString();
}

QString titleKey(ProjectArchiveFilter filter)
{
    return caseOf(kArchiveCases, filter).titleKey.toString();
}

QString titleKey(ProjectSortMode mode)
{
    return caseOf(kSortCases, mode).titleKey.toString();
}

QString titleKey(ProjectGroupMode mode)
{
    return caseOf(kGroupCases, mode).titleKey.toString();
}

} // namespace devnook::ProjectListOptions
