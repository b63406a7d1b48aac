#include "core/foundation/UuidText.h"
#include "core/usage/UsageSessionCoding.h"
#include "core/usage/UsageTrackingService.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/LocalTime.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using test::localTime;

class UsageSessionFileTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    test::FakeClock m_clock;
    std::unique_ptr<test::ScopedTimeZone> m_timeZone;

    QString sessionsFile() const { return m_home.filePath(u"Devnook/usage_sessions.json"_s); }
    QStringList asideCopies() const
    {
        return QDir(m_home.filePath(u"Devnook"_s)).entryList({u"usage_sessions.json.unreadable-*"_s});
    }
    std::unique_ptr<UsageTrackingService> makeService()
    {
        return std::make_unique<UsageTrackingService>(m_home.path(), m_clock);
    }
    void recordOneSession(UsageTrackingService &service)
    {
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = u"Fresh"_s;
        service.start(project, ProjectUsageSessionSource::playButton, localTime(2024, 6, 1, 9));
        service.stop(project.id, localTime(2024, 6, 1, 10));
    }

private Q_SLOTS:
    void init()
    {
        m_timeZone = std::make_unique<test::ScopedTimeZone>("Europe/Madrid");
        m_clock.set(localTime(2024, 6, 1, 12));
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
    }
    void cleanup() { m_timeZone.reset(); }

    void missingFileReadsEmptyAndCreatesNothing()
    {
        const auto service = makeService();
        QVERIFY(service->completedSessions().isEmpty());
        QCOMPARE(service->sessionsFilePath(), sessionsFile());
        QVERIFY(!QFileInfo::exists(m_home.filePath(u"Devnook"_s)));
    }

    void storedSessionsAreCutSortedAndLeftOnDiskUntilTheNextSave()
    {
        const QByteArray original = test::readData(u"usage-sessions-valid.json"_s);
        test::writeFile(sessionsFile(), original);
        const auto service = makeService();
        const QList<ProjectUsageSession> sessions = service->completedSessions();

        QCOMPARE(sessions.size(), 4);
        QCOMPARE(sessions[0].projectName, u"Blog"_s);
        QCOMPARE(sessions[0].pausedDuration, 0.0);
        QCOMPARE(sessions[1].id, *UuidText::parse(u"1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0"));
        QCOMPARE(sessions[1].source, ProjectUsageSessionSource::startWorkspace);
        QCOMPARE(sessions[1].endedAt.secondsSinceReference(), 737281800.25);
        QCOMPARE(sessions[2].id, *UuidText::parse(u"0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01"));
        QCOMPARE(sessions[2].endedAt, localTime(2024, 5, 15));
        QCOMPARE(sessions[3].startedAt, localTime(2024, 5, 15));
        // The hour of pause is spread over the two days.
        QCOMPARE(sessions[2].pausedDuration, 1800.0);
        QCOMPARE(sessions[3].pausedDuration, 1800.0);
        QCOMPARE(sessions[2].projectName, u"Shop, \"new\""_s);
        QCOMPARE(test::readFile(sessionsFile()), original);
        QVERIFY(asideCopies().isEmpty());

        recordOneSession(*service);
        const QJsonArray written = QJsonDocument::fromJson(test::readFile(sessionsFile())).array();
        QCOMPARE(written.size(), 5);
        const QJsonObject second = written[1].toObject();
        QCOMPARE(second.keys(),
                 (QStringList{u"client"_s, u"endedAt"_s, u"id"_s, u"pausedDuration"_s, u"projectID"_s,
                              u"projectName"_s, u"source"_s, u"stack"_s, u"startedAt"_s}));
        QCOMPARE(second.value(u"id"_s).toString(), u"1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0"_s);
        QCOMPARE(second.value(u"projectID"_s).toString(), u"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E"_s);
        QCOMPARE(second.value(u"pausedDuration"_s), QJsonValue(0));
        QCOMPARE(second.value(u"endedAt"_s).toDouble(), 737281800.25);

        const auto reloaded = makeService();
        QCOMPARE(reloaded->completedSessions().mid(0, 4), sessions);
    }

    void damagedFileReadsEmptyAndIsKeptAside_data()
    {
        QTest::addColumn<QString>("fileName");
        for (const char *name : {"bad-source", "null-required", "wrong-type", "bad-uuid", "absurd-end",
                                 "absurd-pause", "not-an-object", "object-top-level", "truncated"})
            QTest::newRow(name) << u"usage-sessions-%1.json"_s.arg(QLatin1String(name));
        QTest::newRow("empty file") << QString();
    }

    void damagedFileReadsEmptyAndIsKeptAside()
    {
        QFETCH(QString, fileName);
        const QByteArray damaged = fileName.isEmpty() ? QByteArray() : test::readData(fileName);
        test::writeFile(sessionsFile(), damaged);

        const auto service = makeService();
        QVERIFY(service->completedSessions().isEmpty());
        QCOMPARE(asideCopies(), QStringList{u"usage_sessions.json.unreadable-20240601-100000"_s});
        QCOMPARE(test::readFile(m_home.filePath(u"Devnook/"_s + asideCopies().first())), damaged);

        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), 1);
        QCOMPARE(asideCopies().size(), 1);
    }

    void damagedFileIsNotOverwrittenWhileItCannotBeKeptAside()
    {
        const QByteArray damaged = test::readData(u"usage-sessions-bad-source.json"_s);
        test::writeFile(sessionsFile(), damaged);
        std::unique_ptr<UsageTrackingService> service;
        {
            const test::FileSizeLimit limit(64);
            service = makeService();
            recordOneSession(*service);
        }
        QCOMPARE(test::readFile(sessionsFile()), damaged);
        QVERIFY(asideCopies().isEmpty());

        recordOneSession(*service);
        QCOMPARE(asideCopies().size(), 1);
        QCOMPARE(test::readFile(m_home.filePath(u"Devnook/"_s + asideCopies().first())), damaged);
        QCOMPARE(makeService()->completedSessions().size(), 2);
    }

    void failedWriteLeavesThePreviousFileWhole()
    {
        auto service = makeService();
        recordOneSession(*service);
        const QByteArray before = test::readFile(sessionsFile());
        {
            const test::FileSizeLimit limit(before.size() + 10);
            recordOneSession(*service);
            recordOneSession(*service);
        }
        QCOMPARE(test::readFile(sessionsFile()), before);
        QCOMPARE(service->completedSessions().size(), 3);

        recordOneSession(*service);
        QCOMPARE(makeService()->completedSessions().size(), 4);
    }

    void sessionsThatCannotBeReadBackAreNeverWritten_data()
    {
        QTest::addColumn<double>("startedAt");
        QTest::addColumn<double>("endedAt");
        QTest::addColumn<double>("pausedDuration");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("ordinary") << 737200800.0 << 737204400.0 << 12.5 << true;
        QTest::newRow("negative pause") << 737200800.0 << 737204400.0 << -30.0 << true;
        QTest::newRow("earliest plausible") << -978307200.0 << -978307100.0 << 0.0 << true;
        QTest::newRow("before 1970") << -978307201.0 << 737204400.0 << 0.0 << false;
        QTest::newRow("after 2199") << 737200800.0 << 6279811201.0 << 0.0 << false;
        QTest::newRow("not a number") << 737200800.0 << qQNaN() << 0.0 << false;
        QTest::newRow("infinite pause") << 737200800.0 << 737204400.0 << qInf() << false;
        QTest::newRow("absurd pause") << 737200800.0 << 737204400.0 << 1e300 << false;
    }

    void sessionsThatCannotBeReadBackAreNeverWritten()
    {
        QFETCH(double, startedAt);
        QFETCH(double, endedAt);
        QFETCH(double, pausedDuration);
        QFETCH(bool, accepted);

        const ProjectUsageSession session{QUuid::createUuid(),
                                          QUuid::createUuid(),
                                          u"Shop"_s,
                                          {},
                                          {},
                                          ProjectUsageSessionSource::playButton,
                                          Timestamp::fromSecondsSinceReference(startedAt),
                                          Timestamp::fromSecondsSinceReference(endedAt),
                                          pausedDuration};
        const auto encoded = UsageSessionCoding::encodeSessions({session});
        QCOMPARE(encoded.isOk(), accepted);
        if (accepted) {
            const auto decoded = UsageSessionCoding::decodeSessions(encoded.value());
            QVERIFY2(decoded.isOk(), qPrintable(decoded.error()));
            QCOMPARE(decoded.value(), QList<ProjectUsageSession>{session});
        }
    }
};

QTEST_GUILESS_MAIN(UsageSessionFileTest)
#include "UsageSessionFileTest.moc"
