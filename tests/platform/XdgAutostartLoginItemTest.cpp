#include "platform/linux/XdgAutostartLoginItem.h"

#include "support/FileSizeLimit.h"
#include "support/LocalTime.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
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

    void refusalsSayWhyInBothLanguages_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("noProgram");
        QTest::addColumn<QString>("noFolder");
        QTest::addColumn<QString>("isAFolder");
        QTest::newRow("en_US") << u"en_US"_s << u"The location of the Devnook program is unknown."_s
                               << u"Could not create the folder %1."_s << u"Is a directory"_s;
        QTest::newRow("ca_ES") << u"ca_ES"_s << u"No se sap on és el programa Devnook."_s
                               << u"No s'ha pogut crear la carpeta %1."_s << u"És una carpeta"_s;
    }

    void refusalsSayWhyInBothLanguages()
    {
        QFETCH(QString, locale);
        QFETCH(QString, noProgram);
        QFETCH(QString, noFolder);
        QFETCH(QString, isAFolder);
        const test::ScopedLocale scopedLocale{QLocale(locale)};
        QCOMPARE(XdgAutostartLoginItem(QString()).setEnabled(true).error(), noProgram);
        // The system's words, as the language has them.
        QVERIFY(QDir().mkpath(m_entry));
        QCOMPARE(XdgAutostartLoginItem(u"/usr/bin/devnook"_s).setEnabled(false).error(), isAFolder);
        QVERIFY(QDir(m_folder).removeRecursively());
        test::writeFile(m_folder, "a file where the folder belongs");
        const auto removed = qScopeGuard([this] { QFile::remove(m_folder); });
        QCOMPARE(XdgAutostartLoginItem(u"/usr/bin/devnook"_s).setEnabled(true).error(),
                 noFolder.arg(m_folder));
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

    // Readers undo the value's escapes, then the argument's quotes: "$", "`",
    // "\" and '"' are escaped for the quotes, then every "\" again for the value.
    void execValue_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("spaces") << u"/opt/Dev Tools/devnook"_s << u"\"/opt/Dev Tools/devnook\""_s;
        QTest::newRow("dollar") << u"/home/$USER/devnook"_s << u"\"/home/\\\\$USER/devnook\""_s;
        QTest::newRow("backslash") << u"/opt/a\\b/devnook"_s << u"\"/opt/a\\\\\\\\b/devnook\""_s;
        QTest::newRow("backslash and quote")
            << u"/opt/a\\\"b/devnook"_s << u"\"/opt/a\\\\\\\\\\\\\"b/devnook\""_s;
        QTest::newRow("backquote and line break")
            << u"/opt/`id`\n/devnook"_s << u"\"/opt/\\\\`id\\\\`\\n/devnook\""_s;
        QTest::newRow("percent") << u"/opt/100%/devnook"_s << u"/usr/bin/env \"/opt/100%%/devnook\""_s;
    }

    void execValue()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(XdgAutostartLoginItem::execValue(path), exec);
    }
};

QTEST_GUILESS_MAIN(XdgAutostartLoginItemTest)
#include "XdgAutostartLoginItemTest.moc"
