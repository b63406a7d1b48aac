#include "core/preview/DevicePreviewOrigins.h"
#include "core/preview/DevicePreviewProxyRewriter.h"

#include <QTest>

using namespace devnook;
using namespace Qt::StringLiterals;

using Replacements = QList<DevicePreviewURLReplacement>;

class DevicePreviewRewritingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rewritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Replacements>("pairs");
        QTest::addColumn<QString>("expected");
        const Replacements local = {{u"http://localhost:3000"_s, u"http://192.168.1.5:4100"_s}};
        QTest::newRow("plain and JSON-escaped")
            << u"<a href=\"http://localhost:3000/a\">x</a> http://localhost:3000 {\"u\":\"http:\\/\\/localhost:3000\\/b\"} http://localhost:3000/"_s
            << local
            << u"<a href=\"http://192.168.1.5:4100/a\">x</a> http://192.168.1.5:4100 {\"u\":\"http:\\/\\/192.168.1.5:4100\\/b\"} http://192.168.1.5:4100/"_s;
        QTest::newRow("prefix of a longer port")
            << u"http://localhost:30001"_s << local << u"http://192.168.1.5:41001"_s;
        QTest::newRow("other case, no scheme, encoded stay")
            << u"HTTP://LOCALHOST:3000 //localhost:3000 http%3A%2F%2Flocalhost%3A3000"_s << local
            << u"HTTP://LOCALHOST:3000 //localhost:3000 http%3A%2F%2Flocalhost%3A3000"_s;
        QTest::newRow("later pairs see earlier output")
            << u"http://a"_s << Replacements{{u"http://a"_s, u"http://b"_s}, {u"http://b"_s, u"http://c"_s}}
            << u"http://c"_s;
        QTest::newRow("no pairs") << u"http://localhost:3000"_s << Replacements{}
                                  << u"http://localhost:3000"_s;
        QTest::newRow("back to back, among other scripts")
            << u"café http://localhost:3000http://localhost:3000 ü"_s << local
            << u"café http://192.168.1.5:4100http://192.168.1.5:4100 ü"_s;
    }

    void streamedCutAnywhere_data() { rewritten_data(); }

    // A body cut into two pieces anywhere, an origin cut in two included,
    // comes out as the whole text would.
    void streamedCutAnywhere()
    {
        QFETCH(QString, text);
        QFETCH(Replacements, pairs);
        QFETCH(QString, expected);
        const QByteArray bytes = text.toUtf8();
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            DevicePreviewProxyRewriter::Stream stream(pairs);
            QByteArray out = stream.feed(bytes.first(cut));
            out += stream.feed(bytes.sliced(cut));
            out += stream.finish();
            QCOMPARE(out, expected.toUtf8());
        }
    }

    // What is given out as it comes holds back only the bytes that may still
    // start an origin, so a streamed page is not kept waiting for the next piece.
    void onlyAPossibleStartIsHeldBack_data()
    {
        QTest::addColumn<QByteArray>("piece");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("nothing like an origin") << "data: tick\n\n"_ba
                                                << "data: tick\n\n"_ba;
        QTest::newRow("the start of one") << "go to http://local"_ba
                                          << "go to "_ba;
        QTest::newRow("its escaped start") << "\"http:\\/"_ba
                                           << "\""_ba;
        QTest::newRow("a whole one and a letter") << "http://localhost:3000 h"_ba
                                                  << "http://192.168.1.5:4100 "_ba;
    }

    void onlyAPossibleStartIsHeldBack()
    {
        QFETCH(QByteArray, piece);
        QFETCH(QByteArray, out);
        DevicePreviewProxyRewriter::Stream stream(
            {{u"http://localhost:3000"_s, u"http://192.168.1.5:4100"_s}});
        QCOMPARE(stream.feed(piece), out);
    }

    void rewritten()
    {
        QFETCH(QString, text);
        QFETCH(Replacements, pairs);
        QFETCH(QString, expected);
        QCOMPARE(DevicePreviewProxyRewriter::rewritten(text, pairs), expected);
        // Requests go the other way, plainly.
        if (pairs.size() == 1 && !text.contains(u'\\'))
            QCOMPARE(DevicePreviewProxyRewriter::toLocal(expected, pairs), text);
    }

    void cookies_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all three dropped")
            << u"sid=1; Path=/; Domain=localhost; Secure; HttpOnly; SameSite=None"_s
            << u"sid=1; Path=/; HttpOnly"_s;
        QTest::newRow("Lax kept") << u"a=b; SameSite=Lax"_s << u"a=b; SameSite=Lax"_s;
        QTest::newRow("trailing semicolon") << u"a=b;"_s << u"a=b; "_s;
        QTest::newRow("spaced capitals")
            << u"a=b;  SECURE \t; SameSite = None"_s << u"a=b; SameSite = None"_s;
    }

    void cookies()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(DevicePreviewProxyRewriter::previewCompatibleCookie(value), expected);
    }

    void destinations_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::newRow("origin form") << u"http://localhost:3000/app/"_s << u"/a/b?q=1&r=%20"_s
                                     << u"http://localhost:3000/a/b?q=1&r=%20"_s;
        QTest::newRow("absolute form keeps only path and query")
            << u"http://127.0.0.1:3000"_s << u"http://127.0.0.1:22/secret?x=1#f"_s
            << u"http://127.0.0.1:3000/secret?x=1"_s;
        QTest::newRow("two slashes start a path") << u"https://localhost:5173"_s << u"//evil.example:80//p"_s
                                                  << u"https://localhost:5173//evil.example:80//p"_s;
        QTest::newRow("absolute form without a path")
            << u"http://localhost:3000"_s << u"http://other?q"_s << u"http://localhost:3000/?q"_s;
        QTest::newRow("space and hash encoded")
            << u"http://localhost:3000"_s << u"/a b#c"_s << u"http://localhost:3000/a%20b"_s;
        QTest::newRow("asterisk") << u"http://localhost"_s << u"*"_s << u"http://localhost/*"_s;
        QTest::newRow("local URL without host") << u"file:///tmp"_s << u"/"_s << QString();
    }

    void destinations()
    {
        QFETCH(QString, local);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        const std::optional<QUrl> url = DevicePreviewOrigins::destinationURL(target, QUrl(local));
        QCOMPARE(url ? url->toString(QUrl::FullyEncoded) : QString(), expected);
    }

    void lanURLs()
    {
        // origin() is checked through the proxy service sharing one proxy per origin.
        const QUrl local(u"https://localhost:5173/app?x=1"_s);
        QCOMPARE(DevicePreviewOrigins::lanURL(local, u"192.168.1.20"_s, 4100).value(),
                 QUrl(u"http://192.168.1.20:4100/app?x=1"_s));
        QVERIFY(!DevicePreviewOrigins::lanURL(local, u" \n"_s, 4100));
        QVERIFY(!DevicePreviewOrigins::lanURL(QUrl(u"file:///x"_s), u"192.168.1.20"_s, 4100));
    }
};

QTEST_GUILESS_MAIN(DevicePreviewRewritingTest)
#include "DevicePreviewRewritingTest.moc"
