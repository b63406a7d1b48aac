#include "GitStatusService.h"

#include "BackgroundReads.h"
#include "core/foundation/Text.h"

#include <QCoroFuture>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace devnook::GitStatusService {

namespace {

const QString kGitProgram = u"/usr/bin/git"_s;
// How often a waiting read looks whether the application is quitting.
constexpr int kStopCheckMs = 50;

// The trimmed standard output of a git call that ended with status 0 within
// the time limit and before the reads were stopped; nothing otherwise.
std::optional<QString> runGit(const QStringList &arguments, const QString &folderPath,
                              std::chrono::milliseconds timeout)
{
    QProcess git;
    git.setProgram(kGitProgram);
    git.setArguments(QStringList{u"-C"_s, folderPath} + arguments);
    // A status read must never take the index lock from the user's own git
    // commands; everything else is the application's environment.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"GIT_OPTIONAL_LOCKS"_s, u"0"_s);
    git.setProcessEnvironment(environment);
    git.setStandardInputFile(QProcess::nullDevice());
    git.setStandardErrorFile(QProcess::nullDevice());
    if (backgroundReadsStopped())
        return std::nullopt;
    git.start();
    if (!git.waitForStarted())
        return std::nullopt;
    // waitForFinished drains the output pipe while it waits, so output of any
    // length cannot stall git.
    const QDeadlineTimer deadline(timeout);
    while (!git.waitForFinished(kStopCheckMs)) {
        if (git.state() == QProcess::NotRunning)
            break;
        if (deadline.hasExpired() || backgroundReadsStopped()) {
            git.kill();
            git.waitForFinished();
            return std::nullopt;
        }
    }
    if (git.exitStatus() != QProcess::NormalExit || git.exitCode() != 0)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString output = decoder(git.readAllStandardOutput());
    if (decoder.hasError())
        return std::nullopt;
    return Text::trimmed(output);
}

bool isGitRepository(const QString &folderPath, std::chrono::milliseconds timeout)
{
    return runGit({u"rev-parse"_s, u"--is-inside-work-tree"_s}, folderPath, timeout) == u"true"_s;
}

std::optional<QString> currentBranch(const QString &folderPath, std::chrono::milliseconds timeout)
{
    auto branch = runGit({u"branch"_s, u"--show-current"_s}, folderPath, timeout);
    if (branch && !branch->isEmpty())
        return branch;
    auto commit = runGit({u"rev-parse"_s, u"--short"_s, u"HEAD"_s}, folderPath, timeout);
    if (commit && !commit->isEmpty())
        return commit;
    return std::nullopt;
}

} // namespace

std::optional<ProjectGitStatus> readStatus(const QString &folderPath, std::chrono::milliseconds callTimeout)
{
    // A blank path would make git read the application's own working folder.
    if (Text::isBlank(folderPath) || !isGitRepository(folderPath, callTimeout))
        return std::nullopt;
    std::optional<QString> branch = currentBranch(folderPath, callTimeout);
    if (!branch)
        return std::nullopt;
    const std::optional<QString> changes = runGit({u"status"_s, u"--porcelain"_s}, folderPath, callTimeout);
    return ProjectGitStatus{std::move(*branch), changes && !changes->isEmpty()};
}

QCoro::Task<std::optional<ProjectGitStatus>> status(DevProject project)
{
    co_return co_await runBackgroundRead(&readStatus, project.folderPath, kCallTimeout);
}

} // namespace devnook::GitStatusService
