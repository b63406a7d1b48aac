#include "core/projects/DevProject.h"
#include "core/projects/ProjectCoding.h"
#include "core/projects/URLNormalizationService.h"

#include <QJsonDocument>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

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

class ProjectRecordsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        QTest::newRow("unknown link kind")
            << u"workspaceLinks"_s << QJsonValue(QJsonArray{object(R"({"kind": "ADMIN", "url": "x"})")});
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
