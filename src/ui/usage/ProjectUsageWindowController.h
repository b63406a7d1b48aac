#pragma once

#include "UsageWindowServices.h"
#include "core/projects/DevProject.h"
#include "ui/kit/ProjectWindows.h"

#include <QObject>
#include <QSize>

namespace devnook {

// Keeps at most one usage window per project. Every request first brings the
// store's usage figures up to date; an open window then gets a fresh view and
// comes to the front where it is, otherwise a new one opens in the middle of
// the screen. A closed window is freed and forgotten.
class ProjectUsageWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{720, 640};
    static constexpr QSize kMinimumSize{560, 480};

    explicit ProjectUsageWindowController(UsageWindowServices services, QObject *parent = nullptr);

    void show(const DevProject &project);

    // The project's open usage window, or null.
    QWidget *window(const QUuid &projectID) const { return m_windows.find(projectID); }

private:
    UsageWindowServices m_services;
    ProjectWindows m_windows;
};

} // namespace devnook
