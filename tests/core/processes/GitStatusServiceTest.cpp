#include "core/processes/GitStatusService.h"

#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Runs git in the folder and returns its trimmed output; fails the test when
// git does.
QString git(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(u"git"_s, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qWarning() << "git" << arguments << process.readAllStandardError();
        return u"<git failed>"_s;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A repository on "main" with one committed file.
void makeRepository(const QString &folder)
{
    git(folder, {u"init"_s, u"-q"_s, u"-b"_s, u"main"_s});
    test::writeFile(folder + u"/README.md"_s, "# Project\n");
    git(folder, {u"add"_s, u"README.md"_s});
    git(folder, {u"commit"_s, u"-q"_s, u"-m"_s, u"First"_s});
}

} // namespace

class GitStatusServiceTest : public QObject {
    Q_OBJECT

private:
    QString m_initialFolder = QDir::currentPath();

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("GIT_AUTHOR_NAME", "Devnook Test");
        qputenv("GIT_AUTHOR_EMAIL", "test@devnook.invalid");
        qputenv("GIT_COMMITTER_NAME", "Devnook Test");
        qputenv("GIT_COMMITTER_EMAIL", "test@devnook.invalid");
    }

    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void workTreeChanges()
    {
        QTemporaryDir folder;
        makeRepository(folder.path());
        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{u"main"_s, false}));

        test::writeFile(folder.filePath(u"notes.txt"_s), "untracked\n");
        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{u"main"_s, true}));

        QVERIFY(QFile::remove(folder.filePath(u"notes.txt"_s)));
        test::writeFile(folder.filePath(u"README.md"_s), "# Renamed project\n");
        git(folder.path(), {u"add"_s, u"README.md"_s});
        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{u"main"_s, true}));
    }

    void branchesAndDetachedHead()
    {
        QTemporaryDir folder;
        makeRepository(folder.path());
        git(folder.path(), {u"switch"_s, u"-q"_s, u"-c"_s, u"feature/login"_s});
        QCOMPARE(GitStatusService::readStatus(folder.path())->branch, u"feature/login"_s);

        git(folder.path(), {u"switch"_s, u"-q"_s, u"--detach"_s, u"HEAD"_s});
        const QString shortHash = git(folder.path(), {u"rev-parse"_s, u"--short"_s, u"HEAD"_s});
        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{shortHash, false}));
    }

    void repositoryWithoutCommitsNamesItsBranch()
    {
        QTemporaryDir folder;
        git(folder.path(), {u"init"_s, u"-q"_s, u"-b"_s, u"trunk"_s});
        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{u"trunk"_s, false}));
    }

    void subfolderReadsTheEnclosingRepository()
    {
        QTemporaryDir folder;
        makeRepository(folder.path());
        QVERIFY(QDir(folder.path()).mkpath(u"apps/web"_s));
        test::writeFile(folder.filePath(u"apps/web/index.html"_s), "<p>hi</p>\n");
        QCOMPARE(GitStatusService::readStatus(folder.filePath(u"apps/web"_s)),
                 (ProjectGitStatus{u"main"_s, true}));
    }

    void foldersWithoutStatus_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("inside the git folder") << u"repository/.git"_s;
        QTest::newRow("not a repository") << u"plain"_s;
        QTest::newRow("missing") << u"missing"_s;
    }

    void foldersWithoutStatus()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"repository"_s));
        QVERIFY(QDir(root.path()).mkpath(u"plain"_s));
        makeRepository(root.filePath(u"repository"_s));
        QCOMPARE(GitStatusService::readStatus(root.filePath(relativePath)), std::nullopt);
    }

    void blankPathNeverReadsTheWorkingFolder_data()
    {
        QTest::addColumn<QString>("folderPath");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << u"  \t"_s;
    }

    void blankPathNeverReadsTheWorkingFolder()
    {
        QFETCH(QString, folderPath);
        QTemporaryDir workingRepository;
        makeRepository(workingRepository.path());
        QVERIFY(QDir::setCurrent(workingRepository.path()));
        QVERIFY(GitStatusService::readStatus(u"."_s));

        QCOMPARE(GitStatusService::readStatus(folderPath), std::nullopt);
    }

    void manyChangedFiles()
    {
        QTemporaryDir folder;
        makeRepository(folder.path());
        for (int i = 0; i < 3000; ++i)
            test::writeFile(folder.filePath(u"generated/file-with-a-long-name-%1.txt"_s.arg(i)), "x\n");
        git(folder.path(), {u"config"_s, u"status.showUntrackedFiles"_s, u"all"_s});
        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{u"main"_s, true}));
    }

    void readingLeavesTheIndexAlone()
    {
        // A file whose times changed but whose content did not makes a plain
        // "git status" rewrite the index; a status read must not, so it can
        // never hold the index lock while the user runs git.
        QTemporaryDir folder;
        makeRepository(folder.path());
        QFile readme(folder.filePath(u"README.md"_s));
        QVERIFY(readme.open(QIODevice::ReadWrite));
        QVERIFY(readme.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                                   QFileDevice::FileModificationTime));
        readme.close();
        const QByteArray indexBefore = test::readFile(folder.filePath(u".git/index"_s));

        QCOMPARE(GitStatusService::readStatus(folder.path()), (ProjectGitStatus{u"main"_s, false}));
        QCOMPARE(test::readFile(folder.filePath(u".git/index"_s)), indexBefore);
    }

    void hungGitCallCountsAsFailed()
    {
        // The file system monitor hook runs inside "git status"; one that never
        // answers stands for a hung repository.
        QTemporaryDir folder;
        makeRepository(folder.path());
        const QString hook = folder.filePath(u"slow-monitor.sh"_s);
        test::writeFile(hook, "#!/bin/sh\nexec sleep 30\n");
        QVERIFY(QFile::setPermissions(hook, QFile::permissions(hook) | QFileDevice::ExeOwner));
        git(folder.path(), {u"config"_s, u"core.fsmonitor"_s, hook});
        test::writeFile(folder.filePath(u"untracked.txt"_s), "x\n");

        QCOMPARE(GitStatusService::readStatus(folder.path(), std::chrono::milliseconds(500)),
                 (ProjectGitStatus{u"main"_s, false}));
    }

    void readsInTheBackgroundForAProject()
    {
        QTemporaryDir folder;
        makeRepository(folder.path());
        DevProject project;
        project.folderPath = folder.path();
        QCOMPARE(QCoro::waitFor(GitStatusService::status(project)), (ProjectGitStatus{u"main"_s, false}));
    }
};

QTEST_GUILESS_MAIN(GitStatusServiceTest)
#include "GitStatusServiceTest.moc"
