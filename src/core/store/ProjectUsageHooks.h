#pragma once

#include "core/projects/DevProject.h"
#include "core/usage/ProjectUsageSession.h"

#include <QList>
#include <QUuid>

namespace devnook {

// The store's side of usage tracking: what the store tells it about projects.
class ProjectUsageHooks {
public:
    virtual ~ProjectUsageHooks() = default;

    // The catalogue was loaded or the statuses were asked for: recompute the
    // usage figures of exactly these projects.
    virtual void refreshAll(const QList<DevProject> &projects) = 0;

    // The project's processes run: open its session (one per project).
    virtual void processesRunning(const DevProject &project, ProjectUsageSessionSource source) = 0;

    // The project's processes stopped or failed: end its session and refresh
    // its figures.
    virtual void processesEnded(const QUuid &projectID) = 0;

    // The project was deleted: drop its figures and clear its sessions.
    virtual void projectDeleted(const QUuid &projectID) = 0;

    // The application quits: end every running session, then recompute the
    // figures of these projects.
    virtual void finishForQuit(const QList<DevProject> &projects) = 0;
};

// Usage tracking that records nothing.
class NullProjectUsageHooks final : public ProjectUsageHooks {
public:
    void refreshAll(const QList<DevProject> &) override {}
    void processesRunning(const DevProject &, ProjectUsageSessionSource) override {}
    void processesEnded(const QUuid &) override {}
    void projectDeleted(const QUuid &) override {}
    void finishForQuit(const QList<DevProject> &) override {}
};

} // namespace devnook
