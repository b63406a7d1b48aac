#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/ProjectCoding.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class ProjectCatalogueTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<JSONProjectPersistence> m_persistence;

    QString catalogue() const { return m_persistence->catalogueFilePath(); }
    QStringList asideCopies() const
    {
        return QDir(QFileInfo(catalogue()).absolutePath()).entryList({u"projects.json.unreadable-*"_s});
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        m_persistence = std::make_unique<JSONProjectPersistence>(m_home.path(), m_clock);
    }

    void nothingStoredLoadsEmptyAndCreatesNothing()
    {
        const auto loaded = m_persistence->loadProjects();
        QVERIFY(loaded.isOk());
        QVERIFY(loaded.value().isEmpty());
        QVERIFY(!QFileInfo::exists(m_home.filePath(u"Devnook"_s)));

        QVERIFY(m_persistence->saveProjects({}).isOk());
        QCOMPARE(QJsonDocument::fromJson(test::readFile(catalogue())).array(), QJsonArray());
    }

    void roundTripWritesValuesBackUnchanged()
    {
        test::writeFile(catalogue(), test::readData(u"catalogue-valid.json"_s));
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        QCOMPARE(loaded.value().size(), 2);
        QVERIFY(m_persistence->saveProjects(loaded.value()).isOk());

        const QByteArray written = test::readFile(catalogue());
        QVERIFY(written.contains(R"("lastUsedAt": 786543210.123456)"));
        QVERIFY(written.contains(R"("6A1D9F5E-3B0C-4C1E-9A77-2F4F6B0E8D11")"));
        QVERIFY(written.contains(R"(https:\/\/example.org\/acme)"));
        QVERIFY(!written.contains("openBrowserAfterStartWorkspace"));

        const auto reloaded = m_persistence->loadProjects();
        QVERIFY(reloaded.isOk());
        QCOMPARE(reloaded.value(), loaded.value());
        QCOMPARE(reloaded.value()[1].openLocalURLAfterStart, false);
        QCOMPARE(reloaded.value()[0].notes, u"Line one\nLine two"_s);
    }

    void legacyCatalogueIsCopiedOnce()
    {
        const QByteArray legacy = test::readData(u"catalogue-valid.json"_s);
        test::writeFile(m_persistence->legacyCatalogueFilePath(), legacy);
        const auto loaded = m_persistence->loadProjects();
        QVERIFY(loaded.isOk());
        QCOMPARE(loaded.value().size(), 2);
        QCOMPARE(test::readFile(catalogue()), legacy);
        QVERIFY(QFileInfo::exists(m_persistence->legacyCatalogueFilePath()));

        // Once a catalogue exists, even an empty one, the legacy file is ignored.
        QVERIFY(m_persistence->saveProjects({}).isOk());
        QVERIFY(m_persistence->loadProjects().value().isEmpty());
    }

    void brokenCatalogues_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("truncated") << u"catalogue-truncated.json"_s;
        QTest::newRow("one project without a name") << u"catalogue-one-bad-project.json"_s;
        QTest::newRow("flag of the wrong type") << u"catalogue-wrong-types.json"_s;
        QTest::newRow("required key null") << u"catalogue-null-required.json"_s;
        QTest::newRow("unknown link kind") << u"catalogue-bad-link-kind.json"_s;
        QTest::newRow("object at the top") << u"catalogue-object-top-level.json"_s;
        QTest::newRow("not json") << u"catalogue-not-json.json"_s;
    }

    void brokenCatalogues()
    {
        QFETCH(QString, file);
        const QByteArray broken = test::readData(file);
        test::writeFile(catalogue(), broken);
        const auto loaded = m_persistence->loadProjects();
        QVERIFY(!loaded.isOk());
        QVERIFY(!loaded.error().isEmpty());

        // The unreadable file is kept aside, so the save that follows a
        // failed load (an empty list) loses none of the user's projects.
        const QStringList copies = asideCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(test::readFile(QFileInfo(catalogue()).absolutePath() + u'/' + copies[0]), broken);
        QVERIFY(m_persistence->saveProjects({}).isOk());
        QCOMPARE(test::readFile(QFileInfo(catalogue()).absolutePath() + u'/' + copies[0]), broken);
    }

    void nullOptionalKeysTakeTheirDefaults()
    {
        test::writeFile(catalogue(), test::readData(u"catalogue-nulls-optional.json"_s));
        const auto loaded = m_persistence->loadProjects();
        QVERIFY2(loaded.isOk(), qPrintable(loaded.error()));
        const DevProject &project = loaded.value().constFirst();
        QVERIFY(project.client.isEmpty() && project.services.isEmpty() && !project.isPinned &&
                !project.lastUsedAt);
        QVERIFY(!project.openLocalURLAfterStart);
        QVERIFY(!project.workspaceLinks[0].id.isNull());
        QVERIFY(asideCopies().isEmpty());
    }

    void failedWriteKeepsThePreviousCatalogue()
    {
        test::writeFile(catalogue(), test::readData(u"catalogue-valid.json"_s));
        const auto loaded = m_persistence->loadProjects().value();
        QList<DevProject> many(50, loaded.constFirst());
        Result<void> saved = Result<void>::success();
        {
            test::FileSizeLimit limit(1024);
            saved = m_persistence->saveProjects(many);
        }
        QVERIFY(!saved.isOk());
        QCOMPARE(m_persistence->loadProjects().value(), loaded);
    }

    void unreadableCatalogueThatCannotBeKeptIsNotOverwritten()
    {
        const QByteArray broken = "[{" + QByteArray(4096, ' ') + "]";
        test::writeFile(catalogue(), broken);
        {
            test::FileSizeLimit limit(16);
            QVERIFY(!m_persistence->loadProjects().isOk());
            // Still unable to keep the old file aside: the save must refuse.
            QVERIFY(!m_persistence->saveProjects({}).isOk());
        }
        QCOMPARE(test::readFile(catalogue()), broken);
        // Once writes work again the save first keeps the old file.
        QVERIFY(m_persistence->saveProjects({}).isOk());
        const QStringList copies = asideCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(test::readFile(QFileInfo(catalogue()).absolutePath() + u'/' + copies[0]), broken);
    }
};

QTEST_GUILESS_MAIN(ProjectCatalogueTest)
#include "ProjectCatalogueTest.moc"
