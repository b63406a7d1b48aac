#include "core/telemetry/SignalCache.h"

#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Signals s<first> to s<last>, oldest first.
QList<SignalPostBody> signalRange(int first, int last)
{
    QList<SignalPostBody> list;
    for (int number = first; number <= last; ++number) {
        list.append(SignalPostBody());
        list.last().receivedAt = Timestamp::fromSecondsSinceReference(number);
        list.last().type = u"s%1"_s.arg(number);
    }
    return list;
}

} // namespace

class SignalCacheTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::FakeClock m_clock;

    QString path() const { return m_dir.filePath(u"cache/Devnook/telemetrysignalcache"_s); }
    SignalCache cache(int limit = 10000) const { return SignalCache(std::nullopt, limit, path(), m_clock); }

private Q_SLOTS:
    void cleanup() { QDir(m_dir.path()).removeRecursively(); }

    void theLimitKeepsTheNewestAndPopsTakeTheOldestHundred()
    {
        SignalCache limited = cache(3);
        for (const SignalPostBody &signal : signalRange(1, 4))
            limited.push(signal);
        limited.push(signalRange(5, 6));
        QCOMPARE(limited.pop(), signalRange(4, 6));
        QVERIFY(limited.pop().isEmpty());

        SignalCache queue = cache();
        queue.push(signalRange(1, 250));
        QCOMPARE(queue.pop(), signalRange(1, 100));
        QCOMPARE(queue.count(), 150);
        queue.pop();
        QCOMPARE(queue.pop().size(), 50);
    }

    void aSavedCacheLoadsOnceWithinTheLimit()
    {
        {
            SignalCache first = cache(12000);
            first.push(signalRange(3, 12000));
            QVERIFY(first.backupCache(signalRange(1, 2)).isOk());
            QCOMPARE(first.count(), 0);
        }
        SignalCache second = cache();
        QVERIFY(!QFileInfo::exists(path()));
        QCOMPARE(second.count(), 10000);
        QCOMPARE(second.pop(), signalRange(2001, 2100));
        QCOMPARE(cache().count(), 0);
    }

    void aDamagedFileIsKeptAsideAndTheCacheStartsEmpty_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cut short") << QByteArray(R"([{"type":"a")");
        QTest::newRow("not an array") << QByteArray(R"({"type":"a"})");
        QTest::newRow("an entry without its keys") << QByteArray(R"([{"type":"a"}])");
    }

    void aDamagedFileIsKeptAsideAndTheCacheStartsEmpty()
    {
        QFETCH(QByteArray, bytes);
        test::writeFile(path(), bytes);
        QCOMPARE(cache().count(), 0);
        QVERIFY(!QFileInfo::exists(path()));
        const QDir folder = QFileInfo(path()).dir();
        const QStringList aside = folder.entryList({u"telemetrysignalcache.unreadable-*"_s});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(test::readFile(folder.filePath(aside.first())), bytes);
    }

    void aFailedSaveKeepsTheSignalsAndTheOldFile()
    {
        SignalCache queue = cache();
        queue.push(signalRange(1, 1));
        QVERIFY(queue.backupCache().isOk());
        queue.push(signalRange(1, 500));
        {
            const test::FileSizeLimit limit(1000);
            QVERIFY(!queue.backupCache().isOk());
        }
        QCOMPARE(queue.count(), 500);
        QCOMPARE(QJsonDocument::fromJson(test::readFile(path())).array().size(), 1);
    }
};

QTEST_GUILESS_MAIN(SignalCacheTest)
#include "SignalCacheTest.moc"
