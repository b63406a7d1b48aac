#include "core/processes/GitStatusService.h"

#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Runs git in the folder and returns its trimmed output.
QString git(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(u"git"_s, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qWarning() << "git" << arguments << "failed:" << process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A repository on "main" with one committed file.
void makeRepository(const QString &folder)
{
    QDir().mkpath(folder);
    git(folder, {u"init"_s, u"-q"_s, u"-b"_s, u"main"_s});
    test::writeFile(folder + u"/README.md"_s, "# Project\n");
    git(folder, {u"add"_s, u"README.md"_s});
    git(folder, {u"commit"_s, u"-q"_s, u"-m"_s, u"First"_s});
}

const ProjectGitStatus kCleanMain{u"main"_s, false};
const ProjectGitStatus kDirtyMain{u"main"_s, true};

} // namespace

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
    void initTestCase()
    {
        for (const char *name : {"GIT_AUTHOR_NAME", "GIT_COMMITTER_NAME"})
            qputenv(name, "Devnook Test");
        for (const char *name : {"GIT_AUTHOR_EMAIL", "GIT_COMMITTER_EMAIL"})
            qputenv(name, "test@devnook.invalid");
    }

    void init()
    {
        m_repository = std::make_unique<QTemporaryDir>();
        makeRepository(path());
    }

    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void workTreeChanges()
    {
        DevProject project;
        project.folderPath = path();
        QCOMPARE(QCoro::waitFor(GitStatusService::status(project)), kCleanMain);

        test::writeFile(path(u"apps/web/index.html"_s), "<p>hi</p>\n");
        QCOMPARE(GitStatusService::readStatus(path()), kDirtyMain);
        // A subfolder has the state of the enclosing repository.
        QCOMPARE(GitStatusService::readStatus(path(u"apps/web"_s)), kDirtyMain);
    }

    void detachedHeadNamesTheCommit()
    {
        git(path(), {u"switch"_s, u"-q"_s, u"--detach"_s, u"HEAD"_s});
        const QString shortHash = git(path(), {u"rev-parse"_s, u"--short"_s, u"HEAD"_s});
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

    void manyChangedFiles()
    {
        for (int i = 0; i < 3000; ++i)
            test::writeFile(path(u"generated/file-with-a-long-name-%1.txt"_s.arg(i)), "x\n");
        git(path(), {u"config"_s, u"status.showUntrackedFiles"_s, u"all"_s});
        QCOMPARE(GitStatusService::readStatus(path()), kDirtyMain);
    }

    void readingLeavesTheIndexAlone()
    {
        // New file times over unchanged content make a plain "git status"
        // rewrite the index under its lock; a status read must not.
        QFile readme(path(u"README.md"_s));
        QVERIFY(readme.open(QIODevice::ReadWrite));
        QVERIFY(readme.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                                   QFileDevice::FileModificationTime));
        readme.close();
        const QByteArray indexBefore = test::readFile(path(u".git/index"_s));

        QCOMPARE(GitStatusService::readStatus(path()), kCleanMain);
        QCOMPARE(test::readFile(path(u".git/index"_s)), indexBefore);
    }

    void hungGitCallCountsAsFailed()
    {
        // "git status" waits for the file system monitor hook; one that never
        // answers stands for a hung repository.
        const QString hook = path(u"slow-monitor.sh"_s);
        test::writeFile(hook, "#!/bin/sh\nexec sleep 30\n");
        QVERIFY(QFile::setPermissions(hook, QFile::permissions(hook) | QFileDevice::ExeOwner));
        git(path(), {u"config"_s, u"core.fsmonitor"_s, hook});
        test::writeFile(path(u"untracked.txt"_s), "x\n");

        QCOMPARE(GitStatusService::readStatus(path(), std::chrono::milliseconds(500)), kCleanMain);
    }
};

QTEST_GUILESS_MAIN(GitStatusServiceTest)
#include "GitStatusServiceTest.moc"
