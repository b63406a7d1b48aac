#include "core/environment/EnvProfileService.h"

#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class EnvProfileServiceTest : public QObject {
    Q_OBJECT

private:
    QString m_initialFolder = QDir::currentPath();

private Q_SLOTS:
    void cleanup() { QDir::setCurrent(m_initialFolder); }

    void foldersOfFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("displayName");
        QTest::newRow("usual names first")
            << QStringList{u".env.production"_s, u".env"_s, u".env.example"_s}
            << QStringList{u".env"_s, u".env.production"_s, u".env.example"_s} << u"default"_s;
        QTest::newRow("look-alikes are left out")
            << QStringList{u".environment"_s, u"env.local"_s, u".ENV"_s, u".env.local.backup"_s}
            << QStringList{u".env.local.backup"_s} << u"local.backup"_s;
        QTest::newRow("other names by name, any case")
            << QStringList{u".env.Beta"_s, u".env.alpha"_s, u".env.development.local"_s, u".env.staging"_s}
            << QStringList{u".env.development.local"_s, u".env.staging"_s, u".env.alpha"_s, u".env.Beta"_s}
            << u"development"_s;
    }

    void foldersOfFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, listed);
        QFETCH(QString, displayName);
        QTemporaryDir folder;
        for (const QString &name : files)
            test::writeFile(folder.filePath(name), "SECRET=1\n");
        const auto detail = EnvProfileService::readDetail(folder.path());
        QVERIFY(detail);
        QCOMPARE(ProjectEnvProfile::fromDetail(*detail), (ProjectEnvProfile{displayName, listed}));
        QCOMPARE(detail->primaryFileName, listed.constFirst());
    }

    // Neither a folder nor a link is a .env file. Read in the background.
    void fileFacts()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(u".env"_s));
        test::writeFile(folder.filePath(u"shared.env"_s), "A=1\n");
        QVERIFY(QFile::link(folder.filePath(u"shared.env"_s), folder.filePath(u".env.local"_s)));
        test::writeFile(folder.filePath(u".env.development"_s), "API_URL=http://localhost:3000\n");
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        QFile file(folder.filePath(u".env.development"_s));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();

        DevProject project;
        project.folderPath = folder.path();
        const auto detail = QCoro::waitFor(EnvProfileService::detail(project));
        QVERIFY(detail);
        QCOMPARE(detail->files,
                 (QList<ProjectEnvFileInfo>{{u".env.development"_s, u".env.development"_s, u"development"_s,
                                             Timestamp::fromDateTime(modified), 30}}));
    }

    // A blank path would list the working folder, which holds a .env file.
    void blankFolderHasNoDetail()
    {
        QTemporaryDir workingFolder;
        test::writeFile(workingFolder.filePath(u".env"_s), "A=1\n");
        QVERIFY(QDir::setCurrent(workingFolder.path()));
        QVERIFY(EnvProfileService::readDetail(u"."_s));
        QCOMPARE(EnvProfileService::readDetail(QString()), std::nullopt);
        QCOMPARE(EnvProfileService::readDetail(u" \n"_s), std::nullopt);
        QCOMPARE(EnvProfileService::readDetail(u"./.env"_s), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(EnvProfileServiceTest)
#include "EnvProfileServiceTest.moc"
