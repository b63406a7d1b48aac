#pragma once

#include "core/foundation/Result.h"
#include "core/projects/DevProject.h"
#include "core/projects/ProjectLink.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace devnook {

class Clipboard;
class TerminalLauncher;
class UrlOpener;

// The small actions that hand a project to another application: browser,
// editor, terminal and clipboard. Every action returns at once; an action that
// cannot be carried out does nothing, except the terminal, which says why.
class ProjectCommandService {
public:
    ProjectCommandService(UrlOpener &urlOpener, Clipboard &clipboard, TerminalLauncher &terminal);

    // Opens the normalised address when it is not empty and is a valid URL.
    void openURL(const QString &text);
    // openURL on the link's address.
    void openWorkspaceLink(const ProjectLink &link);
    // Opens previewURL(project) when there is one.
    void openPreview(const DevProject &project);

    // Starts the trimmed editor command through the login shell in the project
    // folder, detached, its output discarded; a blank command starts nothing.
    void openEditorInBackground(const DevProject &project);
    // Opens a terminal window in the project folder; fails, with the reason,
    // when no terminal could be started.
    Result<void> openInTerminal(const DevProject &project);

    // Copies the trimmed local URL as typed, when not empty.
    void copyLocalhostURL(const DevProject &project);
    // Copies devCommandText(project), when not empty.
    void copyDevCommand(const DevProject &project);
    // Copies the link's normalised address, when not empty.
    void copyWorkspaceLink(const ProjectLink &link);

    // localURL, else staticIndexURL.
    static std::optional<QUrl> previewURL(const DevProject &project);
    // The normalised local URL when it is a valid URL.
    static std::optional<QUrl> localURL(const DevProject &project);
    // The file URL of "index.html" in the project folder when that path exists.
    static std::optional<QUrl> staticIndexURL(const DevProject &project);

    // "name: command" per runnable service, one per line (a blank name reads
    // as the localised "service"), else the trimmed legacy dev command.
    static QString devCommandText(const DevProject &project);

private:
    UrlOpener &m_urlOpener;
    Clipboard &m_clipboard;
    TerminalLauncher &m_terminal;
};

} // namespace devnook
