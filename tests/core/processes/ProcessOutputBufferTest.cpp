#include "core/processes/ProcessOutputBuffer.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class ProcessOutputBufferTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // However the pipe cuts the bytes into reads, the text comes out the same.
    void everySplitGivesTheSameText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("four-byte character") << QByteArray("a\xF0\x9F\x98\x80"
                                                           "b\n")
                                             << u"a\U0001F600b\n"_s;
        QTest::newRow("two and three bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\n") << u"\u00E9\u20AC\n"_s;
        QTest::newRow("invalid byte") << QByteArray("x\xFFy\n") << u"x\uFFFDy\n"_s;
        QTest::newRow("stray continuation bytes")
            << QByteArray("\x80\x80\x80\x80z\n") << u"\uFFFD\uFFFD\uFFFD\uFFFDz\n"_s;
        QTest::newRow("cut off at the end") << QByteArray("ab\xF0\x9F") << u"ab\uFFFD\uFFFD"_s;
        QTest::newRow("crlf") << QByteArray("one\r\ntwo") << u"one\r\ntwo"_s;
    }

    void everySplitGivesTheSameText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        for (qsizetype first = 0; first <= bytes.size(); ++first) {
            for (qsizetype second = first; second <= bytes.size(); ++second) {
                ProcessOutputBuffer buffer;
                QString text = buffer.append(bytes.first(first));
                text += buffer.append(bytes.sliced(first, second - first));
                text += buffer.append(bytes.sliced(second));
                text += buffer.takeAll();
                QCOMPARE(text, expected);
            }
        }
    }

    void onlyWholeLinesComeOutUntilFlushed()
    {
        ProcessOutputBuffer buffer;
        QCOMPARE(buffer.append("one\ntw"), u"one\n"_s);
        QVERIFY(buffer.hasPendingLine());
        QCOMPARE(buffer.append("o\rthr"), u"two\r"_s);
        QCOMPARE(buffer.append("ee \xE2\x82"), QString());
        // A quiet pipe shows the line so far but keeps the half character.
        QCOMPARE(buffer.takePendingLine(), u"three "_s);
        QVERIFY(!buffer.hasPendingLine());
        QCOMPARE(buffer.append("\xAC\n"), u"\u20AC\n"_s);
        QCOMPARE(buffer.takeAll(), QString());
    }
};

QTEST_GUILESS_MAIN(ProcessOutputBufferTest)
#include "ProcessOutputBufferTest.moc"
