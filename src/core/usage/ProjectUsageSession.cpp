#include "ProjectUsageSession.h"

#include "core/foundation/L10n.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace ProjectUsageSessionSources {

const QList<ProjectUsageSessionSource> &all()
{
    static const QList<ProjectUsageSessionSource> sources{ProjectUsageSessionSource::playButton,
                                                          ProjectUsageSessionSource::startWorkspace};
    return sources;
}

QString rawValue(ProjectUsageSessionSource source)
{
    switch (source) {
    case ProjectUsageSessionSource::playButton:
        return u"playButton"_s;
    case ProjectUsageSessionSource::startWorkspace:
        return u"startWorkspace"_s;
    }
    return {};
}

std::optional<ProjectUsageSessionSource> fromRawValue(const QString &text)
{
    for (const ProjectUsageSessionSource source : all()) {
        if (rawValue(source) == text)
            return source;
    }
    return std::nullopt;
}

QString localizedTitle(ProjectUsageSessionSource source)
{
    switch (source) {
    case ProjectUsageSessionSource::playButton:
        return L10n::text(u"usage_session_source_play"_s);
    case ProjectUsageSessionSource::startWorkspace:
        return L10n::text(u"usage_session_source_workspace"_s);
    }
    return {};
}

} // namespace ProjectUsageSessionSources

double ProjectUsageSession::trackedBetween(Timestamp from, Timestamp to) const
{
    const double overlap = std::max(startedAt, from).secondsTo(std::min(endedAt, to));
    const std::optional<double> fraction = trackedFraction();
    if (!fraction || !(overlap > 0.0))
        return 0.0;
    return overlap * *fraction;
}

} // namespace devnook
