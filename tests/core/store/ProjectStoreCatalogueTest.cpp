#include "core/projects/JSONProjectPersistence.h"
#include "core/store/ProjectStore.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

DevProject project(const QString &name, const QString &folder = {})
{
    DevProject result;
    result.id = QUuid::createUuid();
    result.name = name;
    result.folderPath = folder;
    return result;
}

// "name|flags|last use": flags P (pinned) and A (archived), last use in
// seconds or "-".
DevProject fromRow(const QString &row)
{
    const QStringList parts = row.split(u'|');
    DevProject result = project(parts[0]);
    result.isPinned = parts[1].contains(u'P');
    result.isArchived = parts[1].contains(u'A');
    if (parts[2] != u"-")
        result.lastUsedAt = Timestamp::fromSecondsSinceReference(parts[2].toDouble());
    return result;
}

QStringList names(const QList<DevProject> &projects)
{
    QStringList result;
    for (const DevProject &p : projects)
        result.append(p.name);
    return result;
}

} // namespace

class ProjectStoreCatalogueTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;
    std::unique_ptr<test::ScriptedProcessManager> m_manager;
    std::unique_ptr<test::ScriptedReadiness> m_readiness;
    test::ScriptedPorts m_ports;
    std::unique_ptr<test::StoreDoubles> m_doubles;
    std::unique_ptr<ProjectStore> m_store;

    ProjectStore &makeStore()
    {
        m_store = std::make_unique<ProjectStore>(
            m_doubles->services(*m_persistence, *m_manager, *m_readiness, m_ports, m_clock));
        return *m_store;
    }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QList<DevProject> stored() const { return m_persistence->loadProjects().value(); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.set(Timestamp::fromSecondsSinceReference(800000000.0));
        m_persistence = std::make_unique<JSONProjectPersistence>(path(u"data"_s), m_clock);
        m_manager = std::make_unique<test::ScriptedProcessManager>(m_clock);
        m_readiness = std::make_unique<test::ScriptedReadiness>();
        m_doubles = std::make_unique<test::StoreDoubles>(path(u"data"_s), m_clock);
    }

    void cleanup()
    {
        m_store.reset();
        m_doubles.reset();
        m_readiness.reset();
        m_manager.reset();
    }

    void loadingAFirstLaunchAndAnUnreadableCatalogue()
    {
        ProjectStore &fresh = makeStore();
        QVERIFY(fresh.projects().isEmpty());
        QVERIFY(!fresh.lastError());

        test::writeFile(m_persistence->catalogueFilePath(), "[{\"id\": 3}");
        ProjectStore &broken = makeStore();
        QVERIFY(broken.projects().isEmpty());
        QVERIFY(broken.lastError());
        QVERIFY2(broken.lastError()->startsWith(u"Could not load projects: "_s),
                 qPrintable(*broken.lastError()));

        // The unreadable file was kept aside, so the first save may replace it.
        QVERIFY(broken.save(project(u"Shop"_s, path(u"shop"_s))));
        QVERIFY(!broken.lastError());
        QCOMPARE(names(stored()), QStringList{u"Shop"_s});
    }

    void projectOrder_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("archived after active")
            << QStringList{u"old|A|900"_s, u"new||-"_s} << QStringList{u"new"_s, u"old"_s};
        QTest::newRow("pinned first, also among archived")
            << QStringList{u"a||500"_s, u"b|P|-"_s, u"c|A|900"_s, u"d|PA|-"_s}
            << QStringList{u"b"_s, u"a"_s, u"d"_s, u"c"_s};
        QTest::newRow("latest use first, used before unused")
            << QStringList{u"x||-"_s, u"y||100"_s, u"z||200"_s} << QStringList{u"z"_s, u"y"_s, u"x"_s};
        QTest::newRow("same use by name ignoring case")
            << QStringList{u"beta||100"_s, u"alpha2||100"_s, u"Alpha||100"_s}
            << QStringList{u"Alpha"_s, u"alpha2"_s, u"beta"_s};
        QTest::newRow("names equal but for case keep their order")
            << QStringList{u"web||-"_s, u"Web||-"_s, u"WEB||-"_s}
            << QStringList{u"web"_s, u"Web"_s, u"WEB"_s};
    }

    void projectOrder()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        QList<DevProject> projects;
        for (const QString &row : rows)
            projects.append(fromRow(row));
        QVERIFY(m_persistence->saveProjects(projects).isOk());
        QCOMPARE(names(makeStore().projects()), expected);
    }

    void saveRefusesAFolderThatAnotherProjectUses()
    {
        QDir().mkpath(path(u"sites/real"_s));
        QVERIFY(QFile::link(path(u"sites/real"_s), path(u"sites/link"_s)));
        QDir().mkpath(path(u"sites/caf\u00e9"_s));
        ProjectStore &store = makeStore();
        DevProject shop = project(u"Shop"_s, path(u"sites/real"_s));
        DevProject blog = project(u"Blog"_s, path(u"sites/caf\u00e9"_s));
        QVERIFY(store.save(shop));
        QVERIFY(store.save(blog));
        const QByteArray written = test::readFile(m_persistence->catalogueFilePath());

        const QStringList sameFolders{path(u"sites/link"_s), path(u"sites/real/../real/."_s),
                                      path(u"sites/link/new/.."_s)};
        for (const QString &folder : sameFolders) {
            QVERIFY2(!store.save(project(u"Copy"_s, folder)), qPrintable(folder));
            QCOMPARE(*store.lastError(), u"The project \u201cShop\u201d already uses this folder."_s);
        }
        QVERIFY(!store.save(project(u"Copy"_s, path(u"sites/cafe\u0301"_s))));
        QCOMPARE(*store.lastError(), u"The project \u201cBlog\u201d already uses this folder."_s);
        QCOMPARE(store.projects().size(), 2);
        QCOMPARE(test::readFile(m_persistence->catalogueFilePath()), written);

        QVERIFY(store.save(project(u"Other case"_s, path(u"sites/REAL"_s))));
        QVERIFY(!store.lastError());
        shop.notes = u"still here"_s;
        QVERIFY(store.save(shop));
        QCOMPARE(store.projects().size(), 3);
    }

    void saveStampsNewProjectsAndAnnouncesThemOnce()
    {
        ProjectStore &store = makeStore();
        m_clock.advance(60);
        DevProject shop = project(u"Shop"_s, path(u"shop"_s));
        shop.localhostURL = u"   "_s;
        shop.services = {ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, {}},
                         ProjectService{QUuid::createUuid(), u"blank"_s, u"  "_s, {}}};
        DevProject older = project(u"Older"_s, path(u"older"_s));
        older.lastUsedAt = m_clock.now().addSeconds(-3600);
        QVERIFY(store.save(older));
        QVERIFY(store.save(shop));

        QCOMPARE(names(store.projects()), (QStringList{u"Shop"_s, u"Older"_s}));
        QCOMPARE(store.projects()[0].lastUsedAt, std::optional<Timestamp>(m_clock.now()));
        QCOMPARE(stored()[0].lastUsedAt, std::optional<Timestamp>(m_clock.now()));
        const auto added = m_doubles->analytics.of(AnalyticsEvent::projectAdded);
        QCOMPARE(added.size(), 2);
        QCOMPARE(added[1], (QHash<QString, QString>{{u"source"_s, u"project-form"_s},
                                                    {u"configured-service-count"_s, u"2"_s},
                                                    {u"has-local-url"_s, u"false"_s}}));

        DevProject edited = store.projects()[0];
        edited.name = u"Shop 2"_s;
        edited.lastUsedAt.reset();
        QVERIFY(store.save(edited));
        QCOMPARE(m_doubles->analytics.of(AnalyticsEvent::projectAdded).size(), 2);
        QCOMPARE(names(store.projects()), (QStringList{u"Older"_s, u"Shop 2"_s}));
        QTRY_COMPARE(m_doubles->preview.windowsRefreshed, (QList<QUuid>{older.id, shop.id, shop.id}));
    }

    void pinArchiveRestoreAndMarkUsed()
    {
        DevProject a = fromRow(u"a||300"_s);
        DevProject b = fromRow(u"b||200"_s);
        DevProject gone = fromRow(u"gone||100"_s);
        QVERIFY(m_persistence->saveProjects({a, b}).isOk());
        ProjectStore &store = makeStore();
        QSignalSpy changes(&store, &ProjectStore::projectsChanged);

        store.togglePinned(b);
        QCOMPARE(names(store.projects()), (QStringList{u"b"_s, u"a"_s}));
        store.archive(b);
        QVERIFY(!store.projects()[1].isPinned);
        QCOMPARE(names(stored()), (QStringList{u"a"_s, u"b"_s}));

        // An archived project cannot be pinned, and nothing is written.
        const QByteArray written = test::readFile(m_persistence->catalogueFilePath());
        store.togglePinned(b);
        QCOMPARE(test::readFile(m_persistence->catalogueFilePath()), written);

        store.restore(b);
        QVERIFY(!store.projects()[1].isArchived && !store.projects()[1].isPinned);
        m_clock.advance(10);
        store.markUsed(b);
        QCOMPARE(names(stored()), (QStringList{u"b"_s, u"a"_s}));
        QCOMPARE(stored()[0].lastUsedAt, std::optional<Timestamp>(m_clock.now()));

        const qsizetype before = changes.size();
        for (auto operation : {&ProjectStore::togglePinned, &ProjectStore::archive, &ProjectStore::restore,
                               &ProjectStore::markUsed})
            (store.*operation)(gone);
        QCOMPARE(changes.size(), before);
    }

    void deleteKeepsARunningProjectsProcessEntries()
    {
        DevProject running = fromRow(u"running||100"_s);
        DevProject other = fromRow(u"other||50"_s);
        QVERIFY(m_persistence->saveProjects({running, other}).isOk());
        ProjectStore &store = makeStore();
        Q_EMIT m_manager->stateDidChange(running.id, DevProcessState::running);
        m_manager->appendLog(u"listening"_s, running.id, false);
        QVERIFY(store.usageTrackingStates().value(running.id).isActive);

        store.deleteProject(running);
        QCOMPARE(names(stored()), QStringList{u"other"_s});
        QCOMPARE(m_doubles->preview.deactivated, QList<QUuid>{running.id});
        QVERIFY(!store.usageTrackingStates().contains(running.id));
        QVERIFY(!store.usageSummaries().contains(running.id));
        QVERIFY(!m_doubles->usage.trackingState(running.id, m_clock.now()).isActive);
        QCOMPARE(store.processStates().value(running.id), DevProcessState::running);
        QCOMPARE(store.processLogs().value(running.id).size(), 1);
        QVERIFY(store.hasActiveProcesses());

        // A project already gone is still cleaned up and the list written.
        store.deleteProject(running);
        QCOMPARE(m_doubles->preview.deactivated.size(), 2);
    }

    void aFailedWriteKeepsTheChangeUntilTheNextWrite()
    {
        ProjectStore &store = makeStore();
        DevProject shop = project(u"Shop"_s, path(u"shop"_s));
        {
            test::FileSizeLimit limit(16);
            QVERIFY(store.save(shop));
        }
        QVERIFY(store.lastError());
        QVERIFY2(store.lastError()->startsWith(u"Could not save projects: "_s),
                 qPrintable(*store.lastError()));
        QCOMPARE(names(store.projects()), QStringList{u"Shop"_s});
        QVERIFY(stored().isEmpty());

        store.markUsed(shop);
        QVERIFY(!store.lastError());
        QCOMPARE(names(stored()), QStringList{u"Shop"_s});
    }
};

QTEST_GUILESS_MAIN(ProjectStoreCatalogueTest)
#include "ProjectStoreCatalogueTest.moc"
