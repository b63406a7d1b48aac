#include "core/panel/PanelList.h"

#include "core/panel/HexColor.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

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

} // namespace

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
};

QTEST_GUILESS_MAIN(PanelListTest)
#include "PanelListTest.moc"
