#include "ProjectService.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"

using namespace Qt::StringLiterals;

namespace devnook {

QString ProjectService::displayName() const
{
    const QString trimmedName = Text::trimmed(name);
    return trimmedName.isEmpty() ? L10n::text(u"service"_s) : trimmedName;
}

QList<ProjectService> runnable(const QList<ProjectService> &services)
{
    QList<ProjectService> result;
    for (const ProjectService &service : services) {
        if (!Text::isBlank(service.command))
            result.append(service);
    }
    return result;
}

} // namespace devnook
