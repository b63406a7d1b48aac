#include "core/preview/DevicePreviewAnswer.h"

#include "ChunkedBody.h"
#include "support/LoopbackHttpServer.h"

#include <QRandomGenerator>
#include <QTest>

using namespace devnook;
using namespace devnook::test;
using namespace Qt::StringLiterals;

using Asked = DevicePreviewAnswer::Asked;
Q_DECLARE_METATYPE(DevicePreviewAnswer::Asked)

namespace {

constexpr qsizetype kCollect = 32;

DevicePreviewAnswer::Rules rules(bool rewrites = true)
{
    const QList<DevicePreviewURLReplacement> content = {{u"http://l:1"_s, u"http://lan:2"_s}};
    const QList<DevicePreviewURLReplacement> origins = {{u"http://l:1"_s, u"http://hdr:3"_s}};
    if (!rewrites)
        return {DevicePreviewProxyRewriter::Stream({}), origins, kCollect};
    return {DevicePreviewProxyRewriter::Stream(content), content + origins, kCollect};
}

// What the device gets for the answer as its pieces come.
QByteArray answered(const HttpResponseHead &head, Asked asked, const QByteArrayList &pieces,
                    DevicePreviewAnswer::Rules answerRules = rules())
{
    DevicePreviewAnswer answer(head, asked, std::move(answerRules));
    QByteArray sent = answer.start();
    for (const QByteArray &piece : pieces)
        sent += answer.body(piece);
    sent += answer.end();
    return answer.isBroken() ? "[broken]" : sent;
}

// The head, and the body with chunked coding removed when the head says so.
QByteArray unchunked(const QByteArray &response)
{
    const qsizetype headEnd = response.indexOf("\r\n\r\n") + 4;
    if (headEnd < 4 || !response.first(headEnd).contains("\r\nTransfer-Encoding: chunked\r\n"))
        return response;
    const std::optional<QByteArray> body = dechunked(QByteArrayView(response).sliced(headEnd));
    return response.first(headEnd) + (body ? *body : "[not chunked]"_ba);
}

// The length a head announces, or -1.
qint64 announced(const QByteArray &response)
{
    const qsizetype at = response.indexOf("\r\nContent-Length: ");
    return at < 0 ? -1 : response.sliced(at + 18).split('\r').first().toLongLong();
}

// The header lines of an answer but for those that frame its body.
QByteArrayList unframedHeaders(const QByteArray &response)
{
    QByteArrayList lines = response.first(response.indexOf("\r\n\r\n")).split('\n');
    lines.removeFirst();
    lines.removeIf([](const QByteArray &line) {
        return line.startsWith("Content-Length:") || line.startsWith("Transfer-Encoding:");
    });
    return lines;
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
        QTest::addColumn<Asked>("asked");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray close = "Connection: close\r\n\r\n";
        const QByteArray chunked = "Transfer-Encoding: chunked\r\n" + close;
        const QByteArray html = "Content-Type: text/html\r\n";
        const HttpHeaderList htmlHeaders = {{"Content-Type", "text/html"}};
        const auto row = [&](const char *name, const HttpResponseHead &answer, const QByteArrayList &pieces,
                             const QByteArray &expected, Asked asked = {}) {
            QTest::newRow(name) << answer << asked << pieces << expected;
        };

        row("short body whole, with its length",
            head(200, htmlHeaders + HttpHeaderList{{"Content-Length", "14"}}), {"go http://l:1/", ""},
            "HTTP/1.1 200 OK\r\n" + html + "Content-Length: 16\r\n" + close + "go http://lan:2/");
        const QByteArrayList cut = {"0123456789 http:/", "/l:1/a and http:\\/\\/l", ":1\\/b http://l:1"};
        const QByteArray cutRewritten = "0123456789 http://lan:2/a and http:\\/\\/lan:2\\/b http://lan:2";
        row("origin cut between pieces, streamed in chunks",
            head(200, htmlHeaders + HttpHeaderList{{"Content-Length", "54"}}), cut,
            "HTTP/1.1 200 OK\r\n" + html + chunked + cutRewritten);
        row("streamed to a device that does not read chunks, ended by the close",
            head(200, htmlHeaders + HttpHeaderList{{"Content-Length", "54"}}), cut,
            "HTTP/1.1 200 OK\r\n" + html + close + cutRewritten, {false, false});
        row("binary body whole, untouched", head(200, {}), {"\xff http://l:1"},
            "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n" + close + "\xff http://l:1");
        const QByteArray binary = "\xff\xfe http://l:1 and more and more and more";
        row("binary body streamed with its length", head(200, {{"Content-Length", "41"}}), {binary, "!"},
            "HTTP/1.1 200 OK\r\nContent-Length: 41\r\n" + close + binary + "!");
        row("binary body without a length, streamed in chunks", head(200, {}), {binary, "!"},
            "HTTP/1.1 200 OK\r\n" + chunked + binary + "!");
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
            "HTTP/1.1 200 OK\r\n" + chunked + "text " + numbers + "http://lan:2 end");
        row("deflate that does not decode, whole as sent", head(200, {{"Content-Encoding", "deflate"}}),
            {"not compressed"},
            "HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\nContent-Length: 14\r\n" + close +
                "not compressed");
        row("deflate broken after its head went out", head(200, {{"Content-Encoding", "deflate"}}),
            {packed.first(packed.size() - 6), "garbage!"}, "[broken]");
        row("deflate cut short while streaming", head(200, {{"Content-Encoding", "deflate"}}),
            {packed.first(packed.size() - 6)}, "[broken]");
        row("unknown coding passed as sent", head(200, {{"Content-Encoding", "br"}}), {"http://l:1"},
            "HTTP/1.1 200 OK\r\nContent-Encoding: br\r\nContent-Length: 10\r\n" + close + "http://l:1");
        row("event stream unmodified", head(200, {{"Content-Type", "Text/Event-Stream; charset=utf-8"}}),
            {"data: http://l:1\n\n"},
            "HTTP/1.1 200 OK\r\nContent-Type: Text/Event-Stream; charset=utf-8\r\n" + close +
                "data: http://l:1\n\n");
        // A length beside the chunked coding is not the body's: it never reaches the device.
        row("event stream sent chunked with a length",
            head(200, {{"Content-Type", "text/event-stream"},
                       {"Transfer-Encoding", "chunked"},
                       {"Content-Length", "9"}}),
            {"data: x\n\n"},
            "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n" + close + "data: x\n\n");
        row("long body sent chunked with a length, streamed",
            head(200, {{"Transfer-Encoding", "chunked"}, {"Content-Length", "9"}}), {binary, "!"},
            "HTTP/1.1 200 OK\r\n" + chunked + binary + "!");
        row("announced long, rewritten all the same", head(200, {{"Content-Length", "65"}}),
            {"http://l:1" + QByteArray(55, '.')},
            "HTTP/1.1 200 OK\r\n" + chunked + "http://lan:2" + QByteArray(55, '.'));
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

    // What the device gets for an answer, as its pieces come, its chunks
    // read back; a broken one is cut off, so what it got so far does not matter.
    void answers()
    {
        QFETCH(HttpResponseHead, head);
        QFETCH(Asked, asked);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, expected);
        QCOMPARE(unchunked(answered(head, asked, pieces)), expected);
    }

    void headAnswersAsTheGet_data()
    {
        QTest::addColumn<HttpHeaderList>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("rewrites");
        QTest::addColumn<qint64>("headLength");
        const QByteArray page = "<a href=\"http://l:1/\">";
        const QByteArray length = QByteArray::number(page.size());
        QTest::newRow("page that is rewritten")
            << HttpHeaderList{{"Content-Length", length}} << page << true << qint64(-1);
        QTest::newRow("long page that is rewritten")
            << HttpHeaderList{{"Content-Length", "64"}} << QByteArray(64, 'a') << true << qint64(-1);
        QTest::newRow("nothing to rewrite")
            << HttpHeaderList{{"Content-Length", length}} << page << false << qint64(page.size());
        QTest::newRow("decoded, nothing to rewrite")
            << HttpHeaderList{{"Content-Length", QByteArray::number(deflated(page).size())},
                              {"Content-Encoding", "deflate"}}
            << deflated(page) << false << qint64(-1);
        QTest::newRow("decoded and rewritten")
            << HttpHeaderList{{"Content-Type", "text/html"}, {"Content-Encoding", "deflate"}}
            << deflated(page) << true << qint64(-1);
        QTest::newRow("coding it cannot decode")
            << HttpHeaderList{{"Content-Length", "4"}, {"Content-Encoding", "br"}} << "\x01\x02\x03\x04"_ba
            << true << qint64(4);
        QTest::newRow("chunked, nothing to rewrite")
            << HttpHeaderList{{"Transfer-Encoding", "chunked"}, {"Content-Length", "4"}} << "abcd"_ba << false
            << qint64(-1);
        QTest::newRow("event stream with a length")
            << HttpHeaderList{{"Content-Type", "text/event-stream"}, {"Content-Length", "9"}}
            << "data: x\n\n"_ba << true << qint64(9);
        QTest::newRow("event stream sent chunked with a length")
            << HttpHeaderList{{"Content-Type", "text/event-stream"},
                              {"Transfer-Encoding", "chunked"},
                              {"Content-Length", "9"}}
            << "data: x\n\n"_ba << true << qint64(-1);
        // A stream passes as sent: its GET keeps a coding the proxy could take off.
        const QByteArray packedEvents = LoopbackHttpServer::gzipped("data: http://l:1\n\n");
        QTest::newRow("gzip event stream with a length")
            << HttpHeaderList{{"Content-Type", "text/event-stream"},
                              {"Content-Encoding", "gzip"},
                              {"Content-Length", QByteArray::number(packedEvents.size())}}
            << packedEvents << true << qint64(packedEvents.size());
    }

    // A HEAD answer carries the headers the GET would get, and never a
    // length that the GET would not send.
    void headAnswersAsTheGet()
    {
        QFETCH(HttpHeaderList, headers);
        QFETCH(QByteArray, body);
        QFETCH(bool, rewrites);
        QFETCH(qint64, headLength);
        const QByteArray toHead = answered(head(200, headers), {true, true}, {}, rules(rewrites));
        const QByteArray toGet = answered(head(200, headers), {}, {body}, rules(rewrites));
        QCOMPARE(unframedHeaders(toHead), unframedHeaders(toGet));
        QCOMPARE(announced(toHead), headLength);
        if (headLength >= 0)
            QCOMPARE(announced(toGet), headLength);
    }

    void heldBackOnlyWhileShort_data()
    {
        QTest::addColumn<HttpHeaderList>("headers");
        QTest::addColumn<QByteArray>("body");
        QByteArray noise(8 * kCollect, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("no coding") << HttpHeaderList{} << QByteArray(8 * kCollect, 'a');
        QTest::newRow("deflate of noise")
            << HttpHeaderList{{"Content-Encoding", "deflate"}} << deflated(noise);
        QTest::newRow("deflate of text")
            << HttpHeaderList{{"Content-Encoding", "deflate"}} << deflated(QByteArray(64 * kCollect, 'a'));
        QTest::newRow("coding it cannot decode") << HttpHeaderList{{"Content-Encoding", "br"}} << noise;
        QTest::newRow("deflate that does not decode")
            << HttpHeaderList{{"Content-Encoding", "deflate"}} << "\x78\x9c" + noise;
    }

    // Nothing goes out while a short body is collected; once more than the
    // bound has come, as sent or decoded, the answer goes out as it comes.
    void heldBackOnlyWhileShort()
    {
        QFETCH(HttpHeaderList, headers);
        QFETCH(QByteArray, body);
        DevicePreviewAnswer answer(head(200, headers), {}, rules());
        QCOMPARE(answer.start(), QByteArray());
        qsizetype received = 0;
        for (qsizetype piece = 7; received < body.size(); received += piece) {
            answer.body(QByteArrayView(body).sliced(received, std::min(piece, body.size() - received)));
            if (received + piece > kCollect)
                QVERIFY2(answer.headSent(), QByteArray::number(received + piece).constData());
        }
        QVERIFY(answer.headSent() && !answer.isUnmodifiedStream());
    }
};

QTEST_GUILESS_MAIN(DevicePreviewAnswerTest)
#include "DevicePreviewAnswerTest.moc"
