#include "core/panel/PanelList.h"

#include "core/panel/ProjectRowActions.h"
#include "core/panel/ProjectRowRules.h"
#include "core/projects/HexColor.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

Q_DECLARE_METATYPE(std::optional<devnook::DevicePreviewHealthSummary>)

namespace {

DevProject project(const QString &name, const QString &client = {}, const QString &stack = {},
                   std::optional<double> lastUsed = std::nullopt, const QString &folder = {})
{
    DevProject result;
    result.id = QUuid::createUuid();
    result.name = name;
    result.client = client;
    result.stack = stack;
    result.folderPath = folder.isEmpty() ? u"/work/"_s + name.toLower() : folder;
    if (lastUsed)
        result.lastUsedAt = Timestamp::fromSecondsSinceReference(*lastUsed);
    return result;
}

QStringList names(const QList<DevProject> &projects)
{
    QStringList result;
    for (const DevProject &entry : projects)
        result.append(entry.name);
    return result;
}

// A stopped, active project with a folder, a service and an editor command.
ProjectRowContext context()
{
    ProjectRowContext result;
    result.project = project(u"Shop"_s);
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

// The panel's list and its rows: what shows, in which order and groups, and
// what each row offers.
class PanelListTest : public QObject {
    Q_OBJECT

private:
    QList<DevProject> m_catalogue;
    QHash<QUuid, ProjectGitStatus> m_git;
    QHash<QUuid, ProjectEnvProfile> m_env;

private Q_SLOTS:
    void initTestCase()
    {
        DevProject shop = project(u"Shop"_s, u"ACME"_s, u"Nuxt"_s);
        shop.workspaceLinks = {ProjectLink{QUuid::createUuid(), WorkspaceLinkKind::github, u"Source code"_s,
                                           u"https://example.com/acme/shop"_s, false}};
        DevProject blog = project(u"Blog"_s, u"  Tinto "_s, u"Astro"_s);
        DevProject api = project(u"Api"_s);
        DevProject old = project(u"Old Site"_s, u"ACME"_s);
        old.isArchived = true;
        m_catalogue = {shop, blog, api, old};
        m_git.insert(blog.id, ProjectGitStatus{u"feature/login"_s, true});
        m_git.insert(api.id, ProjectGitStatus{u"main"_s, false});
        m_env.insert(api.id, ProjectEnvProfile{u"staging"_s, {u".env"_s, u".env.staging"_s}});
    }

    void search_data()
    {
        QTest::addColumn<ProjectArchiveFilter>("filter");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        const auto active = ProjectArchiveFilter::active;
        QTest::newRow("blank query") << active << u" \n\t"_s << QStringList{u"Shop"_s, u"Blog"_s, u"Api"_s};
        QTest::newRow("trimmed, any case") << active << u"  acme "_s << QStringList{u"Shop"_s};
        QTest::newRow("space inside a word") << active << u"Sh op"_s << QStringList{};
        QTest::newRow("stack") << active << u"astro"_s << QStringList{u"Blog"_s};
        QTest::newRow("folder path") << active << u"/work/api"_s << QStringList{u"Api"_s};
        QTest::newRow("git branch") << active << u"LOGIN"_s << QStringList{u"Blog"_s};
        QTest::newRow("git dirty word") << active << u"dirty"_s << QStringList{u"Blog"_s};
        QTest::newRow("git clean word") << active << u"clean"_s << QStringList{u"Api"_s};
        QTest::newRow("link kind title") << active << u"repository"_s << QStringList{u"Shop"_s};
        QTest::newRow("link address") << active << u"example.com"_s << QStringList{u"Shop"_s};
        QTest::newRow("stored title of a kind link") << active << u"source code"_s << QStringList{};
        QTest::newRow(".env profile") << active << u"staging"_s << QStringList{u"Api"_s};
        QTest::newRow(".env file") << active << u".env"_s << QStringList{u"Api"_s};
        QTest::newRow("archived only")
            << ProjectArchiveFilter::archived << QString() << QStringList{u"Old Site"_s};
        QTest::newRow("all, searched")
            << ProjectArchiveFilter::all << u"acme"_s << QStringList{u"Shop"_s, u"Old Site"_s};
    }

    void search()
    {
        QFETCH(ProjectArchiveFilter, filter);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        QCOMPARE(names(PanelList::filteredProjects(m_catalogue, filter, query, m_git, m_env)), expected);
    }

    void sort_data()
    {
        QTest::addColumn<ProjectSortMode>("mode");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("custom keeps store order")
            << ProjectSortMode::custom << QStringList{u"b"_s, u"B"_s, u"never"_s, u"a"_s, u"c"_s};
        QTest::newRow("name ascending, path breaks ties")
            << ProjectSortMode::nameAscending << QStringList{u"a"_s, u"B"_s, u"b"_s, u"c"_s, u"never"_s};
        QTest::newRow("name descending, path descending too")
            << ProjectSortMode::nameDescending << QStringList{u"never"_s, u"c"_s, u"b"_s, u"B"_s, u"a"_s};
        QTest::newRow("newest first, never used last")
            << ProjectSortMode::lastUsedDescending << QStringList{u"c"_s, u"B"_s, u"b"_s, u"a"_s, u"never"_s};
        QTest::newRow("oldest first, never used last")
            << ProjectSortMode::lastUsedAscending << QStringList{u"a"_s, u"B"_s, u"b"_s, u"c"_s, u"never"_s};
    }

    void sort()
    {
        QFETCH(ProjectSortMode, mode);
        QFETCH(QStringList, expected);
        // "b" and "B" share a date and differ only in case; their paths decide.
        const QList<DevProject> projects{project(u"b"_s, {}, {}, 20.0, u"/z"_s),
                                         project(u"B"_s, {}, {}, 20.0, u"/y"_s), project(u"never"_s),
                                         project(u"a"_s, {}, {}, 10.0), project(u"c"_s, {}, {}, 30.0)};
        QCOMPARE(names(PanelList::sorted(projects, mode)), expected);
    }

    void groups_data()
    {
        QTest::addColumn<ProjectGroupMode>("mode");
        QTest::addColumn<QStringList>("sections"); // "id|title|count"
        QTest::newRow("none, one section") << ProjectGroupMode::none << QStringList{u"none||6"_s};
        QTest::newRow("client: case and blanks share, blank and __none share")
            << ProjectGroupMode::client
            << QStringList{u"client:acme|Acme|2"_s, u"client:__none|No client|3"_s,
                           u"client:tinto|Tinto|1"_s};
        QTest::newRow("stack") << ProjectGroupMode::stack
                               << QStringList{u"stack:__none|No stack|5"_s, u"stack:vue|Vue|1"_s};
    }

    void groups()
    {
        QFETCH(ProjectGroupMode, mode);
        QFETCH(QStringList, sections);
        DevProject acme = project(u"One"_s, u"Acme"_s, u"Vue"_s);
        acme.clientColorHex = u"93C5FD"_s;
        const QList<DevProject> projects{acme,
                                         project(u"Two"_s, u" ACME "_s),
                                         project(u"Three"_s, u"Tinto"_s),
                                         project(u"Four"_s, u"  "_s),
                                         project(u"Five"_s, u"__None"_s),
                                         project(u"Six"_s)};
        QStringList actual;
        for (const ProjectGroupSection &section : PanelList::sections(projects, mode)) {
            actual.append(section.id + u'|' + section.title + u'|' +
                          QString::number(section.projects.size()));
            QCOMPARE(section.colorHex.has_value(), mode == ProjectGroupMode::client);
        }
        QCOMPARE(actual, sections);
        if (mode == ProjectGroupMode::client)
            QCOMPARE(PanelList::sections(projects, mode).first().colorHex, 0x93C5FDu);
    }

    void emptyListStillHasTheUngroupedSection()
    {
        QCOMPARE(PanelList::sections({}, ProjectGroupMode::none).size(), 1);
        QVERIFY(PanelList::sections({}, ProjectGroupMode::client).isEmpty());
    }

    void colour_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint64>("value");
        QTest::newRow("six digits") << u"93C5FD"_s << quint64(0x93C5FD);
        QTest::newRow("lower case, plus sign") << u"+ff00aa"_s << quint64(0xFF00AA);
        QTest::newRow("minus before zero") << u"-0"_s << quint64(0);
        QTest::newRow("minus before a value") << u"-1"_s << HexColor::kFallback;
        QTest::newRow("number sign") << u"#93C5FD"_s << HexColor::kFallback;
        QTest::newRow("0x prefix") << u"0x93C5FD"_s << HexColor::kFallback;
        QTest::newRow("surrounding blank") << u" 93C5FD"_s << HexColor::kFallback;
        QTest::newRow("empty") << QString() << HexColor::kFallback;
        QTest::newRow("sign alone") << u"+"_s << HexColor::kFallback;
        QTest::newRow("not hex") << u"zz"_s << HexColor::kFallback;
        QTest::newRow("64 bits fit") << u"FFFFFFFFFFFFFFFF"_s << quint64(0xFFFFFFFFFFFFFFFF);
        QTest::newRow("65 bits do not") << u"10000000000000000"_s << HexColor::kFallback;
    }

    void colour()
    {
        QFETCH(QString, text);
        QFETCH(quint64, value);
        QCOMPARE(HexColor::parse(text), value);
    }

    void textColour_data()
    {
        QTest::addColumn<quint64>("background");
        QTest::addColumn<quint32>("text");
        QTest::newRow("white") << quint64(0xFFFFFF) << HexColor::kDarkText;
        QTest::newRow("black") << quint64(0x000000) << HexColor::kWhiteText;
        QTest::newRow("mid grey, about 0.502") << quint64(0x808080) << HexColor::kWhiteText;
        QTest::newRow("just above 0.58") << quint64(0x959595) << HexColor::kDarkText;
        QTest::newRow("just below 0.58") << quint64(0x939393) << HexColor::kWhiteText;
        QTest::newRow("higher bits ignored") << quint64(0xFF000000) << HexColor::kWhiteText;
    }

    void textColour()
    {
        QFETCH(quint64, background);
        QFETCH(quint32, text);
        QCOMPARE(HexColor::textColorOn(background), text);
    }

    void groupModeChangeExpandsEverySection()
    {
        PanelListState state;
        state.groupMode = ProjectGroupMode::client;
        state.toggleGroup(u"client:acme"_s);
        state.toggleGroup(u"client:tinto"_s);
        state.toggleGroup(u"client:tinto"_s);
        QCOMPARE(state.collapsedGroupIDs, QSet<QString>{u"client:acme"_s});
        QVERIFY(!state.setGroupMode(ProjectGroupMode::client));
        QCOMPARE(state.collapsedGroupIDs.size(), 1);
        QVERIFY(state.setGroupMode(ProjectGroupMode::stack));
        QVERIFY(state.collapsedGroupIDs.isEmpty());
    }

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

    void devicePreviewMark_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<std::optional<DevicePreviewHealthSummary>>("health");
        QTest::addColumn<QString>("expected"); // shown, colour, tooltip
        using Health = DevicePreviewHealthSummary;
        QTest::newRow("off") << false << std::optional(Health::result(1, 1)) << u"0"_s;
        QTest::newRow("on, no health yet")
            << true << std::optional<Health>() << u"1 red Checking the network addresses…"_s;
        QTest::newRow("checking") << true << std::optional(Health::checking())
                                  << u"1 secondary Checking the network addresses…"_s;
        QTest::newRow("no address") << true << std::optional(Health::result(0, 0)) << u"1 red No local URL"_s;
        QTest::newRow("all answer") << true << std::optional(Health::result(2, 2))
                                    << u"1 green Shared on the network: 2 of 2 addresses answer"_s;
        QTest::newRow("some answer") << true << std::optional(Health::result(1, 2))
                                     << u"1 red Only 1 of 2 network addresses answer"_s;
        QTest::newRow("none answers")
            << true << std::optional(Health::result(0, 3)) << u"1 red Only 0 of 3 network addresses answer"_s;
    }

    void devicePreviewMark()
    {
        QFETCH(bool, active);
        QFETCH(std::optional<DevicePreviewHealthSummary>, health);
        QFETCH(QString, expected);
        ProjectRowContext row = context();
        row.isDevicePreviewActive = active;
        row.devicePreviewHealth = health;
        const ProjectRowDisplay shown = ProjectRowRules::display(row);
        static const QStringList colours{u"red"_s, u"secondary"_s, u"green"_s};
        const QString actual =
            shown.showsDevicePreviewMark
                ? u"1 "_s + colours[int(shown.devicePreviewMarkColor)] + u' ' + shown.devicePreviewTooltip
                : u"0"_s;
        QCOMPARE(actual, expected);
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
                   QStringList{u"start_workspace (off)"_s} + usage +
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

QTEST_GUILESS_MAIN(PanelListTest)
#include "PanelListTest.moc"
