#pragma once

#include "core/environment/EnvProfileService.h"
#include "core/environment/GitStatusService.h"
#include "core/environment/ProjectFolderFacts.h"
#include "core/preview/DevicePreviewRecords.h"
#include "core/processes/DevProcessState.h"
#include "core/projects/DevProject.h"
#include "core/usage/UsageRecords.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUuid>
#include <optional>

namespace devnook {

class AlertAsker;
class PanelWindows;
class ProjectFormCatalogue;
class Clipboard;
class FileViewer;
class ProjectCommandService;
class UrlOpener;

// What the panel reads of the project store and asks of it. Every operation
// returns at once; results come back through the signals.
class PanelStore : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The catalogue in the store's display order.
    virtual const QList<DevProject> &projects() const = 0;
    virtual const QHash<QUuid, ProjectGitStatus> &gitStatuses() const = 0;
    virtual const QHash<QUuid, ProjectEnvProfile> &envProfiles() const = 0;
    // What the last refresh found of each folder; no entry before it.
    virtual const QHash<QUuid, ProjectFolderFacts> &folderFacts() const = 0;
    // Both flags false and no durations when the store tracks nothing.
    virtual UsageTrackingState usageTrackingState(const QUuid &projectID) const = 0;
    // Starting while a start is under way, else the last reported state.
    virtual DevProcessState displayProcessState(const DevProject &project) const = 0;
    // Every problem the user should know of, one to a line, already localised.
    virtual std::optional<QString> lastError() const = 0;
    // The user has read lastError; what it reports now is dropped, and a
    // failure that happens again is reported again.
    virtual void dismissLastError() = 0;
    // Whether the project's device preview is on.
    virtual bool isDevicePreviewActive(const QUuid &projectID) const = 0;
    // The health last published for the project's preview; none before the first.
    virtual std::optional<DevicePreviewHealthSummary> devicePreviewHealth(const QUuid &projectID) const = 0;

    // Reads git, .env and folder state of every project again; a request
    // while one is running is folded into one more refresh after it.
    virtual void refreshProjectStatuses() = 0;
    virtual void togglePinned(const DevProject &project) = 0;
    virtual void markUsed(const DevProject &project) = 0;
    virtual void archive(const DevProject &project) = 0;
    virtual void restore(const DevProject &project) = 0;
    virtual void deleteProject(const DevProject &project) = 0;
    virtual void toggleDevProcess(const DevProject &project) = 0;
    virtual void startWorkspace(const DevProject &project) = 0;
    virtual void toggleUsageTrackingPause(const DevProject &project) = 0;

Q_SIGNALS:
    // Emitted when the list of projects or a project in it changed.
    void projectsChanged();
    // Emitted when one project's shown process state may have changed.
    void projectStateChanged(const QUuid &projectID);
    // Emitted when git, .env, folder or usage-tracking state was written.
    void statusesChanged();
    // Emitted when lastError changed.
    void lastErrorChanged();
    // Emitted when a device preview was switched on or off or its health changed.
    void devicePreviewChanged();
};

// The store and the desktop services the panel's rows hand projects to.
struct PanelServices {
    PanelStore &store;
    ProjectCommandService &commands;
    Clipboard &clipboard;
    UrlOpener &urls;
    FileViewer &files;
    AlertAsker &alerts;
    PanelWindows &windows;
    ProjectFormCatalogue &formCatalogue;
};

} // namespace devnook
