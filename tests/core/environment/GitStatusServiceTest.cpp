#include "core/environment/GitStatusService.h"

#include "core/environment/BackgroundReads.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFuture>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace devnook;

using GitResult = std::optional<ProjectGitStatus>;
using ParseResult = std::optional<GitStatusService::PorcelainStatus>;

namespace {

// Runs a shell script in the folder and returns its trimmed output.
QString run(const QString &folder, const QString &script)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(u"/bin/sh"_s, {u"-c"_s, script});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qWarning() << script << "failed:" << process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

const QString kCommit = u"git -c user.name=Test -c user.email=test@devnook.invalid commit -q"_s;
const ProjectGitStatus kCleanMain{u"main"_s, false};
const ProjectGitStatus kDirtyMain{u"main"_s, true};

ParseResult onBranch(const ProjectGitStatus &status)
{
    return GitStatusService::PorcelainStatus{.status = status, .isDetached = false};
}

} // namespace

Q_DECLARE_METATYPE(GitResult)
Q_DECLARE_METATYPE(ParseResult)

// Each test gets a real repository on "main" with one committed file.
class GitStatusServiceTest : public QObject {
    Q_OBJECT

private:
    QString m_initialFolder = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> m_repository;

    QString path(const QString &relativePath = {}) const
    {
        return relativePath.isEmpty() ? m_repository->path() : m_repository->filePath(relativePath);
    }

private Q_SLOTS:
    void init()
    {
        m_repository = std::make_unique<QTemporaryDir>();
        run(path(), u"git init -q -b main && echo '# Project' > README.md && git add README.md && "_s +
                        kCommit + u"m First"_s);
    }

    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void parsesPorcelainOutput_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<ParseResult>("expected");
        const QString oid = u"# branch.oid 2d17abac45f7fc496e71dbdd99344c106d453295\n"_s;
        QTest::newRow("clean") << oid + u"# branch.head main\n"_s << onBranch(kCleanMain);
        QTest::newRow("upstream and stash headers are not changes")
            << oid + u"# branch.head main\n# branch.upstream origin/main\n# branch.ab +0 -0\n# stash 2\n"_s
            << onBranch(kCleanMain);
        QTest::newRow("changed")
            << oid + u"# branch.head main\n1 .M N... 100644 100644 100644 a b README.md\n"_s
            << onBranch(kDirtyMain);
        QTest::newRow("untracked only")
            << oid + u"# branch.head main\n? notes.txt\n"_s << onBranch(kDirtyMain);
        QTest::newRow("no commit yet")
            << u"# branch.oid (initial)\n# branch.head trunk\n"_s << onBranch({u"trunk"_s, false});
        QTest::newRow("spaces kept inside the name")
            << oid + u"# branch.head feature  two words\n"_s << onBranch({u"feature  two words"_s, false});
        QTest::newRow("unicode") << oid + u"# branch.head dé-ñ/ü\n"_s << onBranch({u"dé-ñ/ü"_s, false});
        QTest::newRow("detached") << oid + u"# branch.head (detached)\n? x\n"_s
                                  << ParseResult({.status = {u"2d17aba"_s, true}, .isDetached = true});
        QTest::newRow("detached without commit")
            << u"# branch.oid (initial)\n# branch.head (detached)\n"_s << ParseResult();
        QTest::newRow("unknown head")
            << u"# branch.oid (initial)\n# branch.head (unknown)\n"_s << ParseResult();
        QTest::newRow("no head line") << u"? x\n"_s << ParseResult();
        QTest::newRow("nothing") << QString() << ParseResult();
    }

    void parsesPorcelainOutput()
    {
        QFETCH(QString, output);
        QFETCH(ParseResult, expected);
        QCOMPARE(GitStatusService::parsePorcelainStatus(output), expected);
    }

    // Real repositories shaped by a script from the one with README.md.
    void readsRealRepositories_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<GitResult>("expected");
        QTest::newRow("clean") << u"true"_s << QString() << GitResult(kCleanMain);
        QTest::newRow("modified") << u"echo more >> README.md"_s << QString() << GitResult(kDirtyMain);
        QTest::newRow("staged") << u"echo more >> README.md && git add README.md"_s << QString()
                                << GitResult(kDirtyMain);
        QTest::newRow("untracked only") << u"touch notes.txt"_s << QString() << GitResult(kDirtyMain);
        QTest::newRow("subfolder of the work tree")
            << u"mkdir -p apps/web && touch apps/web/index.html"_s << u"apps/web"_s << GitResult(kDirtyMain);
        QTest::newRow("no commit yet") << u"rm -rf .git && git init -q -b trunk"_s << QString()
                                       << GitResult(ProjectGitStatus{u"trunk"_s, true});
        QTest::newRow("no commit yet, nothing in it")
            << u"rm -rf .git README.md && git init -q -b trunk"_s << QString()
            << GitResult(ProjectGitStatus{u"trunk"_s, false});
        QTest::newRow("unicode branch") << u"git switch -q -c 'dé-ñ/ü🚀'"_s << QString()
                                        << GitResult(ProjectGitStatus{u"dé-ñ/ü🚀"_s, false});
        QTest::newRow("broken head") << u"echo 'ref: refs/heads/with space' > .git/HEAD"_s << QString()
                                     << GitResult();
    }

    void readsRealRepositories()
    {
        QFETCH(QString, script);
        QFETCH(QString, folder);
        QFETCH(GitResult, expected);
        run(path(), script);
        DevProject project;
        project.folderPath = path(folder);
        QCOMPARE(QCoro::waitFor(GitStatusService::status(project)), expected);
    }

    // When the one status call fails, the head is still named and shown as
    // clean; a readable repository mid-rebase shows its changes as ever.
    // "@" stands for the commit the script left checked out.
    void failedStatusStillNamesTheHead_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("head");
        QTest::addColumn<bool>("isDirty");
        const QString rebase = u"git switch -q -c feature && echo feature > README.md && "_s + kCommit +
                               u"am Feature && git switch -q main && echo main > README.md && "_s + kCommit +
                               u"am Main && git switch -q feature && "_s
                               u"{ git -c user.name=Test -c user.email=test@devnook.invalid rebase -q main "_s
                               u">/dev/null 2>&1 || true; }"_s;
        const QString corrupt = u" && echo garbage > .git/index"_s;
        QTest::newRow("readable, mid-rebase") << rebase << QString() << u"@"_s << true;
        QTest::newRow("corrupt index") << u"echo garbage > .git/index"_s << QString() << u"main"_s << false;
        QTest::newRow("corrupt index, changes in the work tree")
            << u"echo more >> README.md && touch notes.txt"_s + corrupt << QString() << u"main"_s << false;
        QTest::newRow("corrupt index, from a subfolder")
            << u"mkdir -p apps/web"_s + corrupt << u"apps/web"_s << u"main"_s << false;
        QTest::newRow("corrupt index, detached head")
            << u"git switch -q --detach HEAD"_s + corrupt << QString() << u"@"_s << false;
        QTest::newRow("corrupt index, detached head, core.abbrev 12")
            << u"git config core.abbrev 12 && git switch -q --detach HEAD"_s + corrupt << QString() << u"@"_s
            << false;
        QTest::newRow("corrupt index, mid-rebase") << rebase + corrupt << QString() << u"@"_s << false;
        QTest::newRow("corrupt index, no commit yet")
            << u"rm -rf .git && git init -q -b trunk"_s + corrupt << QString() << u"trunk"_s << false;
    }

    void failedStatusStillNamesTheHead()
    {
        QFETCH(QString, script);
        QFETCH(QString, folder);
        QFETCH(QString, head);
        QFETCH(bool, isDirty);
        run(path(), script);
        if (head == u"@"_s)
            head = run(path(), u"git rev-parse --short HEAD"_s);
        QCOMPARE(GitStatusService::readStatus(path(folder)), (ProjectGitStatus{head, isDirty}));
    }

    // A detached head is named by its commit as git abbreviates it for the
    // user, at the length the repository asks for, and with its changes.
    void detachedHeadShowsTheCommitAsGitAbbreviatesIt_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("isDirty");
        QTest::newRow("default length") << u"true"_s << 7 << false;
        QTest::newRow("core.abbrev 12") << u"git config core.abbrev 12"_s << 12 << false;
        QTest::newRow("core.abbrev 12, changes")
            << u"git config core.abbrev 12 && touch notes.txt"_s << 12 << true;
    }

    void detachedHeadShowsTheCommitAsGitAbbreviatesIt()
    {
        QFETCH(QString, script);
        QFETCH(int, digits);
        QFETCH(bool, isDirty);
        run(path(), script + u" && git switch -q --detach HEAD"_s);
        const QString commit = run(path(), u"git rev-parse HEAD"_s);
        QCOMPARE(GitStatusService::readStatus(path()), (ProjectGitStatus{commit.left(digits), isDirty}));
    }

    void foldersWithoutStatus_data()
    {
        QTest::addColumn<QString>("folderPath");
        QTest::newRow("inside the git folder") << u".git"_s;
        QTest::newRow("outside any repository") << QDir::tempPath();
        QTest::newRow("missing") << u"missing"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << u"  \t"_s;
    }

    void foldersWithoutStatus()
    {
        QFETCH(QString, folderPath);
        // From inside a repository, so that a blank path would find it.
        QVERIFY(QDir::setCurrent(path()));
        QCOMPARE(GitStatusService::readStatus(folderPath), std::nullopt);
    }

    // git records each process it starts, also one that finds no
    // repository; a work tree costs one, a folder without ".git" in or
    // above it none.
    void oneGitProcessPerWorkTree()
    {
        QTemporaryDir plain;
        const QString trace = plain.filePath(u"trace"_s);
        qputenv("GIT_TRACE2", trace.toUtf8());
        const GitResult inRepository = GitStatusService::readStatus(path());
        const GitResult outside = GitStatusService::readStatus(plain.path());
        qunsetenv("GIT_TRACE2");
        QCOMPARE(inRepository, kCleanMain);
        QCOMPARE(outside, std::nullopt);
        const QByteArray lines = test::readFile(trace);
        QCOMPARE(lines.count(" start /usr/bin/git "), 1);
        QVERIFY(lines.contains("status --porcelain=v2 --branch"));
    }

    // New file times over unchanged content make a plain "git status"
    // rewrite the index under its lock; a status read must not.
    void readingLeavesTheIndexAlone()
    {
        run(path(), u"touch -d '1 hour ago' README.md"_s);
        const QByteArray indexBefore = test::readFile(path(u".git/index"_s));
        QCOMPARE(GitStatusService::readStatus(path()), kCleanMain);
        QCOMPARE(test::readFile(path(u".git/index"_s)), indexBefore);
    }

    // "git status" waits for the file system monitor hook, which may take
    // long on a huge work tree; the head is still named, with no changes
    // shown, and the read ends soon after the limit.
    void hungStatusStillNamesTheHead_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("head");
        QTest::newRow("on a branch") << u"true"_s << u"main"_s;
        QTest::newRow("detached, core.abbrev 12")
            << u"git config core.abbrev 12 && git switch -q --detach HEAD"_s << u"@"_s;
    }

    void hungStatusStillNamesTheHead()
    {
        QFETCH(QString, script);
        QFETCH(QString, head);
        run(path(), script + u" && printf '#!/bin/sh\\nexec sleep 30\\n' > hook && chmod +x hook && "
                             u"git config core.fsmonitor \"$PWD/hook\" && touch untracked.txt"_s);
        if (head == u"@"_s)
            head = run(path(), u"git rev-parse --short HEAD"_s);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(GitStatusService::readStatus(path(), std::chrono::milliseconds(500)),
                 (ProjectGitStatus{head, false}));
        QVERIFY(timer.elapsed() < 5000);
    }

    // Reads and the git processes they start run below the interface, so a
    // refresh of many projects cannot hold up start-up or painting.
    void readsRunAtALowerPriority()
    {
        const int niceness = runBackgroundRead([] {
                                 return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
                             }).result();
        QVERIFY2(niceness >= 10, qPrintable(QString::number(niceness)));
    }

    // Last: stopping cannot be undone. A HEAD that is a pipe without writer
    // hangs every git call there; the quit must not wait for the running
    // calls nor start the queued ones, nor the rest of a reading of many.
    void stoppingEndsQueuedAndRunningReads()
    {
        run(path(), u"rm .git/HEAD && mkfifo .git/HEAD"_s);
        QTemporaryDir traceFolder;
        const QString trace = traceFolder.filePath(u"git-trace"_s);
        const auto gitStarts = [&trace] { return test::readFile(trace).count(" start /usr/bin/git "); };
        qputenv("GIT_TRACE2", trace.toUtf8());
        // Each call left alone would hang for an hour, far past any wait here.
        std::vector<QFuture<GitResult>> readings;
        for (int i = 0; i < 400; ++i)
            readings.push_back(runBackgroundRead(&GitStatusService::readStatus, path(),
                                                 std::chrono::milliseconds(std::chrono::hours(1))));
        // Reads that do not look at the stop themselves: no new one starts.
        auto slow = readEach(QList<int>(400, 50), [](int milliseconds) {
            QThread::msleep(static_cast<unsigned long>(milliseconds));
            return true;
        });
        // Every thread of the pool waits on a hung git.
        const qsizetype threads = backgroundReadPool().maxThreadCount();
        QVERIFY(QTest::qWaitFor([&] { return gitStarts() == threads; }, 30000));
        stopBackgroundReads();
        QVERIFY(backgroundReadPool().waitForDone(30000));
        qunsetenv("GIT_TRACE2");
        QCOMPARE(gitStarts(), threads);
        QCOMPARE(readings.back().result(), std::nullopt);
        QVERIFY(QCoro::waitFor(std::move(slow)).count(true) < 400);
    }
};

QTEST_GUILESS_MAIN(GitStatusServiceTest)
#include "GitStatusServiceTest.moc"
