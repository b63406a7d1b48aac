#pragma once

#include "ProjectFormSeams.h"
#include "ProjectFormTab.h"
#include "core/projects/DevProject.h"

#include <QCoroTask>
#include <QMap>
#include <QObject>
#include <optional>

namespace devnook {

// The state of the project form without its widgets: the draft (an editing
// copy of the project), the selected tab, the message of the last failed save
// and the add page's advanced options. Nothing reaches the owner before save().
class ProjectFormController final : public QObject {
    Q_OBJECT

public:
    struct Services {
        ProjectFormDesktop &desktop;
        ProjectSuggestionSource &suggestions;
        ProjectFormOwner &owner;
    };

    // Edits a copy of `project`, or a new project when there is none;
    // `existingProjects` is the catalogue the duplicate-folder check searches.
    ProjectFormController(const std::optional<DevProject> &project, QList<DevProject> existingProjects,
                          Services services, QObject *parent = nullptr);

    // The editing copy of a project: a legacy dev command with no runnable
    // service becomes the one service "frontend_service".
    static DevProject preparedDraft(DevProject project);

    const DevProject &draft() const { return m_draft; }
    // Replaces the draft; emits draftChanged when it differs.
    void setDraft(const DevProject &draft);

    bool isEditing() const { return m_isEditing; }

    ProjectFormTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(ProjectFormTab tab);

    bool showsAdvancedOptions() const { return m_showsAdvancedOptions; }
    void setShowsAdvancedOptions(bool shows);

    // The localised text of the last failed save; nothing before one.
    const std::optional<QString> &validationMessage() const { return m_validationMessage; }

    // The counters of the tab bar, from the draft as it is now: execution,
    // preview and links count their entries with a non-blank command or url.
    QMap<ProjectFormTab, int> tabCounts() const;
    // True when the trimmed notes are not empty (the notes tab's dot).
    bool notesHaveContent() const;

    // Cleans the draft up (shown at once), checks it and hands it to the
    // owner. False with validationMessage set when a check or the owner
    // refused it.
    bool save();
    // Closes the form through the owner; the draft is dropped.
    void cancel();

    // Lets the user choose the project folder: refuses a folder another
    // project uses, fills the folder, a blank name and the empty fields the
    // folder suggests. Suggestions arrive only while the form still holds
    // that folder.
    QCoro::Task<> chooseFolder();

    // The other project of the catalogue whose folder resolves (., .. and
    // symbolic links) to the same place; the draft's own id never counts and
    // a blank folder matches nothing.
    std::optional<DevProject> duplicateProject(const QString &folderPath) const;

    // The legacy dev command becomes the only service when no service is runnable.
    void migrateLegacyDevCommandIntoCommands();

Q_SIGNALS:
    // Emitted after each change of the draft.
    void draftChanged();
    // Emitted when the selected tab changed.
    void selectedTabChanged();
    // Emitted when the validation message was set or cleared.
    void validationMessageChanged();
    // Emitted when the advanced options were opened or closed.
    void advancedOptionsChanged();

private:
    void cleanUpDraft();
    void refuse(const QString &messageKey, bool selectGeneral);
    void applySuggestions(const ProjectSuggestions &suggestions);

    DevProject m_draft;
    bool m_isEditing = false;
    QList<DevProject> m_existingProjects;
    Services m_services;
    ProjectFormTab m_selectedTab = ProjectFormTab::general;
    bool m_showsAdvancedOptions = false;
    std::optional<QString> m_validationMessage;
};

} // namespace devnook
