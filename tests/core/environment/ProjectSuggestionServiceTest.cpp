#include "core/environment/ProjectSuggestionService.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using namespace devnook::ProjectSuggestionService;

using Files = QMap<QString, QByteArray>;

namespace {

QByteArray packageJson(const char *scripts, const char *dependencies, const char *devDependencies = "{}")
{
    return QByteArray("{\"scripts\": ") + scripts + ", \"dependencies\": " + dependencies +
           ", \"devDependencies\": " + devDependencies + "}";
}

void installCommand(const QString &name, bool executable = true)
{
    const QString path = QDir::homePath() + u"/.local/bin/"_s + name;
    test::writeFile(path, "#!/bin/sh\n");
    if (executable)
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

} // namespace

// Suggestions from folders laid out like real projects.
class ProjectSuggestionServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir(QDir::homePath() + u"/.local/bin"_s).removeRecursively(); }

    // Expected: "local URL | dev command | stack", "-" for none.
    void projectFolders_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("expected");
        const char *dev = "{\"dev\": \"vite\"}";
        const QByteArray node = packageJson(dev, "{}");
        QTest::newRow("vite and vue with pnpm")
            << Files{{u"package.json"_s, packageJson("{\"dev\": \"vite --port 4000\"}", "{\"vue\": \"3\"}")},
                     {u"pnpm-lock.yaml"_s, ""}}
            << u"http://localhost:4000 | pnpm dev | Vue"_s;
        QTest::newRow("react with yarn")
            << Files{{u"package.json"_s, packageJson(dev, "{\"react\": \"18\"}")}, {u"yarn.lock"_s, ""}}
            << u"- | yarn dev | React"_s;
        QTest::newRow("bun text lock")
            << Files{{u"package.json"_s, node}, {u"bun.lock"_s, ""}} << u"- | bun dev | Node"_s;
        QTest::newRow("localhost wins over an earlier PORT")
            << Files{{u"package.json"_s,
                      packageJson("{\"api\": \"PORT=3001\", \"dev\": \"serve localhost:8080\"}", "{}")}}
            << u"http://localhost:8080 | npm run dev | Node"_s;
        QTest::newRow("vite config without a port")
            << Files{{u"package.json"_s, node}, {u"vite.config.ts"_s, "export default {}"}}
            << u"http://localhost:5173 | npm run dev | Node"_s;
        QTest::newRow("vite config without package.json")
            << Files{{u"vite.config.ts"_s, "export default {}"}} << u"- | - | -"_s;
        QTest::newRow("next as a dev dependency")
            << Files{{u"package.json"_s, packageJson("{}", "{}", "{\"next\": \"14\"}")}}
            << u"http://localhost:3000 | - | Next.js"_s;
        QTest::newRow("swift whatever else")
            << Files{{u"Package.swift"_s, ""}, {u"package.json"_s, packageJson("{}", "{\"react\": \"18\"}")}}
            << u"- | - | Swift"_s;
        QTest::newRow("laravel") << Files{{u"composer.json"_s,
                                           "{\"require\": {\"laravel/framework\": \"11\"}}"}}
                                 << u"- | - | Laravel"_s;
        QTest::newRow("rust") << Files{{u"Cargo.toml"_s, "[package]\n"}} << u"- | cargo run | Rust"_s;
        QTest::newRow("deno") << Files{{u"deno.jsonc"_s, "{}"}} << u"- | deno task dev | -"_s;
        QTest::newRow("flutter") << Files{{u"pubspec.yaml"_s, ""}} << u"- | - | Flutter"_s;
        QTest::newRow("static site") << Files{{u"index.html"_s, ""}} << u"- | - | Static"_s;
        QTest::newRow("broken package.json is still searched for a port")
            << Files{{u"package.json"_s, "{\"scripts\": {\"dev\": \"vite --port 4100\""}}
            << u"http://localhost:4100 | - | Node"_s;
        QTest::newRow("only a subfolder is a project")
            << Files{{u"web/package.json"_s, node}} << u"- | - | -"_s;
    }

    void projectFolders()
    {
        QFETCH(Files, files);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            test::writeFile(folder.filePath(it.key()), it.value());
        const ProjectSuggestions found = suggestions(folder.path());
        const QString none = u"-"_s;
        QCOMPARE(QStringList({found.localhostURL.value_or(none), found.devCommand.value_or(none),
                              found.stack.value_or(none)})
                     .join(u" | "),
                 expected);
    }

    // The first of the patterns in order that matches, by its first match.
    void firstPort()
    {
        QCOMPARE(ProjectSuggestionService::firstPort(u"port: 1111 then --port 2222"_s), 2222);
        QCOMPARE(ProjectSuggestionService::firstPort(u"localhost:3000 localhost:4000"_s), 3000);
        QCOMPARE(ProjectSuggestionService::firstPort(u"server: { port : 8081 }"_s), 8081);
        QCOMPARE(ProjectSuggestionService::firstPort(u"localhost:8 Port: 7000 LOCALHOST:7001"_s),
                 std::nullopt);
    }

    void editorFromInstalledCommands()
    {
        if (commandExists(u"cursor"_s) || commandExists(u"code"_s))
            QSKIP("an editor is installed on this machine");
        QTemporaryDir folder;
        QCOMPARE(suggestions(folder.path()).editorCommand, std::nullopt);
        installCommand(u"cursor"_s, false);
        installCommand(u"code"_s);
        QCOMPARE(suggestions(folder.path()).editorCommand, std::optional(u"code ."_s));
        installCommand(u"cursor"_s);
        QCOMPARE(suggestions(folder.path()).editorCommand, std::optional(u"cursor ."_s));
    }
};

QTEST_GUILESS_MAIN(ProjectSuggestionServiceTest)
#include "ProjectSuggestionServiceTest.moc"
