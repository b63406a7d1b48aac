#pragma once

#include "core/projects/DevProject.h"

#include <QWidget>

namespace devnook {

class ProjectEnvDetailView;
class ProjectStore;

// The root of a project's .env window: shows the store's .env detail of the
// project as it changes, and asks the store to scan the folder again when it
// is made and when the user clicks refresh.
class ProjectEnvDetailWindowView final : public QWidget {
    Q_OBJECT

public:
    ProjectEnvDetailWindowView(DevProject project, ProjectStore &store, QWidget *parent);

private:
    void showDetail();

    const DevProject m_project;
    ProjectStore &m_store;
    ProjectEnvDetailView *m_view = nullptr;
};

} // namespace devnook
