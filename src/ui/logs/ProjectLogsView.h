#pragma once

#include "core/logs/ProjectLogListModel.h"
#include "core/processes/DevProcessState.h"
#include "core/projects/DevProject.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QScrollArea;

namespace devnook {

class Clipboard;
class ProjectLogListView;
class ProjectLogsToolbar;

// The content of a project's logs window: header, toolbar, service tabs when
// the project runs two services or more, the log list and the action bar. It
// is handed the project, the log and the process state and reports the
// user's start or stop, restart and clear as signals; the search, the kind,
// the service and following the tail are its own state and live as long as
// it does.
class ProjectLogsView final : public QWidget {
    Q_OBJECT

public:
    ProjectLogsView(const DevProject &project, Clipboard &clipboard, QWidget *parent);

    // Takes the project as it now is: its name, its service tabs and whether
    // it has anything to run. A chosen service that is gone gives way to all.
    void setProject(const DevProject &project);
    // Takes the project's whole log, oldest first.
    void setLog(const QList<DevProcessLogLine> &lines);
    // The process manager's state of the project; titles the start or stop button.
    void setProcessState(DevProcessState state);

    const ProjectLogListModel &model() const { return m_model; }
    // Copies the lines shown, with their times, to the clipboard.
    void copyDisplayedLogs();

Q_SIGNALS:
    // Emitted when the user clicks start or stop.
    void toggleProcessRequested();
    // Emitted when the user clicks restart.
    void restartRequested();
    // Emitted when the user clicks clear.
    void clearRequested();

private:
    QWidget *makeHeader();
    QWidget *makeServiceTabs();
    void showServiceTabs(const QList<ProjectService> &services);
    QWidget *makeActionBar();
    void applyFilter();
    void updateDisplayState();
    void copySelectedText();

    Clipboard &m_clipboard;
    ProjectLogListModel m_model;
    QLabel *m_name = nullptr;
    ProjectLogsToolbar *m_toolbar = nullptr;
    QScrollArea *m_serviceTabsArea = nullptr;
    QButtonGroup *m_serviceTabs = nullptr;
    // The service of each tab after the first, with the title it shows.
    QList<std::pair<QUuid, QString>> m_tabServices;
    ProjectLogListView *m_list = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_toggle = nullptr;
    QPushButton *m_restart = nullptr;
};

} // namespace devnook
