#include "core/environment/GitStatusService.h"

#include "core/environment/BackgroundReads.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

} // namespace

Q_DECLARE_METATYPE(GitResult)

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
        QTest::addColumn<GitResult>("expected");
        const QString oid = u"# branch.oid 2d17abac45f7fc496e71dbdd99344c106d453295\n"_s;
        QTest::newRow("clean") << oid + u"# branch.head main\n"_s << GitResult(kCleanMain);
        QTest::newRow("upstream and stash headers are not changes")
            << oid + u"# branch.head main\n# branch.upstream origin/main\n# branch.ab +0 -0\n# stash 2\n"_s
            << GitResult(kCleanMain);
        QTest::newRow("changed")
            << oid + u"# branch.head main\n1 .M N... 100644 100644 100644 a b README.md\n"_s
            << GitResult(kDirtyMain);
        QTest::newRow("untracked only")
            << oid + u"# branch.head main\n? notes.txt\n"_s << GitResult(kDirtyMain);
        QTest::newRow("no commit yet") << u"# branch.oid (initial)\n# branch.head trunk\n"_s
                                       << GitResult(ProjectGitStatus{u"trunk"_s, false});
        QTest::newRow("spaces kept inside the name")
            << oid + u"# branch.head feature  two words\n"_s
            << GitResult(ProjectGitStatus{u"feature  two words"_s, false});
        QTest::newRow("unicode") << oid + u"# branch.head dé-ñ/ü\n"_s
                                 << GitResult(ProjectGitStatus{u"dé-ñ/ü"_s, false});
        QTest::newRow("detached") << oid + u"# branch.head (detached)\n? x\n"_s
                                  << GitResult(ProjectGitStatus{u"2d17aba"_s, true});
        QTest::newRow("detached without commit")
            << u"# branch.oid (initial)\n# branch.head (detached)\n"_s << GitResult();
        QTest::newRow("unknown head")
            << u"# branch.oid (initial)\n# branch.head (unknown)\n"_s << GitResult();
        QTest::newRow("no head line") << u"? x\n"_s << GitResult();
        QTest::newRow("nothing") << QString() << GitResult();
    }

    void parsesPorcelainOutput()
    {
        QFETCH(QString, output);
        QFETCH(GitResult, expected);
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

    // A detached head is named by its commit as git shortens it.
    void detachedHeadShowsTheShortCommit()
    {
        const QString shortHash = run(path(), u"git switch -q --detach HEAD && git rev-parse --short HEAD"_s);
        QCOMPARE(GitStatusService::readStatus(path()), (ProjectGitStatus{shortHash, false}));
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

    // "git status" waits for the file system monitor hook; one that never
    // answers stands for a hung repository, which shows no state.
    void hungGitCallCountsAsFailed()
    {
        run(path(), u"printf '#!/bin/sh\\nexec sleep 30\\n' > hook && chmod +x hook && "
                    u"git config core.fsmonitor \"$PWD/hook\" && touch untracked.txt"_s);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(GitStatusService::readStatus(path(), std::chrono::milliseconds(500)), std::nullopt);
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
        DevProject project;
        project.folderPath = path();
        std::vector<QCoro::Task<std::optional<ProjectGitStatus>>> readings;
        for (int i = 0; i < 400; ++i)
            readings.push_back(GitStatusService::status(project));
        // Reads that do not look at the stop themselves: no new one starts.
        auto slow = readEach(QList<int>(400, 50), [](int milliseconds) {
            QThread::msleep(static_cast<unsigned long>(milliseconds));
            return true;
        });
        QTest::qWait(200);
        QVERIFY(backgroundReadPool().activeThreadCount() > 0);
        stopBackgroundReads();
        QVERIFY(backgroundReadPool().waitForDone(1000));
        QCOMPARE(QCoro::waitFor(std::move(readings.back())), std::nullopt);
        QVERIFY(QCoro::waitFor(std::move(slow)).count(true) < 400);
    }
};

QTEST_GUILESS_MAIN(GitStatusServiceTest)
#include "GitStatusServiceTest.moc"
