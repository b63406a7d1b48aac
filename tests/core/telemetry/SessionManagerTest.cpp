#include "core/telemetry/SessionManager.h"

#include "core/foundation/KeyValueStore.h"
#include "support/FakeClock.h"
#include "support/LocalTime.h"
#include "support/TelemetryDoubles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr qint64 kDay = 86400;

// A session manager on an injected clock and in-memory user defaults.
struct SessionRig {
    SessionRig() : clock(test::localTime(2024, 3, 10, 9)) {}

    // Stores sessions that started the given days ago and lasted the seconds.
    void storeSessions(const QList<std::pair<double, int>> &daysAgoAndSeconds)
    {
        QJsonArray entries;
        for (const auto &[daysAgo, seconds] : daysAgoAndSeconds) {
            const double start = clock.now().addSeconds(-daysAgo * kDay).secondsSinceReference() +
                                 Timestamp::kUnixSecondsAtReference;
            entries.append(QJsonObject{{u"st"_s, start - 0.25}, {u"dn"_s, seconds}});
        }
        defaults.setValue(u"recentSessions"_s, QJsonDocument(entries).toJson());
    }

    SessionManager &start()
    {
        manager = std::make_unique<SessionManager>(clock, &defaults, activity);
        return *manager;
    }

    // Moves the clock and lets the one-second timer tick.
    void pass(double seconds)
    {
        clock.advance(seconds);
        auto *timer = manager->findChild<QTimer *>(u"telemetrySessionTimer"_s);
        if (timer->isActive())
            QMetaObject::invokeMethod(timer, "timeout");
    }

    QList<qint64> storedDurations() const
    {
        QList<qint64> durations;
        const QJsonArray entries =
            QJsonDocument::fromJson(defaults.value(u"recentSessions"_s).toByteArray()).array();
        for (const QJsonValue &entry : entries)
            durations << entry.toObject().value(u"dn"_s).toInteger();
        return durations;
    }

    QString retention(const QString &key) const
    {
        return manager->retentionParameters().value(u"Telemetry.Retention."_s + key, u"absent"_s);
    }

    const test::ScopedTimeZone zone{"Europe/Madrid"};
    test::FakeClock clock;
    MemoryKeyValueStore defaults;
    test::ManualActivity activity;
    std::unique_ptr<SessionManager> manager;
};

} // namespace

class SessionManagerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aFreshInstallationIsReportedAndItsActiveSecondsStored()
    {
        SessionRig rig;
        SessionManager &manager = rig.start();
        QSignalSpy newInstall(&manager, &SessionManager::newInstallDetected);
        manager.startNewSession();
        QCOMPARE(newInstall.size(), 1);
        QCOMPARE(newInstall.at(0).at(0).toString(), u"2024-03-10"_s);
        QCOMPARE(rig.defaults.stringValue(u"firstSessionDate"_s), u"2024-03-10"_s);
        rig.pass(0.5);
        QVERIFY(rig.storedDurations().isEmpty());
        rig.pass(0.5);
        QCOMPARE(rig.storedDurations(), QList<qint64>{1});
        rig.pass(2.7);
        QCOMPARE(rig.storedDurations(), QList<qint64>{3});
        // Inactive time is not counted, however often activation is reported.
        rig.activity.resign();
        rig.pass(60);
        rig.activity.activate();
        rig.activity.activate();
        rig.pass(10);
        QCOMPARE(rig.storedDurations(), QList<qint64>{13});
        manager.startNewSession();
        QCOMPARE(newInstall.size(), 1);
    }

    void retentionFigures_data()
    {
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<QString>("average");
        QTest::addColumn<QString>("previous");
        QTest::newRow("none") << QList<int>{} << u"-1"_s << u"absent"_s;
        QTest::newRow("one") << QList<int>{42} << u"42"_s << u"absent"_s;
        QTest::newRow("three") << QList<int>{100, 200, 50} << u"150"_s << u"200"_s;
    }

    void retentionFigures()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(QString, average);
        QFETCH(QString, previous);
        SessionRig rig;
        QList<std::pair<double, int>> stored;
        for (const int length : lengths)
            stored.append({3.0 - stored.size(), length});
        rig.storeSessions(stored);
        rig.defaults.setValue(u"deletedSessionsCount"_s, 4);
        rig.start();
        QCOMPARE(rig.retention(u"averageSessionSeconds"_s), average);
        QCOMPARE(rig.retention(u"previousSessionSeconds"_s), previous);
        QCOMPARE(rig.retention(u"totalSessionsCount"_s), QString::number(lengths.size() + 4));
    }

    void sessionsOlderThanNinetyDaysAreCountedAsDeleted()
    {
        SessionRig rig;
        rig.storeSessions({{120, 10}, {90, 20}, {89, 30}});
        rig.defaults.setValue(u"deletedSessionsCount"_s, 1);
        SessionManager &manager = rig.start();
        QCOMPARE(rig.defaults.value(u"deletedSessionsCount"_s).toInt(), 3);
        QCOMPARE(rig.storedDurations(), QList<qint64>{30});
        QCOMPARE(rig.retention(u"totalSessionsCount"_s), u"4"_s);
        QSignalSpy newInstall(&manager, &SessionManager::newInstallDetected);
        manager.startNewSession();
        QVERIFY(newInstall.isEmpty());
        rig.start();
        QCOMPARE(rig.defaults.value(u"deletedSessionsCount"_s).toInt(), 3);
    }

    void daysOfUseCompareWithTheLastOnly()
    {
        SessionRig rig;
        const QStringList stored{u"2024-02-08"_s, u"2024-03-10"_s, u"2024-03-09"_s};
        rig.defaults.setValue(u"distinctDaysUsed"_s, stored);
        rig.start();
        rig.start();
        QCOMPARE(rig.defaults.value(u"distinctDaysUsed"_s).toStringList(),
                 stored + QStringList{u"2024-03-10"_s});
        QCOMPARE(rig.retention(u"distinctDaysUsed"_s), u"4"_s);
        QCOMPARE(rig.retention(u"distinctDaysUsedLastMonth"_s), u"3"_s);
    }
};

QTEST_GUILESS_MAIN(SessionManagerTest)
#include "SessionManagerTest.moc"
