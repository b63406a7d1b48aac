#pragma once

#include "core/store/ProjectLogsPresenter.h"
#include "ui/kit/ProjectWindows.h"

#include <QObject>
#include <QSize>

namespace devnook {

class Clipboard;
class ProjectStore;

// Keeps at most one logs window per project: a request for a project whose
// window is open brings that window to the front as it is; otherwise a new
// one, titled with the project's name of the moment, opens in the middle of
// the screen. A closed window is freed and forgotten.
class ProjectLogsWindowController final : public QObject, public ProjectLogsPresenter {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{560, 440};
    static constexpr QSize kMinimumSize{460, 320};

    // The store is only used once a window opens, so it may be built after
    // the controller.
    ProjectLogsWindowController(ProjectStore &store, Clipboard &clipboard, QObject *parent = nullptr);

    void show(const DevProject &project) override;

    // The project's open logs window, or null.
    QWidget *window(const QUuid &projectID) const { return m_windows.find(projectID); }

private:
    ProjectStore &m_store;
    Clipboard &m_clipboard;
    ProjectWindows m_windows;
};

} // namespace devnook
