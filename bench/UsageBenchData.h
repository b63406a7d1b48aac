#pragma once

#include "core/projects/DevProject.h"
#include "core/usage/ProjectUsageSession.h"

#include <QDateTime>
#include <QList>
#include <algorithm>
#include <ctime>

namespace devnook::bench {

// Pins the local time zone, so figures of different machines compare.
inline void pinTimeZone()
{
    qputenv("TZ", "Europe/Madrid");
    tzset();
}

// 200 projects of 40 clients and a dozen stacks, some of them unknown.
inline QList<DevProject> makeUsageProjects(int count = 200)
{
    static const char *const stacks[] = {"Vue",   "React",  "Next.js", "Laravel", "Django api", "Rust",
                                         "Astro", "Elixir", "Go",      "",        "Svelte",     "Phoenix"};
    QList<DevProject> projects;
    for (int i = 0; i < count; ++i) {
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = QStringLiteral("Project %1").arg(i);
        project.client = i % 5 == 0 ? QString() : QStringLiteral("Client %1").arg(i % 40);
        project.clientColorHex = i % 3 == 0 ? QStringLiteral("3366CC") : QString();
        project.stack = QString::fromLatin1(stacks[i % 12]);
        projects.append(project);
    }
    return projects;
}

// The sessions of the two years up to yesterday, spread evenly over the days,
// each within its day, in order of start as the service keeps them: every
// period has some, as in a history in use. With a first-project share of
// n, every n-th session is the first project's and the others go round the
// rest; without one, every project takes its turn.
inline QList<ProjectUsageSession> makeUsageSessions(const QList<DevProject> &projects, int count,
                                                    int firstProjectShare = 0)
{
    const Timestamp firstDay =
        Timestamp::fromDateTime(QDateTime(QDate::currentDate().addDays(-730), QTime(8, 0), Qt::LocalTime));
    QList<ProjectUsageSession> sessions;
    sessions.reserve(count);
    for (int i = 0; i < count; ++i) {
        const DevProject &project = firstProjectShare <= 0       ? projects[i % projects.size()]
                                    : i % firstProjectShare == 0 ? projects.first()
                                                                 : projects[1 + i % (projects.size() - 1)];
        const qint64 day = static_cast<qint64>(i) * 730 / count;
        const Timestamp start = firstDay.addSeconds(static_cast<double>(day) * 86400.0 + (i % 97) * 300.0);
        sessions.append(ProjectUsageSession{
            QUuid::createUuid(), project.id, project.name, project.client, project.stack,
            i % 4 == 0 ? ProjectUsageSessionSource::startWorkspace : ProjectUsageSessionSource::playButton,
            start, start.addSeconds(1800.0 + (i % 7) * 600.0), (i % 3) * 120.0});
    }
    std::stable_sort(
        sessions.begin(), sessions.end(),
        [](const ProjectUsageSession &a, const ProjectUsageSession &b) { return a.startedAt < b.startedAt; });
    return sessions;
}

} // namespace devnook::bench
