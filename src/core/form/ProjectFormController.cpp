#include "ProjectFormController.h"

#include "FormListEditing.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/projects/URLNormalizationService.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// The path with ".", ".." and symbolic links resolved; a path that does not
// exist keeps its cleaned form so that it can still equal another one.
QString canonicalFolder(const QString &path)
{
    const QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString resolved = QFileInfo(cleaned).canonicalFilePath();
    return (resolved.isEmpty() ? cleaned : resolved).normalized(QString::NormalizationForm_C);
}

QString folderName(const QString &path)
{
    return QFileInfo(QDir::cleanPath(path)).fileName();
}

DevProject newProject()
{
    DevProject project;
    project.id = QUuid::createUuid();
    return project;
}

void fillWhenBlank(QString &field, const std::optional<QString> &suggestion)
{
    if (suggestion && Text::isBlank(field))
        field = *suggestion;
}

} // namespace

ProjectFormController::ProjectFormController(const std::optional<DevProject> &project,
                                             QList<DevProject> existingProjects, Services services,
                                             QObject *parent)
    : QObject(parent), m_draft(preparedDraft(project ? *project : newProject())),
      m_isEditing(project.has_value()), m_existingProjects(std::move(existingProjects)), m_services(services)
{}

DevProject ProjectFormController::preparedDraft(DevProject project)
{
    project.devCommand = Text::trimmed(project.devCommand);
    if (runnable(project.services).isEmpty() && !project.devCommand.isEmpty()) {
        project.services = {ProjectService{QUuid::createUuid(), L10n::text(u"frontend_service"_s),
                                           project.devCommand, project.localhostURL}};
        project.devCommand.clear();
    }
    return project;
}

void ProjectFormController::setDraft(const DevProject &draft)
{
    if (draft == m_draft)
        return;
    m_draft = draft;
    Q_EMIT draftChanged();
}

void ProjectFormController::setSelectedTab(ProjectFormTab tab)
{
    if (tab == m_selectedTab)
        return;
    m_selectedTab = tab;
    Q_EMIT selectedTabChanged();
}

void ProjectFormController::setShowsAdvancedOptions(bool shows)
{
    if (shows == m_showsAdvancedOptions)
        return;
    m_showsAdvancedOptions = shows;
    Q_EMIT advancedOptionsChanged();
}

QMap<ProjectFormTab, int> ProjectFormController::tabCounts() const
{
    const auto count = [](const auto &records, auto field) {
        return int(std::count_if(records.cbegin(), records.cend(),
                                 [&](const auto &record) { return !Text::isBlank(record.*field); }));
    };
    return {{ProjectFormTab::execution, count(m_draft.services, &ProjectService::command)},
            {ProjectFormTab::preview, count(m_draft.previewLinkedURLs, &ProjectPreviewLinkedURL::url)},
            {ProjectFormTab::links, count(m_draft.workspaceLinks, &ProjectLink::url)}};
}

bool ProjectFormController::notesHaveContent() const
{
    return !Text::isBlank(m_draft.notes);
}

void ProjectFormController::migrateLegacyDevCommandIntoCommands()
{
    const QString command = Text::trimmed(m_draft.devCommand);
    if (!runnable(m_draft.services).isEmpty() || command.isEmpty())
        return;
    DevProject draft = m_draft;
    draft.services = {
        ProjectService{QUuid::createUuid(), L10n::text(u"frontend_service"_s), command, draft.localhostURL}};
    draft.devCommand.clear();
    setDraft(draft);
}

void ProjectFormController::cleanUpDraft()
{
    migrateLegacyDevCommandIntoCommands();
    DevProject draft = m_draft;
    for (QString *field : {&draft.name, &draft.client, &draft.clientColorHex, &draft.stack, &draft.folderPath,
                           &draft.localhostURL, &draft.devCommand, &draft.editorCommand, &draft.notes})
        *field = Text::trimmed(*field);

    QList<ProjectService> services;
    // Each record is cleaned in a copy, so members a later version wrote stay.
    for (ProjectService cleaned : std::as_const(draft.services)) {
        cleaned.name = Text::trimmed(cleaned.name);
        cleaned.command = Text::trimmed(cleaned.command);
        cleaned.localhostURL = URLNormalizationService::normalized(cleaned.localhostURL);
        if (!cleaned.command.isEmpty())
            services.append(cleaned);
    }
    draft.services = services;
    if (!services.isEmpty())
        draft.devCommand.clear();

    QList<ProjectLink> links;
    for (ProjectLink cleaned : std::as_const(draft.workspaceLinks)) {
        cleaned.title = Text::trimmed(cleaned.title);
        cleaned.url = URLNormalizationService::normalized(cleaned.url);
        if (cleaned.url.isEmpty())
            continue;
        if (!cleaned.kind && cleaned.title.isEmpty())
            cleaned.title = L10n::text(u"custom_link"_s);
        links.append(cleaned);
    }
    draft.workspaceLinks = links;

    QList<ProjectPreviewLinkedURL> linkedURLs;
    for (ProjectPreviewLinkedURL cleaned : std::as_const(draft.previewLinkedURLs)) {
        cleaned.name = Text::trimmed(cleaned.name);
        cleaned.url = URLNormalizationService::normalized(cleaned.url);
        if (!cleaned.url.isEmpty())
            linkedURLs.append(cleaned);
    }
    draft.previewLinkedURLs = linkedURLs;
    setDraft(draft);
}

void ProjectFormController::refuse(const QString &message, bool selectGeneral)
{
    if (selectGeneral)
        setSelectedTab(ProjectFormTab::general);
    m_validationMessage = message;
    Q_EMIT validationMessageChanged();
}

bool ProjectFormController::save()
{
    cleanUpDraft();
    const QString couldNotSave = L10n::text(u"could_not_save_project"_s);
    if (m_draft.name.isEmpty()) {
        refuse(L10n::text(u"project_name_required"_s), true);
        return false;
    }
    if (m_draft.folderPath.isEmpty()) {
        refuse(L10n::text(u"folder_path_required"_s), true);
        return false;
    }
    if (!QFileInfo(m_draft.folderPath).isDir()) {
        refuse(L10n::text(u"choose_existing_folder"_s), true);
        return false;
    }
    if (duplicateProject(m_draft.folderPath)) {
        refuse(couldNotSave, true);
        return false;
    }
    if (m_validationMessage) {
        m_validationMessage.reset();
        Q_EMIT validationMessageChanged();
    }
    if (m_services.owner.saveProject(m_draft))
        return true;
    const std::optional<QString> reason = m_services.owner.lastSaveError();
    refuse(reason ? couldNotSave + u'\n' + *reason : couldNotSave, false);
    return false;
}

void ProjectFormController::cancel()
{
    m_services.owner.cancelProjectForm();
}

std::optional<DevProject> ProjectFormController::duplicateProject(const QString &folderPath) const
{
    if (Text::isBlank(folderPath))
        return std::nullopt;
    const QString canonical = canonicalFolder(folderPath);
    for (const DevProject &project : m_existingProjects) {
        // A project without a folder would otherwise resolve to the working folder.
        if (project.id == m_draft.id || Text::isBlank(project.folderPath))
            continue;
        if (canonicalFolder(project.folderPath) == canonical)
            return project;
    }
    return std::nullopt;
}

QCoro::Task<> ProjectFormController::chooseFolder()
{
    const std::optional<QString> chosen = m_services.desktop.chooseFolder(L10n::text(u"choose"_s));
    if (!chosen || chosen->isEmpty())
        co_return;
    const QString path = *chosen;
    if (const std::optional<DevProject> other = duplicateProject(path)) {
        m_services.desktop.showMessage(L10n::text(u"duplicate_project_folder_title"_s),
                                       L10n::format(u"duplicate_project_folder_message"_s, {other->name}),
                                       L10n::text(u"ok"_s));
        co_return;
    }
    DevProject draft = m_draft;
    draft.folderPath = path;
    if (Text::isBlank(draft.name))
        draft.name = folderName(path);
    setDraft(draft);

    const QPointer<ProjectFormController> self(this);
    const ProjectSuggestions suggestions = co_await m_services.suggestions.suggestions(path);
    // The form may have closed, or another folder been chosen or typed, meanwhile.
    if (!self || m_draft.folderPath != path)
        co_return;
    applySuggestions(suggestions);
}

void ProjectFormController::applySuggestions(const ProjectSuggestions &suggestions)
{
    DevProject draft = m_draft;
    fillWhenBlank(draft.localhostURL, suggestions.localhostURL);
    fillWhenBlank(draft.devCommand, suggestions.devCommand);
    fillWhenBlank(draft.editorCommand, suggestions.editorCommand);
    fillWhenBlank(draft.stack, suggestions.stack);
    setDraft(draft);
    migrateLegacyDevCommandIntoCommands();
}

} // namespace devnook
