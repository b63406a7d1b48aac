#include "core/projects/CatalogueReadAhead.h"
#include "core/projects/DevProject.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/ProjectCoding.h"
#include "core/projects/URLNormalizationService.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

const char kMinimalProject[] = R"({"id": "6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11", "name": "Shop",
    "folderPath": "/tmp", "localhostURL": "localhost:3000", "devCommand": "npm run dev", "editorCommand": ""})";

ProjectService service(const QString &name, const QString &command)
{
    return ProjectService{QUuid::createUuid(), name, command, u"localhost:1"_s};
}

} // namespace

// Project records: their coding, the catalogue file that holds them and the
// URLs they carry.
class ProjectRecordsTest : public QObject {
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
    // and preview URLs, and links of a kind it added, survive a save byte for
    // byte.
    void laterAdditionsAreWrittenBackUnchanged_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("unknown members") << u"catalogue-unknown-keys.json"_s;
        QTest::newRow("link of a later kind") << u"catalogue-later-link-kind.json"_s;
    }

    void laterAdditionsAreWrittenBackUnchanged()
    {
        QFETCH(QString, file);
        const QByteArray written = test::readData(file);
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
            QCOMPARE(loaded.value().unreadable.count, unread);
            QCOMPARE(loaded.value().unreadable.reasons.size(), unread);
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

    // A link whose kind this version does not know (a later one, or a known
    // one in other letters) leaves its project readable: the link is neither
    // shown nor opened, and keeps its place in the file through any edit.
    void linksOfAnUnknownKindAreKeptAsStored_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("shownLinks");
        QTest::newRow("later kind between two links")
            << u"catalogue-later-link-kind.json"_s << QStringList{u"Acme shop"_s}
            << QStringList{u"Repository"_s, u"Admin"_s};
        QTest::newRow("known kind in other letters")
            << u"catalogue-bad-link-kind.json"_s << QStringList{u"Links"_s, u"Good"_s} << QStringList();
    }

    void linksOfAnUnknownKindAreKeptAsStored()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, names);
        QFETCH(QStringList, shownLinks);
        test::writeFile(catalogue(), test::readData(file));
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        QCOMPARE(loaded.value().unreadable.count, 0);
        QVERIFY(asideCopies().isEmpty());
        QList<DevProject> projects = loaded.value().projects;
        QStringList read;
        for (const DevProject &project : projects)
            read.append(project.name);
        QCOMPARE(read, names);
        QStringList shown;
        for (const ProjectLink &link : projects[0].workspaceLinks)
            shown.append(link.displayTitle());
        QCOMPARE(shown, shownLinks);
        QCOMPARE(projects[0].linksKeptAsStored.size(), 1);

        projects[0].workspaceLinks.clear();
        projects[0].name = u"Renamed"_s;
        QVERIFY(m_persistence->saveProjects(projects).isOk());
        const QByteArray kept = projects[0].linksKeptAsStored[0].json;
        const QJsonArray links =
            QJsonDocument::fromJson(test::readFile(catalogue())).array()[0][u"workspaceLinks"_s].toArray();
        QCOMPARE(links, QJsonArray{QJsonDocument::fromJson(kept).object()});
        const DevProject reloaded = load().value(0);
        QCOMPARE(reloaded.name, u"Renamed"_s);
        QCOMPARE(reloaded.linksKeptAsStored, (QList{LinkKeptAsStored{0, kept}}));
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

    // The catalogue read ahead at start-up stands in for the file only while
    // the file is the one it read.
    void catalogueReadAheadNeverHidesALaterFile()
    {
        const QByteArray valid = test::readData(u"catalogue-valid.json"_s);
        test::writeFile(catalogue(), valid);
        const QList<DevProject> both = load();
        {
            CatalogueReadAhead ahead(catalogue());
            // Long enough for the read to end before the file changes.
            QThread::msleep(100);
            QVERIFY(m_persistence->saveProjects({both.constFirst()}).isOk());
            JSONProjectPersistence persistence(m_home.path(), m_clock, &ahead);
            QCOMPARE(persistence.loadProjects().value().projects, QList<DevProject>{both.constFirst()});
        }
        {
            CatalogueReadAhead ahead(catalogue());
            JSONProjectPersistence persistence(m_home.path(), m_clock, &ahead);
            QCOMPARE(persistence.loadProjects().value().projects, QList<DevProject>{both.constFirst()});
            // Taken once: a second load reads the file.
            QVERIFY(m_persistence->saveProjects(both).isOk());
            QCOMPARE(persistence.loadProjects().value().projects, both);
        }
        // Nothing to read ahead yet: the earlier version's catalogue is still
        // copied over.
        QVERIFY(QFile::remove(catalogue()));
        test::writeFile(m_persistence->legacyCatalogueFilePath(), valid);
        CatalogueReadAhead ahead(catalogue());
        JSONProjectPersistence persistence(m_home.path(), m_clock, &ahead);
        QCOMPARE(persistence.loadProjects().value().projects, both);
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

    void initTestCase() { QLocale::setDefault(QLocale(u"en_US"_s)); }

    // Defaults a stored file relies on; other absent members are empty.
    void minimalProjectTakesTheDefaults()
    {
        const auto decoded = ProjectCoding::decodeProject(object(kMinimalProject));
        QVERIFY2(decoded.isOk(), qPrintable(decoded.error()));
        const DevProject &project = decoded.value();
        QVERIFY(project.openLocalURLAfterStart && !project.lastUsedAt && !project.isArchived);
        QVERIFY(!ProjectCoding::encodeProject(project).contains(u"lastUsedAt"_s));
    }

    void legacyOpenBrowserKey_data()
    {
        QTest::addColumn<QString>("extraKeys");
        QTest::addColumn<bool>("expected");
        QTest::newRow("legacy false") << u"\"openBrowserAfterStartWorkspace\": false"_s << false;
        QTest::newRow("new key wins")
            << u"\"openBrowserAfterStartWorkspace\": false, \"openLocalURLAfterStart\": true"_s << true;
        QTest::newRow("new key null")
            << u"\"openLocalURLAfterStart\": null, \"openBrowserAfterStartWorkspace\": false"_s << false;
    }

    void legacyOpenBrowserKey()
    {
        QFETCH(QString, extraKeys);
        QFETCH(bool, expected);
        QByteArray json = kMinimalProject;
        json.chop(1);
        json += ", " + extraKeys.toUtf8() + "}";
        const auto decoded = ProjectCoding::decodeProject(QJsonDocument::fromJson(json).object());
        QVERIFY2(decoded.isOk(), qPrintable(decoded.error()));
        QCOMPARE(decoded.value().openLocalURLAfterStart, expected);
        const QJsonObject encoded = ProjectCoding::encodeProject(decoded.value());
        QVERIFY(!encoded.contains(u"openBrowserAfterStartWorkspace"_s));
        QCOMPARE(encoded.value(u"openLocalURLAfterStart"_s).toBool(), expected);
    }

    // A missing required key is named; a bad nested record fails its project.
    void badProjectsFail_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed
        for (const char *key : {"id", "name", "folderPath", "localhostURL", "devCommand", "editorCommand"})
            QTest::newRow(key) << QString::fromLatin1(key) << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("service without command")
            << u"services"_s
            << QJsonValue(QJsonArray{object(
                   R"({"id": "1C2D3E4F-5A6B-4C7D-8E9F-0A1B2C3D4E5F", "name": "x", "localhostURL": ""})")});
        QTest::newRow("link kind not a text")
            << u"workspaceLinks"_s << QJsonValue(QJsonArray{object(R"({"kind": 7, "url": "x"})")});
        QTest::newRow("link of a later kind without url")
            << u"workspaceLinks"_s << QJsonValue(QJsonArray{object(R"({"kind": "gitlab"})")});
        QTest::newRow("id not a uuid") << u"id"_s << QJsonValue(u"not-a-uuid"_s);
    }

    void badProjectsFail()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QJsonObject project = object(kMinimalProject);
        project.insert(key, value);
        if (value.isUndefined())
            project.remove(key);
        const auto decoded = ProjectCoding::decodeProject(project);
        QVERIFY(!decoded.isOk());
        QVERIFY2(!value.isUndefined() || decoded.error().contains(key), qPrintable(decoded.error()));
    }

    void linkWithOnlyAURLGetsAFreshIdentity()
    {
        const QJsonObject json = object(R"({"url": "https:\\/\\/example.org"})");
        const auto first = ProjectCoding::decodeLink(json);
        const auto second = ProjectCoding::decodeLink(json);
        QVERIFY(first.isOk() && second.isOk());
        QVERIFY(!first.value().id.isNull());
        QVERIFY(first.value().id != second.value().id);
        QVERIFY(!first.value().kind && !ProjectCoding::encodeLink(first.value()).contains(u"kind"_s));
    }

    void runnableServices()
    {
        DevProject project;
        project.id = QUuid::createUuid();
        project.localhostURL = u" localhost:4000 "_s;
        project.devCommand = u"  npm start  "_s;
        project.services = {service(u"a"_s, QString()), service(u"b"_s, u" \n "_s)};
        const QList<ProjectService> fallback = project.runnableServices();
        QCOMPARE(fallback.size(), 1);
        QCOMPARE(fallback[0].id, project.id);
        QCOMPARE(fallback[0].name, u"Main"_s);
        QCOMPARE(fallback[0].command, u"npm start"_s);
        QCOMPARE(fallback[0].localhostURL, u" localhost:4000 "_s);

        project.services.append(service(u"web"_s, u" vite "_s));
        const QList<ProjectService> declared = project.runnableServices();
        QCOMPARE(declared.size(), 1);
        QCOMPARE(declared[0], project.services[2]);
        QCOMPARE(declared[0].command, u" vite "_s);

        project.services.clear();
        project.devCommand = u"   "_s;
        QVERIFY(project.runnableServices().isEmpty());
    }

    void displayTexts()
    {
        ProjectLink admin{QUuid::createUuid(), WorkspaceLinkKind::admin, u"My admin"_s, u"https://x"_s,
                          false};
        QCOMPARE(admin.displayTitle(), u"Admin"_s);
        ProjectLink custom{QUuid::createUuid(), std::nullopt, u"   "_s, u"https://x"_s, false};
        QCOMPARE(custom.displayTitle(), u"Link"_s);
        custom.title = u" Board "_s;
        QCOMPARE(custom.displayTitle(), u"Board"_s);
        QCOMPARE(service(u" "_s, u"x"_s).displayName(), u"Service"_s);
        QCOMPARE(service(u" api "_s, u"x"_s).displayName(), u"api"_s);
    }

    void folderMissing()
    {
        QTemporaryDir dir;
        DevProject project;
        project.folderPath = u"   "_s;
        QVERIFY(project.isFolderMissing());
        project.folderPath = dir.filePath(u"nothing-here"_s);
        QVERIFY(project.isFolderMissing());
        QFile file(dir.filePath(u"file"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        project.folderPath = file.fileName();
        QVERIFY(project.isFolderMissing());
        project.folderPath = u"  "_s + dir.path() + u"  "_s;
        QVERIFY(!project.isFolderMissing());
    }

    void normalizedURL_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("localhost with spaces") << u"  localhost:5173 "_s << u"http://localhost:5173"_s;
        QTest::newRow("subdomain of localhost") << u"app.localhost:3000"_s << u"http://app.localhost:3000"_s;
        QTest::newRow("bare localhost") << u"localhost"_s << u"http://localhost"_s;
        QTest::newRow("LOCALHOST") << u"LOCALHOST:80"_s << u"http://LOCALHOST:80"_s;
        QTest::newRow("ipv4 with port and path")
            << u"192.168.1.20:8080/admin"_s << u"http://192.168.1.20:8080/admin"_s;
        QTest::newRow("ipv4 out of range") << u"999.1.1.1"_s << u"http://999.1.1.1"_s;
        QTest::newRow("domain with path") << u"example.com/docs"_s << u"https://example.com/docs"_s;
        QTest::newRow("http kept") << u"http://localhost:3000"_s << u"http://localhost:3000"_s;
        QTest::newRow("other scheme kept") << u"figma://file/abc"_s << u"figma://file/abc"_s;
        QTest::newRow("dotted host and port") << u"myapp.test:8080"_s << u"http://myapp.test:8080"_s;
        QTest::newRow("dotted host, port, path") << u"dev.local:3000/app"_s << u"http://dev.local:3000/app"_s;
        QTest::newRow("port out of range kept") << u"http://localhost:99999"_s << u"http://localhost:99999"_s;
        QTest::newRow("space inside") << u"my site.dev"_s << u"https://my site.dev"_s;
        QTest::newRow("blank") << u" \n\t "_s << QString();
    }

    void normalizedURL()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(URLNormalizationService::normalized(typed), expected);
    }
};

QTEST_GUILESS_MAIN(ProjectRecordsTest)
#include "ProjectRecordsTest.moc"
