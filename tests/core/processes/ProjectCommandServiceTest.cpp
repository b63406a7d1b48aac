#include "core/processes/ProjectCommandService.h"

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

private Q_SLOTS:
    void init()
    {
        m_opener.opened.clear();
        m_clipboard.texts.clear();
    }

    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void openURL_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QUrl>>("opened");
        QTest::newRow("local address")
            << u" localhost:5173/app "_s << QList{QUrl(u"http://localhost:5173/app"_s)};
        QTest::newRow("blank") << u"  \n"_s << QList<QUrl>{};
        QTest::newRow("not a URL") << u"http://exa mple.com"_s << QList<QUrl>{};
    }

    void openURL()
    {
        QFETCH(QString, text);
        QFETCH(QList<QUrl>, opened);
        m_commands.openWorkspaceLink(ProjectLink{QUuid::createUuid(), std::nullopt, u"Docs"_s, text, false});
        QCOMPARE(m_opener.opened, opened);
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

    void previewPrefersTheLocalURL()
    {
        QTemporaryDir folder;
        test::writeFile(folder.filePath(u"index.html"_s), "<h1>Static</h1>\n");
        DevProject project;
        project.folderPath = folder.path();
        project.localhostURL = u"127.0.0.1:8000"_s;
        QCOMPARE(ProjectCommandService::previewURL(project), std::optional(QUrl(u"http://127.0.0.1:8000"_s)));

        project.localhostURL = u" "_s;
        m_commands.openPreview(project);
        QCOMPARE(m_opener.opened, QList{QUrl::fromLocalFile(folder.filePath(u"index.html"_s))});

        QVERIFY(QFile::remove(folder.filePath(u"index.html"_s)));
        QCOMPARE(ProjectCommandService::previewURL(project), std::nullopt);
    }

    void blankFolderHasNoStaticIndex()
    {
        QTemporaryDir workingFolder;
        test::writeFile(workingFolder.filePath(u"index.html"_s), "<h1>Not a project</h1>\n");
        QVERIFY(QDir::setCurrent(workingFolder.path()));
        DevProject project;
        project.folderPath = u"."_s;
        QVERIFY(ProjectCommandService::staticIndexURL(project));
        project.folderPath = u"  "_s;
        QCOMPARE(ProjectCommandService::staticIndexURL(project), std::nullopt);
    }

    void editorRunsThroughTheLoginShellInTheFolder()
    {
        QTemporaryDir folder;
        DevProject project;
        project.folderPath = folder.path();
        project.editorCommand = u"  { pwd; printenv PATH; } > editor.tmp && mv editor.tmp editor.txt \n"_s;
        m_commands.openEditorInBackground(project);

        const QString output = folder.filePath(u"editor.txt"_s);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), 20000);
        const QStringList lines = QString::fromUtf8(test::readFile(output)).split(u'\n');
        QCOMPARE(lines.value(0), QDir(folder.path()).canonicalPath());
        QVERIFY2(
            lines.value(1).startsWith(u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin:"_s),
            qPrintable(lines.value(1)));
    }
};

QTEST_GUILESS_MAIN(ProjectCommandServiceTest)
#include "ProjectCommandServiceTest.moc"
