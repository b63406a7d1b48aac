#include "core/foundation/FileSafety.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/ProjectCoding.h"
#include "core/usage/UsageFileWorker.h"
#include "core/usage/UsageSessionCoding.h"
#include "core/usage/UsageTrackingService.h"
#include "support/FakeClock.h"
#include "support/FileAccessAsNobody.h"
#include "support/FileSizeLimit.h"
#include "support/NoFreeDescriptors.h"
#include "support/SmallFileSystem.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Gives the reason that the code under test tells, working in the folder.
using Reason = std::function<QString(const QString &folder)>;

const QByteArrayList kProject{R"("id": "8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F33")",
                              R"("name": "Shop")",
                              R"("folderPath": "/p")",
                              R"("localhostURL": "")",
                              R"("devCommand": "")",
                              R"("editorCommand": "")"};
const QByteArrayList kSession{R"("id": "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01")",
                              R"("projectID": "9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E")",
                              R"("projectName": "Shop")",
                              R"("client": "")",
                              R"("stack": "")",
                              R"("source": "playButton")",
                              R"("startedAt": 737409600)",
                              R"("endedAt": 737413200)"};

// A list of one object of the members, the key left out, and the member added.
QByteArray listOfOne(const QByteArrayList &members, const QByteArray &leftOut, const QByteArray &added = {})
{
    QByteArrayList kept;
    for (const QByteArray &member : members) {
        if (leftOut.isEmpty() || !member.startsWith(QByteArray('"' + leftOut + '"')))
            kept.append(member);
    }
    if (!added.isEmpty())
        kept.append(added);
    return "[{" + kept.join(", ") + "}]";
}

// The catalogue's reasons: its failure, or why each project was set aside.
Reason catalogue(const QByteArray &json)
{
    return [json](const QString &) {
        const auto decoded = ProjectCoding::decodeCatalogue(json);
        return decoded ? decoded.value().unreadable.reasons.join(u'\n') : decoded.error();
    };
}

Reason history(const QByteArray &json)
{
    return [json](const QString &) {
        return UsageSessionCoding::decodeSessions(json).unreadable.reasons.join(u'\n');
    };
}

// Why the history with the session changed cannot be written.
Reason refusedSession(const std::function<void(ProjectUsageSession &)> &change)
{
    return [change](const QString &) {
        ProjectUsageSession changed =
            UsageSessionCoding::decodeSessions(listOfOne(kSession, {})).sessions.value(0);
        change(changed);
        const auto encoded = UsageSessionCoding::encodeSessions({changed});
        return encoded ? QString() : encoded.error();
    };
}

// Why the catalogue in the folder, made by setUp, does not load.
Reason loading(const std::function<void(const QString &)> &setUp)
{
    return [setUp](const QString &folder) {
        setUp(folder);
        const test::FakeClock clock;
        const auto loaded = JSONProjectPersistence(folder, clock).loadProjects();
        return loaded ? QString() : loaded.error();
    };
}

Reason saving(const std::function<void(const QString &)> &setUp)
{
    return [setUp](const QString &folder) {
        setUp(folder);
        const test::FakeClock clock;
        const auto saved = JSONProjectPersistence(folder, clock).saveProjects({});
        return saved ? QString() : saved.error();
    };
}

// The usage history's folder, in the folder, is a file.
QString usageHistory(const QString &folder)
{
    test::writeFile(folder + u"/Devnook"_s, "a file");
    return folder + u"/Devnook/usage_sessions.json"_s;
}

void makeFifo(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    mkfifo(QFile::encodeName(path).constData(), 0600);
}

// What a reason gives where the system's condition cannot be made.
const QString kNotMadeHere = u"<a file system of its own needs root>"_s;

// A file in the folder that this process may not read; the folder lets it through.
void writeUnreadable(const QString &folder, const QString &path, const QByteArray &bytes)
{
    test::writeFile(path, bytes);
    for (QString on = QFileInfo(path).absolutePath(); on.startsWith(folder);
         on = QFileInfo(on).absolutePath())
        chmod(QFile::encodeName(on).constData(), 0755);
    chmod(QFile::encodeName(path).constData(), 0);
}

// What the band of the usage files tells once they are read and the writes
// asked for are done.
QString usageBand(UsageTrackingService &service)
{
    service.waitForFiles();
    return service.fileProblem();
}

} // namespace

Q_DECLARE_METATYPE(Reason)

// Every reason the readers and the file helpers give, made by real bytes and
// real files, read whole in both languages: a lost argument, a text under
// another key or a translation cut short shows here.
class ReasonTextsTest : public QObject {
    Q_OBJECT

private:
    static void row(const char *name, const Reason &reason, const QString &english, const QString &catalan)
    {
        QTest::newRow(name) << reason << english << catalan;
    }

    // The catalogue's project reasons, in both languages.
    static void projectRow(const char *name, const QByteArray &json, const QString &english,
                           const QString &catalan)
    {
        row(name, catalogue(json), u"project 1: "_s + english, u"el projecte 1: "_s + catalan);
    }

    // A whole text that the JSON reader refuses, with the offset it names.
    static void parseRow(const char *name, const QByteArray &json, int offset, const QString &english,
                         const QString &catalan)
    {
        row(name, catalogue(json), u"not valid JSON at offset %1: "_s.arg(offset) + english,
            u"no és JSON vàlid a la posició %1: "_s.arg(offset) + catalan);
    }

    static void sessionRow(const char *name, const QByteArray &json, const QString &english,
                           const QString &catalan)
    {
        row(name, history(json), english, catalan);
    }

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // In the texts, <dir> stands for the row's folder and <EFBIG> for the
    // system's words for a file grown too large.
    void everyReasonReadsWholeInBothLanguages_data()
    {
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("catalan");

        row("catalogue: top level", catalogue(R"({"a": 1})"), u"the top level is not an array"_s,
            u"el nivell superior no és una matriu"_s);
        row("catalogue: not an object", catalogue("[1]"), u"project 1 is not an object"_s,
            u"el projecte 1 no és un objecte"_s);
        projectRow("missing", listOfOne(kProject, "name"), u"missing required key \"name\""_s,
                   u"falta la clau obligatòria \"name\""_s);
        projectRow("not a string", listOfOne(kProject, {}, R"("client": 5)"),
                   u"key \"client\" is not a string"_s, u"la clau \"client\" no és una cadena"_s);
        projectRow("not a boolean", listOfOne(kProject, {}, R"("isPinned": "yes")"),
                   u"key \"isPinned\" is not a boolean"_s, u"la clau \"isPinned\" no és un booleà"_s);
        projectRow("not a number", listOfOne(kProject, {}, R"("lastUsedAt": "today")"),
                   u"key \"lastUsedAt\" is not a finite number"_s,
                   u"la clau \"lastUsedAt\" no és un nombre finit"_s);
        projectRow("not a UUID", listOfOne(kProject, "id", R"("id": "8C3F1B70")"),
                   u"key \"id\" is not a UUID"_s, u"la clau \"id\" no és un UUID"_s);
        projectRow("not an array", listOfOne(kProject, {}, R"("services": {})"),
                   u"key \"services\" is not an array"_s, u"la clau \"services\" no és una matriu"_s);
        projectRow("item not an object", listOfOne(kProject, {}, R"("previewLinkedURLs": [1])"),
                   u"\"previewLinkedURLs\"[0] is not an object"_s,
                   u"\"previewLinkedURLs\"[0] no és un objecte"_s);
        projectRow("nested record",
                   listOfOne(kProject, {},
                             R"("services": [{"id": "8C3F1B70-5D2E-4E30-9C99-4B6B8D2A0F34", )"
                             R"("name": "web", "localhostURL": ""}])"),
                   u"\"services\"[0]: missing required key \"command\""_s,
                   u"\"services\"[0]: falta la clau obligatòria \"command\""_s);
        projectRow("unknown link kind", listOfOne(kProject, {}, R"("workspaceLinks": [{"kind": "wiki"}])"),
                   u"\"workspaceLinks\"[0]: unknown link kind \"wiki\""_s,
                   u"\"workspaceLinks\"[0]: tipus d'enllaç desconegut \"wiki\""_s);

        // A damaged file: the reader's own words name what broke each piece.
        row("pieces: not an object, not whole", catalogue(R"([[1], {"a" 1}])"),
            u"project 1 is not an object\nproject 2 is not a whole JSON object: missing name separator at byte 12"_s,
            u"el projecte 1 no és un objecte\n"
            u"el projecte 2 no és un objecte JSON sencer: falten els dos punts entre la clau i el valor al byte 12"_s);
        row("pieces: out of range", catalogue(R"([{"a": 1e400}, {"a" 1}])"),
            u"project 1 holds a number out of range: 1e400\n"
            u"project 2 is not a whole JSON object: missing name separator at byte 21"_s,
            u"el projecte 1 conté un nombre fora de rang: 1e400\n"
            u"el projecte 2 no és un objecte JSON sencer: falten els dos punts entre la clau i el valor al byte 21"_s);
        row("pieces: NUL bytes", catalogue(QByteArray("[{\"a\": 1}\0]", 11)),
            u"project 1 holds NUL bytes, from byte 9 of the file"_s,
            u"el projecte 1 conté bytes NUL, a partir del byte 9 del fitxer"_s);
        row("pieces: nested too deeply",
            catalogue("[{\"a\": " + QByteArray(1100, '[') + QByteArray(1100, ']') + "}]"),
            u"project 1 is nested deeper than the 1024 levels Devnook reads"_s,
            u"el projecte 1 està niat a més profunditat dels 1024 nivells que llegeix Devnook"_s);
        row("pieces: cut short", catalogue(listOfOne(kProject, {}).chopped(1) + ", {\"name"),
            u"not valid JSON at offset 151: unterminated string"_s,
            u"no és JSON vàlid a la posició 151: cadena sense acabar"_s);
        parseRow("parse: unterminated object", R"({"a": 1 "b": 2})", 9, u"unterminated object"_s,
                 u"objecte sense acabar"_s);
        parseRow("parse: missing name separator", R"({"a" 1})", 6, u"missing name separator"_s,
                 u"falten els dos punts entre la clau i el valor"_s);
        parseRow("parse: unterminated array", R"({"a": [1})", 9, u"unterminated array"_s,
                 u"matriu sense acabar"_s);
        parseRow("parse: missing value separator", R"({"a": [1 2]})", 10, u"missing value separator"_s,
                 u"falta la coma entre dos valors"_s);
        parseRow("parse: illegal value", R"({"a": tru})", 7, u"illegal value"_s, u"valor no vàlid"_s);
        parseRow("parse: termination by number", R"({"a": 1)", 7, u"invalid termination by number"_s,
                 u"el text acaba amb un nombre"_s);
        parseRow("parse: illegal number", R"({"a": -})", 7, u"illegal number"_s, u"nombre no vàlid"_s);
        parseRow("parse: invalid escape", R"({"a": "\u12"})", 11, u"invalid escape sequence"_s,
                 u"seqüència d'escapament no vàlida"_s);
        parseRow("parse: invalid UTF-8", "{\"a\": \"\xff\"}", 7, u"invalid UTF8 string"_s,
                 u"cadena UTF-8 no vàlida"_s);
        parseRow("parse: unterminated string", "{\"a\": \"b", 9, u"unterminated string"_s,
                 u"cadena sense acabar"_s);
        parseRow("parse: missing object", R"({"a": 1,})", 9, u"object is missing after a comma"_s,
                 u"falta un objecte després d'una coma"_s);
        parseRow("parse: deep nesting", "{\"a\": " + QByteArray(1100, '['), 1030,
                 u"too deeply nested document"_s, u"document niat a massa profunditat"_s);
        parseRow("parse: garbage at the end", R"({"a": 1} x)", 9, u"garbage at the end of the document"_s,
                 u"text sobrant al final del document"_s);

        // The catalogue's file, and the folder it lives in.
        row("catalogue is a folder",
            loading([](const QString &folder) { QDir().mkpath(folder + u"/Devnook/projects.json"_s); }),
            u"<dir>/Devnook/projects.json is not a regular file"_s,
            u"<dir>/Devnook/projects.json no és un fitxer normal"_s);
        row("legacy catalogue is a FIFO",
            loading([](const QString &folder) { makeFifo(folder + u"/Quarrylin/projects.json"_s); }),
            u"<dir>/Quarrylin/projects.json is not a regular file"_s,
            u"<dir>/Quarrylin/projects.json no és un fitxer normal"_s);
        row("data folder is a file",
            loading([](const QString &folder) { test::writeFile(folder + u"/Devnook"_s, "a file"); }),
            u"<dir>/Devnook is a file, not a folder"_s, u"<dir>/Devnook és un fitxer, no una carpeta"_s);
        row("no folder for the legacy copy", loading([](const QString &folder) {
                test::writeFile(folder + u"/Devnook"_s, "a file");
                test::writeFile(folder + u"/Quarrylin/projects.json"_s, "[]");
            }),
            u"could not create the folder <dir>/Devnook"_s,
            u"no s'ha pogut crear la carpeta <dir>/Devnook"_s);
        row("no folder for the catalogue",
            saving([](const QString &folder) { test::writeFile(folder + u"/Devnook"_s, "a file"); }),
            u"could not create the folder <dir>/Devnook"_s,
            u"no s'ha pogut crear la carpeta <dir>/Devnook"_s);
        row(
            "unreadable catalogue not kept aside, then not saved over",
            [](const QString &folder) -> QString {
                test::writeFile(folder + u"/Devnook/projects.json"_s,
                                "{\"a\": \"" + QByteArray(200, 'x') + "\"}");
                const test::FakeClock clock;
                JSONProjectPersistence persistence(folder, clock);
                const test::FileSizeLimit limit(16);
                const auto loaded = persistence.loadProjects();
                const auto saved = persistence.saveProjects({});
                return (loaded ? QString() : loaded.error()) + u'\n' + (saved ? QString() : saved.error());
            },
            u"the top level is not an array (the file could not be kept aside either: <EFBIG>)\n"
            u"the catalogue as it was could not be kept aside: <EFBIG>"_s,
            u"el nivell superior no és una matriu (tampoc no s'ha pogut conservar el fitxer a part: "
            u"<EFBIG>)\n"
            u"no s'ha pogut conservar a part el catàleg tal com era: <EFBIG>"_s);

        // The usage history.
        row("history: top level", history("{}"), u"the top level is not an array"_s,
            u"el nivell superior no és una matriu"_s);
        sessionRow("history: not an object", "[1]", u"session 1 is not an object"_s,
                   u"la sessió 1 no és un objecte"_s);
        sessionRow("history: missing", listOfOne(kSession, "endedAt"),
                   u"session 1: missing required key \"endedAt\""_s,
                   u"la sessió 1: falta la clau obligatòria \"endedAt\""_s);
        sessionRow("history: not a UUID", listOfOne(kSession, "projectID", R"("projectID": "x")"),
                   u"session 1: key \"projectID\" is not a UUID"_s,
                   u"la sessió 1: la clau \"projectID\" no és un UUID"_s);
        sessionRow("history: not a number", listOfOne(kSession, {}, R"("pausedDuration": "1")"),
                   u"session 1: key \"pausedDuration\" is not a finite number"_s,
                   u"la sessió 1: la clau \"pausedDuration\" no és un nombre finit"_s);
        sessionRow("history: not UTF-8", listOfOne(kSession, "stack", "\"stack\": \"\xC3\""),
                   u"session 1: key \"stack\" is not a string of valid UTF-8"_s,
                   u"la sessió 1: la clau \"stack\" no és una cadena UTF-8 vàlida"_s);
        sessionRow("history: expected character", R"([{"id" 1}])",
                   u"session 1: not valid JSON at offset 7: expected ':'"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 7: s'esperava ':'"_s);
        sessionRow("history: expected comma or bracket", "[1 2]",
                   u"session 1: not valid JSON at offset 3: expected ',' or ']'"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 3: s'esperava ',' o ']'"_s);
        sessionRow("history: text after the value", "[] x",
                   u"not valid JSON at offset 3: unexpected text after the value"_s,
                   u"no és JSON vàlid a la posició 3: text inesperat després del valor"_s);
        sessionRow("history: expected a string", "[{1: 2}]",
                   u"session 1: not valid JSON at offset 2: expected a string"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 2: s'esperava una cadena"_s);
        sessionRow("history: control character", "[{\"x\": \"a\tb\"}]",
                   u"session 1: not valid JSON at offset 9: control character in a string"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 9: caràcter de control en una cadena"_s);
        sessionRow(
            "history: invalid escape", R"([{"x": "\q"}])",
            u"session 1: not valid JSON at offset 10: invalid escape in a string"_s,
            u"la sessió 1: no és JSON vàlid a la posició 10: seqüència d'escapament no vàlida en una cadena"_s);
        sessionRow("history: unterminated string", "[{\"x\": \"a",
                   u"not valid JSON at offset 9: unterminated string"_s,
                   u"no és JSON vàlid a la posició 9: cadena sense acabar"_s);
        sessionRow("history: invalid UTF-8", "[{\"x\": \"\xC3\"}]",
                   u"session 1: not valid JSON at offset 10: a string is not valid UTF-8"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 10: una cadena no és UTF-8 vàlid"_s);
        sessionRow("history: number out of range", R"([{"x": 1e400}])",
                   u"session 1: not valid JSON at offset 12: number out of range of a double"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 12: nombre fora del rang d'un double"_s);
        sessionRow("history: invalid number", R"([{"x": -a}])",
                   u"session 1: not valid JSON at offset 8: invalid number"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 8: nombre no vàlid"_s);
        sessionRow("history: unexpected character", R"([{"x": nul}])",
                   u"session 1: not valid JSON at offset 7: unexpected character"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 7: caràcter inesperat"_s);
        sessionRow("history: nested too deeply",
                   "[{\"x\": " + QByteArray(600, '[') + QByteArray(600, ']') + "}]",
                   u"session 1: not valid JSON at offset 520: nested too deeply"_s,
                   u"la sessió 1: no és JSON vàlid a la posició 520: niat a massa profunditat"_s);
        sessionRow("history: unexpected end", R"([{"x": )",
                   u"not valid JSON at offset 7: unexpected end of the text"_s,
                   u"no és JSON vàlid a la posició 7: final inesperat del text"_s);
        row("history: implausible start", refusedSession([](ProjectUsageSession &session) {
                session.startedAt = Timestamp::fromSecondsSinceReference(-1e12);
            }),
            u"session 1: \"startedAt\" lies outside the years usage can be counted in"_s,
            u"la sessió 1: \"startedAt\" queda fora dels anys en què es pot comptar l'ús"_s);
        row("history: implausible pause",
            refusedSession([](ProjectUsageSession &session) { session.pausedDuration = 1e12; }),
            u"session 1: \"pausedDuration\" is too large to be real"_s,
            u"la sessió 1: \"pausedDuration\" és massa gran per ser real"_s);

        // The usage history's folder.
        row(
            "history folder is a file",
            [](const QString &folder) {
                QObject context;
                UsageFileWorker worker(usageHistory(folder), folder + u"/checkpoint.json"_s, context);
                QString error;
                worker.load(Timestamp::fromSecondsSinceReference(737413200), UsageCalendar{},
                            [&error](const UsageLoadOutcome &outcome) { error = outcome.readError; });
                worker.waitForIdle();
                return error;
            },
            u"<dir>/Devnook is not a folder"_s, u"<dir>/Devnook no és una carpeta"_s);
        row(
            "no folder for the history",
            [](const QString &folder) {
                QObject context;
                UsageFileWorker worker(usageHistory(folder), folder + u"/checkpoint.json"_s, context);
                QString error;
                worker.setOnWritten([&error](const UsageWriteOutcome &outcome) {
                    error = outcome.historyError.value_or(QString());
                });
                worker.write(
                    UsageFileJob{UsageHistory{}, std::nullopt, Timestamp::fromSecondsSinceReference(0)});
                worker.waitForIdle();
                return error;
            },
            u"could not create the folder <dir>/Devnook"_s,
            u"no s'ha pogut crear la carpeta <dir>/Devnook"_s);
        row(
            "damaged history not kept aside",
            [](const QString &folder) {
                const QString path = folder + u"/usage_sessions.json"_s;
                test::writeFile(path, "[{\"a\": \"" + QByteArray(200, 'x') + "\"}");
                QObject context;
                UsageFileWorker worker(path, folder + u"/checkpoint.json"_s, context);
                QString error;
                worker.setOnWritten([&error](const UsageWriteOutcome &outcome) {
                    error = outcome.historyError.value_or(QString());
                });
                const test::FileSizeLimit limit(16);
                const Timestamp now = Timestamp::fromSecondsSinceReference(737413200);
                worker.load(now, UsageCalendar{}, [](const UsageLoadOutcome &) {});
                worker.write(UsageFileJob{UsageHistory{}, std::nullopt, now});
                worker.waitForIdle();
                return error;
            },
            u"the unreadable session file could not be kept aside: <EFBIG>"_s,
            u"no s'ha pogut conservar a part el fitxer de sessions il·legible: <EFBIG>"_s);

        // The running sessions' checkpoint, as the band tells it.
        row(
            "running sessions that may not be read",
            [](const QString &folder) {
                writeUnreadable(folder, folder + u"/Devnook/usage_checkpoint.json"_s, "[]");
                const test::FileAccessAsNobody nobody;
                const test::FakeClock clock;
                UsageTrackingService service(folder, clock);
                return usageBand(service);
            },
            u"Could not save the running usage sessions: the damaged file could not be kept aside: "
            u"Permission denied\n"
            u"Could not read the running usage sessions: Permission denied\n"
            u"The damaged file of running usage sessions could not be copied aside (Permission denied), so "
            u"it "
            u"will be neither removed nor overwritten."_s,
            u"No s'han pogut desar les sessions d'ús en curs: no s'ha pogut conservar a part el fitxer "
            u"malmès: Permís denegat\n"
            u"No s'han pogut llegir les sessions d'ús en curs: Permís denegat\n"
            u"No s'ha pogut copiar a part el fitxer malmès de sessions d'ús en curs (Permís denegat), així "
            u"que no s'esborrarà ni se sobreescriurà."_s);
        row(
            "damaged running sessions kept aside at last",
            [](const QString &folder) {
                // Larger than the writes let through at first.
                test::writeFile(folder + u"/Devnook/usage_checkpoint.json"_s,
                                "[1" + QByteArray(4096, ' ') + "]");
                const test::FakeClock clock;
                UsageTrackingService service(folder, clock, UsageTrackingService::kCheckpointInterval,
                                             UsageTrackingService::Reading::later);
                {
                    const test::FileSizeLimit limit(2048);
                    service.startReading();
                    service.waitForFiles();
                }
                service.clearSessions(QUuid::createUuid());
                return usageBand(service);
            },
            u"Could not read the running usage sessions: 1 session is damaged:\n"
            u"session 1 is not an object\n"
            u"The file as it was is kept as <dir>/Devnook/usage_checkpoint.json.unreadable-20260509-061320."_s,
            u"No s'han pogut llegir les sessions d'ús en curs: 1 sessió està malmesa:\n"
            u"la sessió 1 no és un objecte\n"
            u"El fitxer tal com era es conserva com a "
            u"<dir>/Devnook/usage_checkpoint.json.unreadable-20260509-061320."_s);
        row(
            "running sessions that may not be removed",
            [](const QString &folder) {
                const QString checkpoint = folder + u"/running/checkpoint.json"_s;
                writeUnreadable(folder, checkpoint, "[]");
                chmod(QFile::encodeName(QFileInfo(checkpoint).absolutePath()).constData(), 0555);
                const test::FileAccessAsNobody nobody;
                QObject context;
                UsageFileWorker worker(folder + u"/history.json"_s, checkpoint, context);
                QString error;
                worker.setOnWritten([&error](const UsageWriteOutcome &outcome) {
                    error = outcome.checkpointError.value_or(QString());
                });
                worker.write(UsageFileJob{std::nullopt, QList<ProjectUsageSession>(),
                                          Timestamp::fromSecondsSinceReference(0)});
                worker.waitForIdle();
                return error;
            },
            u"could not remove <dir>/running/checkpoint.json: Permission denied"_s,
            u"no s'ha pogut esborrar <dir>/running/checkpoint.json: Permís denegat"_s);

        // The system's words, in the user's language for those a data file
        // commonly meets.
        row(
            "catalogue that may not be read",
            [](const QString &folder) {
                writeUnreadable(folder, folder + u"/Devnook/projects.json"_s, "[]");
                const test::FileAccessAsNobody nobody;
                const test::FakeClock clock;
                const auto loaded = JSONProjectPersistence(folder, clock).loadProjects();
                return loaded ? QString() : loaded.error();
            },
            u"Permission denied (the file could not be kept aside either: Permission denied)"_s,
            u"Permís denegat (tampoc no s'ha pogut conservar el fitxer a part: Permís denegat)"_s);
        row(
            "catalogue with no descriptor to spare",
            [](const QString &folder) {
                test::writeFile(folder + u"/Devnook/projects.json"_s, "[]");
                const test::FakeClock clock;
                JSONProjectPersistence persistence(folder, clock);
                const test::NoFreeDescriptors exhausted;
                const auto loaded = persistence.loadProjects();
                return loaded ? QString() : loaded.error();
            },
            u"Too many open files (the file could not be kept aside either: Too many open files)"_s,
            u"Hi ha massa fitxers oberts (tampoc no s'ha pogut conservar el fitxer a part: Hi ha massa "
            u"fitxers oberts)"_s);
        row(
            "catalogue on a full disk",
            [](const QString &folder) {
                test::SmallFileSystem disk(folder + u"/Devnook"_s, 64 * 1024);
                if (!disk.isMounted())
                    return kNotMadeHere;
                test::writeFile(folder + u"/Devnook/filler"_s, QByteArray(64 * 1024, 'x'));
                const test::FakeClock clock;
                const auto saved = JSONProjectPersistence(folder, clock).saveProjects({});
                return saved ? QString() : saved.error();
            },
            u"No space left on device"_s, u"No queda espai al dispositiu"_s);
        row(
            "catalogue on a read-only file system",
            [](const QString &folder) {
                test::SmallFileSystem disk(folder + u"/Devnook"_s, 64 * 1024);
                if (!disk.isMounted())
                    return kNotMadeHere;
                test::writeFile(folder + u"/Devnook/projects.json"_s, "[]");
                disk.makeReadOnly();
                const test::FakeClock clock;
                const auto saved = JSONProjectPersistence(folder, clock).saveProjects({});
                return saved ? QString() : saved.error();
            },
            u"Read-only file system"_s, u"Sistema de fitxers només de lectura"_s);
        row(
            "export into a folder that has gone",
            [](const QString &folder) {
                const auto written = FileSafety::writeAtomically(folder + u"/gone/usage.csv"_s, "a,b\n");
                return written ? QString() : written.error();
            },
            u"No such file or directory"_s, u"No existeix el fitxer o la carpeta"_s);
    }

    void everyReasonReadsWholeInBothLanguages()
    {
        QFETCH(Reason, reason);
        QFETCH(QString, english);
        QFETCH(QString, catalan);
        for (const auto &[locale, expected] :
             {std::pair{u"en_US"_s, english}, std::pair{u"ca_ES"_s, catalan}}) {
            QLocale::setDefault(QLocale(locale));
            QTemporaryDir folder;
            const QString told = reason(folder.path());
            if (told == kNotMadeHere)
                QSKIP(qPrintable(told));
            QCOMPARE(told, QString(expected)
                               .replace(u"<dir>"_s, folder.path())
                               .replace(u"<EFBIG>"_s, QString::fromLocal8Bit(std::strerror(EFBIG))));
        }
    }
};

QTEST_GUILESS_MAIN(ReasonTextsTest)
#include "ReasonTextsTest.moc"
