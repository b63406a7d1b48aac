#include "core/processes/LoginShell.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class LoginShellTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pathPutsToolFoldersFirst_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("expectedPath");
        const QString folders = u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"_s;
        QTest::newRow("missing") << QStringList({u"HOME=/home/dev"_s}) << folders;
        QTest::newRow("empty") << QStringList({u"PATH="_s, u"HOME=/home/dev"_s}) << folders;
        QTest::newRow("set") << QStringList({u"PATH=/home/dev/bin:/usr/bin"_s})
                             << folders + u":/home/dev/bin:/usr/bin"_s;
    }

    void pathPutsToolFoldersFirst()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, expectedPath);
        const QStringList result = LoginShell::environment(environment);
        QStringList paths;
        for (const QString &entry : result) {
            if (entry.startsWith(u"PATH="))
                paths.append(entry);
        }
        QCOMPARE(paths, QStringList({u"PATH="_s + expectedPath}));
        if (environment.contains(u"HOME=/home/dev"_s))
            QVERIFY(result.contains(u"HOME=/home/dev"_s));
    }
};

QTEST_GUILESS_MAIN(LoginShellTest)
#include "LoginShellTest.moc"
