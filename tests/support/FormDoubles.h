#pragma once

#include "core/form/ProjectFormSeams.h"

#include <QList>
#include <QStringList>
#include <algorithm>

namespace devnook::test {

// Answers the folder chooser with a scripted folder and records the messages.
class ScriptedFormDesktop final : public ProjectFormDesktop {
public:
    std::optional<QString> chooseFolder(const QString &) override { return nextFolder; }
    void showMessage(const QString &title, const QString &text, const QString &) override
    {
        messages.append(title + u'\n' + text);
    }

    std::optional<QString> nextFolder;
    QStringList messages;
};

// Suggests the same fields for every folder, at once.
class FixedSuggestions final : public ProjectSuggestionSource {
public:
    QCoro::Task<ProjectSuggestions> suggestions(QString folderPath) override
    {
        askedFolders.append(folderPath);
        co_return next;
    }

    ProjectSuggestions next;
    QStringList askedFolders;
};

// Records what the form saved and whether it was cancelled.
class RecordingFormOwner final : public ProjectFormOwner {
public:
    bool saveProject(const DevProject &project) override
    {
        saved.append(project);
        return accepts;
    }
    std::optional<QString> lastSaveError() const override { return error; }
    void cancelProjectForm() override { ++cancels; }

    bool accepts = true;
    std::optional<QString> error;
    QList<DevProject> saved;
    int cancels = 0;
};

// A catalogue in memory that saves like the store: by id, refusing on request.
class MemoryFormCatalogue final : public ProjectFormCatalogue {
public:
    QList<DevProject> projects() const override { return stored; }
    bool save(const DevProject &project) override
    {
        if (refusal)
            return false;
        const auto it = std::find_if(stored.begin(), stored.end(),
                                     [&](const DevProject &p) { return p.id == project.id; });
        if (it == stored.end())
            stored.append(project);
        else
            *it = project;
        return true;
    }
    std::optional<QString> lastError() const override { return refusal; }

    QList<DevProject> stored;
    std::optional<QString> refusal;
};

} // namespace devnook::test
