#include "platform/linux/TerminalEmulatorLauncher.h"

#include "platform/linux/DesktopUrlOpener.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

// Stand-in terminals and xdg-open in a folder that is all of PATH.
class TerminalEmulatorLauncherTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_bin;
    QTemporaryDir m_markers;
    const QByteArray m_path = qgetenv("PATH");

    // By default writes its name and working folder to the marker, with
    // shell built-ins only.
    void install(const QString &name, const QByteArray &writes = "printf '%s\\n%s\\n' \"${0##*/}\" \"$PWD\"")
    {
        const QString path = m_bin.filePath(name);
        test::writeFile(path, "#!/bin/sh\n" + writes + " > \"$DEVNOOK_MARKER\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }

private Q_SLOTS:
    void init()
    {
        for (const QString &name : QDir(m_bin.path()).entryList(QDir::Files))
            QFile::remove(m_bin.filePath(name));
        qputenv("PATH", m_bin.path().toUtf8());
        qunsetenv("TERMINAL");
    }

    void cleanupTestCase() { qputenv("PATH", m_path); }

    // The user's choice, then the Debian alternative, then the desktop
    // terminals in order.
    void firstTerminalFound()
    {
        QCOMPARE(TerminalEmulatorLauncher::findTerminal(), QString());
        for (const QString &name : {u"xterm"_s, u"xfce4-terminal"_s, u"gnome-terminal"_s})
            install(name);
        QCOMPARE(TerminalEmulatorLauncher::findTerminal(), m_bin.filePath(u"gnome-terminal"_s));
        install(u"x-terminal-emulator"_s);
        qputenv("TERMINAL", "gone");
        QCOMPARE(TerminalEmulatorLauncher::findTerminal(), m_bin.filePath(u"x-terminal-emulator"_s));
        install(u"my-term"_s);
        qputenv("TERMINAL", " my-term ");
        QCOMPARE(TerminalEmulatorLauncher::findTerminal(), m_bin.filePath(u"my-term"_s));
    }

    void opensInTheFolder()
    {
        const Result<void> none = TerminalEmulatorLauncher().openIn(m_markers.path());
        QVERIFY2(!none && none.error().contains(u"TERMINAL"_s), qPrintable(none.error()));
        install(u"xterm"_s);
        const QString marker = m_markers.filePath(u"terminal.txt"_s);
        qputenv("DEVNOOK_MARKER", marker.toUtf8());
        const QString folder = m_markers.filePath(u"it's a \"project\" $dir"_s);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TerminalEmulatorLauncher().openIn(folder));
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(test::readFile(marker)),
                                  u"xterm\n"_s + QDir(folder).canonicalPath() + u'\n', 20000);
    }

    // Without xdg-open the failure says so, and never repeats the address,
    // whose query may carry a whole mail.
    void urlOpenerHandsTheAddressToXdgOpen()
    {
        const QUrl mail(u"mailto:support@devnook.app?subject=Bug&body=Install%20ID%3A%20secret"_s);
        const Result<void> missing = DesktopUrlOpener().open(mail);
        QVERIFY(!missing);
        QVERIFY2(missing.error().contains(u"xdg-open"_s) && !missing.error().contains(u"secret"_s),
                 qPrintable(missing.error()));

        install(u"xdg-open"_s, "printf '%s' \"$1\"");
        const QString marker = m_markers.filePath(u"opened.txt"_s);
        qputenv("DEVNOOK_MARKER", marker.toUtf8());
        QVERIFY(DesktopUrlOpener().open(mail));
        QTRY_COMPARE_WITH_TIMEOUT(test::readFile(marker), mail.toEncoded(), 20000);
    }
};

QTEST_GUILESS_MAIN(TerminalEmulatorLauncherTest)
#include "TerminalEmulatorLauncherTest.moc"
