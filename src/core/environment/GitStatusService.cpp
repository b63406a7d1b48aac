#include "GitStatusService.h"

#include "BackgroundReads.h"
#include "core/foundation/Text.h"

#include <QCoroFuture>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringTokenizer>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace devnook::GitStatusService {

namespace {

const QString kGitProgram = u"/usr/bin/git"_s;
// How often a waiting read looks whether the application is quitting.
constexpr int kStopCheckMs = 50;

// Runs git in the folder with the arguments, bounded by the timeout: its
// standard output when it ended with status 0 in UTF-8, else nothing.
std::optional<QString> runGit(const QStringList &arguments, const QString &folderPath,
                              std::chrono::milliseconds timeout)
{
    QProcess git;
    git.setProgram(kGitProgram);
    git.setArguments(QStringList{u"-C"_s, folderPath} + arguments);
    // A status read must never take the index lock from the user's own git
    // commands. Porcelain output is the same in every locale, and without one
    // git reads no locale files: a launch runs one git per repository.
    // Everything else is the application's environment.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"GIT_OPTIONAL_LOCKS"_s, u"0"_s);
    environment.insert(u"LC_ALL"_s, u"C"_s);
    git.setProcessEnvironment(environment);
    git.setStandardInputFile(QProcess::nullDevice());
    git.setStandardErrorFile(QProcess::nullDevice());
    if (backgroundReadsStopped())
        return {};
    git.start();
    if (!git.waitForStarted())
        return {};
    // waitForFinished drains the output pipe while it waits, so output of any
    // length cannot stall git.
    const QDeadlineTimer deadline(timeout);
    while (!git.waitForFinished(kStopCheckMs)) {
        if (git.state() == QProcess::NotRunning)
            break;
        if (deadline.hasExpired() || backgroundReadsStopped()) {
            git.kill();
            git.waitForFinished();
            return {};
        }
    }
    if (git.exitStatus() != QProcess::NormalExit || git.exitCode() != 0)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString output = decoder(git.readAllStandardOutput());
    if (decoder.hasError())
        return std::nullopt;
    return output;
}

// The trimmed output of a git call that succeeded with something to say.
std::optional<QString> gitAnswer(const QStringList &arguments, const QString &folderPath,
                                 std::chrono::milliseconds timeout)
{
    const std::optional<QString> output = runGit(arguments, folderPath, timeout);
    if (!output)
        return std::nullopt;
    QString trimmed = Text::trimmed(*output);
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

// The commit of the head as git abbreviates it for the user: longer in large
// repositories, and as core.abbrev asks.
std::optional<QString> shortCommit(const QString &folderPath, std::chrono::milliseconds timeout)
{
    return gitAnswer({u"rev-parse"_s, u"--short"_s, u"HEAD"_s}, folderPath, timeout);
}

// The head alone, for a work tree whose changes cannot be read (a damaged
// index, a status that hangs): the branch, even one without commits yet, else
// the short commit of a detached head. None of these calls reads the index.
std::optional<ProjectGitStatus> readHeadAlone(const QString &folderPath, std::chrono::milliseconds timeout)
{
    // Inside a repository's own git folder there is no work tree to name.
    if (gitAnswer({u"rev-parse"_s, u"--is-inside-work-tree"_s}, folderPath, timeout) != u"true"_s)
        return std::nullopt;
    std::optional<QString> head = gitAnswer({u"branch"_s, u"--show-current"_s}, folderPath, timeout);
    if (!head)
        head = shortCommit(folderPath, timeout);
    if (!head)
        return std::nullopt;
    return ProjectGitStatus{*head, false};
}

} // namespace

std::optional<PorcelainStatus> parsePorcelainStatus(const QString &output)
{
    static const QString kHead = u"# branch.head "_s;
    static const QString kCommit = u"# branch.oid "_s;
    std::optional<QString> head;
    QString commit;
    bool isDirty = false;
    for (const QStringView line : QStringTokenizer(output, u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(kHead))
            head = line.sliced(kHead.size()).toString();
        else if (line.startsWith(kCommit))
            commit = line.sliced(kCommit.size()).toString();
        else if (!line.startsWith(u'#'))
            isDirty = true;
    }
    if (!head || head->isEmpty() || *head == u"(unknown)"_s)
        return std::nullopt;
    if (*head != u"(detached)"_s)
        return PorcelainStatus{.status = {*head, isDirty}, .isDetached = false};
    // A detached head always has a commit; "(initial)" would mean it has none.
    if (commit.isEmpty() || commit.startsWith(u'('))
        return std::nullopt;
    return PorcelainStatus{.status = {commit.left(kShortHashLength), isDirty}, .isDetached = true};
}

bool mayBeInWorkTree(const QString &folderPath)
{
    // git resolves the folder's links before it looks upwards; a missing
    // folder has no canonical path and git could not enter it either.
    QString folder = QFileInfo(folderPath).canonicalFilePath();
    while (!folder.isEmpty()) {
        if (QFileInfo::exists(QDir(folder).filePath(u".git"_s)))
            return true;
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return false;
}

std::optional<ProjectGitStatus> readStatus(const QString &folderPath, std::chrono::milliseconds callTimeout)
{
    // A blank path would make git read the application's own working folder.
    if (Text::isBlank(folderPath) || !mayBeInWorkTree(folderPath))
        return std::nullopt;
    // Branch and changes in one call; the ahead and behind counts are not
    // shown and can take long to count.
    const std::optional<QString> status = runGit(
        {u"status"_s, u"--porcelain=v2"_s, u"--branch"_s, u"--no-ahead-behind"_s}, folderPath, callTimeout);
    if (status) {
        std::optional<PorcelainStatus> parsed = parsePorcelainStatus(*status);
        if (!parsed)
            return std::nullopt;
        // Should git fail to abbreviate it now, its first digits still name it.
        if (parsed->isDetached) {
            if (std::optional<QString> commit = shortCommit(folderPath, callTimeout))
                parsed->status.branch = *commit;
        }
        return parsed->status;
    }
    // A status that failed or hung (a slow file system monitor, a huge work
    // tree with a cold cache) still leaves the head worth showing, as clean.
    return readHeadAlone(folderPath, callTimeout);
}

QCoro::Task<std::optional<ProjectGitStatus>> status(DevProject project)
{
    co_return co_await runBackgroundRead(&readStatus, project.folderPath, kCallTimeout);
}

} // namespace devnook::GitStatusService
