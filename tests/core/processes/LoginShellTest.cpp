#include "core/processes/LoginShell.h"

#include <QTemporaryDir>
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
        QCOMPARE(result.filter(u"PATH="_s), QStringList({u"PATH="_s + expectedPath}));
        if (environment.contains(u"HOME=/home/dev"_s))
            QVERIFY(result.contains(u"HOME=/home/dev"_s));
    }

    void zshSourcesTheUserSetupFirst()
    {
        const LoginShell shell(u"/bin/zsh"_s, u"/bin/sh"_s);
        if (shell.program() != u"/bin/zsh")
            QSKIP("zsh is not installed (scripts/setup installs it)");
        const QStringList arguments = shell.arguments(u"npm run dev"_s);
        QCOMPARE(arguments.size(), 2);
        QCOMPARE(arguments.at(0), u"-lc"_s);
        QCOMPARE(arguments.at(1).size(), 73 + 11);
        QCOMPARE(arguments.at(1),
                 u"if [ -f \"$HOME/.zshrc\" ]; then source \"$HOME/.zshrc\" >/dev/null 2>&1; fi\n"
                 u"npm run dev"_s);
    }

    void otherShellsRunTheCommandAlone()
    {
        QTemporaryDir folder;
        const LoginShell shell(folder.filePath(u"zsh"_s), u"/bin/bash"_s);
        QCOMPARE(shell.program(), u"/bin/bash"_s);
        QCOMPARE(shell.arguments(u"npm run dev"_s), QStringList({u"-lc"_s, u"npm run dev"_s}));
    }
};

QTEST_GUILESS_MAIN(LoginShellTest)
#include "LoginShellTest.moc"
