#include "core/processes/EnvProfileService.h"

#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

QStringList namesOf(const ProjectEnvDetail &detail)
{
    QStringList names;
    for (const ProjectEnvFileInfo &file : detail.files)
        names.append(file.fileName);
    return names;
}

} // namespace

class EnvProfileServiceTest : public QObject {
    Q_OBJECT

private:
    QString m_initialFolder = QDir::currentPath();

private Q_SLOTS:
    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void fileNameRules_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("profileName");
        QTest::addColumn<QString>("sortKey");
        QTest::newRow("plain") << u".env"_s << u"default"_s << u"00-default"_s;
        QTest::newRow("local") << u".env.local"_s << u"local"_s << u"01-local"_s;
        QTest::newRow("development") << u".env.development"_s << u"development"_s << u"02-development"_s;
        QTest::newRow("development local")
            << u".env.development.local"_s << u"development"_s << u"03-development-local"_s;
        QTest::newRow("staging") << u".env.staging"_s << u"staging"_s << u"04-staging"_s;
        QTest::newRow("production") << u".env.production"_s << u"production"_s << u"05-production"_s;
        QTest::newRow("example") << u".env.example"_s << u"example"_s << u"99-.env.example"_s;
        QTest::newRow("local backup")
            << u".env.local.backup"_s << u"local.backup"_s << u"99-.env.local.backup"_s;
        QTest::newRow("known name in other case")
            << u".env.Production"_s << u"Production"_s << u"99-.env.Production"_s;
    }

    void fileNameRules()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, profileName);
        QFETCH(QString, sortKey);
        QCOMPARE(EnvProfileService::profileName(fileName), profileName);
        QCOMPARE(EnvProfileService::sortKey(fileName), sortKey);
    }

    void foldersOfFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("displayName");
        QTest::newRow("known names first")
            << QStringList{u".env.production"_s, u".env"_s, u".env.example"_s}
            << QStringList{u".env"_s, u".env.production"_s, u".env.example"_s} << u".env"_s << u"default"_s;
        QTest::newRow("only an example") << QStringList{u".env.example"_s} << QStringList{u".env.example"_s}
                                         << u".env.example"_s << u"example"_s;
        QTest::newRow("local before the rest of the development files")
            << QStringList{u".env.development.local"_s, u".env.development"_s, u".env.local"_s}
            << QStringList{u".env.local"_s, u".env.development"_s, u".env.development.local"_s}
            << u".env.local"_s << u"local"_s;
        QTest::newRow("look-alikes are not .env files")
            << QStringList{u".environment"_s, u"env.local"_s, u".ENV"_s, u".env.local.backup"_s,
                           u"README.md"_s}
            << QStringList{u".env.local.backup"_s} << u".env.local.backup"_s << u"local.backup"_s;
        QTest::newRow("other names ignore letter case")
            << QStringList{u".env.Beta"_s, u".env.alpha"_s, u".env.staging"_s}
            << QStringList{u".env.staging"_s, u".env.alpha"_s, u".env.Beta"_s} << u".env.staging"_s
            << u"staging"_s;
    }

    void foldersOfFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, listed);
        QFETCH(QString, primary);
        QFETCH(QString, displayName);
        QTemporaryDir folder;
        for (const QString &name : files)
            test::writeFile(folder.filePath(name), "SECRET=1\n");

        const auto detail = EnvProfileService::readDetail(folder.path());
        QVERIFY(detail);
        QCOMPARE(namesOf(*detail), listed);
        QCOMPARE(detail->primaryFileName, primary);
        QCOMPARE(detail->displayName, displayName);
        for (const ProjectEnvFileInfo &file : detail->files) {
            QCOMPARE(file.id, file.fileName);
            QCOMPARE(file.profileName, EnvProfileService::profileName(file.fileName));
        }
    }

    void fileFacts()
    {
        QTemporaryDir folder;
        test::writeFile(folder.filePath(u".env"_s), "API_URL=http://localhost:3000\n");
        test::writeFile(folder.filePath(u".env.local"_s), "");
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        QFile file(folder.filePath(u".env"_s));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();

        const auto detail = EnvProfileService::readDetail(folder.path());
        QVERIFY(detail);
        QCOMPARE(detail->files.size(), 2);
        QCOMPARE(detail->files[0].sizeInBytes, 30);
        QCOMPARE(detail->files[0].modifiedAt, Timestamp::fromDateTime(modified));
        QCOMPARE(detail->files[1].sizeInBytes, 0);
        QVERIFY(detail->files[1].modifiedAt);
    }

    void onlyRegularFilesAreListed()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(u".env"_s));
        test::writeFile(folder.filePath(u"shared.env"_s), "A=1\n");
        QVERIFY(QFile::link(folder.filePath(u"shared.env"_s), folder.filePath(u".env.local"_s)));
        QVERIFY(!EnvProfileService::readDetail(folder.path()));

        test::writeFile(folder.filePath(u".env.production"_s), "A=1\n");
        const auto detail = EnvProfileService::readDetail(folder.path());
        QVERIFY(detail);
        QCOMPARE(namesOf(*detail), QStringList{u".env.production"_s});
    }

    void foldersWithoutDetail_data()
    {
        QTest::addColumn<QString>("folderPath");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << u" \n"_s;
        QTest::newRow("missing") << u"/nonexistent/devnook-project"_s;
    }

    void foldersWithoutDetail()
    {
        QFETCH(QString, folderPath);
        // The working folder holds .env files: a blank path must not read them.
        QTemporaryDir workingFolder;
        test::writeFile(workingFolder.filePath(u".env"_s), "A=1\n");
        QVERIFY(QDir::setCurrent(workingFolder.path()));
        QVERIFY(EnvProfileService::readDetail(u"."_s));

        QVERIFY(!EnvProfileService::readDetail(folderPath));
    }

    void emptyFolderAndFileInsteadOfFolder()
    {
        QTemporaryDir folder;
        QVERIFY(!EnvProfileService::readDetail(folder.path()));
        test::writeFile(folder.filePath(u".env"_s), "A=1\n");
        QVERIFY(!EnvProfileService::readDetail(folder.filePath(u".env"_s)));
    }

    void readsInTheBackgroundForAProject()
    {
        QTemporaryDir folder;
        test::writeFile(folder.filePath(u".env.development"_s), "A=1\n");
        test::writeFile(folder.filePath(u".env.local"_s), "A=1\n");
        DevProject project;
        project.folderPath = folder.path();

        const auto detail = QCoro::waitFor(EnvProfileService::detail(project));
        QVERIFY(detail);
        QCOMPARE(detail, EnvProfileService::readDetail(folder.path()));

        const ProjectEnvProfile profile = ProjectEnvProfile::fromDetail(*detail);
        QCOMPARE(profile.displayName, u"local"_s);
        QCOMPARE(profile.fileNames, (QStringList{u".env.local"_s, u".env.development"_s}));
    }
};

QTEST_GUILESS_MAIN(EnvProfileServiceTest)
#include "EnvProfileServiceTest.moc"
