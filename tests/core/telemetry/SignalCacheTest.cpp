#include "core/telemetry/SignalCache.h"

#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// Signals s<first> to s<last>, oldest first; their payloads hold the
// characters that end strings and objects.
QList<SignalPostBody> signalRange(int first, int last)
{
    QList<SignalPostBody> list;
    for (int number = first; number <= last; ++number) {
        list.append(SignalPostBody());
        list.last().receivedAt = Timestamp::fromSecondsSinceReference(number);
        list.last().type = u"s%1"_s.arg(number);
        list.last().payload = {{u"}{\"]"_s, u"\\\"}],[{"_s}};
    }
    return list;
}

QList<QByteArray> encoded(const QList<SignalPostBody> &bodies)
{
    QList<QByteArray> list;
    for (const SignalPostBody &body : bodies)
        list.append(body.toCacheBytes());
    return list;
}

QList<SignalPostBody> decoded(const QList<QByteArray> &signalList)
{
    QList<SignalPostBody> bodies;
    for (const QByteArray &signal : signalList)
        bodies.append(SignalPostBody::fromCacheBytes(signal).value_or(SignalPostBody()));
    return bodies;
}

QByteArray fileOf(const QList<SignalPostBody> &bodies, QJsonDocument::JsonFormat format)
{
    QJsonArray array;
    for (const SignalPostBody &body : bodies)
        array.append(body.toCacheJson());
    return QJsonDocument(array).toJson(format);
}

} // namespace

class SignalCacheTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::FakeClock m_clock;

    QString path() const { return m_dir.filePath(u"cache/Devnook/telemetrysignalcache"_s); }
    SignalCache cache(int limit = 10000) const { return SignalCache(std::nullopt, limit, path(), m_clock); }

    // What a new cache takes in from the file: the count, and the oldest hundred.
    int loadedCount() const
    {
        SignalCache loaded = cache();
        loaded.takeInLoaded();
        return loaded.count();
    }
    QList<SignalPostBody> firstLoaded(int limit) const
    {
        SignalCache loaded = cache(limit);
        loaded.takeInLoaded();
        return decoded(loaded.pop());
    }

    QStringList asideCopies() const
    {
        return QFileInfo(path()).dir().entryList({u"telemetrysignalcache.unreadable-*"_s});
    }

private Q_SLOTS:
    void cleanup() { QDir(m_dir.path()).removeRecursively(); }

    void theLimitKeepsTheNewestAndPopsTakeTheOldestHundred()
    {
        SignalCache limited = cache(3);
        limited.takeInLoaded();
        for (const SignalPostBody &signal : signalRange(1, 4))
            limited.push(signal);
        limited.push(encoded(signalRange(5, 6)));
        QCOMPARE(decoded(limited.pop()), signalRange(4, 6));
        QVERIFY(limited.pop().isEmpty());

        SignalCache queue = cache();
        queue.takeInLoaded();
        queue.push(encoded(signalRange(1, 250)));
        QCOMPARE(decoded(queue.pop()), signalRange(1, 100));
        QCOMPARE(queue.count(), 150);
        queue.pop();
        QCOMPARE(queue.pop().size(), 50);
    }

    void aSavedCacheLoadsOnceWithinTheLimit()
    {
        {
            SignalCache first = cache(12000);
            first.takeInLoaded();
            for (const SignalPostBody &signal : signalRange(3, 12000))
                first.push(signal);
            QVERIFY(first.backupCache(encoded(signalRange(1, 2))).isOk());
            QCOMPARE(first.count(), 0);
        }
        SignalCache second = cache();
        second.takeInLoaded();
        QVERIFY(!QFileInfo::exists(path()));
        QCOMPARE(second.count(), 10000);
        QCOMPARE(decoded(second.pop()), signalRange(2001, 2100));
        QCOMPARE(loadedCount(), 0);
    }

    // A file that reads whole; a signal pushed while it is read follows its
    // signals within the limit, also when the app quits before taking them in.
    void filesThatReadWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("quitAtOnce");
        QTest::addColumn<int>("first");
        const QByteArray compact = fileOf(signalRange(1, 3), QJsonDocument::Compact);
        QTest::newRow("compact") << compact << 10 << false << 1;
        QTest::newRow("within the limit") << compact << 3 << false << 2;
        QTest::newRow("quit before it was read") << compact << 10 << true << 1;
        QTest::newRow("indented") << fileOf(signalRange(1, 3), QJsonDocument::Indented) << 10 << false << 1;
        QTest::newRow("empty array") << QByteArray(" [ ]\n") << 10 << false << 4;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + compact << 10 << false << 1;
    }

    void filesThatReadWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, limit);
        QFETCH(bool, quitAtOnce);
        QFETCH(int, first);
        test::writeFile(path(), bytes);
        SignalCache queue = cache(limit);
        queue.push(signalRange(4, 4).first());
        QList<SignalPostBody> read;
        if (quitAtOnce) {
            QVERIFY(queue.backupCache().isOk());
            read = firstLoaded(limit);
        } else {
            queue.takeInLoaded();
            read = decoded(queue.pop());
        }
        QCOMPARE(read, signalRange(first, 4));
        QVERIFY(!QFileInfo::exists(path()));
        QVERIFY(asideCopies().isEmpty());
    }

    void aDamagedFileIsKeptAsideAndTheCacheStartsEmpty_data()
    {
        const QByteArray whole = fileOf(signalRange(1, 2), QJsonDocument::Compact);
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cut short") << whole.chopped(3);
        QTest::newRow("cut inside a string") << whole.left(whole.indexOf("\\\"}") + 2);
        QTest::newRow("text after the array") << whole + "x";
        QTest::newRow("not an array") << QByteArray(R"({"type":"a"})");
        QTest::newRow("an element that is no object") << QByteArray("[1]");
        QTest::newRow("an entry without its keys") << QByteArray(R"([{"type":"a"}])");
        QTest::newRow("a missing comma") << QByteArray(whole).replace("},{", "}{");
        QTest::newRow("another character for the comma") << QByteArray(whole).replace("},{", "};{");
        QTest::newRow("empty") << QByteArray();
    }

    void aDamagedFileIsKeptAsideAndTheCacheStartsEmpty()
    {
        QFETCH(QByteArray, bytes);
        test::writeFile(path(), bytes);
        QCOMPARE(loadedCount(), 0);
        QVERIFY(!QFileInfo::exists(path()));
        const QStringList aside = asideCopies();
        QCOMPARE(aside.size(), 1);
        QCOMPARE(test::readFile(QFileInfo(path()).dir().filePath(aside.first())), bytes);
    }

    void aFailedSaveKeepsTheSignalsAndTheOldFile()
    {
        SignalCache queue = cache();
        queue.takeInLoaded();
        queue.push(signalRange(1, 1).first());
        QVERIFY(queue.backupCache().isOk());
        queue.push(encoded(signalRange(1, 500)));
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
