#include "core/processes/ProjectSuggestionService.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

using Files = QMap<QString, QByteArray>;
using Text = std::optional<QString>;

namespace {

Text text(const char16_t *value)
{
    return QString::fromUtf16(value);
}

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

class ProjectSuggestionServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir(QDir::homePath() + u"/.local/bin"_s).removeRecursively(); }

    void projectFolders_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<Text>("localhostURL");
        QTest::addColumn<Text>("devCommand");
        QTest::addColumn<Text>("stack");
        const char *devScript = "{\"dev\": \"vite\"}";

        QTest::newRow("vite and vue with pnpm")
            << Files{{u"package.json"_s, packageJson("{\"dev\": \"vite --port 4000\"}", "{\"vue\": \"3\"}")},
                     {u"pnpm-lock.yaml"_s, ""}}
            << text(u"http://localhost:4000") << text(u"pnpm dev") << text(u"Vue");
        QTest::newRow("react with yarn")
            << Files{{u"package.json"_s, packageJson(devScript, "{\"react\": \"18\"}")}, {u"yarn.lock"_s, ""}}
            << Text() << text(u"yarn dev") << text(u"React");
        QTest::newRow("bun text lock")
            << Files{{u"package.json"_s, packageJson(devScript, "{}")}, {u"bun.lock"_s, ""}} << Text()
            << text(u"bun dev") << text(u"Node");
        QTest::newRow("localhost wins over an earlier PORT")
            << Files{{u"package.json"_s,
                      packageJson("{\"api\": \"PORT=3001 x\", \"dev\": \"serve localhost:8080\"}", "{}")}}
            << text(u"http://localhost:8080") << text(u"npm run dev") << text(u"Node");
        QTest::newRow("vite config without a port")
            << Files{{u"package.json"_s, packageJson(devScript, "{}")},
                     {u"vite.config.ts"_s, "export default {}"}}
            << text(u"http://localhost:5173") << text(u"npm run dev") << text(u"Node");
        QTest::newRow("vite config without package.json")
            << Files{{u"vite.config.ts"_s, "export default {}"}} << Text() << Text() << Text();
        QTest::newRow("next as a dev dependency")
            << Files{{u"package.json"_s, packageJson("{}", "{}", "{\"next\": \"14\"}")}}
            << text(u"http://localhost:3000") << Text() << text(u"Next.js");
        QTest::newRow("lock file without a dev script")
            << Files{{u"package.json"_s, packageJson("{\"start\": \"node .\"}", "{}")},
                     {u"pnpm-lock.yaml"_s, ""}}
            << Text() << Text() << text(u"Node");
        QTest::newRow("nuxt before vue")
            << Files{{u"package.json"_s, packageJson("{}", "{\"vue\": \"3\", \"nuxt\": \"3\"}")}}
            << text(u"http://localhost:3000") << Text() << text(u"Nuxt");
        QTest::newRow("swift whatever else")
            << Files{{u"Package.swift"_s, ""}, {u"package.json"_s, packageJson("{}", "{\"react\": \"18\"}")}}
            << Text() << Text() << text(u"Swift");
        QTest::newRow("laravel") << Files{{u"composer.json"_s,
                                           "{\"require\": {\"laravel/framework\": \"11\"}}"}}
                                 << Text() << Text() << text(u"Laravel");
        QTest::newRow("rust") << Files{{u"Cargo.toml"_s, "[package]\n"}} << Text() << text(u"cargo run")
                              << text(u"Rust");
        QTest::newRow("deno") << Files{{u"deno.jsonc"_s, "{}"}} << Text() << text(u"deno task dev") << Text();
        QTest::newRow("flutter") << Files{{u"pubspec.yaml"_s, ""}} << Text() << Text() << text(u"Flutter");
        QTest::newRow("python") << Files{{u"requirements.txt"_s, ""}} << Text() << Text() << text(u"Python");
        QTest::newRow("static site") << Files{{u"index.html"_s, ""}} << Text() << Text() << text(u"Static");
        QTest::newRow("empty folder") << Files{} << Text() << Text() << Text();
        QTest::newRow("broken package.json is still searched for a port")
            << Files{{u"package.json"_s, "{\"scripts\": {\"dev\": \"vite --port 4100\""}}
            << text(u"http://localhost:4100") << Text() << text(u"Node");
        QTest::newRow("subfolders are not looked at")
            << Files{{u"web/package.json"_s, packageJson(devScript, "{}")}} << Text() << Text() << Text();
    }

    void projectFolders()
    {
        QFETCH(Files, files);
        QFETCH(Text, localhostURL);
        QFETCH(Text, devCommand);
        QFETCH(Text, stack);
        QTemporaryDir folder;
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            test::writeFile(folder.filePath(it.key()), it.value());

        const ProjectSuggestions suggestions = ProjectSuggestionService::suggestions(folder.path());
        QCOMPARE(suggestions.localhostURL, localhostURL);
        QCOMPARE(suggestions.devCommand, devCommand);
        QCOMPARE(suggestions.stack, stack);
    }

    void firstPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("port");
        QTest::newRow("earlier pattern wins") << u"port: 1111 then --port 2222"_s << std::optional(2222);
        QTest::newRow("first match of a pattern")
            << u"localhost:3000 localhost:4000"_s << std::optional(3000);
        QTest::newRow("config key") << u"server: { port : 8081 }"_s << std::optional(8081);
        QTest::newRow("one digit") << u"localhost:8"_s << std::optional<int>();
        QTest::newRow("case counts") << u"Port: 7000 LOCALHOST:7001"_s << std::optional<int>();
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
        QCOMPARE(ProjectSuggestionService::suggestions(folder.path()).editorCommand, Text());
        installCommand(u"cursor"_s, false);
        installCommand(u"code"_s);
        QCOMPARE(ProjectSuggestionService::suggestions(folder.path()).editorCommand, text(u"code ."));
        installCommand(u"cursor"_s);
        QCOMPARE(ProjectSuggestionService::suggestions(folder.path()).editorCommand, text(u"cursor ."));
    }
};

QTEST_GUILESS_MAIN(ProjectSuggestionServiceTest)
#include "ProjectSuggestionServiceTest.moc"
