#pragma once

#include "ui/kit/ProjectWindows.h"

#include <QObject>
#include <QSize>

namespace devnook {

struct DevProject;
class ProjectStore;

// Keeps at most one .env window per project. A request for a project whose
// window is open rebuilds its content for the project as given, which scans
// the folder again, and brings it to the front where it is; otherwise a new
// window opens in the middle of the screen. A closed window is forgotten.
class ProjectEnvDetailWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{560, 420};
    static constexpr QSize kMinimumSize{480, 340};

    explicit ProjectEnvDetailWindowController(ProjectStore &store, QObject *parent = nullptr);

    // Opens the project's .env window or brings the open one forward.
    void show(const DevProject &project);

    // The project's open .env window, or null.
    QWidget *window(const QUuid &projectID) const { return m_windows.find(projectID); }

private:
    ProjectStore &m_store;
    ProjectWindows m_windows;
};

} // namespace devnook
