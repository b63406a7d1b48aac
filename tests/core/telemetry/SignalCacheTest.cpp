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

SignalPostBody signal(int number)
{
    SignalPostBody body;
    body.receivedAt = Timestamp::fromSecondsSinceReference(number);
    body.type = u"s%1"_s.arg(number);
    return body;
}

QList<SignalPostBody> signalRange(int first, int last)
{
    QList<SignalPostBody> list;
    for (int number = first; number <= last; ++number)
        list.append(signal(number));
    return list;
}

QStringList types(const QList<SignalPostBody> &list)
{
    QStringList names;
    for (const SignalPostBody &body : list)
        names.append(body.type);
    return names;
}

} // namespace

class SignalCacheTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::FakeClock m_clock;

    QString path() const { return m_dir.filePath(u"cache/Devnook/telemetrysignalcache"_s); }
    SignalCache cache(int limit = 10000) const { return SignalCache(std::nullopt, limit, path(), m_clock); }
    QList<SignalPostBody> drained(SignalCache &cache)
    {
        QList<SignalPostBody> all;
        while (cache.count() > 0)
            all += cache.pop();
        return all;
    }

private Q_SLOTS:
    void cleanup() { QDir(m_dir.path()).removeRecursively(); }

    void theLimitKeepsTheNewest()
    {
        SignalCache limited = cache(3);
        for (int number = 1; number <= 4; ++number)
            limited.push(signal(number));
        QCOMPARE(limited.count(), 3);
        limited.push(QList{signal(5), signal(6)});
        QCOMPARE(types(limited.pop()), (QStringList{u"s4"_s, u"s5"_s, u"s6"_s}));
    }

    void popsTakeTheOldestHundred()
    {
        SignalCache queue = cache();
        queue.push(signalRange(1, 250));
        const QList<SignalPostBody> batch = queue.pop();
        QCOMPARE(batch.size(), 100);
        QCOMPARE(batch.first().type, u"s1"_s);
        QCOMPARE(queue.count(), 150);
        queue.pop();
        QCOMPARE(queue.pop().size(), 50);
        QVERIFY(queue.pop().isEmpty());
    }

    void aSavedCacheLoadsOnceAtTheNextStart()
    {
        {
            SignalCache first = cache();
            first.push(signalRange(3, 4));
            QVERIFY(first.backupCache(signalRange(1, 2)).isOk());
            QCOMPARE(first.count(), 0);
        }
        SignalCache second = cache();
        QVERIFY(!QFileInfo::exists(path()));
        QCOMPARE(drained(second), signalRange(1, 4));
        QCOMPARE(cache().count(), 0);
    }

    void aLargeFileLoadsTheNewestWithinTheLimit()
    {
        {
            SignalCache first = cache(12000);
            first.push(signalRange(1, 12000));
            QVERIFY(first.backupCache().isOk());
        }
        SignalCache second = cache();
        QCOMPARE(second.count(), 10000);
        QCOMPARE(second.pop().first().type, u"s2001"_s);
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
        SignalCache damaged = cache();
        QCOMPARE(damaged.count(), 0);
        QVERIFY(!QFileInfo::exists(path()));
        const QStringList aside = QFileInfo(path()).dir().entryList({u"telemetrysignalcache.unreadable-*"_s});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(test::readFile(QFileInfo(path()).dir().filePath(aside.first())), bytes);
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
