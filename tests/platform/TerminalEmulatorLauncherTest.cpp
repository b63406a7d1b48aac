#include "platform/linux/TerminalEmulatorLauncher.h"

#include "platform/linux/DesktopUrlOpener.h"
#include "support/LocalTime.h"
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
        QVERIFY(QTest::qWaitFor([&] { return test::readFile(marker) == mail.toEncoded(); }, 20000));
    }

    // Each refusal in the user's language, with what it names.
    void refusalsSayWhyInBothLanguages_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("noTerminal");
        QTest::addColumn<QString>("terminalNotStarted");
        QTest::addColumn<QString>("invalidAddress");
        QTest::addColumn<QString>("noOpener");
        QTest::newRow("en_US")
            << u"en_US"_s << u"no terminal emulator was found (set TERMINAL, or install one such as xterm)."_s
            << u"%1 could not be started."_s << u"The address is not valid."_s
            << u"xdg-open could not be started (is xdg-utils installed?)."_s;
        QTest::newRow("ca_ES")
            << u"ca_ES"_s
            << u"no s'ha trobat cap emulador de terminal (definiu TERMINAL o instal·leu-ne un, "
               u"com ara xterm)."_s
            << u"No s'ha pogut iniciar %1."_s << u"L'adreça no és vàlida."_s
            << u"No s'ha pogut iniciar xdg-open (teniu instal·lat xdg-utils?)."_s;
    }

    void refusalsSayWhyInBothLanguages()
    {
        QFETCH(QString, locale);
        QFETCH(QString, noTerminal);
        QFETCH(QString, terminalNotStarted);
        QFETCH(QString, invalidAddress);
        QFETCH(QString, noOpener);
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        QCOMPARE(TerminalEmulatorLauncher().openIn(m_markers.path()).error(), noTerminal);
        // Found, but its interpreter is not there.
        const QString xterm = m_bin.filePath(u"xterm"_s);
        test::writeFile(xterm, "#!/nonexistent/sh\n");
        QFile::setPermissions(xterm, QFile::permissions(xterm) | QFileDevice::ExeOwner);
        QCOMPARE(TerminalEmulatorLauncher().openIn(m_markers.path()).error(), terminalNotStarted.arg(xterm));
        QCOMPARE(DesktopUrlOpener().open(QUrl(u"http://[::1"_s)).error(), invalidAddress);
        QCOMPARE(DesktopUrlOpener().open(QUrl(u"https://devnook.app"_s)).error(), noOpener);
    }
};

QTEST_GUILESS_MAIN(TerminalEmulatorLauncherTest)
#include "TerminalEmulatorLauncherTest.moc"
