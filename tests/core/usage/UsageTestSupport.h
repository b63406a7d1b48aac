#pragma once

#include "core/usage/UsageTrackingService.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"

#include <QTemporaryDir>
#include <memory>

namespace devnook::test {

inline DevProject makeProject(const QString &name, const QString &client = {}, const QString &stack = {},
                              const QString &id = {})
{
    DevProject project;
    project.id = id.isEmpty() ? QUuid::createUuid() : QUuid::fromString(id);
    project.name = name;
    project.client = client;
    project.stack = stack;
    return project;
}

inline ProjectUsageSession makeSession(const DevProject &project, Timestamp start, Timestamp end,
                                       double paused = 0.0)
{
    return ProjectUsageSession{QUuid::createUuid(),
                               project.id,
                               project.name,
                               project.client,
                               project.stack,
                               ProjectUsageSessionSource::playButton,
                               start,
                               end,
                               paused};
}

// Tables hold wall-clock times (kept as UTC so that no zone shifts them); a
// row's zone is pinned only when it runs, and inZone reads them there.
inline QDateTime wall(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

inline Timestamp inZone(const QDateTime &wallTime)
{
    return Timestamp::fromDateTime(QDateTime(wallTime.date(), wallTime.time(), Qt::LocalTime));
}

// A tracking service over an empty data home, in a pinned time zone and locale.
struct UsageHome {
    explicit UsageHome(const char *zone = "Europe/Madrid") : timeZone(zone) { reload(); }

    // A new service over the same folder, once the old one has written all.
    void reload()
    {
        service.reset();
        service = std::make_unique<UsageTrackingService>(dir.path(), clock);
        service->waitForFiles();
    }
    void record(const DevProject &project, Timestamp start, Timestamp end)
    {
        service->start(project, ProjectUsageSessionSource::playButton, start);
        service->stop(project.id, end);
        service->waitForFiles();
    }

    ScopedTimeZone timeZone;
    ScopedLocale locale{QLocale(QStringLiteral("en_US"))};
    QTemporaryDir dir;
    FakeClock clock;
    std::unique_ptr<UsageTrackingService> service;
};

} // namespace devnook::test
