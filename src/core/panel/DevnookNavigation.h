#pragma once

#include "core/projects/DevProject.h"

#include <QObject>
#include <optional>

namespace devnook {

// Whether the panel shows the project list or the project form, and which
// project the form edits. Writers clear or set the project first and flip the
// form flag second, so observers of the flag see the matching project.
class DevnookNavigation final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<DevProject> &editingProject() const { return m_editingProject; }
    // Publishes on every write, also of the same value.
    void setEditingProject(const std::optional<DevProject> &project);

    bool isShowingProjectForm() const { return m_isShowingProjectForm; }
    // Publishes on every write, also of the same value.
    void setShowingProjectForm(bool showing);

    // Opens the form for a new project.
    void openNewProjectForm();
    // Closes the form, discarding it.
    void closeProjectForm();

Q_SIGNALS:
    // Emitted after each write of the edited project.
    void editingProjectChanged();
    // Emitted after each write of the form flag, with its value.
    void projectFormShownChanged(bool showing);

private:
    std::optional<DevProject> m_editingProject;
    bool m_isShowingProjectForm = false;
};

} // namespace devnook
