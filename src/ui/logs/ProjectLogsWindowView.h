#pragma once

#include "core/projects/DevProject.h"

#include <QWidget>

namespace devnook {

class Clipboard;
class ProjectLogsView;
class ProjectStore;

// The root of a project's logs window, the one part of it that talks to the
// store: hands the logs view the project as the store now holds it, its log
// and the process manager's own state (not the display state), and turns the
// view's start or stop, restart and clear into store operations on the
// stored project. It closes its window when the project is deleted.
class ProjectLogsWindowView final : public QWidget {
    Q_OBJECT

public:
    ProjectLogsWindowView(const DevProject &project, ProjectStore &store, Clipboard &clipboard,
                          QWidget *parent);

    ProjectLogsView *logsView() const { return m_view; }

private:
    // The stored project of the window, or null once it is deleted.
    const DevProject *storedProject() const;
    void showProject();
    void showLog(const QUuid &projectID);
    void showProcessState(const QUuid &projectID);
    // Runs the operation on the stored project; a deleted one has none.
    void act(void (ProjectStore::*operation)(const DevProject &));

    const QUuid m_projectID;
    ProjectStore &m_store;
    ProjectLogsView *m_view = nullptr;
};

} // namespace devnook
