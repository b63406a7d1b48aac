// CSV and JSON export of sessions.
#include "UsageLimits.h"
#include "UsageSessionCoding.h"
#include "UsageTrackingService.h"
#include "core/foundation/L10n.h"
#include "core/foundation/UuidText.h"

#include <QDateTime>
#include <QStringList>
#include <cmath>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kCsvHeader =
    u"id,project_id,project_name,client,stack,source,started_at,ended_at,duration_seconds,paused_seconds"_s;

// ISO 8601 in UTC with whole seconds; the fraction is dropped, not rounded.
QString isoText(Timestamp instant)
{
    const double unixSeconds =
        std::floor(instant.secondsSinceReference()) + static_cast<double>(Timestamp::kUnixSecondsAtReference);
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(unixSeconds), Qt::UTC).toString(Qt::ISODate);
}

QString csvField(QString value)
{
    value.replace(u'"', u"\"\""_s);
    if (value.contains(u',') || value.contains(u'"') || value.contains(u'\n'))
        return u'"' + value + u'"';
    return value;
}

QString csvRow(const ProjectUsageSession &session)
{
    const QStringList values{
        UuidText::format(session.id),
        UuidText::format(session.projectID),
        session.projectName,
        session.client,
        session.stack,
        ProjectUsageSessionSources::rawValue(session.source),
        isoText(session.startedAt),
        isoText(session.endedAt),
        QString::number(UsageLimits::roundedSeconds(session.trackedDuration())),
        QString::number(UsageLimits::roundedSeconds(session.pausedDuration)),
    };
    QStringList escaped;
    escaped.reserve(values.size());
    for (const QString &value : values)
        escaped.append(csvField(value));
    return escaped.join(u',');
}

} // namespace

Result<QByteArray> UsageTrackingService::exportSessions(const QList<ProjectUsageSession> &sessions,
                                                        UsageExportFormat format)
{
    if (format == UsageExportFormat::json)
        return UsageSessionCoding::encodeSessions(sessions);
    QString text = kCsvHeader + u'\n';
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        // The same refusal as the JSON form: such a date has no ISO text.
        if (const QString problem = UsageSessionCoding::implausibility(sessions[i]); !problem.isEmpty())
            return Result<QByteArray>::failure(
                L10n::format(u"usage_session_reason"_s, {QString::number(i + 1), problem}));
        text += csvRow(sessions[i]) + u'\n';
    }
    return Result<QByteArray>::success(text.toUtf8());
}

} // namespace devnook
