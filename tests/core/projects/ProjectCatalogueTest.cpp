#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/ProjectCoding.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class ProjectCatalogueTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;

    QString catalogue() const { return m_persistence->catalogueFilePath(); }
    QStringList asideCopies() const
    {
        const QDir folder = QFileInfo(catalogue()).absoluteDir();
        QStringList paths;
        for (const QString &name : folder.entryList({u"projects.json.unreadable-*"_s}))
            paths.append(folder.filePath(name));
        return paths;
    }
    QList<DevProject> load() { return m_persistence->loadProjects().value().projects; }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        m_persistence = std::make_unique<JSONProjectPersistence>(m_home.path(), m_clock);
    }

    void nothingStoredLoadsEmptyAndCreatesNothing()
    {
        const auto loaded = m_persistence->loadProjects();
        QVERIFY(loaded.isOk());
        QVERIFY(loaded.value().projects.isEmpty());
        QVERIFY(!QFileInfo::exists(m_home.filePath(u"Devnook"_s)));

        QVERIFY(m_persistence->saveProjects({}).isOk());
        QCOMPARE(QJsonDocument::fromJson(test::readFile(catalogue())).array(), QJsonArray());
    }

    void roundTripWritesValuesBackUnchanged()
    {
        test::writeFile(catalogue(), test::readData(u"catalogue-valid.json"_s));
        const QList<DevProject> loaded = load();
        QCOMPARE(loaded.size(), 2);
        QVERIFY(m_persistence->saveProjects(loaded).isOk());

        const QByteArray written = test::readFile(catalogue());
        QVERIFY(written.contains(R"("lastUsedAt": 786543210.123456)"));
        QVERIFY(written.contains(R"("6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11")"));
        QVERIFY(written.contains(R"(https:\/\/example.org\/acme)"));
        QVERIFY(!written.contains("openBrowserAfterStartWorkspace"));

        const QList<DevProject> reloaded = load();
        QCOMPARE(reloaded, loaded);
        QCOMPARE(reloaded[1].openLocalURLAfterStart, false);
        QVERIFY(asideCopies().isEmpty());
    }

    // Members a later version added, to a project and to its services, links
    // and preview URLs, survive a save byte for byte.
    void unknownMembersAreWrittenBackUnchanged()
    {
        const QByteArray written = test::readData(u"catalogue-unknown-keys.json"_s);
        test::writeFile(catalogue(), written);
        QVERIFY(m_persistence->saveProjects(load()).isOk());
        QCOMPARE(test::readFile(catalogue()), written);
    }

    void legacyCatalogueIsCopiedOnce()
    {
        const QByteArray legacy = test::readData(u"catalogue-valid.json"_s);
        test::writeFile(m_persistence->legacyCatalogueFilePath(), legacy);
        QCOMPARE(load().size(), 2);
        QCOMPARE(test::readFile(catalogue()), legacy);
        QVERIFY(QFileInfo::exists(m_persistence->legacyCatalogueFilePath()));

        // Once a catalogue exists, even an empty one, the legacy file is ignored.
        QVERIFY(m_persistence->saveProjects({}).isOk());
        QVERIFY(load().isEmpty());
    }

    // Unread is -1 when nothing of the file could be read.
    void damagedCatalogues_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("unread");
        QTest::newRow("cut in the third project")
            << u"catalogue-truncated.json"_s << QStringList{u"Shop, \"the} [big] one\" {v2}"_s, u"Blog"_s}
            << 1;
        QTest::newRow("stray closing brace between projects")
            << u"catalogue-stray-brace.json"_s << QStringList{u"Good"_s, u"Blog"_s} << 1;
        QTest::newRow("one project without a name")
            << u"catalogue-one-bad-project.json"_s << QStringList{u"Good"_s} << 1;
        QTest::newRow("unknown link kind")
            << u"catalogue-bad-link-kind.json"_s << QStringList{u"Good"_s} << 1;
        QTest::newRow("flag of the wrong type") << u"catalogue-wrong-types.json"_s << QStringList() << 1;
        QTest::newRow("required key null") << u"catalogue-null-required.json"_s << QStringList() << 1;
        QTest::newRow("object at the top") << u"catalogue-object-top-level.json"_s << QStringList() << -1;
        QTest::newRow("not json") << u"catalogue-not-json.json"_s << QStringList() << -1;
    }

    void damagedCatalogues()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, names);
        QFETCH(int, unread);
        const QByteArray damaged = test::readData(file);
        test::writeFile(catalogue(), damaged);
        const auto loaded = m_persistence->loadProjects();
        QCOMPARE(loaded.isOk(), unread >= 0);
        if (loaded) {
            QStringList read;
            for (const DevProject &project : loaded.value().projects)
                read.append(project.name);
            QCOMPARE(read, names);
            QCOMPARE(loaded.value().unreadableCount, unread);
            QVERIFY(!loaded.value().firstUnreadableError.isEmpty());
        }

        // The damaged file is kept aside once, however often it is met, so
        // the save that follows loses none of the user's projects.
        QCOMPARE(m_persistence->loadProjects().isOk(), loaded.isOk());
        const QStringList copies = asideCopies();
        QCOMPARE(copies.size(), 1);
        if (loaded)
            QCOMPARE(loaded.value().keptAsidePath, copies[0]);
        QCOMPARE(test::readFile(copies[0]), damaged);
        QVERIFY(m_persistence->saveProjects({}).isOk());
        QCOMPARE(test::readFile(copies[0]), damaged);
    }

    void nullOptionalKeysTakeTheirDefaults()
    {
        test::writeFile(catalogue(), test::readData(u"catalogue-nulls-optional.json"_s));
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        const DevProject &project = loaded.value().projects.constFirst();
        QVERIFY(project.client.isEmpty() && project.services.isEmpty() && !project.isPinned &&
                !project.lastUsedAt);
        QVERIFY(!project.openLocalURLAfterStart);
        QVERIFY(!project.workspaceLinks[0].id.isNull());
        QVERIFY(asideCopies().isEmpty());
    }

    void failedWriteKeepsThePreviousCatalogue()
    {
        test::writeFile(catalogue(), test::readData(u"catalogue-valid.json"_s));
        const QList<DevProject> loaded = load();
        QList<DevProject> many(50, loaded.constFirst());
        Result<void> saved = Result<void>::success();
        {
            test::FileSizeLimit limit(1024);
            saved = m_persistence->saveProjects(many);
        }
        QVERIFY(!saved.isOk());
        QCOMPARE(load(), loaded);
    }

    void damagedCatalogueThatCannotBeKeptIsNotOverwritten()
    {
        const QByteArray damaged = test::readData(u"catalogue-truncated.json"_s);
        test::writeFile(catalogue(), damaged);
        {
            test::FileSizeLimit limit(16);
            const auto loaded = m_persistence->loadProjects();
            QCOMPARE(loaded.value().projects.size(), 2);
            QVERIFY(loaded.value().keptAsidePath.isEmpty() && !loaded.value().keepAsideError.isEmpty());
            // Still unable to keep the old file aside: the save must refuse.
            QVERIFY(!m_persistence->saveProjects({}).isOk());
        }
        QCOMPARE(test::readFile(catalogue()), damaged);
        // Once writes work again the save first keeps the old file.
        QVERIFY(m_persistence->saveProjects({}).isOk());
        const QStringList copies = asideCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(test::readFile(copies[0]), damaged);
    }
};

QTEST_GUILESS_MAIN(ProjectCatalogueTest)
#include "ProjectCatalogueTest.moc"
