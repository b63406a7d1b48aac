#include "core/environment/ProjectCommandService.h"

#include "support/RecordingDesktop.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class ProjectCommandServiceTest : public QObject {
    Q_OBJECT

private:
    test::RecordingUrlOpener m_opener;
    test::RecordingClipboard m_clipboard;
    test::RecordingTerminalLauncher m_terminal;
    ProjectCommandService m_commands{m_opener, m_clipboard, m_terminal};
    QString m_initialFolder = QDir::currentPath();
    QTemporaryDir m_folder;
    DevProject m_project;

private Q_SLOTS:
    void init() { m_project.folderPath = m_folder.path(); }
    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void opensOnlyValidURLs()
    {
        for (const QString &text : {u" localhost:5173/app "_s, u"  \n"_s, u"http://exa mple.com"_s})
            m_commands.openWorkspaceLink(
                ProjectLink{QUuid::createUuid(), std::nullopt, u"Docs"_s, text, false});
        QCOMPARE(m_opener.opened, QList{QUrl(u"http://localhost:5173/app"_s)});
    }

    void copies()
    {
        DevProject project;
        project.localhostURL = u"  localhost:3000\n"_s;
        project.services = {{QUuid::createUuid(), u" Web "_s, u" pnpm dev \n"_s, {}},
                            {QUuid::createUuid(), u"Idle"_s, u"  "_s, {}},
                            {QUuid::createUuid(), u""_s, u"pnpm worker"_s, {}}};
        project.devCommand = u"npm start"_s;
        m_commands.copyLocalhostURL(project);
        m_commands.copyDevCommand(project);
        m_commands.copyWorkspaceLink(
            {QUuid::createUuid(), WorkspaceLinkKind::staging, {}, u"staging.example.com"_s});

        // Without a runnable service the legacy command; blank texts copy nothing.
        project.services = {{QUuid::createUuid(), u"Web"_s, u"\t"_s, {}}};
        project.devCommand = u"  npm run dev  "_s;
        m_commands.copyDevCommand(project);
        project.devCommand = u" "_s;
        project.localhostURL = u" "_s;
        m_commands.copyDevCommand(project);
        m_commands.copyLocalhostURL(project);
        QCOMPARE(m_clipboard.texts,
                 (QStringList{u"localhost:3000"_s, u"Web: pnpm dev\nService: pnpm worker"_s,
                              u"https://staging.example.com"_s, u"npm run dev"_s}));
    }

    // The local URL first, else the folder's index.html; a blank folder
    // must not find the application's working folder.
    void previewFallsBackToTheStaticIndex()
    {
        const QString index = m_folder.filePath(u"index.html"_s);
        test::writeFile(index, "<h1>Static</h1>\n");
        QVERIFY(QDir::setCurrent(m_folder.path()));
        m_project.localhostURL = u"127.0.0.1:8000"_s;
        QCOMPARE(ProjectCommandService::previewURL(m_project),
                 std::optional(QUrl(u"http://127.0.0.1:8000"_s)));
        m_project.localhostURL = u" "_s;
        m_commands.openPreview(m_project);
        QCOMPARE(m_opener.opened.last(), QUrl::fromLocalFile(index));
        m_project.folderPath.clear();
        QCOMPARE(ProjectCommandService::previewURL(m_project), std::nullopt);
        m_project.folderPath = m_folder.path();
        QVERIFY(QFile::remove(index));
        QCOMPARE(ProjectCommandService::previewURL(m_project), std::nullopt);
    }

    void editorRunsThroughTheLoginShellInTheFolder()
    {
        m_project.editorCommand = u"  { pwd; printenv PATH; } > editor.tmp && mv editor.tmp editor.txt \n"_s;
        m_commands.openEditorInBackground(m_project);
        const QString output = m_folder.filePath(u"editor.txt"_s);
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(output); }, 20000));
        const QStringList lines = QString::fromUtf8(test::readFile(output)).split(u'\n');
        QCOMPARE(lines.value(0), QDir(m_folder.path()).canonicalPath());
        QVERIFY(
            lines.value(1).startsWith(u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin:"_s));
    }
};

QTEST_GUILESS_MAIN(ProjectCommandServiceTest)
#include "ProjectCommandServiceTest.moc"
