#include "ProjectFolderFacts.h"

#include "BackgroundReads.h"
#include "ProjectCommandService.h"

#include <QCoroFuture>

namespace devnook::ProjectFolderFactsService {

QHash<QUuid, ProjectFolderFacts> readFacts(const QList<DevProject> &projects)
{
    QHash<QUuid, ProjectFolderFacts> result;
    result.reserve(projects.size());
    for (const DevProject &project : projects) {
        ProjectFolderFacts &facts = result[project.id];
        facts.isMissing = project.isFolderMissing();
        facts.hasStaticIndex = !facts.isMissing && ProjectCommandService::staticIndexURL(project).has_value();
    }
    return result;
}

QCoro::Task<QHash<QUuid, ProjectFolderFacts>> facts(QList<DevProject> projects)
{
    co_return co_await runBackgroundRead(&readFacts, std::move(projects));
}

} // namespace devnook::ProjectFolderFactsService
