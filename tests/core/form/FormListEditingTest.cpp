#include "core/form/FormListEditing.h"

#include "core/foundation/L10n.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using namespace devnook::FormListEditing;

namespace {

// Preview URLs named after single letters, so orders read as text.
QList<ProjectPreviewLinkedURL> rows(const QString &names)
{
    QList<ProjectPreviewLinkedURL> list;
    for (const QChar name : names)
        list.append(ProjectPreviewLinkedURL{QUuid::createUuid(), QString(name), {}});
    return list;
}

QString names(const QList<ProjectPreviewLinkedURL> &list)
{
    QString text;
    for (const ProjectPreviewLinkedURL &row : list)
        text += row.name;
    return text;
}

QUuid idOf(const QList<ProjectPreviewLinkedURL> &list, const QString &name)
{
    for (const ProjectPreviewLinkedURL &row : list)
        if (row.name == name)
            return row.id;
    return QUuid::createUuid();
}

} // namespace

// The operations of the form's list editors.
class FormListEditingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drag_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("expected");

        QTest::newRow("W down across X, Y, Z") << u"W"_s << u"XYZ"_s << u"XYZW"_s;
        QTest::newRow("Z straight onto X") << u"Z"_s << u"X"_s << u"WZXY"_s;
        QTest::newRow("over itself") << u"X"_s << u"X"_s << u"WXYZ"_s;
        QTest::newRow("dragged row removed") << u"Q"_s << u"X"_s << u"WXYZ"_s;
        QTest::newRow("no drag") << QString() << u"XY"_s << u"WXYZ"_s;
    }

    void drag()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, entered);
        QFETCH(QString, expected);

        QList<ProjectPreviewLinkedURL> list = rows(u"WXYZ"_s);
        const QUuid draggedID = dragged.isEmpty() ? QUuid() : idOf(list, dragged);
        for (const QChar row : entered)
            moveDragged(list, draggedID, idOf(list, QString(row)));
        QCOMPARE(names(list), expected);
    }

    void moveByOneStopsAtTheEnds()
    {
        QList<ProjectPreviewLinkedURL> list = rows(u"abc"_s);
        QVERIFY(moveByOne(list, idOf(list, u"a"_s), +1));
        QCOMPARE(names(list), u"bac"_s);
        QVERIFY(moveByOne(list, idOf(list, u"c"_s), -1));
        QCOMPARE(names(list), u"bca"_s);
        QVERIFY(!moveByOne(list, idOf(list, u"b"_s), -1));
        QVERIFY(!moveByOne(list, idOf(list, u"a"_s), +1));
        QCOMPARE(names(list), u"bca"_s);
    }

    void bindByIdAndRemove()
    {
        QList<ProjectPreviewLinkedURL> list = rows(u"abc"_s);
        const QUuid b = idOf(list, u"b"_s);
        removeById(list, idOf(list, u"a"_s));
        QCOMPARE(names(list), u"bc"_s);
        QVERIFY(setFieldOf(list, b, &ProjectPreviewLinkedURL::url, u" typed "_s));
        QCOMPARE(fieldOf(list, b, &ProjectPreviewLinkedURL::url), u" typed "_s);
        removeById(list, b);
        QVERIFY(!setFieldOf(list, b, &ProjectPreviewLinkedURL::name, u"x"_s));
        QCOMPARE(fieldOf(list, b, &ProjectPreviewLinkedURL::name), QString());
        QCOMPARE(names(list), u"c"_s);
    }

    void addedServicesAreNamedByCount()
    {
        QList<ProjectService> services;
        addService(services);
        addService(services);
        addService(services);
        removeById(services, services[1].id);
        addService(services);
        QCOMPARE(services[0].name, L10n::text(u"frontend_service"_s));
        QCOMPARE(services[1].name, L10n::format(u"dev_command_number"_s, {u"3"_s}));
        QCOMPARE(services[2].name, services[1].name);
        QVERIFY(services[2].command.isEmpty() && services[2].id != services[1].id);
    }

    void kindLinks()
    {
        QList<ProjectLink> links;
        addCustomLink(links);
        setKindURL(links, WorkspaceLinkKind::figma, u" \n"_s);
        QCOMPARE(links.size(), 1);
        setKindURL(links, WorkspaceLinkKind::figma, u" f"_s);
        QCOMPARE(links.size(), 2);
        QCOMPARE(links[1].kind, WorkspaceLinkKind::figma);
        QCOMPARE(kindURL(links, WorkspaceLinkKind::figma), u" f"_s);
        setKindOpensWithWorkspace(links, WorkspaceLinkKind::figma, true);
        setKindOpensWithWorkspace(links, WorkspaceLinkKind::admin, true);
        QVERIFY(kindOpensWithWorkspace(links, WorkspaceLinkKind::figma));
        QVERIFY(!kindOpensWithWorkspace(links, WorkspaceLinkKind::admin));
        const QUuid firstID = links[1].id;
        setKindURL(links, WorkspaceLinkKind::figma, u" "_s);
        QCOMPARE(customLinks(links), links);
        setKindURL(links, WorkspaceLinkKind::figma, u"g"_s);
        QVERIFY(links[1].id != firstID);
        QVERIFY(!links[1].openWithWorkspace);
    }

    void shortenedURLs_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("shown");
        QTest::newRow("www") << u"https://www.example.com"_s << u"example.com"_s;
        QTest::newRow("inside a query") << u"https://a.io/?next=http://b"_s << u"a.io/?next=b"_s;
        QTest::newRow("case-sensitive") << u"HTTPS://a.io"_s << u"HTTPS://a.io"_s;
    }

    void shortenedURLs()
    {
        QFETCH(QString, url);
        QFETCH(QString, shown);
        QCOMPARE(shortenedURL(url), shown);
    }

    void clientColors_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<int>("fillRed");
        QTest::addColumn<int>("checkmark");

        QTest::newRow("black swatch") << u"212121"_s << 0x21 << 255;
        QTest::newRow("blue swatch") << u"93C5FD"_s << 0x93 << 33;
        QTest::newRow("lower case") << u"e4e4e4"_s << 0xe4 << 33;
        QTest::newRow("lowest 24 bits") << u"FF212121"_s << 0x21 << 255;
        QTest::newRow("plus sign") << u"+212121"_s << 0x21 << 255;
        QTest::newRow("minus zero") << u"-0"_s << 0 << 255;
        QTest::newRow("minus non-zero") << u"-212121"_s << 228 << 33;
        QTest::newRow("number sign") << u"#212121"_s << 228 << 33;
        QTest::newRow("empty") << QString() << 228 << 33;
        QTest::newRow("sign alone") << u"+"_s << 228 << 33;
        QTest::newRow("beyond f") << u"21212G"_s << 228 << 33;
        QTest::newRow("space") << u" 212121"_s << 228 << 33;
        QTest::newRow("above 64 bits") << u"1FFFFFFFFFFFFFFFF"_s << 228 << 33;
    }

    void clientColors()
    {
        QFETCH(QString, hex);
        QFETCH(int, fillRed);
        QFETCH(int, checkmark);
        QCOMPARE(clientFillColor(hex).red, fillRed);
        QCOMPARE(clientCheckmarkColor(hex), (RGB{checkmark, checkmark, checkmark}));
    }
};

QTEST_GUILESS_MAIN(FormListEditingTest)
#include "FormListEditingTest.moc"
