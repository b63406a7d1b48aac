#include "DevicePreviewHooks.h"
#include "ProjectStore.h"
#include "core/analytics/AnalyticsService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"
#include "core/foundation/UuidText.h"
#include "core/usage/UsageTrackingService.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

bool comesBefore(const DevProject &a, const DevProject &b, const QCollator &collator)
{
    if (a.isArchived != b.isArchived)
        return !a.isArchived;
    if (a.isPinned != b.isPinned)
        return a.isPinned;
    if (a.lastUsedAt.has_value() != b.lastUsedAt.has_value())
        return a.lastUsedAt.has_value();
    if (a.lastUsedAt && *a.lastUsedAt != *b.lastUsedAt)
        return *a.lastUsedAt > *b.lastUsedAt;
    return collator.compare(a.name, b.name) < 0;
}

// The folder with "." and ".." removed and symbolic links resolved, in the
// composed Unicode form so that a composed and a decomposed accent compare
// equal. Parts that do not exist yet are kept as written below the deepest
// existing folder, whose links are resolved.
QString folderKey(const QString &folderPath)
{
    const QString cleaned = QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath());
    QString existing = cleaned;
    QString rest;
    while (!existing.isEmpty()) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(canonical + rest).normalized(QString::NormalizationForm_C);
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash <= 0)
            break;
        rest = existing.mid(slash) + rest;
        existing.truncate(slash);
    }
    return cleaned.normalized(QString::NormalizationForm_C);
}

} // namespace

QList<DevProject> ProjectStore::sorted(QList<DevProject> projects)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(projects.begin(), projects.end(), [&collator](const DevProject &a, const DevProject &b) {
        return comesBefore(a, b, collator);
    });
    return projects;
}

const DevProject *ProjectStore::duplicateProject(const DevProject &project) const
{
    const QString key = folderKey(project.folderPath);
    for (const DevProject &other : m_projects) {
        if (other.id != project.id && folderKey(other.folderPath) == key)
            return &other;
    }
    return nullptr;
}

qsizetype ProjectStore::storedIndex(const QUuid &projectID) const
{
    for (qsizetype i = 0; i < m_projects.size(); ++i) {
        if (m_projects[i].id == projectID)
            return i;
    }
    return -1;
}

void ProjectStore::replaceSortedAndPersist()
{
    setProjects(sorted(m_projects));
    persist();
}

bool ProjectStore::save(const DevProject &project)
{
    if (const DevProject *other = duplicateProject(project)) {
        setCatalogueError(L10n::format(u"project_folder_already_exists"_s, {other->name}));
        return false;
    }
    DevProject record = project;
    const qsizetype index = storedIndex(project.id);
    const bool isNew = index < 0;
    if (isNew) {
        if (!record.lastUsedAt)
            record.lastUsedAt = m_services.clock.now();
        m_projects.append(record);
    } else {
        m_projects[index] = record;
    }
    replaceSortedAndPersist();
    if (isNew)
        m_services.analytics.signal(AnalyticsEvent::projectAdded,
                                    analyticsParameters(record, u"project-form"_s));
    refreshGitStatus(record);
    refreshEnvProfile(record);
    // Its folder may be another; the facts of all folders are one cheap pass.
    refreshFolderFacts();
    refreshDevicePreview(record);
    return true;
}

void ProjectStore::deleteProject(const DevProject &project)
{
    // Taken first: the project may be the list's own record, which the
    // removal overwrites with the one after it.
    const QUuid projectID = project.id;
    m_services.devicePreview.deactivate(projectID);
    const auto removed = m_projects.removeIf([&projectID](const DevProject &p) { return p.id == projectID; });
    if (removed > 0)
        Q_EMIT projectsChanged();
    dropStatuses(projectID);
    m_services.usage.clearSessions(projectID);
    persist();
}

void ProjectStore::togglePinned(const DevProject &project)
{
    const qsizetype index = storedIndex(project.id);
    if (index < 0 || m_projects[index].isArchived)
        return;
    m_projects[index].isPinned = !m_projects[index].isPinned;
    replaceSortedAndPersist();
}

void ProjectStore::archive(const DevProject &project)
{
    const qsizetype index = storedIndex(project.id);
    if (index < 0)
        return;
    m_projects[index].isArchived = true;
    m_projects[index].isPinned = false;
    replaceSortedAndPersist();
}

void ProjectStore::restore(const DevProject &project)
{
    const qsizetype index = storedIndex(project.id);
    if (index < 0)
        return;
    m_projects[index].isArchived = false;
    replaceSortedAndPersist();
}

void ProjectStore::markUsed(const DevProject &project)
{
    const qsizetype index = storedIndex(project.id);
    if (index < 0)
        return;
    m_projects[index].lastUsedAt = m_services.clock.now();
    replaceSortedAndPersist();
}

QString ProjectStore::projectURLKey(const QUuid &projectID)
{
    return u"project:"_s + UuidText::format(projectID);
}

QString ProjectStore::serviceURLKey(const QUuid &serviceID)
{
    return u"service:"_s + UuidText::format(serviceID);
}

QHash<QString, QString> ProjectStore::effectiveLocalURLOverrides(const DevProject &project) const
{
    QHash<QString, QString> overrides;
    const auto copy = [this, &overrides](const QString &key) {
        const auto found = m_effectiveLocalURLs.constFind(key);
        if (found != m_effectiveLocalURLs.cend())
            overrides.insert(key, *found);
    };
    copy(projectURLKey(project.id));
    for (const ProjectService &service : project.services)
        copy(serviceURLKey(service.id));
    return overrides;
}

} // namespace devnook
