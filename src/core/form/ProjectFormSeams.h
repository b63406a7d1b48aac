#pragma once

#include "core/environment/ProjectSuggestionService.h"
#include "core/projects/DevProject.h"

#include <QCoroTask>
#include <QString>
#include <optional>

namespace devnook {

// The desktop dialogs the project form needs.
class ProjectFormDesktop {
public:
    virtual ~ProjectFormDesktop() = default;
    // A modal chooser of one existing directory; nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const QString &prompt) = 0;
    // A modal message with one button; texts already localised.
    virtual void showMessage(const QString &title, const QString &text, const QString &button) = 0;
};

// What a folder suggests for the form's empty fields.
class ProjectSuggestionSource {
public:
    virtual ~ProjectSuggestionSource() = default;
    // Completes off the main thread when the source reads files.
    virtual QCoro::Task<ProjectSuggestions> suggestions(QString folderPath) = 0;
};

// ProjectSuggestionService run on the background read pool.
class BackgroundProjectSuggestions final : public ProjectSuggestionSource {
public:
    QCoro::Task<ProjectSuggestions> suggestions(QString folderPath) override;
};

// Who opened the form: stores a saved project and closes the form.
class ProjectFormOwner {
public:
    virtual ~ProjectFormOwner() = default;
    // True when the project was stored; the owner then closes the form.
    virtual bool saveProject(const DevProject &project) = 0;
    // Why the last refused save failed, already localised; nothing when unknown.
    virtual std::optional<QString> lastSaveError() const = 0;
    // Closes the form without saving.
    virtual void cancelProjectForm() = 0;
};

// The catalogue a form opens on and saves into.
class ProjectFormCatalogue {
public:
    virtual ~ProjectFormCatalogue() = default;
    // Every project, for the duplicate-folder check.
    virtual QList<DevProject> projects() const = 0;
    // Adds the project or replaces the one with its id; false when refused.
    virtual bool save(const DevProject &project) = 0;
    // Why the last save was refused, already localised; nothing when unknown.
    virtual std::optional<QString> lastError() const = 0;
};

} // namespace devnook
