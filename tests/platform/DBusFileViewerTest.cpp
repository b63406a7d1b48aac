#include "platform/linux/DBusFileViewer.h"

#include "BusService.h"
#include "support/RecordingDesktop.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QTest>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// A file manager on a connection of its own, as a desktop's is. It records
// what it was asked to select.
class FileManager final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    test::BusService bus{this, u"org.freedesktop.FileManager1"_s, u"/org/freedesktop/FileManager1"_s};

    QList<QStringList> shown;
    bool refuse = false;

public Q_SLOTS:
    Q_SCRIPTABLE void ShowItems(const QStringList &uris, const QString &)
    {
        if (refuse)
            sendErrorReply(QDBusError::Failed, u"Cannot show the items"_s);
        else
            shown.append(uris);
    }
};

// A folder name a URI must escape.
const QString kFolder = u"/tmp/it's a café #1"_s;

// QCoro waits only for values it can make empty first.
QCoro::Task<std::optional<Result<void>>> outcome(QCoro::Task<Result<void>> task)
{
    co_return co_await std::move(task);
}

Result<void> revealed(FileViewer &viewer, const QString &path)
{
    return *QCoro::waitFor(outcome(viewer.reveal(path)));
}

} // namespace

// The file viewer against a stand-in file manager on the private session bus
// of the test run, and without one.
class DBusFileViewerTest : public QObject {
    Q_OBJECT

private:
    test::RecordingUrlOpener m_opener;

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus: run under dbus-run-session");
    }

    void init()
    {
        m_opener.opened.clear();
        m_opener.failure.clear();
    }

    void theFileManagerSelectsTheFolder()
    {
        FileManager manager;
        QVERIFY(manager.bus.start());
        DBusFileViewer viewer(m_opener);
        QVERIFY(revealed(viewer, kFolder).isOk());
        QCOMPARE(manager.shown.size(), 1);
        QCOMPARE(manager.shown[0].size(), 1);
        // A URI proper: file managers take no spaces or other raw characters.
        const QString text = manager.shown[0][0];
        QVERIFY2(std::all_of(text.cbegin(), text.cend(),
                             [](QChar c) { return c.unicode() > 32 && c.unicode() < 127; }),
                 qPrintable(text));
        const QUrl uri(text, QUrl::StrictMode);
        QCOMPARE(uri.scheme(), u"file"_s);
        QCOMPARE(uri.toLocalFile(), kFolder);
        QVERIFY(m_opener.opened.isEmpty());
    }

    // The folder opens as it would from the launcher when no file manager
    // selects it: none on the bus, one that refuses, or no bus at all.
    void otherwiseTheFolderOpens_data()
    {
        QTest::addColumn<QString>("fileManager");
        QTest::newRow("no file manager") << u"none"_s;
        QTest::newRow("file manager refuses") << u"refusing"_s;
        QTest::newRow("no session bus") << u"no bus"_s;
    }
    void otherwiseTheFolderOpens()
    {
        QFETCH(QString, fileManager);
        FileManager manager;
        manager.refuse = fileManager == u"refusing";
        if (fileManager == u"refusing")
            QVERIFY(manager.bus.start());
        // Else the bus would start the desktop's own file manager, a window on
        // a developer's screen.
        if (fileManager == u"none")
            QVERIFY2(!QDBusConnection::sessionBus().interface()->activatableServiceNames().value().contains(
                         u"org.freedesktop.FileManager1"_s),
                     "the session bus starts a file manager on demand: run the tests as scripts/test does");
        const QString busless = u"devnook-test-no-bus"_s;
        if (fileManager == u"no bus")
            QVERIFY(!QDBusConnection::connectToBus(u"unix:path=/nonexistent/devnook-bus"_s, busless)
                         .isConnected());
        DBusFileViewer viewer(m_opener, fileManager == u"no bus" ? busless : QString());

        QVERIFY(revealed(viewer, kFolder).isOk());
        QCOMPARE(m_opener.opened, QList{QUrl::fromLocalFile(kFolder)});
        // A failed opening is the reveal's failure, with its reason.
        m_opener.failure = u"xdg-open could not be started"_s;
        const Result<void> failed = revealed(viewer, kFolder);
        QVERIFY(!failed.isOk());
        QCOMPARE(failed.error(), m_opener.failure);
        QVERIFY(manager.shown.isEmpty());
        QDBusConnection::disconnectFromBus(busless);
    }
};

QTEST_GUILESS_MAIN(DBusFileViewerTest)
#include "DBusFileViewerTest.moc"
