#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/ProjectCoding.h"
#include "support/DamagedCopies.h"
#include "support/FakeClock.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

QByteArray projectText(const char *id, const char *name, const QByteArray &extra = {})
{
    return R"({"id": ")" + QByteArray(id) + R"(", "name": ")" + QByteArray(name) +
           R"(", "folderPath": "/tmp", "localhostURL": "", "devCommand": "", "editorCommand": "")" + extra +
           "}";
}

const QByteArray kFirst = projectText("6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11", "First");
const QByteArray kLast = projectText("7B2E0A6F-4C1D-4D2F-8B88-3A5A7C1F9E22", "Last");

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

// The catalogue of the named projects, each with a link, as Devnook writes it.
QByteArray catalogueOf(const QStringList &names)
{
    QJsonArray projects;
    for (const QString &name : names) {
        QJsonObject project =
            QJsonDocument::fromJson(
                projectText(qPrintable(QUuid::createUuid().toString(QUuid::WithoutBraces)), qPrintable(name)))
                .object();
        project.insert(u"workspaceLinks"_s,
                       QJsonArray{QJsonObject{{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                              {u"url"_s, u"https://a.example"_s}}});
        projects.append(project);
    }
    return QJsonDocument(projects).toJson(QJsonDocument::Indented);
}

// The text with the comma after each of the given records dropped, what
// stands between the records replaced by `between`.
QByteArray withoutCommas(QByteArray text, const QList<int> &after, const QByteArray &between = "\n    ")
{
    const QByteArray separator = "\n    },\n    {";
    QList<qsizetype> at;
    for (qsizetype found = text.indexOf(separator); found >= 0; found = text.indexOf(separator, found + 1))
        at.append(found);
    for (auto record = after.crbegin(); record != after.crend(); ++record)
        text.replace(at[*record] + 1, separator.size() - 2, QByteArray("    }").append(between));
    return text;
}

QStringList namesOf(const QList<DevProject> &projects)
{
    QStringList names;
    for (const DevProject &project : projects)
        names.append(project.name);
    return names;
}

} // namespace

// The edges of the catalogue file: values this version does not know kept
// byte for byte, and projects that cannot be read set aside with the reason.
class CatalogueEdgesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;

    QString catalogue() const { return m_persistence->catalogueFilePath(); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(u"en_US"_s)); }

    void init()
    {
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        m_persistence = std::make_unique<JSONProjectPersistence>(m_home.path(), m_clock);
    }

    // Numbers past a double and in forms the writer would not choose, in a
    // project, a service, a preview URL and a link of a later kind; also
    // when the project comes from a file broken after it.
    void unknownValuesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("stored");
        const QByteArray whole = test::readData(u"catalogue-unknown-values.json"_s);
        QTest::newRow("whole file") << whole;
        QTest::newRow("file broken after the project")
            << whole.chopped(QByteArrayView("\n]\n").size()) + ",\n    {\"name\": \"cut";
    }
    void unknownValuesKeepTheirBytes()
    {
        QFETCH(QByteArray, stored);
        test::writeFile(catalogue(), stored);
        const auto loaded = m_persistence->loadProjects();
        QCOMPARE(loaded.value().projects.size(), 1);
        QVERIFY(m_persistence->saveProjects(loaded.value().projects).isOk());
        QCOMPARE(test::readFile(catalogue()), test::readData(u"catalogue-unknown-values.json"_s));
    }

    // The project set aside comes with what was wrong with it; the whole
    // projects on either side load.
    void setAsideProjectsSayWhy_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<QString>("reason");
        const QByteArray middle = projectText("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33", "Middle");
        const QByteArray deep = u"project 2 is nested deeper than the 1024 levels Devnook reads"_s.toUtf8();
        QTest::newRow("nested 2,000 levels")
            << projectText("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33", "Middle", ", \"future\": " + nested(2000))
            << QString::fromUtf8(deep);
        QTest::newRow("nested 100,000 levels") << projectText("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33",
                                                              "Middle", ", \"future\": " + nested(100000))
                                               << QString::fromUtf8(deep);
        QTest::newRow("number out of range")
            << projectText("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33", "Middle", ", \"lastUsedAt\": 1e400")
            << u"project 2 holds a number out of range: 1e400"_s;
        QTest::newRow("NUL bytes before a whole project")
            << QByteArray(2, '\0') + middle
            << u"project 2 holds NUL bytes, from byte %1 of the file"_s.arg(kFirst.size() + 4);
        // The reader stops just inside the value that lacks its colon.
        const QByteArray noColon =
            projectText("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33", "Middle", ", \"notes\" \"x\"");
        QTest::newRow("not JSON")
            << noColon
            << u"project 2 is not a whole JSON object: missing name separator at byte %1"_s.arg(
                   kFirst.size() + 4 + noColon.indexOf("\"x\"") + 1);
    }
    void setAsideProjectsSayWhy()
    {
        QFETCH(QByteArray, damaged);
        QFETCH(QString, reason);
        test::writeFile(catalogue(), "[\n" + kFirst + ",\n" + damaged + ",\n" + kLast + "\n]\n");
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        QStringList names;
        for (const DevProject &project : loaded.value().projects)
            names.append(project.name);
        QCOMPARE(names, (QStringList{u"First"_s, u"Last"_s}));
        QCOMPARE(loaded.value().unreadable.reasons, QStringList{reason});
        QVERIFY(!loaded.value().keptAsidePath.isEmpty());
    }

    // A project cut inside, with a bracket or a string left open, costs that
    // project alone: those after it load and stay in the file through a
    // save, and its links are not taken for projects, nor is an object it
    // nests at the projects' indentation but not after a comma.
    void aProjectCutInsideCostsItAlone_data()
    {
        QTest::addColumn<QByteArray>("cut");
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("bracket left open") << QByteArray("\"x\": [1, 2,") << QByteArray();
        QTest::newRow("string left open") << QByteArray("\"x\": \"abc") << QByteArray();
        QTest::newRow("after a byte-order mark") << QByteArray("\"x\": \"abc") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("object at the projects' indentation")
            << QByteArray("\"x\": [\n    {\"a\": 1}") << QByteArray();
    }
    void aProjectCutInsideCostsItAlone()
    {
        QFETCH(QByteArray, cut);
        QFETCH(QByteArray, before);
        QJsonArray projects;
        for (const char *name : {"First", "Second", "Third", "Fourth"}) {
            QJsonObject project =
                QJsonDocument::fromJson(
                    projectText(qPrintable(QUuid::createUuid().toString(QUuid::WithoutBraces)), name))
                    .object();
            QJsonArray links;
            for (const char *url : {"https://a.example", "https://b.example"})
                links.append(QJsonObject{{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                         {u"title"_s, u"Link"_s},
                                         {u"url"_s, QLatin1String(url)},
                                         {u"openWithWorkspace"_s, false}});
            project.insert(u"workspaceLinks"_s, links);
            projects.append(project);
        }
        QByteArray damaged = before + QJsonDocument(projects).toJson(QJsonDocument::Indented);
        const qsizetype secondEnd = damaged.indexOf("\n    }", damaged.indexOf("\n    }") + 1);
        damaged.insert(secondEnd, ",\n        " + cut);
        test::writeFile(catalogue(), damaged);

        const auto names = [](const QList<DevProject> &read) {
            QStringList result;
            for (const DevProject &project : read)
                result.append(project.name);
            return result;
        };
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        QCOMPARE(names(loaded.value().projects), (QStringList{u"First"_s, u"Third"_s, u"Fourth"_s}));
        const QStringList reasons = loaded.value().unreadable.reasons;
        QVERIFY2(reasons.size() == 1 && reasons[0].startsWith(u"project 2 "_s),
                 qPrintable(reasons.join(u'\n')));
        QVERIFY(m_persistence->saveProjects(loaded.value().projects).isOk());
        QCOMPARE(names(m_persistence->loadProjects().value().projects), names(loaded.value().projects));
    }

    // Whole projects whose comma an edit dropped are all read, however the
    // file is laid out; what the file lacked is told, the file as it was is
    // kept aside, and a save writes it whole again. A damaged project beside
    // a missing comma costs that project alone.
    void projectsWithoutACommaBetweenThemAreRead_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("lost");
        QTest::addColumn<QStringList>("reasons");
        const QStringList all{u"Alpha"_s, u"Bravo"_s, u"Charlie"_s, u"Delta"_s};
        const QByteArray layout = catalogueOf(all);
        const auto missing = [](int first) {
            return u"projects %1 and %2 had no comma between them; both were read"_s.arg(first).arg(first +
                                                                                                    1);
        };
        QTest::newRow("first two") << withoutCommas(layout, {0}) << all << 0 << QStringList{missing(1)};
        QTest::newRow("last two") << withoutCommas(layout, {2}) << all << 0 << QStringList{missing(3)};
        QTest::newRow("every comma") << withoutCommas(layout, {0, 1, 2}) << all << 0
                                     << QStringList{missing(1), missing(2), missing(3)};
        QTest::newRow("nothing between")
            << withoutCommas(layout, {1}, {}) << all << 0 << QStringList{missing(2)};
        QTest::newRow("white space and lines between")
            << withoutCommas(layout, {1}, " \t\r\n\n  ") << all << 0 << QStringList{missing(2)};
        QTest::newRow("on one line")
            << QJsonDocument::fromJson(layout).toJson(QJsonDocument::Compact).replace("]},{", "]}{") << all
            << 0 << QStringList{missing(1), missing(2), missing(3)};

        QByteArray outOfRange = layout;
        outOfRange.insert(outOfRange.indexOf("\"name\": \"Bravo\""), "\"lastUsedAt\": 1e400, ");
        QTest::newRow("before a damaged project")
            << withoutCommas(outOfRange, {0}) << QStringList{u"Alpha"_s, u"Charlie"_s, u"Delta"_s} << 1
            << QStringList{u"project 2 holds a number out of range: 1e400"_s};
        QTest::newRow("after a damaged project")
            << withoutCommas(outOfRange, {1}) << QStringList{u"Alpha"_s, u"Charlie"_s, u"Delta"_s} << 1
            << QStringList{u"project 2 holds a number out of range: 1e400"_s};
        // Two projects with other text for their comma are both counted
        // lost, and the projects after them numbered as the file has them.
        QByteArray lastOutOfRange = layout;
        lastOutOfRange.insert(lastOutOfRange.indexOf("\"name\": \"Delta\""), "\"lastUsedAt\": 1e400, ");
        QTest::newRow("other text for a comma")
            << withoutCommas(lastOutOfRange, {1}, "\n    x\n    ") << QStringList{u"Alpha"_s} << 3
            << QStringList{u"project 2 is not a whole JSON object"_s,
                           u"project 4 holds a number out of range: 1e400"_s};
        QByteArray broken = layout;
        broken.insert(broken.indexOf("\"name\": \"Bravo\""), "\"x\": \"abc");
        QTest::newRow("after a project broken inside")
            << withoutCommas(broken, {1}) << QStringList{u"Alpha"_s, u"Charlie"_s, u"Delta"_s} << 1
            << QStringList{u"project 2 is not a whole JSON object"_s};
    }
    void projectsWithoutACommaBetweenThemAreRead()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, names);
        QFETCH(int, lost);
        QFETCH(QStringList, reasons);
        test::writeFile(catalogue(), stored);
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        QCOMPARE(namesOf(loaded.value().projects), names);
        const SetAsideRecords &unreadable = loaded.value().unreadable;
        QCOMPARE(unreadable.count, lost);
        QCOMPARE(unreadable.reasons.size(), reasons.size());
        for (qsizetype i = 0; i < reasons.size(); ++i)
            QVERIFY2(unreadable.reasons[i].startsWith(reasons[i]), qPrintable(unreadable.reasons[i]));
        QCOMPARE(test::readFile(loaded.value().keptAsidePath), stored);

        QVERIFY(m_persistence->saveProjects(loaded.value().projects).isOk());
        const auto reread = m_persistence->loadProjects();
        QCOMPARE(namesOf(reread.value().projects), names);
        QVERIFY(reread.value().unreadable.isEmpty());
    }

    // However a file is damaged, by a cut or by a byte lost anywhere, and
    // however it is laid out, the projects told lost are never fewer than
    // those begun in it that did not load.
    void noDamageIsToldToCostFewerProjectsThanItDid()
    {
        const QByteArray layout = catalogueOf({u"Alpha"_s, u"Bravo"_s, u"Charlie"_s});
        const QByteArray compact = QJsonDocument::fromJson(layout).toJson(QJsonDocument::Compact);
        for (const QByteArray &whole : {layout, compact, QByteArray(layout).replace("[\n    {", "[{")}) {
            const QList<qsizetype> starts = test::recordStarts(whole, "\"devCommand\"");
            QCOMPARE(starts.size(), 3);
            for (const auto &[damaged, begun] : test::damagedCopies(whole, starts)) {
                const auto decoded = ProjectCoding::decodeCatalogue(damaged);
                if (!decoded)
                    continue;
                const qsizetype missing = begun - decoded.value().projects.size();
                QVERIFY2(decoded.value().unreadable.count >= missing,
                         qPrintable(u"%1 lost, %2 told:\n%3"_s.arg(missing)
                                        .arg(decoded.value().unreadable.count)
                                        .arg(QString::fromUtf8(damaged))));
            }
        }
    }

    // A file whose first project shares the bracket's line is not laid out
    // as Devnook writes: a line that starts with "{" may start anything
    // there, so nothing after a break is taken for a project, least of all
    // the links of the broken one; all that follows it is counted lost.
    void aFileOfAnotherLayoutLosesWhatFollowsABreak()
    {
        const QByteArray link =
            R"({"id": "0D5B2C81-6E3F-4A40-8DAA-5C7C9E3B1A44", "url": "https://a.example"})";
        const QByteArray broken =
            projectText("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33", "Second",
                        ", \"workspaceLinks\": [\n" + link + ",\n" + link + "\n], \"x\": [1, 2,");
        test::writeFile(catalogue(), "[" + kFirst + ",\n" + broken + ",\n" + kLast + "\n]\n");
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        QCOMPARE(loaded.value().projects.size(), 1);
        QCOMPARE(loaded.value().projects[0].name, u"First"_s);
        const QStringList reasons = loaded.value().unreadable.reasons;
        QVERIFY2(reasons.size() == 1 && reasons[0].startsWith(u"not valid JSON at offset "_s),
                 qPrintable(reasons.join(u'\n')));
        // Both projects after the break are told lost, though neither is named.
        QCOMPARE(loaded.value().unreadable.count, 2);
    }
};

QTEST_GUILESS_MAIN(CatalogueEdgesTest)
#include "CatalogueEdgesTest.moc"
