#include "ProjectFormSeams.h"

#include "core/environment/BackgroundReads.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

namespace devnook {

QCoro::Task<ProjectSuggestions> BackgroundProjectSuggestions::suggestions(QString folderPath)
{
    co_return co_await runBackgroundRead(&ProjectSuggestionService::suggestions, folderPath);
}

} // namespace devnook
