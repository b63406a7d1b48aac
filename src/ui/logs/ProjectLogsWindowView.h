#pragma once

#include "core/projects/DevProject.h"

#include <QWidget>

namespace devnook {

class Clipboard;
class ProjectLogsView;
class ProjectStore;

// The root of a project's logs window, the one part of it that talks to the
// store: hands the logs view the project's log and the process manager's own
// state (not the display state) as the store reports them, and turns the
// view's start or stop, restart and clear into store operations.
class ProjectLogsWindowView final : public QWidget {
    Q_OBJECT

public:
    ProjectLogsWindowView(DevProject project, ProjectStore &store, Clipboard &clipboard, QWidget *parent);

    ProjectLogsView *logsView() const { return m_view; }

private:
    void showLog(const QUuid &projectID);
    void showProcessState(const QUuid &projectID);

    const DevProject m_project;
    ProjectStore &m_store;
    ProjectLogsView *m_view = nullptr;
};

} // namespace devnook
