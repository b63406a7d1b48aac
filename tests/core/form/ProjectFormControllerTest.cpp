#include "core/form/ProjectFormController.h"

#include "core/foundation/L10n.h"
#include "support/FormDoubles.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

ProjectService service(const QString &name, const QString &command, const QString &url = {})
{
    return ProjectService{QUuid::createUuid(), name, command, url};
}

DevProject project(const QString &name, const QString &folder = {})
{
    DevProject made;
    made.id = QUuid::createUuid();
    made.name = name;
    made.folderPath = folder;
    return made;
}

} // namespace

// The form's draft, its clean-up and checks on save, and the folder choice.
class ProjectFormControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    DevProject m_other;
    DevProject m_edited;
    test::ScriptedFormDesktop m_desktop;
    test::FixedSuggestions m_suggestions;
    test::RecordingFormOwner m_owner;

    QString path(const QString &name) const { return m_root.filePath(name); }

    std::unique_ptr<ProjectFormController> form(const std::optional<DevProject> &edited)
    {
        return std::make_unique<ProjectFormController>(
            edited, QList<DevProject>{m_other, m_edited, project(u"Blank"_s)},
            ProjectFormController::Services{m_desktop, m_suggestions, m_owner});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_root.path()).mkpath(u"other/sub"_s));
        QVERIFY(QDir(m_root.path()).mkpath(u"edited"_s));
        QVERIFY(QDir(m_root.path()).mkpath(u"fresh"_s));
        test::writeFile(path(u"file"_s), "x");
        QVERIFY(QFile::link(path(u"other"_s), path(u"link-to-other"_s)));
        m_other = project(u"Other"_s, path(u"other"_s));
        m_edited = project(u"Edited"_s, path(u"edited"_s));
        // A project without a folder must not collide with the working folder.
        QVERIFY(QDir::setCurrent(path(u"fresh"_s)));
    }

    void init()
    {
        m_desktop = {};
        m_suggestions = {};
        m_owner = {};
    }

    void saveChecks_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("ownerAccepts");
        QTest::addColumn<QString>("messageKey");
        QTest::addColumn<bool>("tabGeneral");

        QTest::newRow("name of spaces")
            << false << u"  \n"_s << u"fresh"_s << true << u"project_name_required"_s << true;
        QTest::newRow("blank folder")
            << false << u"A"_s << u" "_s << true << u"folder_path_required"_s << true;
        QTest::newRow("folder is a file")
            << false << u"A"_s << u"file"_s << true << u"choose_existing_folder"_s << true;
        QTest::newRow("missing folder")
            << false << u"A"_s << u"gone"_s << true << u"choose_existing_folder"_s << true;
        QTest::newRow("other's folder by symlink")
            << false << u"A"_s << u"link-to-other"_s << true << u"could_not_save_project"_s << true;
        QTest::newRow("other's folder by ..")
            << false << u"A"_s << u"other/sub/../"_s << true << u"could_not_save_project"_s << true;
        QTest::newRow("owner refuses")
            << false << u"A"_s << u"fresh"_s << false << u"could_not_save_project"_s << false;
        QTest::newRow("new project") << false << u"A"_s << u"fresh"_s << true << QString() << false;
        QTest::newRow("edited, own folder")
            << true << u"Edited"_s << u"edited"_s << true << QString() << false;
    }

    void saveChecks()
    {
        QFETCH(bool, editing);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(bool, ownerAccepts);
        QFETCH(QString, messageKey);
        QFETCH(bool, tabGeneral);

        m_owner.accepts = ownerAccepts;
        auto controller = form(editing ? std::optional(m_edited) : std::nullopt);
        controller->setSelectedTab(ProjectFormTab::notes);
        DevProject draft = controller->draft();
        draft.name = name;
        draft.folderPath = folder.isEmpty() || folder.trimmed().isEmpty() ? folder : path(folder);
        controller->setDraft(draft);

        const bool saved = controller->save();
        QCOMPARE(saved, messageKey.isEmpty());
        QCOMPARE(controller->validationMessage(),
                 messageKey.isEmpty() ? std::nullopt : std::optional(L10n::text(messageKey)));
        QCOMPARE(controller->selectedTab(), tabGeneral ? ProjectFormTab::general : ProjectFormTab::notes);
        // The owner is asked only once every check passed.
        QCOMPARE(m_owner.saved.size(), saved || !ownerAccepts ? 1 : 0);
        QCOMPARE(controller->draft().name, name.trimmed());
    }

    void ownerErrorShownAndClearedByNextSave()
    {
        m_owner.accepts = false;
        m_owner.error = u"Folder in use"_s;
        auto controller = form(m_edited);
        QVERIFY(!controller->save());
        QCOMPARE(*controller->validationMessage(),
                 L10n::text(u"could_not_save_project"_s) + u"\nFolder in use"_s);
        m_owner.accepts = true;
        QVERIFY(controller->save());
        QVERIFY(!controller->validationMessage());
    }

    void saveCleansEveryField()
    {
        DevProject edited = m_edited;
        edited.name = u" Edited "_s;
        edited.client = u" Acme\n"_s;
        edited.notes = u"\n note \n"_s;
        edited.localhostURL = u" localhost:3000 "_s;
        edited.devCommand = u" npm run dev "_s;
        edited.services = {service(u"blank"_s, u"  "_s)};
        edited.workspaceLinks = {
            ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::github, u" "_s, u" github.com/a "_s, true},
            ProjectLink{QUuid::createUuid(), std::nullopt, u""_s, u"192.168.1.2:8080/x"_s, false},
            ProjectLink{QUuid::createUuid(), std::nullopt, u"Only a title"_s, u" "_s, true},
        };
        edited.previewLinkedURLs = {
            ProjectPreviewLinkedURL{QUuid::createUuid(), u" Admin "_s, u"localhost:8000"_s},
            ProjectPreviewLinkedURL{QUuid::createUuid(), u"Empty"_s, u"  "_s}};
        // What a later version wrote stays through the clean-up.
        const QList<StoredJsonMember> later{{u"since"_s, "\"v9\""}};
        edited.workspaceLinks[0].unknownMembers = later;
        edited.previewLinkedURLs[0].unknownMembers = later;
        edited.linksKeptAsStored = {LinkKeptAsStored{1, R"({"kind": "gitlab", "url": "x"})"}};
        auto controller = form(edited);
        // The legacy command became one service when the form opened.
        QCOMPARE(controller->draft().services.size(), 1);
        QCOMPARE(controller->draft().services[0].name, L10n::text(u"frontend_service"_s));
        QCOMPARE(controller->draft().services[0].command, u"npm run dev"_s);
        QCOMPARE(controller->draft().devCommand, QString());

        DevProject draft = controller->draft();
        draft.services.append(service(u" api "_s, u" cargo run "_s, u"127.0.0.1:9000"_s));
        draft.services.last().unknownMembers = later;
        draft.services.append(service(u"empty"_s, u"\n"_s));
        controller->setDraft(draft);
        QVERIFY(controller->save());

        const DevProject saved = m_owner.saved.value(0);
        QCOMPARE(saved, controller->draft());
        QCOMPARE(saved.name, u"Edited"_s);
        QCOMPARE(saved.client, u"Acme"_s);
        QCOMPARE(saved.notes, u"note"_s);
        QCOMPARE(saved.localhostURL, u"localhost:3000"_s);
        QCOMPARE(saved.services.size(), 2);
        QCOMPARE(saved.services[0].localhostURL, u"http://localhost:3000"_s);
        QCOMPARE(saved.services[1], (ProjectService{draft.services[1].id, u"api"_s, u"cargo run"_s,
                                                    u"http://127.0.0.1:9000"_s, later}));
        QCOMPARE(saved.workspaceLinks.size(), 2);
        QCOMPARE(saved.workspaceLinks[0].url, u"https://github.com/a"_s);
        QCOMPARE(saved.workspaceLinks[0].title, QString());
        QVERIFY(saved.workspaceLinks[0].openWithWorkspace);
        QCOMPARE(saved.workspaceLinks[1].title, L10n::text(u"custom_link"_s));
        QCOMPARE(saved.workspaceLinks[1].url, u"http://192.168.1.2:8080/x"_s);
        QCOMPARE(saved.previewLinkedURLs.size(), 1);
        QCOMPARE(saved.previewLinkedURLs[0].name, u"Admin"_s);
        QCOMPARE(saved.previewLinkedURLs[0].url, u"http://localhost:8000"_s);
        QCOMPARE(saved.workspaceLinks[0].unknownMembers, later);
        QCOMPARE(saved.previewLinkedURLs[0].unknownMembers, later);
        QCOMPARE(saved.linksKeptAsStored, edited.linksKeptAsStored);
    }

    void runnableServiceKeepsLegacyCommandUntilSave()
    {
        DevProject edited = m_edited;
        edited.devCommand = u"old"_s;
        edited.services = {service(u"web"_s, u"vite"_s)};
        auto controller = form(edited);
        QCOMPARE(controller->draft(), edited);
        QVERIFY(controller->save());
        QCOMPARE(m_owner.saved.value(0).devCommand, QString());
    }

    void chooseFolder_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("localhostURL");
        QTest::addColumn<QString>("expectedFolder");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<QString>("expectedLocalhostURL");
        QTest::addColumn<int>("alerts");

        QTest::newRow("cancelled") << QString() << u"N"_s << QString() << QString() << u"N"_s << QString()
                                   << 0;
        QTest::newRow("other's folder by symlink")
            << u"link-to-other"_s << u" "_s << QString() << QString() << u" "_s << QString() << 1;
        QTest::newRow("blank name takes the folder's") << u"fresh"_s << u"  "_s << QString() << u"fresh"_s
                                                       << u"fresh"_s << u"http://localhost:5173"_s << 0;
        QTest::newRow("typed fields stay") << u"fresh"_s << u"Mine"_s << u"http://localhost:1"_s << u"fresh"_s
                                           << u"Mine"_s << u"http://localhost:1"_s << 0;
    }

    void chooseFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, name);
        QFETCH(QString, localhostURL);
        QFETCH(QString, expectedFolder);
        QFETCH(QString, expectedName);
        QFETCH(QString, expectedLocalhostURL);
        QFETCH(int, alerts);

        if (!chosen.isEmpty())
            m_desktop.nextFolder = path(chosen);
        m_suggestions.next = {u"http://localhost:5173"_s, u"pnpm dev"_s, u"cursor ."_s, u"Vue"_s};
        auto controller = form(std::nullopt);
        DevProject draft = controller->draft();
        draft.name = name;
        draft.localhostURL = localhostURL;
        draft.services = {service(u"blank"_s, u" "_s)};
        controller->setDraft(draft);

        QCoro::waitFor(controller->chooseFolder());
        const DevProject &result = controller->draft();
        QCOMPARE(m_desktop.messages.size(), alerts);
        QCOMPARE(result.folderPath, expectedFolder.isEmpty() ? QString() : path(expectedFolder));
        QCOMPARE(result.name, expectedName);
        QCOMPARE(result.localhostURL, expectedLocalhostURL);
        if (expectedFolder.isEmpty()) {
            QCOMPARE(result, draft);
            return;
        }
        QCOMPARE(result.editorCommand, u"cursor ."_s);
        QCOMPARE(result.stack, u"Vue"_s);
        // The suggested command replaced the blank service.
        QCOMPARE(result.services.size(), 1);
        QCOMPARE(result.services[0].command, u"pnpm dev"_s);
        QCOMPARE(result.services[0].localhostURL, expectedLocalhostURL);
        QCOMPARE(result.devCommand, QString());
    }

    void suggestionsForAnEarlierFolderAreDropped()
    {
        m_desktop.nextFolder = path(u"fresh"_s);
        m_suggestions.next.stack = u"Vue"_s;
        auto controller = form(std::nullopt);
        // The folder changes while the suggestions are read.
        connect(controller.get(), &ProjectFormController::draftChanged, controller.get(), [&] {
            if (controller->draft().folderPath == path(u"fresh"_s)) {
                DevProject draft = controller->draft();
                draft.folderPath = path(u"edited"_s);
                controller->setDraft(draft);
            }
        });
        QCoro::waitFor(controller->chooseFolder());
        QCOMPARE(controller->draft().stack, QString());
    }

    void tabCountsFollowTheDraft()
    {
        DevProject edited = m_edited;
        edited.services = {service(u"a"_s, u"x"_s), service(u"b"_s, u" "_s)};
        edited.previewLinkedURLs = {ProjectPreviewLinkedURL{QUuid::createUuid(), u"n"_s, u""_s}};
        edited.workspaceLinks = {ProjectLink{QUuid::createUuid(), std::nullopt, u"t"_s, u"u"_s, false}};
        edited.notes = u" \n"_s;
        auto controller = form(edited);
        const QMap<ProjectFormTab, int> expected{
            {ProjectFormTab::execution, 1}, {ProjectFormTab::preview, 0}, {ProjectFormTab::links, 1}};
        QCOMPARE(controller->tabCounts(), expected);
        QVERIFY(!controller->notesHaveContent());
    }

    void cancelAsksTheOwner()
    {
        auto controller = form(m_edited);
        controller->cancel();
        QCOMPARE(m_owner.cancels, 1);
        QVERIFY(m_owner.saved.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ProjectFormControllerTest)
#include "ProjectFormControllerTest.moc"
