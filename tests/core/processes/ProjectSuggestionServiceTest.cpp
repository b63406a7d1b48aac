#include "core/processes/ProjectSuggestionService.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

using Files = QMap<QString, QByteArray>;

namespace {

std::optional<QString> none()
{
    return std::nullopt;
}

void installCommand(const QString &name)
{
    const QString path = QDir::homePath() + u"/.local/bin/"_s + name;
    test::writeFile(path, "#!/bin/sh\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

} // namespace

class ProjectSuggestionServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir(QDir::homePath() + u"/.local/bin"_s).removeRecursively(); }

    void projectFolders_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<std::optional<QString>>("localhostURL");
        QTest::addColumn<std::optional<QString>>("devCommand");
        QTest::addColumn<std::optional<QString>>("stack");

        QTest::newRow("vite and vue with pnpm")
            << Files{{u"package.json"_s,
                      R"({"scripts": {"dev": "vite --port 4000"}, "dependencies": {"vue": "^3.4.0"}})"},
                     {u"pnpm-lock.yaml"_s, "lockfileVersion: '9.0'\n"}}
            << std::optional(u"http://localhost:4000"_s) << std::optional(u"pnpm dev"_s)
            << std::optional(u"Vue"_s);
        QTest::newRow("react with yarn")
            << Files{{u"package.json"_s,
                      R"({"scripts": {"dev": "react-scripts start"}, "dependencies": {"react": "18"}})"},
                     {u"yarn.lock"_s, ""}}
            << none() << std::optional(u"yarn dev"_s) << std::optional(u"React"_s);
        QTest::newRow("bun binary lock")
            << Files{{u"package.json"_s, R"({"scripts": {"dev": "bun run server.ts"}})"},
                     {u"bun.lockb"_s, ""}}
            << none() << std::optional(u"bun dev"_s) << std::optional(u"Node"_s);
        QTest::newRow("bun text lock")
            << Files{{u"package.json"_s, R"({"scripts": {"dev": "bun run server.ts"}})"},
                     {u"bun.lock"_s, "{}"}}
            << none() << std::optional(u"bun dev"_s) << std::optional(u"Node"_s);
        QTest::newRow("npm without a lock file")
            << Files{{u"package.json"_s, R"({"scripts": {"dev": "node server.js"}})"}} << none()
            << std::optional(u"npm run dev"_s) << std::optional(u"Node"_s);
        QTest::newRow("pnpm wins over yarn")
            << Files{{u"package.json"_s, R"({"scripts": {"dev": "x"}})"},
                     {u"yarn.lock"_s, ""},
                     {u"pnpm-lock.yaml"_s, ""}}
            << none() << std::optional(u"pnpm dev"_s) << std::optional(u"Node"_s);
        QTest::newRow("no dev script, even with a lock file")
            << Files{{u"package.json"_s, R"({"scripts": {"start": "node ."}})"}, {u"pnpm-lock.yaml"_s, ""}}
            << none() << none() << std::optional(u"Node"_s);
        QTest::newRow("localhost pattern wins over an earlier PORT")
            << Files{{u"package.json"_s,
                      R"({"scripts": {"api": "PORT=3001 node api.js", "dev": "serve --url localhost:8080"}})"}}
            << std::optional(u"http://localhost:8080"_s) << std::optional(u"npm run dev"_s)
            << std::optional(u"Node"_s);
        QTest::newRow("vite config without a port")
            << Files{{u"package.json"_s, R"({"scripts": {"dev": "vite"}, "devDependencies": {"vite": "5"}})"},
                     {u"vite.config.ts"_s, "export default defineConfig({ plugins: [] })\n"}}
            << std::optional(u"http://localhost:5173"_s) << std::optional(u"npm run dev"_s)
            << std::optional(u"Node"_s);
        QTest::newRow("vite config without package.json")
            << Files{{u"vite.config.ts"_s, "export default {}\n"}} << none() << none() << none();
        QTest::newRow("port in the vite config")
            << Files{{u"vite.config.js"_s, "export default { server: { port: 5199 } }\n"}}
            << std::optional(u"http://localhost:5199"_s) << none() << none();
        QTest::newRow("next as a dev dependency")
            << Files{{u"package.json"_s,
                      R"({"scripts": {"dev": "next dev"}, "devDependencies": {"next": "14"}})"}}
            << std::optional(u"http://localhost:3000"_s) << std::optional(u"npm run dev"_s)
            << std::optional(u"Next.js"_s);
        QTest::newRow("nuxt before vue")
            << Files{{u"package.json"_s, R"({"dependencies": {"vue": "3", "nuxt": "3"}})"}}
            << std::optional(u"http://localhost:3000"_s) << none() << std::optional(u"Nuxt"_s);
        QTest::newRow("astro") << Files{{u"package.json"_s, R"({"dependencies": {"astro": "4"}})"},
                                        {u"astro.config.mjs"_s, "export default {}\n"}}
                               << std::optional(u"http://localhost:3000"_s) << none()
                               << std::optional(u"Astro"_s);
        QTest::newRow("swift package whatever else")
            << Files{{u"Package.swift"_s, "// swift-tools-version:5.9\n"},
                     {u"package.json"_s, R"({"dependencies": {"react": "18"}})"}}
            << none() << none() << std::optional(u"Swift"_s);
        QTest::newRow("laravel") << Files{{u"composer.json"_s,
                                           R"({"require": {"php": "^8.2", "laravel/framework": "^11.0"}})"},
                                          {u"package.json"_s, R"({"scripts": {"dev": "vite"}})"}}
                                 << none() << std::optional(u"npm run dev"_s) << std::optional(u"Laravel"_s);
        QTest::newRow("composer without laravel")
            << Files{{u"composer.json"_s, R"({"require": {"symfony/console": "7"}})"}} << none() << none()
            << none();
        QTest::newRow("rust") << Files{{u"Cargo.toml"_s, "[package]\nname = \"api\"\n"}} << none()
                              << std::optional(u"cargo run"_s) << std::optional(u"Rust"_s);
        QTest::newRow("deno") << Files{{u"deno.jsonc"_s,
                                        "{ \"tasks\": { \"dev\": \"deno run -A main.ts\" } }\n"}}
                              << none() << std::optional(u"deno task dev"_s) << none();
        QTest::newRow("flutter") << Files{{u"pubspec.yaml"_s, "name: app\n"}} << none() << none()
                                 << std::optional(u"Flutter"_s);
        QTest::newRow("python project")
            << Files{{u"pyproject.toml"_s, "[project]\n"}} << none() << none() << std::optional(u"Python"_s);
        QTest::newRow("python requirements")
            << Files{{u"requirements.txt"_s, "django\n"}} << none() << none() << std::optional(u"Python"_s);
        QTest::newRow("plain index.html")
            << Files{{u"index.html"_s, "<h1>Hi</h1>\n"}} << none() << none() << std::optional(u"Static"_s);
        QTest::newRow("empty folder") << Files{} << none() << none() << none();
        QTest::newRow("broken package.json is still searched for a port")
            << Files{{u"package.json"_s, "{ \"scripts\": { \"dev\": \"vite --port 4100\" "}}
            << std::optional(u"http://localhost:4100"_s) << none() << std::optional(u"Node"_s);
        QTest::newRow("dependencies that are not objects")
            << Files{{u"package.json"_s, R"({"dependencies": ["react"], "scripts": "dev"})"}} << none()
            << none() << std::optional(u"Node"_s);
        QTest::newRow("package.json that is not UTF-8")
            << Files{{u"package.json"_s, "{\"name\": \"caf\xe9\", \"x\": \"localhost:4200\"}"}} << none()
            << none() << std::optional(u"Node"_s);
    }

    void projectFolders()
    {
        QFETCH(Files, files);
        QFETCH(std::optional<QString>, localhostURL);
        QFETCH(std::optional<QString>, devCommand);
        QFETCH(std::optional<QString>, stack);
        QTemporaryDir folder;
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            test::writeFile(folder.filePath(it.key()), it.value());

        const ProjectSuggestions suggestions = ProjectSuggestionService::suggestions(folder.path());
        QCOMPARE(suggestions.localhostURL, localhostURL);
        QCOMPARE(suggestions.devCommand, devCommand);
        QCOMPARE(suggestions.stack, stack);
    }

    void nothingInSubfolders()
    {
        QTemporaryDir folder;
        test::writeFile(folder.filePath(u"web/package.json"_s),
                        R"({"scripts": {"dev": "vite --port 4000"}})");
        const ProjectSuggestions suggestions = ProjectSuggestionService::suggestions(folder.path());
        QCOMPARE(suggestions.localhostURL, std::nullopt);
        QCOMPARE(suggestions.stack, std::nullopt);
    }

    void firstPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("port");
        QTest::newRow("localhost") << u"open http://localhost:5173/"_s << std::optional(5173);
        QTest::newRow("port option") << u"vite --port   4000"_s << std::optional(4000);
        QTest::newRow("environment") << u"PORT=3001 node server.js"_s << std::optional(3001);
        QTest::newRow("config key") << u"server: { port : 8081 }"_s << std::optional(8081);
        QTest::newRow("config assignment") << u"port=9000"_s << std::optional(9000);
        QTest::newRow("earlier pattern wins") << u"port: 1111 then --port 2222"_s << std::optional(2222);
        QTest::newRow("first match of a pattern")
            << u"localhost:3000 localhost:4000"_s << std::optional(3000);
        QTest::newRow("five digits at most") << u"localhost:123456"_s << std::optional(12345);
        QTest::newRow("one digit is too short") << u"localhost:8"_s << std::optional<int>();
        QTest::newRow("case counts") << u"Port: 7000 LOCALHOST:7001"_s << std::optional<int>();
        QTest::newRow("other digits") << u"localhost:٣٠٠٠"_s << std::optional<int>();
        QTest::newRow("nothing") << u"{}"_s << std::optional<int>();
    }

    void firstPort()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<int>, port);
        QCOMPARE(ProjectSuggestionService::firstPort(text), port);
    }

    void editorFromInstalledCommands()
    {
        if (ProjectSuggestionService::commandExists(u"cursor"_s) ||
            ProjectSuggestionService::commandExists(u"code"_s))
            QSKIP("an editor is installed on this machine");
        QTemporaryDir folder;
        QCOMPARE(ProjectSuggestionService::suggestions(folder.path()).editorCommand, std::nullopt);

        // A file that cannot run is not an installed command.
        test::writeFile(QDir::homePath() + u"/.local/bin/cursor"_s, "not a program\n");
        installCommand(u"code"_s);
        QCOMPARE(ProjectSuggestionService::suggestions(folder.path()).editorCommand,
                 std::optional(u"code ."_s));

        installCommand(u"cursor"_s);
        QCOMPARE(ProjectSuggestionService::suggestions(folder.path()).editorCommand,
                 std::optional(u"cursor ."_s));
    }
};

QTEST_GUILESS_MAIN(ProjectSuggestionServiceTest)
#include "ProjectSuggestionServiceTest.moc"
