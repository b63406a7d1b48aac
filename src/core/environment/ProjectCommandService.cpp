#include "ProjectCommandService.h"

#include "Clipboard.h"
#include "TerminalLauncher.h"
#include "UrlOpener.h"
#include "core/foundation/Text.h"
#include "core/processes/LoginShell.h"
#include "core/projects/URLNormalizationService.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

std::optional<QUrl> validUrl(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

} // namespace

ProjectCommandService::ProjectCommandService(UrlOpener &urlOpener, Clipboard &clipboard,
                                             TerminalLauncher &terminal)
    : m_urlOpener(urlOpener), m_clipboard(clipboard), m_terminal(terminal)
{}

void ProjectCommandService::openURL(const QString &text)
{
    // Rows and workspace starts have no error line; a browser that cannot
    // be started stays silent here.
    if (const auto url = validUrl(URLNormalizationService::normalized(text)))
        (void)m_urlOpener.open(*url);
}

void ProjectCommandService::openWorkspaceLink(const ProjectLink &link)
{
    openURL(link.url);
}

void ProjectCommandService::openPreview(const DevProject &project)
{
    if (const auto url = previewURL(project))
        (void)m_urlOpener.open(*url); // silent, as in openURL
}

void ProjectCommandService::openEditorInBackground(const DevProject &project)
{
    const QString command = Text::trimmed(project.editorCommand);
    if (command.isEmpty())
        return;
    // The login shell without the .zshrc line a dev command gets: an editor
    // command is run as typed.
    QProcess editor;
    editor.setProgram(LoginShell::system().program());
    editor.setArguments({u"-lc"_s, command});
    editor.setWorkingDirectory(project.folderPath);
    editor.setEnvironment(LoginShell::environment(QProcess::systemEnvironment()));
    editor.setStandardInputFile(QProcess::nullDevice());
    editor.setStandardOutputFile(QProcess::nullDevice());
    editor.setStandardErrorFile(QProcess::nullDevice());
    // Detached: the editor outlives the call and is never waited for.
    editor.startDetached();
}

Result<void> ProjectCommandService::openInTerminal(const DevProject &project)
{
    return m_terminal.openIn(project.folderPath);
}

void ProjectCommandService::copyLocalhostURL(const DevProject &project)
{
    const QString url = Text::trimmed(project.localhostURL);
    if (!url.isEmpty())
        m_clipboard.setText(url);
}

void ProjectCommandService::copyDevCommand(const DevProject &project)
{
    const QString text = devCommandText(project);
    if (!text.isEmpty())
        m_clipboard.setText(text);
}

void ProjectCommandService::copyWorkspaceLink(const ProjectLink &link)
{
    const QString url = URLNormalizationService::normalized(link.url);
    if (!url.isEmpty())
        m_clipboard.setText(url);
}

std::optional<QUrl> ProjectCommandService::previewURL(const DevProject &project)
{
    if (const auto url = localURL(project))
        return url;
    return staticIndexURL(project);
}

std::optional<QUrl> ProjectCommandService::localURL(const DevProject &project)
{
    return validUrl(URLNormalizationService::normalized(project.localhostURL));
}

std::optional<QUrl> ProjectCommandService::staticIndexURL(const DevProject &project)
{
    // A blank folder would find the application's own working folder.
    if (Text::isBlank(project.folderPath))
        return std::nullopt;
    const QString path = QDir(project.folderPath).filePath(u"index.html"_s);
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

QString ProjectCommandService::devCommandText(const DevProject &project)
{
    QStringList lines;
    for (const ProjectService &service : runnable(project.services))
        lines.append(service.displayName() + u": "_s + Text::trimmed(service.command));
    if (!lines.isEmpty())
        return lines.join(u'\n');
    return Text::trimmed(project.devCommand);
}

} // namespace devnook
