#include "core/projects/ProjectCoding.h"
#include "core/usage/UsageSessionCoding.h"
#include "support/FileSizeLimit.h"
#include "support/LocalTime.h"
#include "support/SettledReads.h"
#include "support/StoreDoubles.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::makeProject;

namespace {

// "name|flags|last use": flags P (pinned) and A (archived), last use in
// seconds or "-".
DevProject fromRow(const QString &row)
{
    const QStringList parts = row.split(u'|');
    DevProject result = makeProject(parts[0]);
    result.isPinned = parts[1].contains(u'P');
    result.isArchived = parts[1].contains(u'A');
    if (parts[2] != u"-")
        result.lastUsedAt = Timestamp::fromSecondsSinceReference(parts[2].toDouble());
    return result;
}

QString names(const QList<DevProject> &projects)
{
    QStringList result;
    for (const DevProject &p : projects)
        result.append(p.name);
    return result.join(u", "_s);
}

// A store over the rig's folder that reads its settings and usage history
// from their files, as the application does.
struct StoreOverFiles {
    explicit StoreOverFiles(test::ScriptedStore &rig)
        : rig(rig), defaults(rig.dir.filePath(u"config/Devnook.conf"_s)),
          settings(defaults, rig.loginItem, rig.analytics), usage(rig.dir.filePath(u"data"_s), rig.clock),
          store(rig.services(usage, settings))
    {
        usage.waitForFiles();
    }

    // Saves a project, changes a setting and records a minute of use; false when the save fails.
    bool useOnce()
    {
        const DevProject shop = makeProject(u"Shop"_s, rig.dir.filePath(u"shop"_s));
        if (!store.save(shop))
            return false;
        settings.setTheme(AppTheme::dark);
        usage.start(shop, ProjectUsageSessionSource::playButton, rig.clock.now());
        rig.clock.advance(60);
        usage.stop(shop.id, rig.clock.now());
        usage.waitForFiles();
        return true;
    }

    test::ScriptedStore &rig;
    SettingsKeyValueStore defaults;
    AppSettings settings;
    UsageTrackingService usage;
    ProjectStore store;
};

} // namespace

// The catalogue operations, and the git and .env refresh against real
// repositories.
class ProjectStoreCatalogueTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScriptedStore> m_rig;

    QString path(const QString &relative) const { return m_rig->dir.filePath(relative); }
    QByteArray catalogueFile() const { return test::readFile(m_rig->persistence.catalogueFilePath()); }

private Q_SLOTS:
    void init() { m_rig = std::make_unique<test::ScriptedStore>(); }
    void cleanup() { m_rig.reset(); }

    // No test data file: the data folder is a file.
    void loadFailuresAreReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QStringList>("error");
        QTest::newRow("data folder is a file")
            << QString() << QString() << QStringList{u"Could not load projects: "_s, u"is a file"_s};
        QTest::newRow("cut short") << u"catalogue-truncated.json"_s
                                   << u"Blog, Shop, \"the} [big] one\" {v2}"_s
                                   << QStringList{u"1 project in the catalogue could not be read:\n"_s,
                                                  u"kept in "_s};
    }

    void loadFailuresAreReported()
    {
        QFETCH(QString, file);
        QFETCH(QString, names);
        QFETCH(QStringList, error);
        const QString catalogue = m_rig->persistence.catalogueFilePath();
        test::writeFile(file.isEmpty() ? QFileInfo(catalogue).absolutePath() : catalogue,
                        file.isEmpty() ? "" : test::readData(file));
        ProjectStore &store = m_rig->open();
        QCOMPARE(::names(store.projects()), names);
        for (const QString &part : error)
            QVERIFY2(store.lastError().value_or(QString()).contains(part), qPrintable(part));
    }

    // A FIFO in place of a file read at start is told without being opened,
    // so the start cannot wait on it, and is never copied aside, removed or
    // written over.
    void filesThatAreNotRegularAreLeftAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("told");
        QTest::newRow("catalogue") << u"data/Devnook/projects.json"_s
                                   << u"Could not save projects: %1 is not a regular file"_s;
        QTest::newRow("earlier version's catalogue")
            << u"data/Quarrylin/projects.json"_s << u"Could not load projects: %1 is not a regular file"_s;
        QTest::newRow("usage history") << u"data/Devnook/usage_sessions.json"_s
                                       << u"Could not save the usage history: %1 is not a regular file"_s;
        QTest::newRow("checkpoint")
            << u"data/Devnook/usage_checkpoint.json"_s
            << u"Could not read the running usage sessions: %1 is not a regular file"_s;
        QTest::newRow("settings") << u"config/Devnook.conf"_s
                                  << u"Settings are not saved: %1 is not a regular file."_s;
    }

    void filesThatAreNotRegularAreLeftAlone()
    {
        QFETCH(QString, file);
        QFETCH(QString, told);
        m_rig->usage.waitForFiles();
        const QString fifo = path(file);
        QVERIFY(QDir().mkpath(QFileInfo(fifo).absolutePath()));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        StoreOverFiles files(*m_rig);
        const QString atStart = files.store.lastError().value_or(QString());
        QVERIFY(files.useOnce());
        const ProjectStore &store = files.store;
        const AppSettings &settings = files.settings;

        // Told at start, or by the save it refused.
        const QString error = atStart + u'\n' + store.lastError().value_or(QString());
        QVERIFY2(error.contains(told.arg(fifo)), qPrintable(error));
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
        QCOMPARE(QFileInfo(fifo).dir().entryList({u"*.unreadable-*"_s}), QStringList());
        QCOMPARE(settings.theme(), AppTheme::dark);
    }

    // A file kept elsewhere, by a relative or an absolute link, is read
    // through the link and saved through it: the link stays a link, and its
    // target takes the change.
    void filesReachedThroughALinkAreSavedThroughIt()
    {
        m_rig->usage.waitForFiles();
        const DevProject blog = makeProject(u"Blog"_s, path(u"blog"_s));
        QVERIFY(JSONProjectPersistence(path(u"elsewhere"_s), m_rig->clock).saveProjects({blog}).isOk());
        {
            UsageTrackingService elsewhere(path(u"elsewhere"_s), m_rig->clock);
            elsewhere.start(blog, ProjectUsageSessionSource::playButton, m_rig->clock.now());
            m_rig->clock.advance(60);
            elsewhere.stopAll(m_rig->clock.now());
        }
        SettingsKeyValueStore(path(u"elsewhere/Devnook.conf"_s)).setValue(AppSettings::kThemeKey, u"light"_s);
        const QList<std::pair<QString, QString>> links{
            {u"data/Devnook/projects.json"_s, u"../../elsewhere/Devnook/projects.json"_s},
            {u"data/Devnook/usage_sessions.json"_s, path(u"elsewhere/Devnook/usage_sessions.json"_s)},
            {u"config/Devnook.conf"_s, u"../elsewhere/Devnook.conf"_s}};
        for (const auto &[link, target] : links) {
            QVERIFY(QDir().mkpath(QFileInfo(path(link)).absolutePath()));
            QCOMPARE(
                ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(link)).constData()),
                0);
        }

        StoreOverFiles files(*m_rig);
        QCOMPARE(names(files.store.projects()), u"Blog"_s);
        QCOMPARE(files.usage.completedSessions().size(), 1);
        QCOMPARE(files.settings.theme(), AppTheme::light);

        QVERIFY(files.useOnce());
        QVERIFY2(!files.store.lastError(), qPrintable(files.store.lastError().value_or(QString())));

        for (const auto &[link, target] : links)
            QVERIFY2(QFileInfo(path(link)).isSymLink(), qPrintable(link));
        QCOMPARE(
            names(JSONProjectPersistence(path(u"elsewhere"_s), m_rig->clock).loadProjects().value().projects),
            u"Shop, Blog"_s);
        UsageTrackingService elsewhere(path(u"elsewhere"_s), m_rig->clock);
        elsewhere.waitForFiles();
        QCOMPARE(elsewhere.completedSessions().size(), 2);
        QCOMPARE(SettingsKeyValueStore(path(u"elsewhere/Devnook.conf"_s)).stringValue(AppSettings::kThemeKey),
                 u"dark"_s);
    }

    // With something other than a file in the settings' place, the settings
    // live in memory: a change reads back as made for the rest of the run,
    // and the problem goes once the user has read it.
    void settingsThatCannotBeSavedLastTheRun_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("FIFO") << true;
        QTest::newRow("folder") << false;
    }

    void settingsThatCannotBeSavedLastTheRun()
    {
        QFETCH(bool, fifo);
        const QString file = path(u"config/Devnook.conf"_s);
        QVERIFY(QDir().mkpath(fifo ? path(u"config"_s) : file));
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        SettingsKeyValueStore defaults(file);
        AppSettings settings(defaults, m_rig->loginItem, m_rig->analytics);
        ProjectStore store(m_rig->services(m_rig->usage, settings));
        m_rig->usage.waitForFiles();
        settings.setTheme(AppTheme::dark);
        settings.setPauseUsageTrackingWhenIdle(true);
        settings.setAnonymousAnalyticsEnabled(false);

        const AppSettings reread(defaults, m_rig->loginItem, m_rig->analytics);
        QCOMPARE(reread.theme(), AppTheme::dark);
        QVERIFY(reread.pauseUsageTrackingWhenIdle());
        QVERIFY(!reread.anonymousAnalyticsEnabled());
        QCOMPARE(store.lastError().value_or(QString()),
                 u"Settings are not saved: %1 is not a regular file. Changes last until Devnook quits."_s.arg(
                     file));
        store.dismissProblems();
        QVERIFY2(!store.lastError(), qPrintable(store.lastError().value_or(QString())));
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &status), 0);
        QVERIFY(fifo ? S_ISFIFO(status.st_mode) : S_ISDIR(status.st_mode));
        QCOMPARE(QDir(path(u"config"_s))
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System | QDir::Hidden),
                 QStringList{u"Devnook.conf"_s});
    }

    void refusedWriteIsReportedAndRetried()
    {
        ProjectStore &store = m_rig->open();
        const DevProject shop = makeProject(u"Shop"_s, path(u"shop"_s));
        {
            test::FileSizeLimit limit(16);
            QVERIFY(store.save(shop));
        }
        QVERIFY(store.lastError().value_or(QString()).startsWith(u"Could not save projects: "_s));
        QCOMPARE(names(store.projects()), u"Shop"_s);
        // The next write carries the change.
        store.markUsed(shop);
        QVERIFY(!store.lastError());
        QCOMPARE(names(m_rig->stored()), u"Shop"_s);
    }

    void repeatedIdsAreGivenNewOnesOnce()
    {
        test::writeFile(m_rig->persistence.catalogueFilePath(),
                        test::readData(u"catalogue-duplicate-ids.json"_s));
        m_rig->open();
        const QList<DevProject> projects = m_rig->store->projects();
        QCOMPARE(names(projects), u"First, Other, Second, Third"_s);
        QCOMPARE(projects[0].id, QUuid(u"6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11"_s));
        QCOMPARE((QSet<QUuid>{projects[0].id, projects[1].id, projects[2].id, projects[3].id}.size()), 4);
        QVERIFY(m_rig->store->lastError().value_or(QString()).contains(u"2 projects were given new ids"_s));

        // Written back once: the next start finds the same ids and no damage.
        ProjectStore &store = m_rig->open();
        QCOMPARE(store.projects(), projects);
        QVERIFY(!store.lastError());
        QCOMPARE(QDir(QFileInfo(m_rig->persistence.catalogueFilePath()).absolutePath())
                     .entryList({u"projects.json.unreadable-*"_s})
                     .size(),
                 1);

        // Deleting one project, or editing another, leaves the first alone.
        store.deleteProject(projects[2]);
        DevProject third = projects[3];
        third.notes = u"edited"_s;
        QVERIFY(store.save(third));
        const QList<DevProject> stored = m_rig->stored();
        QCOMPARE(names(stored), u"First, Other, Third"_s);
        QCOMPARE(stored[0], projects[0]);
        QCOMPARE(stored[2].notes, u"edited"_s);
    }

    // A damaged catalogue and a cut usage history at one start: each is told
    // on lines of its own. The projects set aside stay told through later
    // saves until the user dismisses them; a failure after that is told anew.
    void everyProblemIsToldUntilDismissed()
    {
        m_rig->usage.waitForFiles();
        test::writeFile(m_rig->persistence.catalogueFilePath(),
                        test::readData(u"catalogue-truncated.json"_s));
        test::writeFile(m_rig->dir.filePath(u"data/Devnook/usage_sessions.json"_s),
                        test::readData(u"usage-sessions-truncated.json"_s));
        UsageTrackingService usage(m_rig->dir.filePath(u"data"_s), m_rig->clock);
        ProjectStore store(m_rig->services(usage, m_rig->settings));
        usage.waitForFiles();
        const QString told = store.lastError().value_or(QString());
        const QStringList lines = told.split(u'\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], u"1 project in the catalogue could not be read:"_s);
        QVERIFY2(lines[1].startsWith(u"not valid JSON at offset "_s), qPrintable(told));
        QVERIFY2(lines[2].startsWith(u"The catalogue as it was is kept in "_s), qPrintable(told));
        QCOMPARE(lines[3], u"1 usage session could not be read:"_s);
        QVERIFY2(lines[4].startsWith(u"not valid JSON at offset "_s), qPrintable(told));
        QVERIFY2(lines[5].startsWith(u"The file as it was is kept as "_s), qPrintable(told));

        store.togglePinned(store.projects().constFirst());
        QCOMPARE(store.lastError().value_or(QString()), told);

        QSignalSpy changed(&store, &ProjectStore::lastErrorChanged);
        store.dismissProblems();
        QVERIFY(!store.lastError());
        QCOMPARE(changed.size(), 1);
        store.markUsed(store.projects().constFirst());
        QVERIFY(!store.lastError());
        {
            test::FileSizeLimit limit(16);
            store.markUsed(store.projects().constFirst());
        }
        QVERIFY(store.lastError().value_or(QString()).startsWith(u"Could not save projects: "_s));
    }

    // Records whose comma an edit dropped, in the catalogue and in the usage
    // history, all load: the missing commas are told with the copies kept
    // aside, and the next saves write every record back.
    void recordsWithoutACommaBetweenThemAreKept()
    {
        m_rig->usage.waitForFiles();
        const QList<DevProject> projects{makeProject(u"Alpha"_s, path(u"alpha"_s)),
                                         makeProject(u"Bravo"_s, path(u"bravo"_s)),
                                         makeProject(u"Charlie"_s, path(u"charlie"_s))};
        // Alpha}{Bravo, on one line: the projects nest no object.
        QByteArray catalogue =
            QJsonDocument::fromJson(ProjectCoding::encodeCatalogue(projects)).toJson(QJsonDocument::Compact);
        catalogue.remove(catalogue.indexOf("},{") + 1, 1);
        test::writeFile(m_rig->persistence.catalogueFilePath(), catalogue);
        QList<ProjectUsageSession> sessions;
        for (int i = 0; i < 6; ++i) {
            const Timestamp start = test::localTime(2024, 5, i + 1, 9);
            sessions.append(ProjectUsageSession{QUuid::createUuid(),
                                                projects[i % 3].id,
                                                projects[i % 3].name,
                                                {},
                                                {},
                                                ProjectUsageSessionSource::playButton,
                                                start,
                                                start.addSeconds(600),
                                                0});
        }
        QByteArray history = UsageSessionCoding::encodeSessionFile(sessions, {}, {}).value();
        history.remove(history.indexOf("\n  },\n  {") + 4, 1);
        test::writeFile(path(u"data/Devnook/usage_sessions.json"_s), history);

        UsageTrackingService usage(path(u"data"_s), m_rig->clock);
        ProjectStore store(m_rig->services(usage, m_rig->settings));
        usage.waitForFiles();
        QCOMPARE(::names(store.projects()), u"Alpha, Bravo, Charlie"_s);
        QCOMPARE(usage.completedSessions().size(), 6);
        const QStringList told = store.lastError().value_or(QString()).split(u'\n');
        QCOMPARE(told.size(), 4);
        QCOMPARE(told[0], u"projects 1 and 2 had no comma between them; both were read"_s);
        QVERIFY2(told[1].startsWith(u"The catalogue as it was is kept in "_s), qPrintable(told[1]));
        QCOMPARE(told[2], u"sessions 1 and 2 had no comma between them; both were read"_s);
        QVERIFY2(told[3].startsWith(u"The file as it was is kept as "_s), qPrintable(told[3]));

        store.markUsed(store.projects().constLast());
        const auto saved = JSONProjectPersistence::readCatalogue(m_rig->persistence.catalogueFilePath());
        QCOMPARE(::names(saved.value().projects), u"Charlie, Alpha, Bravo"_s);
        QVERIFY(saved.value().unreadable.isEmpty());
        usage.start(projects[0], ProjectUsageSessionSource::playButton, m_rig->clock.now());
        m_rig->clock.advance(60);
        usage.stop(projects[0].id, m_rig->clock.now());
        usage.waitForFiles();
        const auto written =
            UsageSessionCoding::decodeSessions(test::readFile(path(u"data/Devnook/usage_sessions.json"_s)));
        QCOMPARE(written.sessions.size(), 7);
        QVERIFY(written.unreadable.isEmpty());
    }

    // Each record set aside is told with its reason, one a line, up to ten;
    // the rest are counted.
    void everySetAsideRecordIsTold_data()
    {
        QTest::addColumn<int>("broken");
        QTest::addColumn<QString>("more");
        QTest::newRow("three") << 3 << QString();
        QTest::newRow("eleven") << 11 << u"and 1 more %1"_s;
        QTest::newRow("thirteen") << 13 << u"and 3 more %1s"_s;
    }

    void everySetAsideRecordIsTold()
    {
        QFETCH(int, broken);
        QFETCH(QString, more);
        m_rig->usage.waitForFiles();
        QByteArrayList projects{R"({"id": "6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11", "name": "Whole",
            "folderPath": "/tmp", "localhostURL": "", "devCommand": "", "editorCommand": ""})"};
        QByteArrayList sessions;
        for (int i = 0; i < broken; ++i) {
            projects.append(R"({"name": "Broken", "lastUsedAt": 1e400})");
            sessions.append(R"({"id": "not a uuid"})");
        }
        test::writeFile(m_rig->persistence.catalogueFilePath(), "[" + projects.join(",\n") + "]");
        test::writeFile(path(u"data/Devnook/usage_sessions.json"_s), "[" + sessions.join(",\n") + "]");
        UsageTrackingService usage(path(u"data"_s), m_rig->clock);
        ProjectStore store(m_rig->services(usage, m_rig->settings));
        usage.waitForFiles();
        QCOMPARE(::names(store.projects()), u"Whole"_s);

        QStringList expected{u"%1 projects in the catalogue could not be read:"_s.arg(broken)};
        for (int i = 0; i < std::min(broken, 10); ++i)
            expected.append(u"project %1 holds a number out of range: 1e400"_s.arg(i + 2));
        if (!more.isEmpty())
            expected.append(more.arg(u"project"_s));
        expected.append(u"%1 usage sessions could not be read:"_s.arg(broken));
        for (int i = 0; i < std::min(broken, 10); ++i)
            expected.append(u"session %1: key \"id\" is not a UUID"_s.arg(i + 1));
        if (!more.isEmpty())
            expected.append(more.arg(u"session"_s));
        QStringList told = store.lastError().value_or(QString()).split(u'\n');
        told.removeIf([](const QString &line) { return line.contains(u" is kept "_s); });
        QCOMPARE(told, expected);
    }

    // The reasons are Devnook's own words: they come in the user's language
    // with the rest of the message.
    void setAsideRecordsAreToldInTheUsersLanguage()
    {
        const test::ScopedLocale catalan{QLocale(u"ca_ES"_s)};
        m_rig->usage.waitForFiles();
        const auto project = [](const char *id, const QByteArray &extra) -> QByteArray {
            return "{\"id\": \"" + QByteArray(id) +
                   "\", \"name\": \"P\", \"folderPath\": \"/tmp\", \"localhostURL\": \"\", "
                   "\"devCommand\": \"\", \"editorCommand\": \"\"" +
                   extra + "}";
        };
        test::writeFile(m_rig->persistence.catalogueFilePath(),
                        "[" + project("6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11", {}) + ",\n" +
                            project("7B2E0A6F-4C1D-4D2F-8B88-3A5A7C1F9E22", R"(, "isPinned": "yes")") +
                            ",\n" + project("not a uuid", {}) + ",\n" +
                            project("8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33", R"(, "services": [1])") + "]");
        const QByteArray sessions =
            R"([{"id": "not a uuid"}, 3, {"id": "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01"}, {"x": 1e400}])";
        test::writeFile(path(u"data/Devnook/usage_sessions.json"_s), sessions);
        UsageTrackingService usage(path(u"data"_s), m_rig->clock);
        ProjectStore store(m_rig->services(usage, m_rig->settings));
        usage.waitForFiles();

        const QStringList expected{
            u"No s'han pogut llegir 3 projectes del catàleg:"_s,
            u"el projecte 2: la clau \"isPinned\" no és un booleà"_s,
            u"el projecte 3: la clau \"id\" no és un UUID"_s,
            u"el projecte 4: \"services\"[0] no és un objecte"_s,
            u"No s'han pogut llegir 4 sessions d'ús:"_s,
            u"la sessió 1: la clau \"id\" no és un UUID"_s,
            u"la sessió 2 no és un objecte"_s,
            u"la sessió 3: falta la clau obligatòria \"projectID\""_s,
            u"la sessió 4: no és JSON vàlid a la posició %1: nombre fora del rang d'un double"_s.arg(
                sessions.indexOf("1e400") + 5)};
        QStringList told = store.lastError().value_or(QString()).split(u'\n');
        told.removeIf([](const QString &line) { return line.contains(u".unreadable-"_s); });
        QCOMPARE(told, expected);
    }

    // A file that stays unreadable is kept aside once, not at every start;
    // other bytes are kept again.
    void unreadableFilesAreKeptAsideOncePerContent()
    {
        const QDir folder(m_rig->dir.filePath(u"data/Devnook"_s));
        const QStringList files{u"projects.json"_s, u"usage_sessions.json"_s};
        // The rig's own history is read on a worker; it must not meet the junk.
        m_rig->usage.waitForFiles();
        const auto startWith = [&](const QByteArray &junk, int starts) {
            for (const QString &file : files)
                test::writeFile(folder.filePath(file), junk);
            for (int i = 0; i < starts; ++i) {
                m_rig->open();
                const UsageTrackingService usage(m_rig->dir.filePath(u"data"_s), m_rig->clock);
            }
        };
        QByteArray junk(1 << 20, 'x');
        startWith(junk, 3);
        for (const QString &file : files)
            QCOMPARE(folder.entryList({file + u".unreadable-*"_s}).size(), 1);
        // The same size, different only in the last block.
        junk.back() = 'y';
        startWith(junk, 1);
        for (const QString &file : files)
            QCOMPARE(folder.entryList({file + u".unreadable-*"_s}).size(), 2);
    }

    // Rows are "name|flags|last use" (see fromRow).
    void projectOrder_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("order");
        QTest::newRow("archived after active") << u"old|A|900 new||-"_s << u"new, old"_s;
        QTest::newRow("pinned first, also among archived")
            << u"a||500 b|P|- c|A|900 d|PA|-"_s << u"b, a, d, c"_s;
        QTest::newRow("latest use first, used before unused") << u"x||- y||100 z||200"_s << u"z, y, x"_s;
        QTest::newRow("same use by name ignoring case")
            << u"beta||100 alpha2||100 Alpha||100"_s << u"Alpha, alpha2, beta"_s;
        QTest::newRow("names equal but for case keep their order")
            << u"web||- Web||- WEB||-"_s << u"web, Web, WEB"_s;
    }

    void projectOrder()
    {
        QFETCH(QString, rows);
        QFETCH(QString, order);
        QList<DevProject> projects;
        for (const QString &row : rows.split(u' '))
            projects.append(fromRow(row));
        QCOMPARE(names(m_rig->open(projects).projects()), order);
    }

    void saveRefusesAFolderThatAnotherProjectUses()
    {
        QDir().mkpath(path(u"sites/real"_s));
        QVERIFY(QFile::link(path(u"sites/real"_s), path(u"sites/link"_s)));
        ProjectStore &store = m_rig->open();
        DevProject shop = makeProject(u"Shop"_s, path(u"sites/real"_s));
        QVERIFY(store.save(shop));
        QVERIFY(store.save(makeProject(u"Blog"_s, path(u"sites/caf\u00e9"_s))));
        const QByteArray written = catalogueFile();

        for (const QString &folder : {path(u"sites/link"_s), path(u"sites/link/new/.."_s)}) {
            QVERIFY2(!store.save(makeProject(u"Copy"_s, folder)), qPrintable(folder));
            QCOMPARE(*store.lastError(), u"The project \u201cShop\u201d already uses this folder."_s);
        }
        // A decomposed accent names the same folder.
        QVERIFY(!store.save(makeProject(u"Copy"_s, path(u"sites/cafe\u0301"_s))));
        QCOMPARE(*store.lastError(), u"The project \u201cBlog\u201d already uses this folder."_s);
        QCOMPARE(catalogueFile(), written);

        QVERIFY(store.save(makeProject(u"Other case"_s, path(u"sites/REAL"_s))));
        shop.notes = u"still here"_s;
        QVERIFY(store.save(shop));
        QVERIFY(!store.lastError());
        QCOMPARE(store.projects().size(), 3);
    }

    void saveStampsNewProjectsAndAnnouncesThemOnce()
    {
        ProjectStore &store = m_rig->open();
        m_rig->clock.advance(60);
        DevProject older = makeProject(u"Older"_s, path(u"older"_s));
        older.lastUsedAt = m_rig->clock.now().addSeconds(-3600);
        DevProject shop = makeProject(u"Shop"_s, path(u"shop"_s));
        QVERIFY(store.save(older) && store.save(shop));
        QCOMPARE(names(m_rig->stored()), u"Shop, Older"_s);
        QCOMPARE(m_rig->stored()[0].lastUsedAt, std::optional<Timestamp>(m_rig->clock.now()));

        shop.name = u"Shop 2"_s;
        QVERIFY(store.save(shop));
        QCOMPARE(names(store.projects()), u"Older, Shop 2"_s);
        QCOMPARE(m_rig->analytics.sources.value(AnalyticsEvent::projectAdded),
                 (QStringList{u"project-form"_s, u"project-form"_s}));
        QTRY_COMPARE(m_rig->preview.windowsRefreshed, (QList<QUuid>{older.id, shop.id, shop.id}));
    }

    void pinArchiveRestoreAndMarkUsed()
    {
        const DevProject a = fromRow(u"a||300"_s);
        const DevProject b = fromRow(u"b||200"_s);
        ProjectStore &store = m_rig->open({a, b});
        QSignalSpy changes(&store, &ProjectStore::projectsChanged);

        store.togglePinned(b);
        QCOMPARE(names(m_rig->stored()), u"b, a"_s);
        store.archive(b);
        QCOMPARE(names(m_rig->stored()), u"a, b"_s);
        QVERIFY(m_rig->stored()[1].isArchived && !m_rig->stored()[1].isPinned);
        // An archived project cannot be pinned.
        store.togglePinned(b);
        QVERIFY(!m_rig->stored()[1].isPinned);

        store.restore(b);
        QVERIFY(!m_rig->stored()[1].isArchived);
        m_rig->clock.advance(10);
        store.markUsed(b);
        QCOMPARE(names(m_rig->stored()), u"b, a"_s);
        QCOMPARE(m_rig->stored()[0].lastUsedAt, std::optional<Timestamp>(m_rig->clock.now()));

        const qsizetype before = changes.size();
        const DevProject gone = fromRow(u"gone||100"_s);
        for (auto operation : {&ProjectStore::togglePinned, &ProjectStore::archive, &ProjectStore::restore,
                               &ProjectStore::markUsed})
            (store.*operation)(gone);
        QCOMPARE(changes.size(), before);
    }

    void deleteKeepsARunningProjectsProcessEntries()
    {
        const DevProject running = fromRow(u"running||100"_s);
        ProjectStore &store = m_rig->open({running, fromRow(u"other||50"_s)});
        m_rig->report(running.id, DevProcessState::running);
        m_rig->manager.appendLog(u"listening"_s, running.id, false);
        QVERIFY(store.usageTrackingStates().value(running.id).isActive);

        store.deleteProject(running);
        QCOMPARE(names(m_rig->stored()), u"other"_s);
        QCOMPARE(m_rig->preview.deactivated, QList<QUuid>{running.id});
        QVERIFY(!store.usageTrackingStates().contains(running.id));
        QVERIFY(!store.usageSummaries().contains(running.id));
        QVERIFY(!m_rig->usage.trackingState(running.id, m_rig->clock.now()).isActive);
        QCOMPARE(store.processStates().value(running.id), DevProcessState::running);
        QCOMPARE(store.processLogs().value(running.id).size(), 1);
    }

    // Handed the store's own record, the delete takes that project's usage,
    // git and .env state with it, not those of the project that slides into
    // its place.
    void deletingTheStoresOwnRecordClearsThatProjectsState()
    {
        DevProject first = fromRow(u"first||300"_s);
        DevProject second = fromRow(u"second||200"_s);
        for (DevProject *project : {&first, &second}) {
            project->folderPath = path(project->name);
            test::writeFile(project->folderPath + u"/.env"_s, "A=1\n");
            QCOMPARE(
                QProcess::execute(u"git"_s, {u"init"_s, u"-q"_s, u"-b"_s, u"main"_s, project->folderPath}),
                0);
        }
        ProjectStore &store = m_rig->open({first, second});
        store.refreshProjectStatuses();
        QVERIFY(QTest::qWaitFor(
            [&] { return store.gitStatuses().size() == 2 && store.envProfiles().size() == 2; }, 20000));
        m_rig->usage.waitForFiles();
        for (const DevProject &project : {first, second})
            m_rig->usage.start(project, ProjectUsageSessionSource::playButton, m_rig->clock.now());
        m_rig->clock.advance(60);
        m_rig->usage.stopAll(m_rig->clock.now());

        store.deleteProject(store.projects().constFirst());
        QCOMPARE(names(m_rig->stored()), u"second"_s);
        QCOMPARE(m_rig->preview.deactivated, QList<QUuid>{first.id});
        QCOMPARE(m_rig->usage.completedSessions().size(), 1);
        QCOMPARE(m_rig->usage.completedSessions().constFirst().projectID, second.id);
        QCOMPARE(store.gitStatuses().keys(), QList<QUuid>{second.id});
        QCOMPARE(store.envProfiles().keys(), QList<QUuid>{second.id});
        QCOMPARE(store.envDetails().keys(), QList<QUuid>{second.id});
    }

    // Start-up holds the refreshes until its panel has painted: the requests
    // meanwhile become one refresh at the release, and the usage figures of
    // a history read meanwhile are computed once, by that refresh.
    void heldRefreshesRunOnceAtTheRelease()
    {
        QDir().mkpath(path(u"shop"_s));
        const DevProject shop = makeProject(u"Shop"_s, path(u"shop"_s));
        ProjectStore &store = m_rig->open({shop});
        QSignalSpy factWrites(&store, &ProjectStore::folderFactsChanged);
        QSignalSpy usageWrites(&store, &ProjectStore::usageSummariesChanged);
        store.holdStatusRefreshes();
        store.refreshProjectStatuses();
        store.refreshProjectStatuses();
        QTRY_VERIFY(m_rig->usage.isLoaded());
        QVERIFY(test::settleBackgroundReads());
        QVERIFY(factWrites.isEmpty() && usageWrites.isEmpty());
        store.releaseStatusRefreshes();
        QCOMPARE(usageWrites.size(), 1);
        QVERIFY(store.usageSummaries().contains(shop.id));
        QVERIFY(test::settleBackgroundReads());
        QCOMPARE(factWrites.size(), 1);
        // Released, a request runs at once.
        store.refreshProjectStatuses();
        QTRY_COMPARE(factWrites.size(), 2);
    }

    void refreshesReadRealFolders()
    {
        const auto git = [this](const QString &folder, const QStringList &arguments) {
            const QStringList identity{u"-c"_s, u"user.name=Devnook Test"_s, u"-c"_s,
                                       u"user.email=t@devnook.invalid"_s};
            return QProcess::execute(u"git"_s, QStringList{u"-C"_s, path(folder)} + identity + arguments);
        };
        for (const auto &[folder, branch] :
             {std::pair{u"clean"_s, u"main"_s}, std::pair{u"dirty"_s, u"feature"_s}}) {
            QDir().mkpath(path(folder));
            QCOMPARE(git(folder, {u"init"_s, u"-q"_s, u"-b"_s, branch}), 0);
            QCOMPARE(git(folder, {u"commit"_s, u"-q"_s, u"--allow-empty"_s, u"-m"_s, u"First"_s}), 0);
        }
        test::writeFile(path(u"dirty/new.txt"_s), "new\n");
        test::writeFile(path(u"envs/.env"_s), "A=1\n");
        test::writeFile(path(u"envs/.env.local"_s), "A=2\n");
        const DevProject clean = makeProject(u"Clean"_s, path(u"clean"_s));
        const DevProject dirty = makeProject(u"Dirty"_s, path(u"dirty"_s));
        const DevProject envs = makeProject(u"Envs"_s, path(u"envs"_s));
        test::writeFile(path(u"envs/index.html"_s), "<p>hi</p>\n");
        const DevProject missing = makeProject(u"Missing"_s, path(u"missing"_s));
        ProjectStore &store = m_rig->open({clean, dirty, envs, missing});
        // Opening reads no folder; the application asks once its panel shows.
        QVERIFY(test::settleBackgroundReads());
        QVERIFY(store.gitStatuses().isEmpty() && store.envProfiles().isEmpty() &&
                store.folderFacts().isEmpty());
        store.refreshProjectStatuses();
        QTRY_VERIFY(store.gitStatuses().size() == 2 && store.envProfiles().size() == 1);
        QCOMPARE(store.gitStatuses(), (QHash<QUuid, ProjectGitStatus>{{clean.id, {u"main"_s, false}},
                                                                      {dirty.id, {u"feature"_s, true}}}));
        QCOMPARE(store.envDetails().value(envs.id).files.size(), 2);
        QTRY_COMPARE(store.folderFacts().size(), 4);
        QCOMPARE(store.folderFacts().value(envs.id), (ProjectFolderFacts{false, true}));
        QCOMPARE(store.folderFacts().value(clean.id), (ProjectFolderFacts{false, false}));
        QCOMPARE(store.folderFacts().value(missing.id), (ProjectFolderFacts{true, false}));

        // Saving reads that project's folder again, and no other.
        QVERIFY(QDir(path(u"clean/.git"_s)).removeRecursively() && QFile::remove(path(u"envs/.env.local"_s)));
        QCOMPARE(git(u"dirty"_s, {u"add"_s, u"new.txt"_s}), 0);
        QCOMPARE(git(u"dirty"_s, {u"commit"_s, u"-q"_s, u"-m"_s, u"Second"_s}), 0);
        QSignalSpy gitWrites(&store, &ProjectStore::gitStatusesChanged);
        QSignalSpy envWrites(&store, &ProjectStore::envProfilesChanged);
        QVERIFY(store.save(clean) && store.save(envs));
        QTRY_COMPARE(gitWrites.size(), 2);
        QTRY_COMPARE(envWrites.size(), 2);
        QCOMPARE(store.gitStatuses().keys(), QList<QUuid>{dirty.id});
        QCOMPARE(store.envProfiles().value(envs.id).fileNames.size(), 1);
        QVERIFY(store.gitStatuses().value(dirty.id).isDirty);

        // A refresh publishes once every folder has been read, leaving out
        // projects deleted meanwhile.
        gitWrites.clear();
        envWrites.clear();
        store.refreshProjectStatuses();
        store.deleteProject(dirty);
        store.deleteProject(envs);
        QCOMPARE(gitWrites.size(), 2);
        QTRY_COMPARE(gitWrites.size(), 3);
        QTRY_COMPARE(envWrites.size(), 3);
        QVERIFY(store.gitStatuses().isEmpty());
        QVERIFY(store.envProfiles().isEmpty() && store.envDetails().isEmpty());

        // Requests made while a refresh runs fold into one more after it:
        // five requests, one run now and one after it.
        gitWrites.clear();
        envWrites.clear();
        for (int i = 0; i < 5; ++i)
            store.refreshProjectStatuses();
        QVERIFY(test::settleBackgroundReads());
        QVERIFY(gitWrites.size() == 2 && envWrites.size() == 2);
    }

    // Reads that end before they are awaited, as they do with nothing to
    // read, still end their run on a later turn: never inside the request,
    // and the requests made meanwhile fold.
    void requestsFoldWhenTheReadsEndAtOnce()
    {
        ProjectStore &store = m_rig->open();
        QSignalSpy gitWrites(&store, &ProjectStore::gitStatusesChanged);
        QSignalSpy envWrites(&store, &ProjectStore::envProfilesChanged);
        QSignalSpy factWrites(&store, &ProjectStore::folderFactsChanged);
        const auto writes = [&] { return QList{gitWrites.size(), envWrites.size(), factWrites.size()}; };
        for (int i = 0; i < 5; ++i)
            store.refreshProjectStatuses();
        QCOMPARE(writes(), (QList<qsizetype>{0, 0, 0}));
        QVERIFY(test::settleBackgroundReads());
        QCOMPARE(writes(), (QList<qsizetype>{2, 2, 2}));
    }
};

QTEST_GUILESS_MAIN(ProjectStoreCatalogueTest)
#include "ProjectStoreCatalogueTest.moc"
