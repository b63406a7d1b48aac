#include "DevProject.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace devnook {

QList<ProjectService> DevProject::runnableServices() const
{
    QList<ProjectService> result = runnable(services);
    if (!result.isEmpty())
        return result;
    const QString command = Text::trimmed(devCommand);
    if (command.isEmpty())
        return {};
    return {ProjectService{id, L10n::text(u"primary_service"_s), command, localhostURL}};
}

bool DevProject::isFolderMissing() const
{
    const QString path = Text::trimmed(folderPath);
    if (path.isEmpty())
        return true;
    return !QFileInfo(path).isDir();
}

} // namespace devnook
