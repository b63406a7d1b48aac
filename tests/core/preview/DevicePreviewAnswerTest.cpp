#include "core/preview/DevicePreviewAnswer.h"

#include <QTest>

using namespace devnook;
using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kCollect = 32;

DevicePreviewAnswer::Rules rules()
{
    const QList<DevicePreviewURLReplacement> content = {{u"http://l:1"_s, u"http://lan:2"_s}};
    const QList<DevicePreviewURLReplacement> origins = {{u"http://l:1"_s, u"http://hdr:3"_s}};
    return {DevicePreviewProxyRewriter::Stream(content), content + origins, 64, kCollect};
}

HttpResponseHead head(int status, const HttpHeaderList &headers)
{
    return {status, status == 200 ? "OK"_ba : QByteArray(), headers};
}

// A zlib stream of the text (qCompress puts the length in front of one).
QByteArray deflated(const QByteArray &text)
{
    return qCompress(text).sliced(4);
}

} // namespace

class DevicePreviewAnswerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<HttpResponseHead>("head");
        QTest::addColumn<bool>("answersHead");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("broken");
        const QByteArray close = "Connection: close\r\n\r\n";
        const QByteArray html = "Content-Type: text/html\r\n";
        const HttpHeaderList htmlHeaders = {{"Content-Type", "text/html"}};
        const auto row = [&](const char *name, const HttpResponseHead &answer, const QByteArrayList &pieces,
                             const QByteArray &expected, bool broken = false, bool answersHead = false) {
            QTest::newRow(name) << answer << answersHead << pieces << expected << broken;
        };

        row("short body whole, with its length",
            head(200, htmlHeaders + HttpHeaderList{{"Content-Length", "14"}}), {"go http://l:1/", ""},
            "HTTP/1.1 200 OK\r\n" + html + "Content-Length: 16\r\n" + close + "go http://lan:2/");
        row("origin cut between pieces, streamed",
            head(200, htmlHeaders + HttpHeaderList{{"Content-Length", "54"}}),
            {"0123456789 http:/", "/l:1/a and http:\\/\\/l", ":1\\/b http://l:1"},
            "HTTP/1.1 200 OK\r\n" + html + close +
                "0123456789 http://lan:2/a and http:\\/\\/lan:2\\/b http://lan:2");
        row("binary body whole, untouched", head(200, {}), {"\xff http://l:1"},
            "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n" + close + "\xff http://l:1");
        const QByteArray binary = "\xff\xfe http://l:1 and more and more and more";
        row("binary body streamed with its length", head(200, {{"Content-Length", "41"}}), {binary, "!"},
            "HTTP/1.1 200 OK\r\nContent-Length: 41\r\n" + close + binary + "!");
        row("deflate decoded whole", head(200, {{"Content-Encoding", "deflate"}}),
            {deflated("at http://l:1")},
            "HTTP/1.1 200 OK\r\nContent-Length: 15\r\n" + close + "at http://lan:2");
        QByteArray numbers;
        for (int i = 0; i < 60; ++i)
            numbers += QByteArray::number(i) + ' ';
        const QByteArray long_ = "text " + numbers + "http://l:1 end";
        const QByteArray packed = deflated(long_);
        row("deflate decoded as it streams", head(200, {{"Content-Encoding", "deflate"}}),
            {packed.first(5), packed.sliced(5)},
            "HTTP/1.1 200 OK\r\n" + close + "text " + numbers + "http://lan:2 end");
        row("deflate that does not decode, whole as sent", head(200, {{"Content-Encoding", "deflate"}}),
            {"not compressed"},
            "HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\nContent-Length: 14\r\n" + close +
                "not compressed");
        row("deflate broken after its head went out", head(200, {{"Content-Encoding", "deflate"}}),
            {packed.first(packed.size() - 6), "garbage!"}, {}, true);
        row("deflate cut short while streaming", head(200, {{"Content-Encoding", "deflate"}}),
            {packed.first(packed.size() - 6)}, {}, true);
        row("unknown coding passed as sent", head(200, {{"Content-Encoding", "br"}}), {"http://l:1"},
            "HTTP/1.1 200 OK\r\nContent-Encoding: br\r\nContent-Length: 10\r\n" + close + "http://l:1");
        row("event stream unmodified", head(200, {{"Content-Type", "Text/Event-Stream; charset=utf-8"}}),
            {"data: http://l:1\n\n"},
            "HTTP/1.1 200 OK\r\nContent-Type: Text/Event-Stream; charset=utf-8\r\n" + close +
                "data: http://l:1\n\n");
        row("announced over the cap: unmodified, with its length", head(200, {{"Content-Length", "65"}}),
            {"http://l:1"}, "HTTP/1.1 200 OK\r\nContent-Length: 65\r\n" + close + "http://l:1");
        row("HEAD keeps the length", head(200, {{"Content-Length", "99"}}), {},
            "HTTP/1.1 200 OK\r\nContent-Length: 99\r\n" + close, false, true);
        row("304 is a head", head(304, {{"ETag", "\"a\""}}), {},
            "HTTP/1.1 304 Not Modified\r\nETag: \"a\"\r\n" + close);
        // Keep-Alive goes whether or not Connection names it.
        row("headers for this hop dropped, others rewritten",
            head(299, {{"Connection", "X-Trace"},
                       {"Keep-Alive", "timeout=5"},
                       {"X-Trace", "1"},
                       {"Location", "http://l:1/next"},
                       {"Set-Cookie", "a=1; Domain=l; Secure"},
                       {"Set-Cookie", "b=http://l:1; HttpOnly"}}),
            {},
            "HTTP/1.1 299 \r\nLocation: http://lan:2/next\r\nSet-Cookie: a=1\r\n"
            "Set-Cookie: b=http://lan:2; HttpOnly\r\nContent-Length: 0\r\n" +
                close);
    }

    // What the device gets for an answer, as its pieces come; a broken one
    // is cut off, so what it got so far does not matter.
    void answers()
    {
        QFETCH(HttpResponseHead, head);
        QFETCH(bool, answersHead);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, expected);
        QFETCH(bool, broken);
        DevicePreviewAnswer answer(head, answersHead, rules());
        QByteArray sent = answer.start();
        for (const QByteArray &piece : pieces)
            sent += answer.body(piece);
        sent += answer.end();
        QCOMPARE(answer.isBroken(), broken);
        if (!broken)
            QCOMPARE(sent, expected);
    }

    // Nothing goes out while a short body is collected; a long one goes out as it comes.
    void heldBackOnlyWhileShort()
    {
        DevicePreviewAnswer answer(head(200, {}), false, rules());
        const QByteArray collected(kCollect, 'a');
        QCOMPARE(answer.start(), QByteArray());
        QCOMPARE(answer.body(collected), QByteArray());
        QVERIFY(!answer.headSent());
        const QByteArray head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
        QByteArray sent = answer.body("b");
        QVERIFY(sent.startsWith(QByteArray(head + "aaaa")));
        QVERIFY(answer.headSent() && !answer.isUnmodifiedStream());
        sent += answer.body("http://l:1/");
        sent += answer.end();
        QCOMPARE(sent, head + collected + "bhttp://lan:2/");
    }
};

QTEST_GUILESS_MAIN(DevicePreviewAnswerTest)
#include "DevicePreviewAnswerTest.moc"
