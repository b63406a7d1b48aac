#include "ProjectRowActions.h"

#include "core/foundation/Text.h"

using namespace Qt::StringLiterals;

namespace devnook::ProjectRowActions {

namespace {

bool isActive(DevProcessState state)
{
    return state == DevProcessState::starting || state == DevProcessState::running;
}

bool showsLocalhostAction(const ProjectRowContext &context)
{
    if (!context.hasPreviewURL)
        return false;
    return Text::isBlank(context.project.devCommand) || context.hasStaticIndex ||
           context.processState == DevProcessState::running;
}

RowMenuEntry item(const QString &key, const QString &symbol, RowAction action, bool enabled = true)
{
    RowMenuEntry entry;
    entry.titleKey = key;
    entry.symbol = symbol;
    entry.action = action;
    entry.enabled = enabled;
    return entry;
}

RowMenuEntry separator()
{
    RowMenuEntry entry;
    entry.kind = RowMenuEntry::Kind::separator;
    return entry;
}

RowMenuEntry submenu(const QString &key, const QString &symbol, QList<RowMenuEntry> children)
{
    RowMenuEntry entry = item(key, symbol, RowAction::none);
    entry.kind = RowMenuEntry::Kind::submenu;
    entry.children = std::move(children);
    return entry;
}

QList<RowMenuEntry> linkItems(const DevProject &project, RowAction action)
{
    QList<RowMenuEntry> items;
    for (qsizetype i = 0; i < project.workspaceLinks.size(); ++i) {
        RowMenuEntry entry = item({}, {}, action);
        entry.plainTitle = project.workspaceLinks[i].displayTitle();
        entry.linkIndex = i;
        items.append(entry);
    }
    return items;
}

} // namespace

QList<RowActionButton> actionBar(const ProjectRowContext &context)
{
    const DevProject &project = context.project;
    if (project.isArchived)
        return {};
    const bool missing = context.isFolderMissing;
    const bool hasEditor = !Text::isBlank(project.editorCommand);
    QList<RowActionButton> buttons{
        {u"finder"_s, u"folder"_s, missing, ActionButtonStyle::normal, u"open_folder_finder"_s,
         RowAction::revealFolder},
        {u"terminal"_s, u"terminal"_s, missing, ActionButtonStyle::normal, u"open_project_terminal"_s,
         RowAction::openTerminal},
        {u"editor"_s, u"chevron.left.forwardslash.chevron.right"_s, missing || !hasEditor,
         ActionButtonStyle::normal, hasEditor ? u"open_project_editor"_s : u"add_editor_command"_s,
         RowAction::openEditor},
    };
    if (showsLocalhostAction(context))
        buttons.append({u"localhost"_s, u"safari"_s, missing, ActionButtonStyle::normal,
                        Text::isBlank(project.localhostURL) ? u"open_static_site_browser"_s
                                                            : u"open_localhost_browser"_s,
                        RowAction::openPreview});
    if (!project.runnableServices().isEmpty()) {
        const bool active = isActive(context.processState);
        buttons.append({active ? u"stop"_s : u"run"_s, active ? u"stop.fill"_s : u"play"_s, missing,
                        active ? ActionButtonStyle::activeProcess : ActionButtonStyle::normal,
                        active ? u"stop_dev_process"_s : u"start_dev_process"_s,
                        RowAction::toggleDevProcess});
    }
    return buttons;
}

QList<RowMenuEntry> menu(const ProjectRowContext &context, const RowWindows &windows)
{
    const DevProject &project = context.project;
    QList<RowMenuEntry> entries{item(u"edit_project"_s, u"pencil"_s, RowAction::edit, windows.projectForm)};
    if (!project.isArchived) {
        entries.append(project.isPinned ? item(u"unpin_project"_s, u"pin.slash"_s, RowAction::togglePin)
                                        : item(u"pin_project"_s, u"pin"_s, RowAction::togglePin));
        entries.append(separator());
        RowMenuEntry header = item(u"start_workspace_menu_description"_s, {}, RowAction::none, false);
        header.kind = RowMenuEntry::Kind::sectionHeader;
        entries.append(header);
        entries.append(item(u"start_workspace"_s, u"play.rectangle"_s, RowAction::startWorkspace,
                            !context.isFolderMissing));
    }
    entries.append(separator());
    QList<RowMenuEntry> usage{
        item(u"usage_statistics"_s, u"chart.bar"_s, RowAction::usageStatistics, windows.usage)};
    if (context.usageTrackingState.isActive)
        usage.append(
            context.usageTrackingState.isPaused
                ? item(u"resume_usage_tracking"_s, u"play.fill"_s, RowAction::toggleUsageTrackingPause)
                : item(u"pause_usage_tracking"_s, u"pause.fill"_s, RowAction::toggleUsageTrackingPause));
    entries.append(submenu(u"usage_title"_s, u"clock"_s, usage));
    entries.append(item(u"view_logs"_s, u"terminal"_s, RowAction::logs, windows.logs));
    if (context.envProfile)
        entries.append(item(u"view_env_details"_s, u"doc.text"_s, RowAction::envDetails, windows.envDetails));
    entries.append(item(u"device_preview"_s, u"iphone.and.arrow.forward"_s, RowAction::devicePreview,
                        windows.devicePreview));
    if (!project.workspaceLinks.isEmpty())
        entries.append(submenu(u"workspace_links"_s, u"link"_s, linkItems(project, RowAction::openLink)));
    if (!Text::isBlank(project.notes))
        entries.append(item(u"view_project_notes"_s, u"note.text"_s, RowAction::showNotes));
    entries.append(separator());
    QList<RowMenuEntry> copies{
        item(u"copy_project_path"_s, u"folder"_s, RowAction::copyProjectPath),
        item(u"copy_localhost_url"_s, u"safari"_s, RowAction::copyLocalhostURL,
             !Text::isBlank(project.localhostURL)),
        item(u"copy_dev_command"_s, u"terminal"_s, RowAction::copyDevCommand,
             !project.runnableServices().isEmpty()),
    };
    if (!project.workspaceLinks.isEmpty())
        copies.append(submenu(u"copy_workspace_link"_s, u"link"_s, linkItems(project, RowAction::copyLink)));
    entries.append(submenu(u"copy"_s, u"doc.on.doc"_s, copies));
    entries.append(separator());
    entries.append(project.isArchived
                       ? item(u"restore_project"_s, u"arrow.uturn.backward"_s, RowAction::restore)
                       : item(u"archive_project"_s, u"archivebox"_s, RowAction::archive));
    RowMenuEntry remove = item(u"delete_project"_s, u"trash"_s, RowAction::deleteProject);
    remove.destructive = true;
    entries.append(remove);
    return entries;
}

bool marksUsed(RowAction action)
{
    switch (action) {
    case RowAction::revealFolder:
    case RowAction::openTerminal:
    case RowAction::openEditor:
    case RowAction::openPreview:
    case RowAction::openLink:
    case RowAction::copyProjectPath:
    case RowAction::copyLocalhostURL:
    case RowAction::copyDevCommand:
    case RowAction::copyLink:
        return true;
    default:
        return false;
    }
}

} // namespace devnook::ProjectRowActions
