#include "core/environment/GitStatusService.h"

#include "core/environment/BackgroundReads.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace devnook;

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

const ProjectGitStatus kCleanMain{u"main"_s, false};
const ProjectGitStatus kDirtyMain{u"main"_s, true};

} // namespace

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
        run(path(), u"git init -q -b main && echo '# Project' > README.md && git add README.md && "
                    u"git -c user.name=Test -c user.email=test@devnook.invalid commit -qm First"_s);
    }

    void cleanup() { QDir::setCurrent(m_initialFolder); }

    // A subfolder has the state of the enclosing repository; a detached
    // head is named by its commit.
    void branchAndChanges()
    {
        DevProject project;
        project.folderPath = path();
        QCOMPARE(QCoro::waitFor(GitStatusService::status(project)), kCleanMain);
        test::writeFile(path(u"apps/web/index.html"_s), "<p>hi</p>\n");
        QCOMPARE(GitStatusService::readStatus(path(u"apps/web"_s)), kDirtyMain);
        const QString shortHash = run(path(), u"git switch -q --detach HEAD && git rev-parse --short HEAD"_s);
        QCOMPARE(GitStatusService::readStatus(path()), (ProjectGitStatus{shortHash, true}));
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
    // answers stands for a hung repository.
    void hungGitCallCountsAsFailed()
    {
        run(path(), u"printf '#!/bin/sh\\nexec sleep 30\\n' > hook && chmod +x hook && "
                    u"git config core.fsmonitor \"$PWD/hook\" && touch untracked.txt"_s);
        QCOMPARE(GitStatusService::readStatus(path(), std::chrono::milliseconds(500)), kCleanMain);
    }

    // Last: stopping cannot be undone. A HEAD that is a pipe without writer
    // hangs every git call there; the quit must not wait for the running
    // calls nor start the queued ones.
    // Reads and the git processes they start run below the interface, so a
    // refresh of many projects cannot hold up start-up or painting.
    void readsRunAtALowerPriority()
    {
        const int niceness = runBackgroundRead([] {
                                 return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
                             }).result();
        QVERIFY2(niceness >= 10, qPrintable(QString::number(niceness)));
    }

    void stoppingEndsQueuedAndRunningReads()
    {
        run(path(), u"rm .git/HEAD && mkfifo .git/HEAD"_s);
        DevProject project;
        project.folderPath = path();
        std::vector<QCoro::Task<std::optional<ProjectGitStatus>>> readings;
        for (int i = 0; i < 400; ++i)
            readings.push_back(GitStatusService::status(project));
        QTest::qWait(200);
        QVERIFY(backgroundReadPool().activeThreadCount() > 0);
        stopBackgroundReads();
        QVERIFY(backgroundReadPool().waitForDone(1000));
        QCOMPARE(QCoro::waitFor(std::move(readings.back())), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(GitStatusServiceTest)
#include "GitStatusServiceTest.moc"
