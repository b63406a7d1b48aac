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

class XdgAutostartLoginItemTest : public QObject {
    Q_OBJECT

private:
    const QString m_folder = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart"_s;
    const QString m_entry = m_folder + u"/devnook.desktop"_s;

private Q_SLOTS:
    void init() { QDir(m_folder).removeRecursively(); }

    // Idempotent both ways, written whole or not at all.
    void switchingOnAndOff()
    {
        XdgAutostartLoginItem item(u"/opt/devnook/bin/devnook"_s);
        QCOMPARE(XdgAutostartLoginItem::entryPath(), m_entry);
        QVERIFY(!item.isEnabled());
        QVERIFY(item.setEnabled(true) && item.setEnabled(true));
        QVERIFY(item.isEnabled());
        const QByteArray written = test::readFile(m_entry);
        QVERIFY(written.startsWith("[Desktop Entry]\nType=Application\n"));
        QVERIFY(written.contains("\nExec=\"/opt/devnook/bin/devnook\"\n"));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"devnook.desktop"_s});
        {
            test::FileSizeLimit limit(64);
            const Result<void> result =
                XdgAutostartLoginItem(u"/home/dev/"_s + QString(200, u'x') + u"/devnook"_s).setEnabled(true);
            QVERIFY(!result && !result.error().isEmpty());
        }
        QCOMPARE(test::readFile(m_entry), written);
        QVERIFY(!XdgAutostartLoginItem(QString()).setEnabled(true));
        QVERIFY(item.setEnabled(false) && item.setEnabled(false));
        QVERIFY(!item.isEnabled());
        QVERIFY(!QFile::exists(m_entry));
    }

    void hiddenEntryIsOff_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nHidden = true\nExec=devnook\n") << false;
        QTest::newRow("not hidden") << QByteArray("[Desktop Entry]\nExec=devnook\nHidden=false\n") << true;
        QTest::newRow("hidden in another group")
            << QByteArray("[Desktop Entry]\nExec=devnook\n[Desktop Action quit]\nHidden=true\n") << true;
    }

    void hiddenEntryIsOff()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        test::writeFile(m_entry, entry);
        XdgAutostartLoginItem item(u"/usr/bin/devnook"_s);
        QCOMPARE(item.isEnabled(), enabled);
        QVERIFY(item.setEnabled(true));
        QVERIFY(item.isEnabled());
    }

    void desktopLaunchesTheEntry_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("spaces") << u"Dev Tools/Devnook App"_s;
        QTest::newRow("quotes") << u"it's \"quoted\""_s;
        QTest::newRow("shell and field characters") << u"$HOME `id` 100% %f ; & | \\n"_s;
    }

    // GLib's desktop-entry launcher must start the program by its exact path.
    void desktopLaunchesTheEntry()
    {
        QFETCH(QString, folderName);
        const QString launcher = QStandardPaths::findExecutable(u"gio"_s);
        if (launcher.isEmpty())
            QSKIP("needs gio (libglib2.0-bin) to launch desktop entries");
        QTemporaryDir root;
        const QString program = root.filePath(folderName + u"/devnook"_s);
        test::writeFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > \"$DEVNOOK_MARKER\"\n");
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
        QVERIFY(XdgAutostartLoginItem(program).setEnabled(true));

        QProcess launch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DEVNOOK_MARKER"_s, root.filePath(u"started.txt"_s));
        launch.setProcessEnvironment(environment);
        launch.start(launcher, {u"launch"_s, m_entry});
        QVERIFY(launch.waitForFinished(20000));
        QCOMPARE(launch.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(test::readFile(root.filePath(u"started.txt"_s))), program,
                                  20000);
    }
};

QTEST_GUILESS_MAIN(XdgAutostartLoginItemTest)
#include "XdgAutostartLoginItemTest.moc"
