#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "support/FakeClock.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

void git(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(u"git"_s, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qWarning() << "git" << arguments << "failed:" << process.readAllStandardError();
}

// A repository on the branch with one commit.
void makeRepository(const QString &folder, const QString &branch)
{
    QDir().mkpath(folder);
    git(folder, {u"init"_s, u"-q"_s, u"-b"_s, branch});
    git(folder, {u"commit"_s, u"-q"_s, u"--allow-empty"_s, u"-m"_s, u"First"_s});
}

DevProject project(const QString &name, const QString &folder)
{
    DevProject result;
    result.id = QUuid::createUuid();
    result.name = name;
    result.folderPath = folder;
    return result;
}

} // namespace

// The git and .env refresh against real repositories and folders.
class ProjectStoreStatusesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;
    std::unique_ptr<test::ScriptedProcessManager> m_manager;
    test::ScriptedReadiness m_readiness;
    test::ScriptedPorts m_ports;
    std::unique_ptr<test::StoreDoubles> m_doubles;
    std::unique_ptr<ProjectStore> m_store;
    DevProject m_clean;
    DevProject m_dirty;
    DevProject m_envs;
    DevProject m_missing;

    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    ProjectStore &store() { return *m_store; }

    // Waits until the refreshes the store started at load have published.
    bool loaded()
    {
        return QTest::qWaitFor(
            [this] { return m_store->gitStatuses().size() == 2 && m_store->envProfiles().size() == 1; });
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
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        makeRepository(path(u"clean"_s), u"main"_s);
        makeRepository(path(u"dirty"_s), u"feature"_s);
        test::writeFile(path(u"dirty/new.txt"_s), "new\n");
        test::writeFile(path(u"envs/.env"_s), "A=1\n");
        test::writeFile(path(u"envs/.env.local"_s), "A=2\n");
        m_clean = project(u"Clean"_s, path(u"clean"_s));
        m_dirty = project(u"Dirty"_s, path(u"dirty"_s));
        m_envs = project(u"Envs"_s, path(u"envs"_s));
        m_missing = project(u"Missing"_s, path(u"missing"_s));

        m_persistence = std::make_unique<JSONProjectPersistence>(path(u"data"_s), m_clock);
        QVERIFY(m_persistence->saveProjects({m_clean, m_dirty, m_envs, m_missing}).isOk());
        m_manager = std::make_unique<test::ScriptedProcessManager>(m_clock);
        m_doubles = std::make_unique<test::StoreDoubles>(path(u"data"_s), m_clock);
        m_store = std::make_unique<ProjectStore>(
            m_doubles->services(*m_persistence, *m_manager, m_readiness, m_ports, m_clock));
    }

    void cleanup()
    {
        m_store.reset();
        m_doubles.reset();
        m_manager.reset();
    }

    void loadingReadsEveryFolder()
    {
        QVERIFY(loaded());
        QCOMPARE(store().gitStatuses(), (QHash<QUuid, ProjectGitStatus>{{m_clean.id, {u"main"_s, false}},
                                                                        {m_dirty.id, {u"feature"_s, true}}}));
        QCOMPARE(store().envDetails().keys(), QList<QUuid>{m_envs.id});
        const ProjectEnvDetail detail = store().envDetails().value(m_envs.id);
        QCOMPARE(detail.files.size(), 2);
        QStringList fileNames;
        for (const ProjectEnvFileInfo &file : detail.files)
            fileNames.append(file.fileName);
        QCOMPARE(store().envProfiles().value(m_envs.id).fileNames, fileNames);
    }

    void aProjectDeletedDuringARefreshStaysGone()
    {
        QVERIFY(loaded());
        QSignalSpy gitWrites(&store(), &ProjectStore::gitStatusesChanged);
        QSignalSpy envWrites(&store(), &ProjectStore::envProfilesChanged);
        store().refreshProjectStatuses();
        store().deleteProject(m_dirty);
        store().deleteProject(m_envs);
        QCOMPARE(gitWrites.size(), 2);
        // The refresh publishes once every folder has been read.
        QTRY_COMPARE(gitWrites.size(), 3);
        QTRY_COMPARE(envWrites.size(), 3);
        QCOMPARE(store().gitStatuses().keys(), QList<QUuid>{m_clean.id});
        QVERIFY(store().envProfiles().isEmpty());
        QVERIFY(store().envDetails().isEmpty());
    }

    void savingRefreshesThatProjectAlone()
    {
        QVERIFY(loaded());
        QVERIFY(QFile::remove(path(u"envs/.env"_s)) && QFile::remove(path(u"envs/.env.local"_s)));
        QVERIFY(QDir(path(u"clean/.git"_s)).removeRecursively());
        git(path(u"dirty"_s), {u"add"_s, u"new.txt"_s});
        git(path(u"dirty"_s), {u"commit"_s, u"-q"_s, u"-m"_s, u"Second"_s});

        QVERIFY(store().save(m_envs));
        QVERIFY(store().save(m_clean));
        QTRY_VERIFY(store().envProfiles().isEmpty() && store().envDetails().isEmpty());
        QTRY_COMPARE(store().gitStatuses().keys(), QList<QUuid>{m_dirty.id});
        // The other projects were not read again.
        QCOMPARE(store().gitStatuses().value(m_dirty.id).isDirty, true);
    }
};

QTEST_GUILESS_MAIN(ProjectStoreStatusesTest)
#include "ProjectStoreStatusesTest.moc"
