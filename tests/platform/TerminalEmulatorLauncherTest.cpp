#include "platform/linux/TerminalEmulatorLauncher.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class TerminalEmulatorLauncherTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_bin;
    QTemporaryDir m_markers;
    const QByteArray m_path = qgetenv("PATH");

    QString marker() const { return m_markers.filePath(u"terminal.txt"_s); }

    // A stand-in terminal that writes its name and working folder to the
    // marker, with shell built-ins only: nothing else is left on PATH.
    void install(const QString &path)
    {
        test::writeFile(path, "#!/bin/sh\nprintf '%s\\n%s\\n' \"${0##*/}\" \"$PWD\" > \"$DEVNOOK_MARKER\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }

private Q_SLOTS:
    void init()
    {
        for (const QString &name : QDir(m_bin.path()).entryList(QDir::Files))
            QFile::remove(m_bin.filePath(name));
        qputenv("PATH", m_bin.path().toUtf8());
        qunsetenv("TERMINAL");
        qputenv("DEVNOOK_MARKER", marker().toUtf8());
    }

    void cleanupTestCase() { qputenv("PATH", m_path); }

    void firstTerminalFound_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<QString>("found");
        QTest::newRow("the user's choice")
            << QStringList{u"my-term"_s, u"xterm"_s} << u"my-term"_s << u"my-term"_s;
        QTest::newRow("a missing choice")
            << QStringList{u"konsole"_s, u"xterm"_s} << u"gone"_s << u"konsole"_s;
        QTest::newRow("the Debian alternative")
            << QStringList{u"xterm"_s, u"x-terminal-emulator"_s} << QString() << u"x-terminal-emulator"_s;
        QTest::newRow("desktop terminals in order")
            << QStringList{u"xterm"_s, u"xfce4-terminal"_s, u"gnome-terminal"_s} << QString()
            << u"gnome-terminal"_s;
        QTest::newRow("none") << QStringList{} << QString() << QString();
    }

    void firstTerminalFound()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, preferred);
        QFETCH(QString, found);
        for (const QString &name : installed)
            install(m_bin.filePath(name));
        if (!preferred.isEmpty())
            qputenv("TERMINAL", preferred.toUtf8());
        QCOMPARE(TerminalEmulatorLauncher::findTerminal(),
                 found.isEmpty() ? QString() : m_bin.filePath(found));
    }

    void opensInTheFolder()
    {
        install(m_bin.filePath(u"xterm"_s));
        QTemporaryDir root;
        const QString folder = root.filePath(u"it's a \"project\" $dir"_s);
        QVERIFY(QDir().mkpath(folder));

        TerminalEmulatorLauncher().openIn(folder);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(test::readFile(marker())),
                                  u"xterm\n"_s + QDir(folder).canonicalPath() + u'\n', 20000);
    }
};

QTEST_GUILESS_MAIN(TerminalEmulatorLauncherTest)
#include "TerminalEmulatorLauncherTest.moc"
