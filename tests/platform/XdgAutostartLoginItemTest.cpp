#include "platform/linux/XdgAutostartLoginItem.h"

#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// A program that writes the path it was started as to $DEVNOOK_MARKER.
void makeProgram(const QString &path)
{
    test::writeFile(path, "#!/bin/sh\nprintf '%s' \"$0\" > \"$DEVNOOK_MARKER\"\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

} // namespace

class XdgAutostartLoginItemTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(XdgAutostartLoginItem::entryPath()); }

    void entryLivesInTheConfigFolder()
    {
        QCOMPARE(XdgAutostartLoginItem::entryPath(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/devnook.desktop"_s);
    }

    void switchingOnAndOff()
    {
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart"_s).removeRecursively();
        XdgAutostartLoginItem item(u"/opt/devnook/bin/devnook"_s);
        QVERIFY(!item.isEnabled());

        QVERIFY(item.setEnabled(true));
        QVERIFY(item.isEnabled());
        const QByteArray first = test::readFile(XdgAutostartLoginItem::entryPath());
        QVERIFY(first.startsWith("[Desktop Entry]\n"));
        QVERIFY(first.contains("\nType=Application\n"));
        QVERIFY(first.contains("\nExec=\"/opt/devnook/bin/devnook\"\n"));

        QVERIFY(item.setEnabled(true));
        QCOMPARE(test::readFile(XdgAutostartLoginItem::entryPath()), first);
        QCOMPARE(QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart"_s)
                     .entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"devnook.desktop"_s});

        QVERIFY(item.setEnabled(false));
        QVERIFY(!item.isEnabled());
        QVERIFY(!QFile::exists(XdgAutostartLoginItem::entryPath()));
        QVERIFY(item.setEnabled(false));
    }

    void hiddenEntryIsSwitchedOff_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=devnook\nHidden=true\n") << false;
        QTest::newRow("hidden with spaces")
            << QByteArray("[Desktop Entry]\nHidden = true\nExec=devnook\n") << false;
        QTest::newRow("not hidden") << QByteArray("[Desktop Entry]\nExec=devnook\nHidden=false\n") << true;
        QTest::newRow("hidden in another group")
            << QByteArray("[Desktop Entry]\nExec=devnook\n[Desktop Action quit]\nHidden=true\n") << true;
    }

    void hiddenEntryIsSwitchedOff()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        test::writeFile(XdgAutostartLoginItem::entryPath(), entry);
        XdgAutostartLoginItem item(u"/usr/bin/devnook"_s);
        QCOMPARE(item.isEnabled(), enabled);
        QVERIFY(item.setEnabled(true));
        QVERIFY(item.isEnabled());
    }

    void failedWriteKeepsTheOldEntry()
    {
        XdgAutostartLoginItem old(u"/usr/bin/devnook"_s);
        QVERIFY(old.setEnabled(true));
        const QByteArray before = test::readFile(XdgAutostartLoginItem::entryPath());

        XdgAutostartLoginItem moved(u"/home/dev/"_s + QString(200, u'x') + u"/devnook"_s);
        Result<void> result = Result<void>::success();
        {
            test::FileSizeLimit limit(64);
            result = moved.setEnabled(true);
        }
        QVERIFY(!result);
        QVERIFY(!result.error().isEmpty());
        QCOMPARE(test::readFile(XdgAutostartLoginItem::entryPath()), before);
    }

    void unknownProgramLocationIsAnError()
    {
        XdgAutostartLoginItem item{QString()};
        const Result<void> result = item.setEnabled(true);
        QVERIFY(!result);
        QVERIFY(!item.isEnabled());
    }

    void execValue_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << u"/usr/bin/devnook"_s << u"\"/usr/bin/devnook\""_s;
        QTest::newRow("space and quotes") << u"/a b/it's \"x\""_s << u"\"/a b/it's \\\\\"x\\\\\"\""_s;
        QTest::newRow("dollar and backtick") << u"/$HOME/`x`"_s << u"\"/\\\\$HOME/\\\\`x\\\\`\""_s;
        QTest::newRow("percent") << u"/100%/devnook"_s << u"/usr/bin/env \"/100%%/devnook\""_s;
        QTest::newRow("backslash") << u"/a\\b"_s << u"\"/a\\\\\\\\b\""_s;
        QTest::newRow("line break") << u"/a\nb"_s << u"\"/a\\nb\""_s;
    }

    void execValue()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(XdgAutostartLoginItem::execValue(path), exec);
    }

    void desktopLaunchesTheEntry_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("spaces") << u"Dev Tools/Devnook App"_s;
        QTest::newRow("quotes") << u"it's \"quoted\""_s;
        QTest::newRow("shell and field characters") << u"$HOME `id` 100% %f ; & | \\n"_s;
    }

    // A real desktop-entry launcher must start the program by its exact path.
    void desktopLaunchesTheEntry()
    {
        QFETCH(QString, folderName);
        const QString launcher = QStandardPaths::findExecutable(u"gio"_s);
        if (launcher.isEmpty())
            QSKIP("needs gio (libglib2.0-bin) to launch desktop entries");
        QTemporaryDir root;
        const QString program = root.filePath(folderName + u"/devnook"_s);
        makeProgram(program);
        const QString marker = root.filePath(u"started.txt"_s);

        XdgAutostartLoginItem item(program);
        QVERIFY(item.setEnabled(true));
        QProcess launch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DEVNOOK_MARKER"_s, marker);
        launch.setProcessEnvironment(environment);
        launch.start(launcher, {u"launch"_s, XdgAutostartLoginItem::entryPath()});
        QVERIFY(launch.waitForFinished(20000));
        QCOMPARE(launch.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(test::readFile(marker)), program, 5000);
    }
};

QTEST_GUILESS_MAIN(XdgAutostartLoginItemTest)
#include "XdgAutostartLoginItemTest.moc"
