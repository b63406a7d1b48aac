#pragma once

#include "core/environment/ProjectCommandService.h"
#include "support/FormDoubles.h"
#include "support/RecordingDesktop.h"
#include "ui/kit/AlertAsker.h"
#include "ui/panel/PanelStore.h"
#include "ui/panel/PanelWindows.h"

#include <QSet>
#include <QStringList>

namespace devnook::test {

// Answers alerts from a script and remembers what it was asked.
class ScriptedAlertAsker final : public AlertAsker {
public:
    QList<int> answers;
    QList<AlertRequest> asked;

    int ask(const AlertRequest &request) override
    {
        asked.append(request);
        return answers.isEmpty() ? request.harmlessButton : answers.takeFirst();
    }
};

// A project store the test fills by hand; records each operation asked of it
// as "operation:project name".
class FakePanelStore final : public PanelStore {
    Q_OBJECT

public:
    QList<DevProject> list;
    QHash<QUuid, ProjectGitStatus> git;
    QHash<QUuid, ProjectEnvProfile> env;
    QHash<QUuid, ProjectFolderFacts> facts;
    QHash<QUuid, DevProcessState> states;
    QHash<QUuid, UsageTrackingState> usage;
    std::optional<QString> error;
    QSet<QUuid> previewsOn;
    QHash<QUuid, DevicePreviewHealthSummary> previewHealth;
    QStringList calls;

    void setProjects(const QList<DevProject> &projects)
    {
        list = projects;
        Q_EMIT projectsChanged();
    }
    void setState(const QUuid &projectID, DevProcessState state)
    {
        states.insert(projectID, state);
        Q_EMIT projectStateChanged(projectID);
    }

    const QList<DevProject> &projects() const override { return list; }
    const QHash<QUuid, ProjectGitStatus> &gitStatuses() const override { return git; }
    const QHash<QUuid, ProjectEnvProfile> &envProfiles() const override { return env; }
    const QHash<QUuid, ProjectFolderFacts> &folderFacts() const override { return facts; }
    UsageTrackingState usageTrackingState(const QUuid &projectID) const override
    {
        return usage.value(projectID);
    }
    DevProcessState displayProcessState(const DevProject &project) const override
    {
        return states.value(project.id, DevProcessState::stopped);
    }
    std::optional<QString> lastError() const override { return error; }
    void dismissLastError() override
    {
        calls.append(QStringLiteral("dismiss"));
        error.reset();
        Q_EMIT lastErrorChanged();
    }
    bool isDevicePreviewActive(const QUuid &projectID) const override
    {
        return previewsOn.contains(projectID);
    }
    std::optional<DevicePreviewHealthSummary> devicePreviewHealth(const QUuid &projectID) const override
    {
        return previewHealth.contains(projectID) ? std::optional(previewHealth.value(projectID))
                                                 : std::nullopt;
    }

    void refreshProjectStatuses() override { calls.append(QStringLiteral("refresh")); }
    void togglePinned(const DevProject &project) override { record(u"togglePinned", project); }
    void markUsed(const DevProject &project) override { record(u"markUsed", project); }
    void archive(const DevProject &project) override { record(u"archive", project); }
    void restore(const DevProject &project) override { record(u"restore", project); }
    void deleteProject(const DevProject &project) override { record(u"delete", project); }
    void toggleDevProcess(const DevProject &project) override { record(u"toggleDevProcess", project); }
    void startWorkspace(const DevProject &project) override { record(u"startWorkspace", project); }
    void toggleUsageTrackingPause(const DevProject &project) override
    {
        record(u"toggleUsagePause", project);
    }

private:
    void record(QStringView operation, const DevProject &project)
    {
        calls.append(operation.toString() + u':' + project.name);
    }
};

// The fake store with recording desktop seams behind the real project
// commands.
// Opens no window; remembers which it was asked for.
class RecordingPanelWindows final : public PanelWindows {
public:
    RowWindows windows;
    QStringList shown;

    RowWindows available() const override { return windows; }
    void showLogs(const DevProject &project) override
    {
        shown.append(QStringLiteral("logs:") + project.name);
    }
    void showEnvDetails(const DevProject &project) override
    {
        shown.append(QStringLiteral("env:") + project.name);
    }
    void showUsage(const DevProject &project) override
    {
        shown.append(QStringLiteral("usage:") + project.name);
    }
    void showDevicePreview(const DevProject &project) override
    {
        shown.append(QStringLiteral("devicePreview:") + project.name);
    }
};

struct PanelRig {
    FakePanelStore store;
    RecordingUrlOpener urls;
    RecordingFileViewer files;
    RecordingClipboard clipboard;
    RecordingTerminalLauncher terminal;
    ProjectCommandService commands{urls, clipboard, terminal};
    ScriptedAlertAsker alerts;
    RecordingPanelWindows windows;
    MemoryFormCatalogue catalogue;

    PanelServices services() { return {store, commands, clipboard, urls, files, alerts, windows, catalogue}; }
};

} // namespace devnook::test
