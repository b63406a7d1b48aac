#include "ProjectStore.h"
#include "core/analytics/AnalyticsService.h"
#include "core/foundation/Text.h"

using namespace Qt::StringLiterals;

namespace devnook {

QHash<QString, QString> ProjectStore::analyticsParameters(const DevProject &project, const QString &source)
{
    // Declared services, blank ones included: what the user configured.
    return {
        {u"source"_s, source},
        {u"configured-service-count"_s, QString::number(project.services.size())},
        {u"has-local-url"_s, Text::isBlank(project.localhostURL) ? u"false"_s : u"true"_s},
    };
}

QString ProjectStore::analyticsSource(ProjectUsageSessionSource source)
{
    return source == ProjectUsageSessionSource::startWorkspace ? u"workspace"_s : u"play"_s;
}

void ProjectStore::signalProcessStartFailed(const DevProject &project, ProjectUsageSessionSource source,
                                            const QString &category)
{
    QHash<QString, QString> parameters = analyticsParameters(project, analyticsSource(source));
    parameters.insert(u"failure-category"_s, category);
    m_services.analytics.signal(AnalyticsEvent::processStartFailed, parameters);
}

} // namespace devnook
