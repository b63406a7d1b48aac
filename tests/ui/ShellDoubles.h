#pragma once

#include "PanelDoubles.h"
#include "core/environment/HotKeyGrabber.h"
#include "core/environment/UpdateService.h"
#include "core/foundation/KeyValueStore.h"
#include "core/projects/AppSettings.h"
#include "core/projects/LoginItemService.h"
#include "platform/null/NullAnalyticsService.h"
#include "support/RecordingDesktop.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/shell/ShellStore.h"

#include <QList>
#include <QStringList>

namespace devnook::test {

// A project store the test fills by hand; records what the shell asked of it.
class FakeShellStore final : public ShellStore {
    Q_OBJECT

public:
    struct Project {
        QString name;
        bool active = false;
    };

    QList<Project> projects;
    QStringList calls;
    PanelRig panel;

    void setProjects(const QList<Project> &list)
    {
        projects = list;
        Q_EMIT changed();
    }

    bool isEmpty() const override { return projects.isEmpty(); }
    bool hasActiveProcesses() const override { return !activeProjectNames().isEmpty(); }
    QStringList activeProjectNames() const override
    {
        QStringList names;
        for (const Project &project : projects)
            if (project.active)
                names.append(project.name);
        return names;
    }
    void refreshProjectStatuses() override { calls.append(QStringLiteral("refresh")); }
    void holdStatusRefreshes() override { calls.append(QStringLiteral("hold")); }
    void releaseStatusRefreshes() override { calls.append(QStringLiteral("release")); }
    void stopAllProcesses() override { calls.append(QStringLiteral("stopAll")); }
    bool hasLiveStoppedProcesses() const override { return false; }
    void killStoppedProcesses() override { calls.append(QStringLiteral("kill")); }
    void finishUsageTrackingForQuit() override { calls.append(QStringLiteral("finishUsage")); }
    PanelServices panelServices() override { return panel.services(); }
};

// A hot key the test presses itself.
class FakeHotKey final : public HotKeyGrabber {
public:
    std::function<void()> pressed;
    bool grab(std::function<void()> callback) override
    {
        pressed = std::move(callback);
        return true;
    }
};

// A login item whose writes fail while the test says so.
class FlakyLoginItem final : public LoginItemService {
public:
    bool enabled = false;
    bool fail = false;
    bool isEnabled() const override { return enabled; }
    Result<void> setEnabled(bool wanted) override
    {
        if (fail)
            return Result<void>::failure(QStringLiteral("The autostart folder is read-only"));
        enabled = wanted;
        return Result<void>::success();
    }
};

// Settings in memory and the settings window controller over them.
struct SettingsRig {
    MemoryKeyValueStore defaults;
    FlakyLoginItem loginItem;
    NullAnalyticsService analytics;
    UpdateService updates;
    RecordingUrlOpener urls;
    AppSettings settings{defaults, loginItem, analytics};
    SettingsWindowController windows{settings, updates, defaults, urls};
};

} // namespace devnook::test
