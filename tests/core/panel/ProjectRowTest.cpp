#include "core/panel/HexColor.h"
#include "core/panel/ProjectRowActions.h"
#include "core/panel/ProjectRowRules.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// A stopped, active project with a folder, a service and an editor command.
ProjectRowContext context()
{
    ProjectRowContext result;
    result.project.id = QUuid::createUuid();
    result.project.name = u"Shop"_s;
    result.project.folderPath = u"/work/shop"_s;
    result.project.services = {ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, {}}};
    result.project.editorCommand = u"code ."_s;
    return result;
}

// "key", "key (off)", "---", "[header]" and children indented by two blanks.
QStringList flatten(const QList<RowMenuEntry> &entries, const QString &indent = {})
{
    QStringList lines;
    for (const RowMenuEntry &entry : entries) {
        switch (entry.kind) {
        case RowMenuEntry::Kind::separator:
            lines.append(indent + u"---"_s);
            break;
        case RowMenuEntry::Kind::sectionHeader:
            lines.append(indent + u'[' + entry.titleKey + u']');
            break;
        case RowMenuEntry::Kind::item:
        case RowMenuEntry::Kind::submenu:
            lines.append(indent + (entry.plainTitle.isEmpty() ? entry.titleKey : entry.plainTitle) +
                         (entry.enabled ? QString() : u" (off)"_s));
            lines += flatten(entry.children, indent + u"  "_s);
            break;
        }
    }
    return lines;
}

QStringList bar(const ProjectRowContext &row)
{
    QStringList buttons;
    for (const RowActionButton &button : ProjectRowActions::actionBar(row))
        buttons.append(button.titleKey + u'/' + button.tooltipKey +
                       (button.disabled ? u" (off)"_s : QString()) +
                       (button.style == ActionButtonStyle::activeProcess ? u" active"_s : QString()));
    return buttons;
}

} // namespace

class ProjectRowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void display_data()
    {
        QTest::addColumn<ProjectRowContext>("row");
        QTest::addColumn<QString>("expected"); // border, mark, badges, state, notes, bar, footer

        ProjectRowContext blanks = context();
        blanks.project.client = u"  "_s;
        blanks.project.notes = u" \n "_s;
        QTest::newRow("blank client and notes count for nothing")
            << blanks << u"plain none - state:0 notes:0 bar:1 footer:0"_s;
        ProjectRowContext hidden = context();
        hidden.project.client = u"ACME"_s;
        hidden.hidesClientBadge = true;
        hidden.processState = DevProcessState::starting;
        QTest::newRow("client hidden while grouped by client, starting")
            << hidden << u"starting none - state:1 notes:0 bar:1 footer:0"_s;
        ProjectRowContext badges = context();
        badges.project.client = u" ACME "_s;
        badges.project.stack = u"Nuxt"_s;
        badges.project.isPinned = true;
        badges.project.notes = u"\nCall Anna\n"_s;
        badges.gitStatus = ProjectGitStatus{u"main"_s, true};
        badges.processState = DevProcessState::failed;
        QTest::newRow("every badge, pinned, failed")
            << badges << u"plain pinned client,stack,git state:1 notes:1 bar:1 footer:0"_s;
        ProjectRowContext archived = context();
        archived.project.isArchived = true;
        archived.project.isPinned = true;
        archived.envProfile = ProjectEnvProfile{u"local"_s, {u".env"_s}};
        QTest::newRow("archived wins over pinned, no bar")
            << archived << u"plain archived env state:0 notes:0 bar:0 footer:0"_s;
        ProjectRowContext missing = context();
        missing.isFolderMissing = true;
        missing.processState = DevProcessState::running;
        QTest::newRow("missing folder wins over running")
            << missing << u"folderMissing none - state:1 notes:0 bar:1 footer:1"_s;
        ProjectRowContext running = context();
        running.processState = DevProcessState::running;
        QTest::newRow("running") << running << u"running none - state:1 notes:0 bar:1 footer:0"_s;
    }

    void display()
    {
        QFETCH(ProjectRowContext, row);
        QFETCH(QString, expected);
        const ProjectRowDisplay shown = ProjectRowRules::display(row);
        static const QStringList borders{u"folderMissing"_s, u"running"_s, u"starting"_s, u"plain"_s};
        static const QStringList marks{u"none"_s, u"archived"_s, u"pinned"_s};
        QStringList badges;
        if (shown.showsClientBadge)
            badges.append(u"client"_s);
        if (shown.showsStackBadge)
            badges.append(u"stack"_s);
        if (row.gitStatus)
            badges.append(u"git"_s);
        if (row.envProfile)
            badges.append(u"env"_s);
        QCOMPARE(shown.hasBadgeMetadata, !badges.isEmpty());
        const QString actual = u"%1 %2 %3 state:%4 notes:%5 bar:%6 footer:%7"_s.arg(
            borders[int(shown.border)], marks[int(shown.titleMark)],
            badges.isEmpty() ? u"-"_s : badges.join(u','), QString::number(shown.showsStateIndicator),
            QString::number(shown.showsNotesMark), QString::number(shown.showsActionBar),
            QString::number(shown.showsFolderMissingFooter));
        QCOMPARE(actual, expected);
    }

    void badgeTexts()
    {
        ProjectRowContext row = context();
        row.project.clientColorHex = u"#93C5FD"_s;
        row.gitStatus = ProjectGitStatus{u"main"_s, false};
        row.envProfile = ProjectEnvProfile{u"staging"_s, {u".env"_s, u".env.staging"_s}};
        const ProjectRowDisplay shown = ProjectRowRules::display(row);
        QCOMPARE(shown.clientBadgeHex, HexColor::kFallback);
        QCOMPARE(shown.gitTooltip, u"No uncommitted changes"_s);
        QCOMPARE(shown.envBadgeText, u".env staging"_s);
        QCOMPARE(shown.envTooltip, u"Files: .env, .env.staging"_s);
    }

    void actionBar_data()
    {
        QTest::addColumn<ProjectRowContext>("row");
        QTest::addColumn<QStringList>("expected");
        const QString folder = u"finder/open_folder_finder"_s;
        const QString terminal = u"terminal/open_project_terminal"_s;
        const QString editor = u"editor/open_project_editor"_s;

        QTest::newRow("stopped, services, no address")
            << context() << QStringList{folder, terminal, editor, u"run/start_dev_process"_s};
        ProjectRowContext missing = context();
        missing.isFolderMissing = true;
        missing.processState = DevProcessState::running;
        missing.project.localhostURL = u"localhost:3000"_s;
        missing.hasPreviewURL = true;
        QTest::newRow("missing folder disables all, also stop")
            << missing
            << QStringList{folder + u" (off)"_s, terminal + u" (off)"_s, editor + u" (off)"_s,
                           u"localhost/open_localhost_browser (off)"_s,
                           u"stop/stop_dev_process (off) active"_s};
        ProjectRowContext noCommands = context();
        noCommands.project.services.clear();
        noCommands.project.devCommand = u"  "_s;
        noCommands.project.editorCommand = u" "_s;
        QTest::newRow("no command, blank editor")
            << noCommands << QStringList{folder, terminal, u"editor/add_editor_command (off)"_s};
        ProjectRowContext legacy = context();
        legacy.project.services.clear();
        legacy.project.devCommand = u"npm start"_s;
        legacy.project.localhostURL = u"localhost:3000"_s;
        legacy.hasPreviewURL = true;
        QTest::newRow("legacy command stopped: no localhost")
            << legacy << QStringList{folder, terminal, editor, u"run/start_dev_process"_s};
        legacy.processState = DevProcessState::starting;
        QTest::newRow("legacy command starting: no localhost")
            << legacy << QStringList{folder, terminal, editor, u"stop/stop_dev_process active"_s};
        legacy.processState = DevProcessState::running;
        QTest::newRow("legacy command running: localhost")
            << legacy
            << QStringList{folder, terminal, editor, u"localhost/open_localhost_browser"_s,
                           u"stop/stop_dev_process active"_s};
        ProjectRowContext staticSite = context();
        staticSite.project.services.clear();
        staticSite.hasPreviewURL = true;
        staticSite.hasStaticIndex = true;
        QTest::newRow("static site") << staticSite
                                     << QStringList{folder, terminal, editor,
                                                    u"localhost/open_static_site_browser"_s};
        ProjectRowContext archived = context();
        archived.project.isArchived = true;
        QTest::newRow("archived: no bar") << archived << QStringList{};
    }

    void actionBar()
    {
        QFETCH(ProjectRowContext, row);
        QFETCH(QStringList, expected);
        QCOMPARE(bar(row), expected);
    }

    void menu_data()
    {
        QTest::addColumn<ProjectRowContext>("row");
        QTest::addColumn<QStringList>("expected");
        const auto copy = [](bool url) {
            return QStringList{u"copy"_s, u"  copy_project_path"_s,
                               url ? u"  copy_localhost_url"_s : u"  copy_localhost_url (off)"_s,
                               u"  copy_dev_command"_s};
        };
        const QStringList usage{u"---"_s, u"usage_title"_s, u"  usage_statistics (off)"_s};
        const QStringList windows{u"view_logs (off)"_s, u"device_preview (off)"_s, u"---"_s};
        const QStringList workspace{u"---"_s, u"[start_workspace_menu_description]"_s};
        const QStringList tail{u"---"_s, u"archive_project"_s, u"delete_project"_s};

        QTest::newRow("active, link-less")
            << context()
            << QStringList{u"edit_project (off)"_s, u"pin_project"_s} + workspace +
                   QStringList{u"start_workspace"_s} + usage + windows + copy(false) + tail;

        ProjectRowContext archived = context();
        archived.project.isArchived = true;
        archived.project.isPinned = true;
        archived.project.notes = u"Call Anna"_s;
        archived.envProfile = ProjectEnvProfile{u"local"_s, {u".env"_s}};
        archived.project.workspaceLinks = {
            ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::github, {}, u"github.com/a/b"_s, false},
            ProjectLink{QUuid::createUuid(), std::nullopt, u" Board "_s, u"trello.com/x"_s, false}};
        QTest::newRow("archived, with notes, .env and links")
            << archived
            << QStringList{u"edit_project (off)"_s} + usage +
                   QStringList{u"view_logs (off)"_s,      u"view_env_details (off)"_s,
                               u"device_preview (off)"_s, u"workspace_links"_s,
                               u"  Repository"_s,         u"  Board"_s,
                               u"view_project_notes"_s,   u"---"_s} +
                   copy(false) +
                   QStringList{u"  copy_workspace_link"_s, u"    Repository"_s, u"    Board"_s, u"---"_s,
                               u"restore_project"_s,       u"delete_project"_s};

        ProjectRowContext running = context();
        running.project.isPinned = true;
        running.isFolderMissing = true;
        running.processState = DevProcessState::running;
        running.project.localhostURL = u" localhost:5173 "_s;
        running.usageTrackingState = UsageTrackingState{true, true, 0, 12};
        QTest::newRow("running, missing folder, tracking paused")
            << running
            << QStringList{u"edit_project (off)"_s, u"unpin_project"_s} + workspace +
                   QStringList{u"start_workspace (off)"_s, u"restart_dev_process (off)"_s} + usage +
                   QStringList{u"  resume_usage_tracking"_s} + windows + copy(true) + tail;
    }

    void menu()
    {
        QFETCH(ProjectRowContext, row);
        QFETCH(QStringList, expected);
        QCOMPARE(flatten(ProjectRowActions::menu(row, RowWindows{})), expected);
    }

    void windowsEnableTheirEntries()
    {
        ProjectRowContext row = context();
        row.envProfile = ProjectEnvProfile{u"local"_s, {u".env"_s}};
        row.project.localhostURL = u"localhost:3000"_s;
        const QStringList lines =
            flatten(ProjectRowActions::menu(row, RowWindows{true, true, true, true, true}));
        QVERIFY2(!lines.join(u'\n').contains(u"(off)"_s), qPrintable(lines.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(ProjectRowTest)
#include "ProjectRowTest.moc"
